#pragma once

// What screen readers learn of the game window beyond what its widgets say themselves: names
// for the panels, pictures, name boxes and menus taken from the titles shown on or beside them
// (or, where nothing is shown, a name of their own), the displays read with their captions
// ("Score: 120"), and a description of what each button, display and panel is for.

class QWidget;
struct MainParts;

namespace mainaccessible {

// client: the window's client area, built with the window's menus (mainlayout) into parts.
void describe(QWidget& client, const MainParts& parts);

} // namespace mainaccessible
