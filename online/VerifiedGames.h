#pragma once

// The game's side of scores the server can vouch for. Tickets are fetched ahead from the score
// server, so that START GAME takes a ready one at once and never waits for the network; a game
// started without one plays on the local seed and cannot be verified. Once the posting of a
// ticketed game's score has been answered, the game's record goes to the server, which plays it
// again. Nothing of this is ever shown to the player: a ticket or record that does not get
// through only leaves that score unverified.

#include "engine/GameRecord.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <optional>
#include <string>

class THTTPGet;

class VerifiedGames : public QObject {
    Q_OBJECT

public:
    // A ticket older than this is fetched anew before it is used.
    static constexpr int ticketFreshMs = 10 * 60 * 1000;
    // The longest wait for a ticket, and for the server to take a record.
    static constexpr int ticketWaitMs = 2000;
    static constexpr int recordWaitMs = 20000;

    // siteRoot: "http://host[:port]/" of the score server. Offline, nothing is fetched or sent.
    VerifiedGames(std::string siteRoot, bool online, QObject* parent);
    ~VerifiedGames() override;

    // Starts fetching a ticket unless a fresh one is held or a fetch is under way.
    void fetchTicket();
    // The ticket line for a game that starts now, if a fresh one is held; fetches the next.
    std::optional<std::string> takeTicket();
    bool ticketReady() const;

    // SEND SCORE has posted the score of the game of this record (its name and date as posted).
    void scorePosted(GameRecord record);
    // The posting was answered: the record of its game goes to the server, once per ticket.
    void postingAnswered();

    // For tests: holds this ticket as if it had just arrived.
    void holdTicket(std::string line);

signals:
    // A ticket has arrived and is held.
    void ticketArrived();
    // A record went to the server; accepted when the server answered with success.
    void recordSent(bool accepted);

private:
    void ticketDone(const std::string& body);
    void ticketEnded();

    std::string m_siteRoot;
    bool m_online;
    THTTPGet* m_ticketGet = nullptr;
    QTimer m_ticketWait;
    std::optional<std::string> m_ticket;
    QElapsedTimer m_ticketAge;
    std::optional<GameRecord> m_pending;
    std::string m_sentTicket;
};
