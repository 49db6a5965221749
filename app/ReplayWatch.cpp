#include "app/ReplayWatch.h"

#include "common/SiteNames.h"
#include "engine/GameReplay.h"
#include "engine/ReplayPlayback.h"
#include "engine/Ticket.h"
#include "engine/view/BoardView.h"
#include "online/HTTPGet.h"
#include "widgets/ButtonComps.h"
#include "widgets/TFlatPanelUnit.h"

#include <QCoreApplication>
#include <QLabel>

#include <algorithm>
#include <cassert>

// The watched game's facts: only its score shows, on the watch panel.
class ReplayWatch::Display : public GameDisplay {
public:
    explicit Display(ReplayWatch& watch) : m_watch(watch) {}
    void gameStarted(const std::string&) override {}
    void phaseChanged(GamePhase) override {}
    void pausedChanged(bool) override {}
    void roundChanged(int) override {}
    void untilNextLevelChanged(int) override {}
    void scoreChanged(int score) override { m_watch.showScore(score); }
    void clearedChanged(int) override {}
    void lastScoreChanged(int) override {}
    void groupScored(int) override {}

private:
    ReplayWatch& m_watch;
};

ReplayWatch::ReplayWatch(Parts parts, std::string siteRoot, bool byHand,
                         std::function<void(const QString&)> showMessage, QObject* parent)
    : QObject(parent), m_parts(parts), m_siteRoot(std::move(siteRoot)), m_byHand(byHand),
      m_showMessage(std::move(showMessage)), m_display(std::make_unique<Display>(*this)) {
    m_parts.title->setWordWrap(true);
    m_fetch = new THTTPGet(this);
    m_fetch->setObjectName(QStringLiteral("watchget"));
    m_fetch->setOnDoneString([this](QObject*, const std::string& body) { fetched(body); });
    m_fetch->setOnError([this](QObject*) { fetchFailed(); });
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ReplayWatch::advance);
    connect(m_parts.speed1, &TSelButton::OnClick, this, [this] { setSpeed(normalSpeed); });
    connect(m_parts.speed4, &TSelButton::OnClick, this, [this] { setSpeed(fastSpeed); });
    connect(m_parts.pause, &TSelButton::OnClick, this, &ReplayWatch::togglePause);
    connect(m_parts.close, &TSelButton::OnClick, this, &ReplayWatch::close);
}

ReplayWatch::~ReplayWatch() {
    // The board must not paint from a game that is gone.
    if (m_playback && m_parts.board->game() == &m_playback->game()) {
        m_parts.board->setGame(nullptr);
    }
}

void ReplayWatch::watch(std::uint64_t id) {
    // The first of two quick clicks wins.
    if (m_fetch->busy()) {
        return;
    }
    m_fetch->setURL(m_siteRoot + std::string(site::watchPath) + "?id=" + std::to_string(id));
    m_fetch->FetchString();
}

void ReplayWatch::fetched(const std::string& body) {
    if (m_fetch->statusCode() != 200) {
        fetchFailed();
        return;
    }
    watchRecord(body);
}

void ReplayWatch::fetchFailed() {
    m_showMessage(tr("The replay could not be fetched from the score server."));
}

void ReplayWatch::watchRecord(const std::string& text) {
    const std::optional<GameRecord> record = readRecord(text);
    const std::optional<TicketFields> ticket =
        record ? parseTicket(record->ticket) : std::optional<TicketFields>();
    if (!record || !ticket) {
        m_showMessage(tr("The replay cannot be read."));
        return;
    }
    // Played through once first: a record that does not end as it says (a broken or hostile
    // server) is never shown as if it did.
    if (!replayGame(*record, ticket->seed).matches) {
        m_showMessage(tr("The replay does not play back to its score of %1, so it is not shown.")
                          .arg(record->score));
        return;
    }
    // One watch follows another without giving the board back in between.
    if (m_playback) {
        m_timer.stop();
        m_parts.board->setGame(nullptr);
        m_playback.reset();
    } else {
        emit started();
    }
    m_parts.title->setText(
        tr("Watching %1's game: %2").arg(QString::fromStdString(record->name)).arg(record->score));
    showScore(0);
    m_playback =
        std::make_unique<ReplayPlayback>(*record, ticket->seed, *m_parts.board, *m_display);
    m_parts.board->setReadOnly(true);
    m_parts.board->setGame(&m_playback->game());
    m_held = false;
    m_speed = normalSpeed;
    m_clockAtMark = 0;
    m_sinceMark.start();
    showPauseCaption();
    m_parts.panel->show();
    m_parts.panel->raise();
    rearm();
}

void ReplayWatch::close() {
    if (!m_playback) {
        return;
    }
    m_timer.stop();
    m_parts.panel->hide();
    m_parts.board->setGame(nullptr);
    m_parts.board->setReadOnly(false);
    m_playback.reset();
    emit ended();
}

std::int64_t ReplayWatch::target() const {
    if (m_held || m_byHand) {
        return m_clockAtMark;
    }
    return m_clockAtMark + m_sinceMark.elapsed() * m_speed;
}

void ReplayWatch::setSpeed(int speed) {
    assert(speed == normalSpeed || speed == fastSpeed);
    m_clockAtMark = target();
    m_sinceMark.start();
    m_speed = speed;
    rearm();
}

void ReplayWatch::togglePause() {
    if (!m_playback) {
        return;
    }
    m_clockAtMark = target();
    m_sinceMark.start();
    m_held = !m_held;
    showPauseCaption();
    rearm();
}

bool ReplayWatch::step() {
    if (!m_playback || m_held) {
        return false;
    }
    const bool stepped = m_playback->step();
    m_clockAtMark = m_playback->now();
    showPauseCaption();
    return stepped;
}

void ReplayWatch::advance() {
    if (!m_playback) {
        return;
    }
    m_playback->advanceTo(target());
    showPauseCaption();
    rearm();
}

void ReplayWatch::rearm() {
    m_timer.stop();
    if (!m_playback || m_held || m_byHand) {
        return;
    }
    const std::optional<std::int64_t> due = m_playback->nextDue();
    if (!due) {
        return;
    }
    // Real ms until the watched clock reaches the due time, rounded up so it is reached.
    const std::int64_t wait = std::max<std::int64_t>(*due - target(), 0);
    m_timer.start(static_cast<int>(
        std::min<std::int64_t>((wait + m_speed - 1) / m_speed, 24LL * 60 * 60 * 1000)));
}

void ReplayWatch::showScore(int score) {
    m_parts.score->setText(tr("Score so far: %1").arg(score));
}

void ReplayWatch::showPauseCaption() {
    m_parts.pause->setCaption(m_held ? QCoreApplication::translate("Tmain", "RESUME")
                                     : QCoreApplication::translate("Tmain", "PAUSE"));
    // A game that has ended has nothing left to pause.
    m_parts.pause->setEnabledFlag(m_playback != nullptr && !m_playback->finished());
}
