#include "widgets/ClickLabelAccessible.h"

#include "widgets/ClickLabel.h"
#include "widgets/WidgetAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// A link label as a link, pressed as by a click where the mouse could reach it.
class ClickLabelAccessible : public QAccessibleWidget {
public:
    explicit ClickLabelAccessible(ClickLabel* label)
        : QAccessibleWidget(label, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return label()->text();
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        ClickLabel* link = label();
        if (accessibility::reachable(link)) {
            emit link->clicked();
        }
    }

private:
    ClickLabel* label() const { return static_cast<ClickLabel*>(widget()); }
};

QAccessibleInterface* clickLabelInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("ClickLabel")) {
        return new ClickLabelAccessible(static_cast<ClickLabel*>(object));
    }
    return nullptr;
}

} // namespace

void installClickLabelAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(clickLabelInterface);
        return true;
    }();
    (void)installed;
}
