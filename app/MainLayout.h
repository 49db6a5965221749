#pragma once

// The game window's components, built from tables: the board panel with its displays, buttons
// and pictures, the pop-up panels over the board (hidden), and the menus. Every component
// carries its name from the window as Qt object name, by which the window's outside users (a
// screen reader, a test) find it; the window itself holds them as MainParts.

class BoardView;
class ClickLabel;
class NameBox;
class QAction;
class QLabel;
class QMenuBar;
class QWidget;
class TFlatPanel;
class TLbBackground;
class TSelButton;

// The window's components by their names on the window, as the layout made them; each member's
// name is its object name.
struct MainParts {
    TLbBackground* LbBackground1 = nullptr;
    TFlatPanel* panel_board = nullptr;
    QLabel* label_name = nullptr;
    TFlatPanel* panel_board1 = nullptr;
    TFlatPanel* FlatPanel1 = nullptr;
    BoardView* board = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* label_round = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* label_roundcleared = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* label_lastscore = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* label_score = nullptr;
    TSelButton* button_pause = nullptr;
    TSelButton* button_start = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* label_numremoved = nullptr;
    QLabel* label_status = nullptr;
    ClickLabel* image_logo = nullptr;
    QLabel* Image1 = nullptr;

    TFlatPanel* panel_name = nullptr;
    QLabel* label_entername = nullptr;
    NameBox* edit_aname = nullptr;
    TSelButton* button_namedone = nullptr;
    TSelButton* button_namecancel = nullptr;

    TFlatPanel* panel_cleared = nullptr;
    QLabel* label_cleared = nullptr;
    QLabel* label_yourscore = nullptr;
    QLabel* label_entername2 = nullptr;
    NameBox* edit_name = nullptr;
    TSelButton* button_sendscore = nullptr;
    TFlatPanel* panel_wait = nullptr;
    TSelButton* button_viewhighscores = nullptr;
    TSelButton* button_done = nullptr;

    TFlatPanel* panel_update = nullptr;
    QLabel* label_updateavailable = nullptr;
    QLabel* label_updatenow = nullptr;
    TSelButton* button_updateyes = nullptr;
    TSelButton* button_updatecancel = nullptr;
    QLabel* label_update = nullptr;

    TFlatPanel* panel_paused = nullptr;
    QLabel* label_paused = nullptr;
    TSelButton* button_resume = nullptr;

    // Watching a replay, beside the board.
    TFlatPanel* panel_watch = nullptr;
    QLabel* label_watch = nullptr;
    QLabel* label_watchscore = nullptr;
    TSelButton* button_watch1x = nullptr;
    TSelButton* button_watch4x = nullptr;
    TSelButton* button_watchpause = nullptr;
    TSelButton* button_watchclose = nullptr;

    // The menus' items.
    QAction* StartGame1 = nullptr;
    QAction* DailyBloom1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* PlaySounds1 = nullptr;
    QAction* ResetScreenLocation1 = nullptr;
    QAction* ChangeName1 = nullptr;
    QAction* AutomaticallyCheckforUpdates1 = nullptr;
    QAction* TallyList1 = nullptr;
    QAction* ViewHighScoreList1 = nullptr;
    QAction* ViewDailyBloomList1 = nullptr;
    QAction* Help1 = nullptr;
    QAction* About1 = nullptr;
};

namespace mainlayout {

// The board panel and everything on it, inside the window's client area; fills the client's
// members of parts.
void buildClient(QWidget& client, MainParts& parts);
// "File", "Options", "View" and "Help" with their items; "Play Sounds" and "Automatically Check
// for Updates" checkable and checked; the items whose windows are not known yet disabled. Each
// menu and item has a keyboard letter of its text (QAction::iconText() is the text as shown).
// Fills the menu items' members of parts.
void buildMenus(QMenuBar& bar, MainParts& parts);

} // namespace mainlayout
