#include "widgets/TSelButtonAccessible.h"

#include "widgets/ButtonComps.h"
#include "widgets/WidgetAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>

// The caption button as a push button: named by its caption, unavailable while its own Enabled
// flag is off (though it still looks enabled), pressed as by a click where the mouse could
// reach it. A friend of TSelButton, for its click.
class TSelButtonAccessible : public QAccessibleWidget {
public:
    explicit TSelButtonAccessible(TSelButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return accessibility::ownName(button(), button()->Caption());
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (!button()->Enabled()) {
            s.disabled = true;
        }
        return s;
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (button()->Enabled() && button()->isEnabled()) {
            names.prepend(pressAction());
        }
        return names;
    }

    void doAction(const QString& action) override {
        if (action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        TSelButton* b = button();
        if (b->Enabled() && accessibility::reachable(b)) {
            b->click();
        }
    }

private:
    TSelButton* button() const { return static_cast<TSelButton*>(widget()); }
};

namespace {

QAccessibleInterface* buttonInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("TSelButton")) {
        return new TSelButtonAccessible(static_cast<TSelButton*>(object));
    }
    return nullptr;
}

} // namespace

void installTSelButtonAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(buttonInterface);
        return true;
    }();
    (void)installed;
}
