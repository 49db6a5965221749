#pragma once

// Lets one QtTest program hold the test classes of several files: each file registers its
// class with BLOOMZAP_QTEST(Class), and the shared main (QtTestMain.cpp) runs them in turn.

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace testsupport {

using QtTestFactory = std::function<std::unique_ptr<QObject>()>;

// The registered test classes, in registration order.
std::vector<QtTestFactory>& qtTests();

struct QtTestRegistration {
    explicit QtTestRegistration(QtTestFactory make) { qtTests().push_back(std::move(make)); }
};

} // namespace testsupport

#define BLOOMZAP_QTEST(Class)                                                                      \
    static const testsupport::QtTestRegistration registration##Class(                              \
        [] { return std::unique_ptr<QObject>(std::make_unique<Class>()); })
