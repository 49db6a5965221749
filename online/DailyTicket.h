#pragma once

// Today's Daily Bloom ticket, fetched when the player asks for the daily game: every player
// gets the same seed for the UTC day, so the first flowers are the same for all. One fetch at a
// time, bounded by the wait of every ticket; it ends in either a ticket line or a failure, which
// the window turns into words.

#include <QObject>
#include <QString>
#include <QTimer>

#include <string>

class THTTPGet;

class DailyTicket : public QObject {
    Q_OBJECT

public:
    // Why no ticket came: the server did not answer (or the game is offline), or it answered
    // without a daily ticket (a refusal or a line that is not one).
    enum class Failure { unreachable, refused };
    Q_ENUM(Failure)

    // siteRoot: "http://host[:port]/" of the score server. Offline, every fetch fails at once.
    DailyTicket(std::string siteRoot, bool online, QObject* parent);
    ~DailyTicket() override;

    // Starts fetching today's ticket; answers false, and starts nothing, while a fetch runs.
    bool fetch();
    bool busy() const;

signals:
    // The ticket line (checked to be a daily ticket) and its day, "YYYY-MM-DD".
    void ticketArrived(const QString& line, const QString& day);
    void ticketFailed(DailyTicket::Failure failure);

private:
    void done(const std::string& body);
    void ended();

    std::string m_siteRoot;
    bool m_online;
    THTTPGet* m_get = nullptr;
    QTimer m_wait;
};
