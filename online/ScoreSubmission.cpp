#include "online/ScoreSubmission.h"

#include "engine/GameTimer.h"
#include "engine/realtime/TimerComponent.h"
#include "online/HTTPGet.h"
#include "widgets/CoreText.h"

#include <QTimer>

#include <utility>

namespace {

// The watchdog ticks once a second.
constexpr int watchdogIntervalMs = 1000;

// The posting's texts: the wait panel's caption with its growing dots, and the failure.
constexpr const char* postingTexts[] = {
    QT_TRANSLATE_NOOP("ScoreSubmission", "Posting Score, Please Wait%1"),
    QT_TRANSLATE_NOOP("ScoreSubmission", "Posting Failed.")};

QString shown(const std::string& text) {
    return translatedCoreText("ScoreSubmission", postingTexts, text);
}

QString failedText() {
    return shown(std::string(posting::failedMessage));
}

} // namespace

ScoreSubmission::ScoreSubmission(TimerFactory& timers, std::string siteRoot, QObject* parent)
    : QObject(parent), m_siteRoot(std::move(siteRoot)), m_timer1(timers.createTimer()) {
    setObjectName(QStringLiteral("scoresubmission"));
    m_sendit = new THTTPGet(this);
    m_sendit->setObjectName(QStringLiteral("sendit"));
    m_sendit->setOnDoneString(
        [this](QObject* sender, const std::string& result) { senditDoneString(sender, result); });
    m_sendit->setOnError([this](QObject*) { sendWaiting(); });
    m_timer1->setInterval(watchdogIntervalMs);
    m_timer1->onTick([this] { Timer1Timer(); });
    Timer1 = new TimerComponent("Timer1", *m_timer1, this);
}

ScoreSubmission::~ScoreSubmission() = default;

void ScoreSubmission::sendscore(const QString& name, const QString& date, const QString& score) {
    try {
        const std::string url = posting::scoreUrl(m_siteRoot, name.toStdString(),
                                                  date.toStdString(), score.toStdString());
        if (m_sendit->busy()) {
            m_waitingUrl = url;
        } else {
            m_sendit->setURL(url);
            m_sendit->FetchString();
        }
    } catch (...) {
        // A posting that cannot even start ends like one that gets no answer: the watchdog
        // reports it.
    }
    m_posting.start();
    m_timer1->start();
}

void ScoreSubmission::Timer1Timer() {
    const posting::ScorePosting::Tick tick = m_posting.tick();
    emit waitCaptionChanged(shown(tick.caption));
    if (tick.postingFailed) {
        // The timer goes on ticking while the message is open; it stops once it is closed.
        emit postingFailed(failedText());
        m_timer1->stop();
    }
}

void ScoreSubmission::sendWaiting() {
    if (m_waitingUrl.empty())
        return;
    // The component takes a new fetch only once the handler of its last one has returned.
    QTimer::singleShot(0, this, [this] {
        if (m_waitingUrl.empty() || m_sendit->busy())
            return;
        m_sendit->setURL(std::exchange(m_waitingUrl, std::string()));
        try {
            m_sendit->FetchString();
        } catch (...) {
            // No thread for it: as with any posting that cannot start, nothing more happens.
        }
    });
}

void ScoreSubmission::senditDoneString(QObject*, const std::string&) {
    sendWaiting();
    m_timer1->stop();
    // The server answered but did not take the score (a bad name, too many postings, its
    // database away): that is a failure, however much text came with it.
    if (m_sendit->statusCode() >= 400)
        emit postingFailed(failedText());
    else
        emit postingAnswered();
}
