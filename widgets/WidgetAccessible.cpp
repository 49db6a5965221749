#include "widgets/WidgetAccessible.h"

#include "widgets/ButtonComps.h"
#include "widgets/TFlatPanelUnit.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

namespace {

// The dynamic property of a display that holds its caption.
constexpr char captionProperty[] = "bloomzapDisplayCaption";

// What stands in for the screen readers, if anything.
accessibility::Listener& standIn() {
    static accessibility::Listener listener;
    return listener;
}

// A text given by hand (accessibleName) wins over what the widget shows.
QString ownName(const QWidget* widget, const QString& shown) {
    const QString name = widget->accessibleName();
    return name.isEmpty() ? shown : name;
}

} // namespace

// The caption button as a push button: named by its caption, unavailable while its own Enabled
// flag is off (though it still looks enabled), pressed as by a click where the mouse could
// reach it. A friend of TSelButton, for its click.
class TSelButtonAccessible : public QAccessibleWidget {
public:
    explicit TSelButtonAccessible(TSelButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return ownName(button(), button()->Caption());
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (!button()->Enabled())
            s.disabled = true;
        return s;
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (button()->Enabled() && button()->isEnabled())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& action) override {
        if (action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        TSelButton* b = button();
        if (b->Enabled() && accessibility::reachable(b))
            b->click();
    }

private:
    TSelButton* button() const { return static_cast<TSelButton*>(widget()); }
};

namespace {

// The flat panel as a group, named by its caption unless given a name of its own.
class TFlatPanelAccessible : public QAccessibleWidget {
public:
    explicit TFlatPanelAccessible(TFlatPanel* panel)
        : QAccessibleWidget(panel, QAccessible::Grouping) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return ownName(widget(), static_cast<TFlatPanel*>(widget())->Caption());
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* widgetInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("TSelButton"))
        return new TSelButtonAccessible(static_cast<TSelButton*>(object));
    if (className == QLatin1String("TFlatPanel"))
        return new TFlatPanelAccessible(static_cast<TFlatPanel*>(object));
    return nullptr;
}

// A display's name: its caption, then its text.
void nameDisplay(QLabel* display) {
    const QString caption = display->property(captionProperty).toString();
    const QString text = display->text();
    display->setAccessibleName(text.isEmpty() ? caption : caption + QLatin1Char(' ') + text);
}

} // namespace

namespace accessibility {

void installWidgetAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(widgetInterface);
        return true;
    }();
    (void)installed;
}

void setDisplayCaption(QLabel* display, const QString& caption) {
    display->setProperty(captionProperty, caption);
    nameDisplay(display);
}

bool reachable(const QWidget* widget) {
    if (!widget->isVisible() || !widget->isEnabled())
        return false;
    const QWidget* top = widget->window();
    return top == widget || top->childAt(widget->mapTo(top, widget->rect().center())) == widget;
}

bool listening() {
    return QAccessible::isActive() || bool(standIn());
}

void tell(QAccessibleEvent& event) {
    if (const Listener& listener = standIn())
        listener(event);
    QAccessible::updateAccessibility(&event);
}

void captionChanged(QWidget* widget) {
    if (listening() && widget->accessibleName().isEmpty()) {
        QAccessibleEvent event(widget, QAccessible::NameChanged);
        tell(event);
    }
}

void displayChanged(QLabel* display) {
    if (!display->property(captionProperty).isValid())
        return;
    // Kept up to date whether or not anyone listens, so that a screen reader started in the
    // middle of a game reads the score of now. Qt tells screen readers of the new name itself.
    nameDisplay(display);
    if (const Listener& listener = standIn()) {
        QAccessibleEvent event(display, QAccessible::NameChanged);
        listener(event);
    }
}

void availabilityChanged(QWidget* widget) {
    if (listening()) {
        QAccessible::State changed;
        changed.disabled = true;
        QAccessibleStateChangeEvent event(widget, changed);
        tell(event);
    }
}

void setListener(Listener listener) {
    standIn() = std::move(listener);
}

} // namespace accessibility
