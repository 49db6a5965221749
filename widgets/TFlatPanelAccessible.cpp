#include "widgets/TFlatPanelAccessible.h"

#include "widgets/TFlatPanelUnit.h"
#include "widgets/WidgetAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// The flat panel as a group, named by its caption unless given a name of its own.
class TFlatPanelAccessible : public QAccessibleWidget {
public:
    explicit TFlatPanelAccessible(TFlatPanel* panel)
        : QAccessibleWidget(panel, QAccessible::Grouping) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return accessibility::ownName(widget(), static_cast<TFlatPanel*>(widget())->Caption());
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* panelInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("TFlatPanel")) {
        return new TFlatPanelAccessible(static_cast<TFlatPanel*>(object));
    }
    return nullptr;
}

} // namespace

void installTFlatPanelAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(panelInterface);
        return true;
    }();
    (void)installed;
}
