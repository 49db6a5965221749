#include "app/MainLayout.h"

#include "app/NameBox.h"
#include "app/WindowLayout.h"
#include "engine/view/BoardView.h"
#include "widgets/ButtonComps.h"
#include "widgets/ClickLabel.h"
#include "widgets/EmbeddedPicture.h"
#include "widgets/HouseStyle.h"
#include "widgets/LbBack.h"
#include "widgets/TFlatPanelUnit.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>

#include <cassert>
#include <cstring>
#include <type_traits>

namespace mainlayout {
namespace {

using house::darkGrey;
using house::grey;
using house::lightGrey;
using house::maroon;

// A clear panel lets the window show through its inside; a panel fills it with black.
enum class Kind { background, clearPanel, panel, label, button, nameBox, board, logo, picture };
enum class Face { sans, arial };

struct Font {
    Face face;
    int pixels;
    bool bold;
};

// Keeps a component made by the layout in its member of MainParts.
using Store = void (*)(MainParts&, QObject*);

template <auto member> void store(MainParts& parts, QObject* made) {
    using Pointer = std::remove_reference_t<decltype(parts.*member)>;
    parts.*member = dynamic_cast<Pointer>(made);
    assert(parts.*member != nullptr && "a component made of another kind than its member");
}

// A component's member of MainParts and its object name, spelled once.
#define BZ_PART(member) &store<&MainParts::member>, #member

// One component: its kind, its member and name, its parent (none for the client area), place
// and size (a label without a width is sized to its text, one without a height to its font),
// text or caption, colour (of a label's or a button's text, of a panel's frame), font and
// alignment.
struct Part {
    Kind kind;
    Store store;
    const char* name;
    TFlatPanel* MainParts::*parent;
    QRect place;
    const char* text = "";
    QColor colour = Qt::black;
    Font font = {Face::sans, 11, false};
    Qt::Alignment align = Qt::AlignLeft;
    bool hidden = false;
};

constexpr Font display{Face::arial, 16, true};
constexpr Font scoreDisplay{Face::arial, 27, true};
constexpr Font title{Face::sans, 19, true};
constexpr Font regular19{Face::sans, 19, false};
constexpr Font bold16{Face::sans, 16, true};
constexpr Font regular16{Face::sans, 16, false};
constexpr Qt::Alignment centred = Qt::AlignHCenter;
constexpr Qt::Alignment right = Qt::AlignRight;

// The board's frame; the pause panel covers exactly this, hiding the flowers.
constexpr QRect boardFrame(22, 1, 325, 324);
// The displays right of the board: a caption, and under it the number the game sets, with room
// for the biggest numbers.
constexpr int displayLeft = 362;
constexpr int displayWidth = 140;

const QColor pink(255, 106, 181), lime(0, 255, 0), orange(255, 128, 0), magenta(210, 0, 210);
constexpr QRect boardPanel(layout::boardPanelLeft, layout::boardPanelTop, layout::boardPanelWidth,
                           layout::boardPanelHeight);
constexpr int left = displayLeft, wide = displayWidth;

// In the order of making: later siblings lie on top of earlier ones.
// clang-format off
const Part parts[] = {
    // Present, as on every window, but without a picture: the background stays plain black.
    {Kind::background, BZ_PART(LbBackground1), nullptr, {}},
    // Black frames on black: the board panels do not show.
    {Kind::clearPanel, BZ_PART(panel_board), nullptr, boardPanel, "", Qt::black},
    {Kind::label, BZ_PART(label_name), &MainParts::panel_board, {3, 5, layout::greetingWidth, 16},
     QT_TRANSLATE_NOOP("Tmain", "Welcome to Bloomzap!"), Qt::white, {Face::sans, 13, false}},
    {Kind::clearPanel, BZ_PART(panel_board1), &MainParts::panel_board,
     {3, 26, 505, 407}, "", Qt::black},
    {Kind::panel, BZ_PART(FlatPanel1), &MainParts::panel_board1, boardFrame, "", house::maroon},
    {Kind::board, BZ_PART(board), &MainParts::FlatPanel1, {2, 2, 0, 0}},

    {Kind::label, BZ_PART(Label8), &MainParts::panel_board1, {left, 1, 0, 0},
     QT_TRANSLATE_NOOP("Tmain", "Level:"), pink, display},
    {Kind::label, BZ_PART(label_round), &MainParts::panel_board1,
     {left, 28, wide, 0}, "0", pink, display},
    {Kind::label, BZ_PART(Label10), &MainParts::panel_board1, {left, 55, 0, 0},
     QT_TRANSLATE_NOOP("Tmain", "Until Next Level:"), lime, display},
    {Kind::label, BZ_PART(label_roundcleared), &MainParts::panel_board1,
     {left, 83, wide, 0}, "0", lime, display},
    {Kind::label, BZ_PART(Label6), &MainParts::panel_board1, {left, 110, 0, 0},
     QT_TRANSLATE_NOOP("Tmain", "Last Score:"), orange, display},
    {Kind::label, BZ_PART(label_lastscore), &MainParts::panel_board1,
     {left, 137, wide, 0}, "0", orange, display},
    {Kind::label, BZ_PART(Label2), &MainParts::panel_board1, {left, 189, 0, 0},
     QT_TRANSLATE_NOOP("Tmain", "Score:"), Qt::yellow, scoreDisplay},
    {Kind::label, BZ_PART(label_score), &MainParts::panel_board1,
     {left, 223, wide, 0}, "0", Qt::yellow, scoreDisplay},

    {Kind::button, BZ_PART(button_pause), &MainParts::panel_board1, {355, 260, 132, 27},
     QT_TRANSLATE_NOOP("Tmain", "PAUSE GAME"), darkGrey},
    {Kind::button, BZ_PART(button_start), &MainParts::panel_board1, {355, 300, 132, 27},
     QT_TRANSLATE_NOOP("Tmain", "START GAME"), darkGrey},
    {Kind::label, BZ_PART(Label4), &MainParts::panel_board1, {22, 333, 65, 0},
     QT_TRANSLATE_NOOP("Tmain", "Cleared:"), magenta, display, right},
    {Kind::label, BZ_PART(label_numremoved), &MainParts::panel_board1,
     {95, 333, 60, 0}, "0", magenta, display},
    {Kind::label, BZ_PART(label_status), &MainParts::panel_board1, {160, 331, 184, 19},
     QT_TRANSLATE_NOOP("Tmain", "Enjoy the Game!"), Qt::blue, display, right},
    {Kind::logo, BZ_PART(image_logo), &MainParts::panel_board1,
     {71, 353, 218, 52}, ":/pictures/logo.png"},
    {Kind::picture, BZ_PART(Image1), &MainParts::panel_board1,
     {384, 336, 65, 67}, ":/pictures/emblem.png"},

    // The name entry.
    {Kind::panel, BZ_PART(panel_name), &MainParts::panel_board1,
     {25, 56, 319, 161}, "", maroon, {}, {}, true},
    {Kind::label, BZ_PART(label_entername), &MainParts::panel_name, {4, 10, 311, 24},
     QT_TRANSLATE_NOOP("Tmain", "ENTER YOUR NAME"), lightGrey, title, centred},
    {Kind::nameBox, BZ_PART(edit_aname), &MainParts::panel_name, {83, 52, 161, 32}},
    {Kind::button, BZ_PART(button_namedone), &MainParts::panel_name, {43, 101, 111, 36},
     QT_TRANSLATE_NOOP("Tmain", "DONE"), grey},
    {Kind::button, BZ_PART(button_namecancel), &MainParts::panel_name, {171, 101, 111, 36},
     QT_TRANSLATE_NOOP("Tmain", "CANCEL"), grey},

    // Game over.
    {Kind::panel, BZ_PART(panel_cleared), &MainParts::panel_board1,
     {25, 15, 318, 288}, "", maroon, {}, {}, true},
    {Kind::label, BZ_PART(label_cleared), &MainParts::panel_cleared, {4, 10, 311, 24},
     QT_TRANSLATE_NOOP("Tmain", "YOUR CLEARED THE BOARD!"), lightGrey, title, centred},
    {Kind::label, BZ_PART(label_yourscore), &MainParts::panel_cleared, {2, 39, 313, 24},
     QT_TRANSLATE_NOOP("Tmain", "Your Score: "), Qt::red, title, centred},
    {Kind::label, BZ_PART(label_entername2), &MainParts::panel_cleared, {2, 67, 313, 24},
     QT_TRANSLATE_NOOP("Tmain", "Enter Your Name"), lightGrey, title, centred},
    {Kind::nameBox, BZ_PART(edit_name), &MainParts::panel_cleared, {83, 95, 161, 32}},
    {Kind::button, BZ_PART(button_sendscore), &MainParts::panel_cleared, {78, 135, 172, 36},
     QT_TRANSLATE_NOOP("Tmain", "SEND SCORE"), grey},
    // Black on black: of the wait panel only its text shows.
    {Kind::panel, BZ_PART(panel_wait), &MainParts::panel_cleared, {2, 131, 315, 49},
     QT_TRANSLATE_NOOP("Tmain", "Posting Score, Please Wait......"),
     Qt::black, regular19, {}, true},
    {Kind::button, BZ_PART(button_viewhighscores), &MainParts::panel_cleared, {78, 186, 172, 36},
     QT_TRANSLATE_NOOP("Tmain", "VIEW HIGH SCORES"), darkGrey},
    {Kind::button, BZ_PART(button_done), &MainParts::panel_cleared, {109, 235, 111, 36},
     QT_TRANSLATE_NOOP("Tmain", "DONE"), grey},

    // The update offer; its status line along the panel's bottom edge.
    {Kind::panel, BZ_PART(panel_update), &MainParts::panel_board1,
     {26, 29, 317, 161}, "", maroon, {}, {}, true},
    {Kind::label, BZ_PART(label_updateavailable), &MainParts::panel_update, {-1, 10, 327, 24},
     QT_TRANSLATE_NOOP("Tmain", "Update Available"), lightGrey, title, centred},
    {Kind::label, BZ_PART(label_updatenow), &MainParts::panel_update, {2, 47, 327, 24},
     QT_TRANSLATE_NOOP("Tmain", "Would you like to update now?"), lightGrey, bold16, centred},
    {Kind::button, BZ_PART(button_updateyes), &MainParts::panel_update, {43, 93, 111, 36},
     QT_TRANSLATE_NOOP("Tmain", "UPDATE"), grey},
    {Kind::button, BZ_PART(button_updatecancel), &MainParts::panel_update, {171, 93, 111, 36},
     QT_TRANSLATE_NOOP("Tmain", "CANCEL"), grey},
    {Kind::label, BZ_PART(label_update), &MainParts::panel_update,
     {1, 161 - 21, 315, 20}, "", lightGrey,
     regular16, centred},

    // The pause.
    {Kind::panel, BZ_PART(panel_paused), &MainParts::panel_board1,
     boardFrame, "", maroon, {}, {}, true},
    {Kind::label, BZ_PART(label_paused), &MainParts::panel_paused, {1, 129, 323, 24},
     QT_TRANSLATE_NOOP("Tmain", "GAME IS PAUSED"), lime, regular19, centred},
    {Kind::button, BZ_PART(button_resume), &MainParts::panel_paused, {97, 172, 132, 27},
     QT_TRANSLATE_NOOP("Tmain", "RESUME"), darkGrey},

    // Watching a replay: over the displays and buttons beside the board, which stay the game's.
    {Kind::panel, BZ_PART(panel_watch), &MainParts::panel_board1,
     {349, 1, 155, 328}, "", maroon, {}, {}, true},
    {Kind::label, BZ_PART(label_watch), &MainParts::panel_watch, {6, 8, 143, 88},
     "", lightGrey, bold16},
    {Kind::label, BZ_PART(label_watchscore), &MainParts::panel_watch, {6, 100, 143, 40},
     "", Qt::yellow, bold16},
    {Kind::button, BZ_PART(button_watch1x), &MainParts::panel_watch, {8, 150, 66, 27},
     QT_TRANSLATE_NOOP("Tmain", "1x"), darkGrey},
    {Kind::button, BZ_PART(button_watch4x), &MainParts::panel_watch, {81, 150, 66, 27},
     QT_TRANSLATE_NOOP("Tmain", "4x"), darkGrey},
    {Kind::button, BZ_PART(button_watchpause), &MainParts::panel_watch, {8, 190, 139, 27},
     QT_TRANSLATE_NOOP("Tmain", "PAUSE"), darkGrey},
    {Kind::button, BZ_PART(button_watchclose), &MainParts::panel_watch, {8, 230, 139, 27},
     QT_TRANSLATE_NOOP("Tmain", "CLOSE"), grey},
};
// clang-format on

// A text of the tables in the player's language.
QString shown(const char* text) {
    return QCoreApplication::translate("Tmain", text);
}

QFont fontOf(const Font& font) {
    return font.face == Face::arial ? house::arial(font.pixels, font.bold)
                                    : house::sansSerif(font.pixels, font.bold);
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

// A transparent label at its place, without a width sized to its text.
QWidget* makeLabel(const Part& part, QWidget* parent) {
    auto* label = new QLabel(shown(part.text), parent);
    const QFont font = fontOf(part.font);
    label->setFont(font);
    setTextColour(label, part.colour);
    label->setAlignment(part.align | Qt::AlignTop);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->move(part.place.topLeft());
    if (part.place.width() > 0) {
        const int height =
            part.place.height() > 0 ? part.place.height() : QFontMetrics(font).height();
        label->resize(part.place.width(), height);
    } else {
        label->adjustSize();
    }
    return label;
}

QWidget* makePanel(const Part& part, QWidget* parent) {
    auto* panel = new TFlatPanel(parent);
    panel->setGeometry(part.place);
    panel->setColorHighLight(part.colour);
    panel->setColorShadow(part.colour);
    panel->setColor(Qt::black);
    panel->setTransparent(part.kind == Kind::clearPanel);
    panel->setCaption(shown(part.text));
    // A caption is light yellow, in the part's font.
    if (*part.text != '\0') {
        panel->setFont(fontOf(part.font));
        panel->setFontColor(house::buttonFace);
    }
    return panel;
}

QWidget* makeButton(const Part& part, QWidget* parent) {
    auto* button = new TSelButton(parent);
    button->setGeometry(part.place);
    house::styleButton(button, part.colour);
    button->setCaption(shown(part.text));
    return button;
}

QWidget* makeNameBox(const Part& part, QWidget* parent) {
    auto* box = new NameBox(parent);
    box->setGeometry(part.place);
    box->setFont(house::sansSerif(19));
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    box->setPalette(palette);
    return box;
}

QObject* make(const Part& part, QWidget* parent) {
    switch (part.kind) {
    case Kind::background:
        return new TLbBackground(parent);
    case Kind::clearPanel:
    case Kind::panel:
        return makePanel(part, parent);
    case Kind::label:
        return makeLabel(part, parent);
    case Kind::button:
        return makeButton(part, parent);
    case Kind::nameBox:
        return makeNameBox(part, parent);
    case Kind::board: {
        auto* board = new BoardView(parent);
        board->move(part.place.topLeft());
        return board;
    }
    case Kind::logo: {
        auto* logo = new ClickLabel(parent);
        logo->setGeometry(part.place);
        logo->setPixmap(embedded::pixmap(QString::fromLatin1(part.text), "png"));
        logo->setAttribute(Qt::WA_TranslucentBackground);
        return logo;
    }
    case Kind::picture: {
        auto* picture = new QLabel(parent);
        picture->setGeometry(part.place);
        picture->setScaledContents(true);
        picture->setPixmap(embedded::pixmap(QString::fromLatin1(part.text), "png"));
        return picture;
    }
    }
    return nullptr;
}

// One menu item: its menu, name and text, shortcut, and whether it is a check mark (checked at
// first) and enabled at first. An item without a name is a separator.
struct Item {
    const char* menu;
    Store store;
    const char* name;
    const char* text = "";
    QKeySequence shortcut = {};
    bool checkable = false;
    bool enabled = true;
};

const Item items[] = {
    {QT_TRANSLATE_NOOP("Tmain", "File"), BZ_PART(StartGame1),
     QT_TRANSLATE_NOOP("Tmain", "Start Game"), QKeySequence(Qt::CTRL | Qt::Key_S)},
    // Today's game on the day's seed, the same first flowers for every player.
    {QT_TRANSLATE_NOOP("Tmain", "File"), BZ_PART(DailyBloom1),
     QT_TRANSLATE_NOOP("Tmain", "Daily Bloom")},
    {QT_TRANSLATE_NOOP("Tmain", "File"), nullptr, nullptr},
    {QT_TRANSLATE_NOOP("Tmain", "File"), BZ_PART(Exit1), QT_TRANSLATE_NOOP("Tmain", "Exit")},
    {QT_TRANSLATE_NOOP("Tmain", "Options"),
     BZ_PART(PlaySounds1),
     QT_TRANSLATE_NOOP("Tmain", "Play Sounds"),
     {},
     true},
    {QT_TRANSLATE_NOOP("Tmain", "Options"), BZ_PART(ResetScreenLocation1),
     QT_TRANSLATE_NOOP("Tmain", "Reset Screen Location")},
    {QT_TRANSLATE_NOOP("Tmain", "Options"), BZ_PART(ChangeName1),
     QT_TRANSLATE_NOOP("Tmain", "Change  Name")},
    // The check mark toggles on a click (QAction does that itself) and is saved at close.
    {QT_TRANSLATE_NOOP("Tmain", "Options"),
     BZ_PART(AutomaticallyCheckforUpdates1),
     QT_TRANSLATE_NOOP("Tmain", "Automatically Check for Updates"),
     {},
     true},
    {QT_TRANSLATE_NOOP("Tmain", "View"),
     BZ_PART(TallyList1),
     QT_TRANSLATE_NOOP("Tmain", "Tally List"),
     {},
     false,
     false},
    {QT_TRANSLATE_NOOP("Tmain", "View"),
     BZ_PART(ViewHighScoreList1),
     QT_TRANSLATE_NOOP("Tmain", "View High Score List"),
     {},
     false,
     false},
    {QT_TRANSLATE_NOOP("Tmain", "View"),
     BZ_PART(ViewDailyBloomList1),
     QT_TRANSLATE_NOOP("Tmain", "View Daily Bloom List"),
     {},
     false,
     false},
    {QT_TRANSLATE_NOOP("Tmain", "Help"), BZ_PART(Help1), QT_TRANSLATE_NOOP("Tmain", "Help"),
     QKeySequence(Qt::Key_F1), false, false},
    {QT_TRANSLATE_NOOP("Tmain", "Help"), nullptr, nullptr},
    {QT_TRANSLATE_NOOP("Tmain", "Help"),
     BZ_PART(About1),
     QT_TRANSLATE_NOOP("Tmain", "About"),
     {},
     false,
     false},
};

// `text` with a keyboard letter (an "&" before it) that none of `taken` has: the first letter of
// a word where one is free, else any free letter; the letter joins `taken`. Shown underlined only
// while the player works the menus from the keyboard, so the texts read as written.
QString withKeyLetter(const QString& text, QString& taken) {
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
    int chosen = -1;
    for (const bool wordStartsOnly : {true, false}) {
        for (int i = 0; i < text.size() && chosen < 0; ++i) {
            const QChar letter = text.at(i).toLower();
            const bool wordStart = i == 0 || text.at(i - 1).isSpace();
            if (letter.isLetterOrNumber() && (wordStart || !wordStartsOnly) &&
                !taken.contains(letter)) {
                chosen = i;
            }
        }
    }
    if (chosen < 0) {
        return escaped;
    }
    taken += text.at(chosen).toLower();
    // The escaped text is longer by one for each "&" before the letter.
    const int at = chosen + int(text.left(chosen).count(QLatin1Char('&')));
    return escaped.insert(at, QLatin1Char('&'));
}

} // namespace

void buildClient(QWidget& client, MainParts& made) {
    for (const Part& part : parts) {
        // The table makes every parent before its children.
        QWidget* parent = part.parent == nullptr ? &client : made.*part.parent;
        assert(parent != nullptr);
        QObject* component = make(part, parent);
        component->setObjectName(QString::fromLatin1(part.name));
        part.store(made, component);
        if (part.hidden) {
            static_cast<QWidget*>(component)->hide();
        }
    }
    // Disabled until the first game.
    made.button_pause->setEnabledFlag(false);
}

void buildMenus(QMenuBar& bar, MainParts& made) {
    QMenu* menu = nullptr;
    const char* menuTitle = "";
    QString takenInBar;
    QString takenInMenu;
    for (const Item& item : items) {
        if (menu == nullptr || std::strcmp(menuTitle, item.menu) != 0) {
            menu = bar.addMenu(withKeyLetter(shown(item.menu), takenInBar));
            menuTitle = item.menu;
            takenInMenu.clear();
        }
        if (item.name == nullptr) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(withKeyLetter(shown(item.text), takenInMenu));
        action->setObjectName(QString::fromLatin1(item.name));
        item.store(made, action);
        action->setShortcut(item.shortcut);
        action->setCheckable(item.checkable);
        action->setChecked(item.checkable);
        action->setEnabled(item.enabled);
    }
}

} // namespace mainlayout
