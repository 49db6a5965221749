#pragma once

// What the widgets' accessibility classes share (each lies beside its widget: ButtonComps with
// TSelButtonAccessible, TFlatPanelUnit with TFlatPanelAccessible, ClickLabel with
// ClickLabelAccessible): who listens and how they are told, whether a press could reach a
// widget, and displays (labels showing a number or a status) named by the caption beside them
// and their text. Changes are told only while a screen reader listens.

#include <QString>

#include <functional>

class QAccessibleEvent;
class QLabel;
class QWidget;

namespace accessibility {

// A widget's name for screen readers: the text given by hand (accessibleName) wins over what
// the widget shows.
QString ownName(const QWidget* widget, const QString& shown);

// `display` is named by `caption` followed by its text ("Score: 120"). Call it once, after the
// display is made; after each new text, displayChanged.
void setDisplayCaption(QLabel* display, const QString& caption);

// Whether a click could reach the widget's middle: it is shown and enabled, and no other widget
// lies over that point (which would take the click). A screen reader's press acts only then.
bool reachable(const QWidget* widget);

// Whether a screen reader listens, or a listener stands in for one.
bool listening();
// Hands `event` to the screen readers and to the listener standing in for them.
void tell(QAccessibleEvent& event);

// Tell, when anyone listens, that a widget named by its painted caption has a new one, or that a
// widget became available or unavailable.
void captionChanged(QWidget* widget);
void availabilityChanged(QWidget* widget);
// Names a display (setDisplayCaption) anew after it was given a new text, which tells whoever
// listens. Other labels need nothing: Qt names them by their texts and tells of new ones.
void displayChanged(QLabel* display);

// Stands in for the screen readers where none can run (offscreen tests): it gets every event
// told. An empty function takes it away.
using Listener = std::function<void(QAccessibleEvent&)>;
void setListener(Listener listener);

} // namespace accessibility
