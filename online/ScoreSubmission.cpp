#include "online/ScoreSubmission.h"

#include "engine/GameTimer.h"
#include "online/HTTPGet.h"

#include <QCoreApplication>
#include <QTimer>

#include <exception>

#include <utility>

namespace {

// The watchdog ticks once a second.
constexpr int watchdogIntervalMs = 1000;

// The wait panel's caption with its growing dots.
QString waitCaption(int dots) {
    return QCoreApplication::translate("ScoreSubmission", "Posting Score, Please Wait%1")
        .arg(QString(dots, QLatin1Char('.')));
}

QString failedText() {
    return QCoreApplication::translate("ScoreSubmission", "Posting Failed.");
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
    } catch (const std::exception& error) {
        // A posting that cannot even start ends like one that gets no answer: the watchdog
        // reports it.
        qWarning("The score posting could not start: %s", error.what());
    }
    m_posting.start();
    m_timer1->start();
}

void ScoreSubmission::Timer1Timer() {
    const posting::ScorePosting::Tick tick = m_posting.tick();
    emit waitCaptionChanged(waitCaption(tick.dots));
    if (tick.postingFailed) {
        // The timer goes on ticking while the message is open; it stops once it is closed.
        emit postingFailed(failedText());
        m_timer1->stop();
    }
}

void ScoreSubmission::sendWaiting() {
    if (m_waitingUrl.empty()) {
        return;
    }
    // The component takes a new fetch only once the handler of its last one has returned.
    QTimer::singleShot(0, this, [this] {
        if (m_waitingUrl.empty() || m_sendit->busy()) {
            return;
        }
        m_sendit->setURL(std::exchange(m_waitingUrl, std::string()));
        try {
            m_sendit->FetchString();
        } catch (const std::exception& error) {
            // No thread for it: as with any posting that cannot start, nothing more happens.
            qWarning("The waiting score posting could not start: %s", error.what());
        }
    });
}

void ScoreSubmission::senditDoneString(QObject*, const std::string&) {
    m_timer1->stop();
    // The server answered but did not take the score (a bad name, too many postings, its
    // database away): that is a failure, however much text came with it.
    const bool taken = m_sendit->statusCode() < 400;
    // A posting made meanwhile goes out, unless it is the very one just taken (SEND SCORE
    // pressed again while waiting): that score would stand twice on the list.
    if (taken && m_waitingUrl == m_sendit->URL()) {
        m_waitingUrl.clear();
    }
    sendWaiting();
    if (taken) {
        emit postingAnswered();
    } else {
        emit postingFailed(failedText());
    }
}
