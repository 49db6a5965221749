#include "widgets/WidgetAccessible.h"

#include <QAccessible>
#include <QLabel>

namespace {

// The dynamic property of a display that holds its caption.
constexpr char captionProperty[] = "bloomzapDisplayCaption";

// What stands in for the screen readers, if anything.
accessibility::Listener& standIn() {
    static accessibility::Listener listener;
    return listener;
}

// A display's name: its caption, then its text.
void nameDisplay(QLabel* display) {
    const QString caption = display->property(captionProperty).toString();
    const QString text = display->text();
    display->setAccessibleName(text.isEmpty() ? caption : caption + QLatin1Char(' ') + text);
}

} // namespace

namespace accessibility {

QString ownName(const QWidget* widget, const QString& shown) {
    const QString name = widget->accessibleName();
    return name.isEmpty() ? shown : name;
}

void setDisplayCaption(QLabel* display, const QString& caption) {
    display->setProperty(captionProperty, caption);
    nameDisplay(display);
}

bool reachable(const QWidget* widget) {
    if (!widget->isVisible() || !widget->isEnabled()) {
        return false;
    }
    const QWidget* top = widget->window();
    return top == widget || top->childAt(widget->mapTo(top, widget->rect().center())) == widget;
}

bool listening() {
    return QAccessible::isActive() || bool(standIn());
}

void tell(QAccessibleEvent& event) {
    if (const Listener& listener = standIn()) {
        listener(event);
    }
    QAccessible::updateAccessibility(&event);
}

void captionChanged(QWidget* widget) {
    if (listening() && widget->accessibleName().isEmpty()) {
        QAccessibleEvent event(widget, QAccessible::NameChanged);
        tell(event);
    }
}

void displayChanged(QLabel* display) {
    if (!display->property(captionProperty).isValid()) {
        return;
    }
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
