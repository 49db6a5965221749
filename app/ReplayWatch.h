#pragma once

// Watching a replay on the game window's board: the record of a verified game fetched from the
// score server, checked to end as it says (played through once on a clock of its own), then
// played on the board at 1x or 4x with a pause, on the watch panel that says whose game it is.
// The board takes no clicks meanwhile; nothing goes to the tally or the server. The window
// pauses its own game when a watch begins (started) and brings it back when it ends (ended).

#include "engine/GameDisplay.h"
#include "engine/GameRecord.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class BoardView;
class QLabel;
class ReplayPlayback;
class TFlatPanel;
class THTTPGet;
class TSelButton;

class ReplayWatch : public QObject {
    Q_OBJECT

public:
    // The board and the watch panel with its parts, as the window's layout made them.
    struct Parts {
        BoardView* board = nullptr;
        TFlatPanel* panel = nullptr;
        QLabel* title = nullptr;
        QLabel* score = nullptr;
        TSelButton* speed1 = nullptr;
        TSelButton* speed4 = nullptr;
        TSelButton* pause = nullptr;
        TSelButton* close = nullptr;
    };
    // The speeds offered, as clock ms per real ms.
    static constexpr int normalSpeed = 1, fastSpeed = 4;

    // siteRoot: "http://host[:port]/" of the score server, ending in "/". byHand: the watched
    // game's clock moves only through step() (tests), not on real time. showMessage: a plain
    // message to the player.
    ReplayWatch(Parts parts, std::string siteRoot, bool byHand,
                std::function<void(const QString&)> showMessage, QObject* parent);
    ~ReplayWatch() override;

    // Fetches the record with this id from the score server and watches it in place of a watch
    // under way. Returns at once.
    void watch(std::uint64_t id);
    // Watches the record in this text, if it reads and ends as it says; otherwise says so and
    // leaves what is shown as it is.
    void watchRecord(const std::string& text);
    // Ends the watch, if one is under way (CLOSE).
    void close();

    bool watching() const { return m_playback != nullptr; }
    bool held() const { return m_held; }
    int speed() const { return m_speed; }
    void setSpeed(int speed);
    // PAUSE / RESUME of the watch.
    void togglePause();

    // For tests with byHand: the next input or tick of the watched game; false once it is over.
    bool step();
    // The watched game, while watching (for tests).
    const ReplayPlayback* playback() const { return m_playback.get(); }
    // The record fetch, for tests that shorten its deadlines or wait for it.
    THTTPGet& fetch() const { return *m_fetch; }

signals:
    // A watch begins: the board is about to show the watched game. The window pauses its own.
    void started();
    // The watch is over: the board is the window's again.
    void ended();

private:
    class Display;

    void fetched(const std::string& body);
    void fetchFailed();
    // Clock time of the watched game that real time has reached.
    std::int64_t target() const;
    void advance();
    void rearm();
    void showScore(int score);
    void showPauseCaption();

    Parts m_parts;
    std::string m_siteRoot;
    bool m_byHand;
    std::function<void(const QString&)> m_showMessage;
    THTTPGet* m_fetch = nullptr;
    std::unique_ptr<Display> m_display;
    std::unique_ptr<ReplayPlayback> m_playback;
    int m_speed = normalSpeed;
    bool m_held = false;
    // Real time runs the watched clock from m_clockAtMark, at m_speed, since m_sinceMark.
    std::int64_t m_clockAtMark = 0;
    QElapsedTimer m_sinceMark;
    QTimer m_timer;
};
