#pragma once

// The game window's components, built from tables: the board panel with its displays, buttons
// and pictures, the pop-up panels over the board (hidden), and the menus. Every component
// carries its name from the window as Qt object name, by which the window and its tests find it.

class QMenuBar;
class QWidget;

namespace mainlayout {

// The board panel and everything on it, inside the window's client area.
void buildClient(QWidget& client);
// "File", "Options", "View" and "Help" with their items; "Play Sounds" and "Automatically Check
// for Updates" checkable and checked; the items whose windows are not known yet disabled. Each
// menu and item has a keyboard letter of its text (QAction::iconText() is the text as shown).
void buildMenus(QMenuBar& bar);

} // namespace mainlayout
