#include "app/MainAccessible.h"

#include "app/MainLayout.h"
#include "app/NameBox.h"
#include "widgets/ButtonComps.h"
#include "widgets/ClickLabel.h"
#include "widgets/TFlatPanelUnit.h"
#include "widgets/WidgetAccessible.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <cassert>

namespace mainaccessible {
namespace {

constexpr char context[] = "MainAccessible";

// A component of the window, as the layout made it.
using Find = QWidget* (*)(const MainParts&);

template <auto member> QWidget* part(const MainParts& parts) {
    return parts.*member;
}

// One component; what names it for screen readers, either the label whose text is its title
// or a name of its own where nothing on screen names it; and what it is for. A display is read
// with its caption (the title or the name) before its text; the caption buttons and captioned
// panels are named by their captions already.
struct Entry {
    Find object;
    Find title = nullptr;
    const char* name = nullptr;
    const char* description = nullptr;
    bool display = false;
};

// clang-format off
const Entry entries[] = {
    {&part<&MainParts::panel_board>, nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Game"),
     QT_TRANSLATE_NOOP("MainAccessible", "The board, the displays and the buttons")},
    {&part<&MainParts::panel_board1>, nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Playing area"),
     QT_TRANSLATE_NOOP("MainAccessible", "The board with the displays beside it")},
    {&part<&MainParts::FlatPanel1>, nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Board frame"),
     QT_TRANSLATE_NOOP("MainAccessible", "The frame around the board")},
    {&part<&MainParts::label_name>, nullptr,
     nullptr, QT_TRANSLATE_NOOP("MainAccessible", "The player's greeting")},

    {&part<&MainParts::label_round>, &part<&MainParts::Label8>, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "The level being played"), true},
    {&part<&MainParts::label_roundcleared>, &part<&MainParts::Label10>, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Flowers still to clear before the next level"), true},
    {&part<&MainParts::label_lastscore>, &part<&MainParts::Label6>, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Points for the last group cleared"), true},
    {&part<&MainParts::label_score>, &part<&MainParts::Label2>, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Points in this game"), true},
    {&part<&MainParts::label_numremoved>, &part<&MainParts::Label4>, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Flowers in the last group cleared"), true},
    {&part<&MainParts::label_status>, nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "What just happened in the game")},

    {&part<&MainParts::button_pause>, nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Pauses the game, or resumes it when paused. Key: P")},
    {&part<&MainParts::button_start>, nullptr,
     nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Starts a new game")},
    {&part<&MainParts::image_logo>, nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Bloomzap logo"),
     QT_TRANSLATE_NOOP("MainAccessible", "Opens the Bloomzap web site")},
    {&part<&MainParts::Image1>, nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Bloomzap emblem")},

    {&part<&MainParts::panel_name>, &part<&MainParts::label_entername>, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Asks for the name your scores are kept under")},
    {&part<&MainParts::edit_aname>, &part<&MainParts::label_entername>, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Your name, up to 10 characters. Return keeps it.")},
    {&part<&MainParts::button_namedone>, nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Keeps the name typed above")},
    {&part<&MainParts::button_namecancel>, nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Closes this panel and keeps the name as it was")},

    {&part<&MainParts::panel_cleared>, &part<&MainParts::label_cleared>, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "The game is over")},
    {&part<&MainParts::edit_name>, &part<&MainParts::label_entername2>, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "The name your score is posted under, up to 10 characters")},
    {&part<&MainParts::button_sendscore>, nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Posts your score to the online high-score list")},
    {&part<&MainParts::panel_wait>, nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Your score is being posted")},
    {&part<&MainParts::button_viewhighscores>, nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Shows the online high-score list")},
    {&part<&MainParts::button_done>, nullptr,
     nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Closes this panel")},

    {&part<&MainParts::panel_update>, &part<&MainParts::label_updateavailable>, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "A new version of the game can be installed")},
    {&part<&MainParts::button_updateyes>, nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Downloads and installs the new version")},
    {&part<&MainParts::button_updatecancel>, nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Closes this offer and keeps this version")},
    {&part<&MainParts::label_update>, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Update status:"),
     QT_TRANSLATE_NOOP("MainAccessible", "How the download of the new version is going"), true},

    {&part<&MainParts::panel_paused>, &part<&MainParts::label_paused>, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "The board is hidden until the game resumes")},
    {&part<&MainParts::button_resume>, nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Resumes the game. Key: P")},

    {&part<&MainParts::panel_watch>, nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Replay"),
     QT_TRANSLATE_NOOP("MainAccessible", "A game from the high-score list played again on the board")},
    {&part<&MainParts::label_watch>, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Replayed game:"),
     QT_TRANSLATE_NOOP("MainAccessible", "Whose game is played again and its final score"), true},
    {&part<&MainParts::label_watchscore>, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Replayed score:"),
     QT_TRANSLATE_NOOP("MainAccessible", "The replayed game's points so far"), true},
    {&part<&MainParts::button_watch1x>, nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Plays the replay at the speed it was played")},
    {&part<&MainParts::button_watch4x>, nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Plays the replay four times as fast")},
    {&part<&MainParts::button_watchpause>, nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Pauses the replay, or resumes it when paused")},
    {&part<&MainParts::button_watchclose>, nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Ends the replay and goes back to your game")},
};
// clang-format on

QString translated(const char* text) {
    return QCoreApplication::translate(context, text);
}

} // namespace

void describe(QWidget& client, const MainParts& parts) {
    // The client area is what the window's title names; each menu is named by its title.
    QWidget* window = client.window();
    client.setAccessibleName(window->windowTitle());
    if (auto* bar = window->findChild<QMenuBar*>()) {
        bar->setAccessibleName(translated(QT_TRANSLATE_NOOP("MainAccessible", "Menus")));
    }
    // Without the keyboard letter's mark.
    for (QMenu* menu : window->findChildren<QMenu*>()) {
        menu->setAccessibleName(menu->menuAction()->iconText());
    }
    for (const Entry& entry : entries) {
        QWidget* widget = entry.object(parts);
        assert(widget != nullptr && "described before the layout made it");
        QString name;
        if (entry.title != nullptr) {
            name = static_cast<QLabel*>(entry.title(parts))->text();
        } else if (entry.name != nullptr) {
            name = translated(entry.name);
        }
        if (entry.display) {
            accessibility::setDisplayCaption(static_cast<QLabel*>(widget), name);
        } else if (!name.isEmpty()) {
            widget->setAccessibleName(name);
        }
        if (entry.description != nullptr) {
            widget->setAccessibleDescription(translated(entry.description));
        }
    }
}

} // namespace mainaccessible
