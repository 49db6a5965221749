#include "app/MainAccessible.h"

#include "widgets/WidgetAccessible.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace mainaccessible {
namespace {

constexpr char context[] = "MainAccessible";

// One component: its name on the window; what names it for screen readers, either the label
// whose text is its title or a name of its own where nothing on screen names it; and what it
// is for. A display is read with its caption (the title or the name) before its text; the
// caption buttons and captioned panels are named by their captions already.
struct Entry {
    const char* object;
    const char* title = nullptr;
    const char* name = nullptr;
    const char* description = nullptr;
    bool display = false;
};

// clang-format off
const Entry entries[] = {
    {"panel_board", nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Game"),
     QT_TRANSLATE_NOOP("MainAccessible", "The board, the displays and the buttons")},
    {"panel_board1", nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Playing area"),
     QT_TRANSLATE_NOOP("MainAccessible", "The board with the displays beside it")},
    {"FlatPanel1", nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Board frame"),
     QT_TRANSLATE_NOOP("MainAccessible", "The frame around the board")},
    {"label_name", nullptr, nullptr, QT_TRANSLATE_NOOP("MainAccessible", "The player's greeting")},

    {"label_round", "Label8", nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "The level being played"), true},
    {"label_roundcleared", "Label10", nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Flowers still to clear before the next level"), true},
    {"label_lastscore", "Label6", nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Points for the last group cleared"), true},
    {"label_score", "Label2", nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Points in this game"), true},
    {"label_numremoved", "Label4", nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Flowers in the last group cleared"), true},
    {"label_status", nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "What just happened in the game")},

    {"button_pause", nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Pauses the game, or resumes it when paused. Key: P")},
    {"button_start", nullptr, nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Starts a new game")},
    {"image_logo", nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Bloomzap logo"),
     QT_TRANSLATE_NOOP("MainAccessible", "Opens the Bloomzap web site")},
    {"Image1", nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Bloomzap emblem")},

    {"panel_name", "label_entername", nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Asks for the name your scores are kept under")},
    {"edit_aname", "label_entername", nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Your name, up to 10 characters. Return keeps it.")},
    {"button_namedone", nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Keeps the name typed above")},
    {"button_namecancel", nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Closes this panel and keeps the name as it was")},

    {"panel_cleared", "label_cleared", nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "The game is over")},
    {"edit_name", "label_entername2", nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "The name your score is posted under, up to 10 characters")},
    {"button_sendscore", nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Posts your score to the online high-score list")},
    {"panel_wait", nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Your score is being posted")},
    {"button_viewhighscores", nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Shows the online high-score list")},
    {"button_done", nullptr, nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Closes this panel")},

    {"panel_update", "label_updateavailable", nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "A new version of the game can be installed")},
    {"button_updateyes", nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Downloads and installs the new version")},
    {"button_updatecancel", nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Closes this offer and keeps this version")},
    {"label_update", nullptr, QT_TRANSLATE_NOOP("MainAccessible", "Update status:"),
     QT_TRANSLATE_NOOP("MainAccessible", "How the download of the new version is going"), true},

    {"panel_paused", "label_paused", nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "The board is hidden until the game resumes")},
    {"button_resume", nullptr, nullptr,
     QT_TRANSLATE_NOOP("MainAccessible", "Resumes the game. Key: P")},
};
// clang-format on

QString translated(const char* text) {
    return QCoreApplication::translate(context, text);
}

} // namespace

void describe(QWidget& client) {
    // The client area is what the window's title names; each menu is named by its title.
    QWidget* window = client.window();
    client.setAccessibleName(window->windowTitle());
    if (auto* bar = window->findChild<QMenuBar*>())
        bar->setAccessibleName(translated(QT_TRANSLATE_NOOP("MainAccessible", "Menus")));
    // Without the keyboard letter's mark.
    for (QMenu* menu : window->findChildren<QMenu*>())
        menu->setAccessibleName(menu->menuAction()->iconText());
    for (const Entry& entry : entries) {
        auto* widget = client.findChild<QWidget*>(QString::fromLatin1(entry.object));
        if (widget == nullptr)
            continue;
        QString name;
        if (entry.title != nullptr)
            name = client.findChild<QLabel*>(QString::fromLatin1(entry.title))->text();
        else if (entry.name != nullptr)
            name = translated(entry.name);
        if (entry.display)
            accessibility::setDisplayCaption(static_cast<QLabel*>(widget), name);
        else if (!name.isEmpty())
            widget->setAccessibleName(name);
        if (entry.description != nullptr)
            widget->setAccessibleDescription(translated(entry.description));
    }
}

} // namespace mainaccessible
