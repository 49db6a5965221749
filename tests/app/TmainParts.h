#pragma once

// The game window's components found by their names on the window, as a screen reader or any
// other outside user finds them: widgets in the client area, items in the menus; and the two
// moves every game-window test makes: a click on a caption button, a playable group on the board;
// and the quiet surroundings most of them make the window in; and the board's tiles as drawn, by
// the window and by the engine's replay.

#include "app/NameBox.h"
#include "app/SoundOutput.h"
#include "app/mainform.h"
#include "engine/BoardSurface.h"
#include "engine/EngineClock.h"
#include "engine/GameRules.h"
#include "engine/GameState.h"
#include "engine/view/BoardView.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/VirtualClock.h"
#include "widgets/ButtonComps.h"
#include "widgets/TFlatPanelUnit.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QPoint>
#include <QRect>
#include <QTemporaryDir>
#include <QTest>
#include <QtGlobal>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <type_traits>
#include <vector>

template <class T> T* part(const Tmain& window, const char* name) {
    const QString objectName = QString::fromLatin1(name);
    T* found = nullptr;
    if constexpr (std::is_same_v<T, QAction>) {
        found = window.menuBar()->findChild<T*>(objectName);
    } else {
        found = window.centralWidget()->findChild<T*>(objectName);
    }
    if (found == nullptr) {
        found = window.findChild<T*>(objectName);
    }
    if (found == nullptr) {
        qFatal("The game window has no %s of that kind", name);
    }
    return found;
}

inline TSelButton* button(const Tmain& window, const char* name) {
    return part<TSelButton>(window, name);
}
inline QLabel* label(const Tmain& window, const char* name) {
    return part<QLabel>(window, name);
}
inline TFlatPanel* panel(const Tmain& window, const char* name) {
    return part<TFlatPanel>(window, name);
}
inline NameBox* nameBox(const Tmain& window, const char* name) {
    return part<NameBox>(window, name);
}
inline QAction* menuItem(const Tmain& window, const char* name) {
    return part<QAction>(window, name);
}
inline BoardView* board(const Tmain& window) {
    return part<BoardView>(window, "board");
}

inline void click(TSelButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {},
                      QPoint(button->width() / 2, button->height() / 2));
}

// A cell (1-based) holding a flower with a same-coloured neighbour, or (0, 0).
inline QPoint findGroup(const GameState& state) {
    constexpr int last = rules::fieldSize;
    for (int c = 1; c <= last; ++c) {
        for (int r = 1; r <= last; ++r) {
            const int v = state.cells[c][r];
            if (v > 0 && (state.cells[c + 1][r] == v || state.cells[c - 1][r] == v ||
                          (r < last && state.cells[c][r + 1] == v) || state.cells[c][r - 1] == v)) {
                return QPoint(c, r);
            }
        }
    }
    return QPoint();
}

using Cells = std::array<int, rules::fieldSize * rules::fieldSize>;

// Every board the engine's replay passes through, one after each draw, in order; -1 where
// nothing has been drawn yet.
class DrawnBoards : public BoardSurface {
public:
    DrawnBoards() { m_now.fill(-1); }
    void drawtile(int c, int r, int t) override {
        m_now.at((c - 1) * rules::fieldSize + r - 1) = t;
        boards.push_back(m_now);
    }
    std::vector<Cells> boards;

private:
    Cells m_now{};
};

// The tiles the window's board has drawn.
inline Cells shownOn(const BoardView& view) {
    Cells cells{};
    for (int c = 1; c <= rules::fieldSize; ++c) {
        for (int r = 1; r <= rules::fieldSize; ++r) {
            cells.at((c - 1) * rules::fieldSize + r - 1) = view.shownTile(c, r);
        }
    }
    return cells;
}

// A window on the given clock and sound output with its settings file in folder, a fixed seed,
// a work area larger than the window and messages dropped.
inline MainEnvironment quietEnvironment(EngineClock& clock, SoundOutput& sound,
                                        const std::filesystem::path& folder, std::uint64_t seed) {
    MainEnvironment environment;
    environment.timers = &clock;
    environment.seed = [seed] { return seed; };
    environment.sound = &sound;
    environment.settingsFile = folder / "bloomzap.ini";
    environment.workArea = [] { return QRect(0, 0, 1920, 1080); };
    environment.showMessage = [](const QString&) {};
    return environment;
}

// The window made, shown and active, as a player first sees it.
inline std::unique_ptr<Tmain> shownWindow(const MainEnvironment& environment) {
    auto window = std::make_unique<Tmain>(environment);
    window->show();
    window->activateWindow();
    return window;
}

// Fresh quiet windows for the tests of one class, each a first start: the class's folder without
// a settings file, a new clock and a new sound recorder, the same seed every time.
class FreshWindows {
public:
    bool ready() const { return m_folder.isValid(); }
    std::unique_ptr<Tmain> make() {
        const std::filesystem::path folder(m_folder.path().toStdString());
        std::filesystem::remove(folder / "bloomzap.ini");
        m_clock = std::make_unique<VirtualClock>();
        m_sounds = std::make_unique<testsupport::RecordingOutput>();
        return shownWindow(quietEnvironment(*m_clock, *m_sounds, folder, 20261207));
    }
    VirtualClock& clock() { return *m_clock; }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<VirtualClock> m_clock;
    std::unique_ptr<testsupport::RecordingOutput> m_sounds;
};
