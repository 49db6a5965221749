#pragma once

// What the help, About and advertisement windows share: plain labels placed by pixel, window
// colours, and the first showing centred over the game window.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

class ClickLabel;
class QLabel;
class QWidget;
class TSelButton;

namespace info {

// Caption size of the 20-pixel-high buttons of these windows, where 16 pixels would not fit.
inline constexpr int buttonPixels = 13;

// A plain-text label at `place` in the given font and colour, named for lookups by name.
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& place,
                  const QFont& font, const QColor& colour, Qt::Alignment alignment = Qt::AlignLeft);

// A 20-pixel-high caption button of these windows, dark grey caption, named for lookups.
TSelButton* makeButton(QWidget* parent, const QString& name, const QString& caption, int left,
                       int top, int width);

// A centred link line that raises clicked() on a click, named for lookups.
ClickLabel* makeLink(QWidget* parent, const QString& name, const QString& text, const QRect& place,
                     const QFont& font, const QColor& colour);

// Sizes two labels to their texts and centres them in `line` as one line, a blank apart.
void centrePair(QLabel* first, QLabel* second, const QRect& line);

// Fills the window with `colour` behind its children.
void paintWindow(QWidget* window, const QColor& colour);

// Moves `window` so that its frame is centred over `anchor`'s frame; nothing without an anchor.
void centreOver(QWidget* window, const QWidget* anchor);

// Shows the window and brings it to the front.
void bringUp(QWidget* window);

// The picture the game window's background tiler holds (empty when there is none), which the
// secondary windows copy into their own when they are made.
QImage ownerBackground(const QWidget* owner);

// The year of the system's date in decimal, as the credit lines show it.
QString currentYear();

} // namespace info
