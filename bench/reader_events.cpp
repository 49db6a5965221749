// How many events a listening screen reader gets from the game window during the fastest round
// (a line every 500 ms): the game runs on the real clock with a stand-in listener (as a running
// screen reader gets the events), a player clears the biggest group whenever a click counts, and
// the events told are counted per second of play, board cells apart from the rest.
//   QT_QPA_PLATFORM=offscreen reader_events [SECONDS]

#include "app/SoundOutput.h"
#include "app/mainform.h"
#include "engine/EngineClock.h"
#include "engine/Game.h"
#include "engine/GameRules.h"
#include "engine/GameTimer.h"
#include "engine/realtime/QtClockDriver.h"
#include "engine/view/BoardView.h"
#include "widgets/WidgetAccessible.h"

#include <QAccessible>
#include <QAccessibleEvent>
#include <QApplication>
#include <QElapsedTimer>
#include <QRect>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

class Silence : public SoundOutput {
public:
    void play(const std::string&) override {}
    void stop() override {}
};

// A cell of the biggest group of two or more, or (0, 0).
QPoint biggestGroup(const GameState& s) {
    constexpr int last = rules::fieldSize;
    bool seen[last + 2][last + 2] = {};
    int best = 1;
    QPoint at;
    for (int c = 1; c <= last; ++c) {
        for (int r = 1; r <= last; ++r) {
            const int v = s.cells[c][r];
            if (v == 0 || seen[c][r])
                continue;
            int size = 0;
            std::vector<std::pair<int, int>> stack{{c, r}};
            seen[c][r] = true;
            while (!stack.empty()) {
                const auto [x, y] = stack.back();
                stack.pop_back();
                ++size;
                for (const auto& [nx, ny] :
                     {std::pair{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}}) {
                    if (nx >= 1 && nx <= last && ny >= 1 && ny <= last && !seen[nx][ny] &&
                        s.cells[nx][ny] == v) {
                        seen[nx][ny] = true;
                        stack.push_back({nx, ny});
                    }
                }
            }
            if (size > best) {
                best = size;
                at = QPoint(c, r);
            }
        }
    }
    return at;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    QTemporaryDir folder;
    EngineClock clock;
    QtClockDriver driver(clock);
    Silence silence;
    MainEnvironment environment;
    environment.timers = &clock;
    environment.clockToNow = [&driver] { driver.catchUp(); };
    environment.seed = [] { return std::uint64_t(20261208); };
    environment.sound = &silence;
    environment.settingsFile = (folder.path() + QStringLiteral("/bloomzap.ini")).toStdString();
    environment.showMessage = [](const QString&) {};
    Tmain window(environment);
    window.show();
    QCoreApplication::processEvents();

    long cellEvents = 0;
    long otherEvents = 0;
    accessibility::setListener([&](QAccessibleEvent& event) {
        if (event.type() == QAccessible::NameChanged && event.child() >= 0)
            ++cellEvents;
        else
            ++otherEvents;
    });

    Game& game = window.game();
    game.button_startClick();
    // The fastest round: the last one before the final, lines every 500 ms.
    game.state().round = rules::lastPlayedRound - 1;
    game.timerdroprate().setInterval(rules::fastestDropMs);

    auto* board = window.findChild<BoardView*>(QStringLiteral("board"));
    QTimer player;
    player.setInterval(20);
    QObject::connect(&player, &QTimer::timeout, [&] {
        driver.catchUp();
        const GameState& s = game.state();
        if (!s.gamerunning) {
            QCoreApplication::quit();
            return;
        }
        if (s.linesettled && !s.removing && !s.blinking) {
            const QPoint at = biggestGroup(s);
            if (!at.isNull())
                board->pressCell(at.x(), at.y());
        }
    });
    player.start();
    QElapsedTimer played;
    played.start();
    QTimer::singleShot(seconds * 1000, &application, &QCoreApplication::quit);
    QApplication::exec();
    accessibility::setListener({});

    const double elapsed = double(played.elapsed()) / 1000.0;
    std::printf("fastest round, %.1f s played (round %d, %s): %.1f cell name changes a second, "
                "%.1f other events a second\n",
                elapsed, game.state().round,
                game.state().gamerunning ? "still running" : "game over",
                double(cellEvents) / elapsed, double(otherEvents) / elapsed);
    return 0;
}
