#pragma once

#include "online/ScorePosting.h"

#include <QObject>
#include <QString>

#include <memory>
#include <string>

class GameTimer;
class THTTPGet;
class TimerFactory;

// One score posting from SEND SCORE to its outcome: the request on `sendit`, the one-second
// watchdog `Timer1` that animates the wait caption and gives up after 40 ticks, and the reply.
// The game window connects the signals and shows what they say. A reply that comes after the
// watchdog gave up still counts as answered; a refused one (status 400 or above) fails at once.
class ScoreSubmission : public QObject {
    Q_OBJECT

public:
    // siteRoot: "http://host[:port]/" of the score server, ending in "/". The watchdog is made
    // by timers, which must outlive this object.
    ScoreSubmission(TimerFactory& timers, std::string siteRoot, QObject* parent);
    ~ScoreSubmission() override;

    // Posts a score: name, date ("m/d/yy") and score as decimal text, and starts the watchdog
    // from 40. While a posting is still out, its wait starts again and its answer ends it; this
    // score goes out once that posting has ended (the latest one, should there be several).
    // Errors while starting the request are swallowed: the watchdog then reports the failure.
    void sendscore(const QString& name, const QString& date, const QString& score);

    // The request and the watchdog, open to the tests, which wait for the one to settle and
    // watch the other.
    const THTTPGet& request() const { return *m_sendit; }
    const GameTimer& watchdog() const { return *m_timer1; }

signals:
    // The wait panel's new caption, every watchdog tick.
    void waitCaptionChanged(const QString& caption);
    // "Posting Failed." is to be shown now: the watchdog ran out, or the server refused the
    // score. The watchdog stops once the slots have returned.
    void postingFailed(const QString& message);
    // The server took the score; the watchdog has stopped.
    void postingAnswered();

private:
    void Timer1Timer();
    void senditDoneString(QObject* Sender, const std::string& Result);
    // Sends the posting that waited for the one before to end.
    void sendWaiting();

    std::string m_siteRoot;
    THTTPGet* m_sendit = nullptr;
    std::unique_ptr<GameTimer> m_timer1; // the watchdog Timer1
    posting::ScorePosting m_posting;
    std::string m_waitingUrl; // a posting made while another was out; empty when none
};
