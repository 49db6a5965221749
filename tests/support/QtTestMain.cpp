// The main of the QtTest programs made of several test files: runs every registered class.

#include "tests/support/QtTestMain.h"

#include <QApplication>
#include <QTest>

namespace testsupport {

std::vector<QtTestFactory>& qtTests() {
    static std::vector<QtTestFactory> tests;
    return tests;
}

} // namespace testsupport

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    int failed = 0;
    for (const auto& make : testsupport::qtTests()) {
        const std::unique_ptr<QObject> test = make();
        failed += QTest::qExec(test.get(), argc, argv);
    }
    return failed;
}
