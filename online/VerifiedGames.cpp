#include "online/VerifiedGames.h"

#include "common/SiteNames.h"
#include "engine/Ticket.h"
#include "online/HTTPGet.h"

#include <exception>
#include <memory>

namespace {

bool succeeded(long status) {
    return status >= 200 && status < 300;
}

} // namespace

VerifiedGames::VerifiedGames(std::string siteRoot, bool online, QObject* parent)
    : QObject(parent), m_siteRoot(std::move(siteRoot)), m_online(online) {
    setObjectName(QStringLiteral("verifiedgames"));
    m_ticketGet = new THTTPGet(this);
    m_ticketGet->setObjectName(QStringLiteral("getticket"));
    m_ticketGet->setOnDoneString([this](QObject*, const std::string& body) { ticketDone(body); });
    m_ticketGet->setOnError([this](QObject*) { ticketEnded(); });
    m_ticketWait.setSingleShot(true);
    m_ticketWait.setInterval(ticketWaitMs);
    connect(&m_ticketWait, &QTimer::timeout, m_ticketGet, &THTTPGet::CancelFetch);
}

VerifiedGames::~VerifiedGames() = default;

bool VerifiedGames::ticketReady() const {
    return m_ticket && m_ticketAge.isValid() && m_ticketAge.elapsed() < ticketFreshMs;
}

void VerifiedGames::fetchTicket() {
    if (!m_online || m_ticketGet->busy() || ticketReady()) {
        return;
    }
    m_ticketGet->setURL(m_siteRoot + std::string(site::ticketPath));
    try {
        m_ticketGet->FetchString();
    } catch (const std::exception& error) {
        // No thread for it now: the next game start or window activation tries again.
        qWarning("The ticket fetch could not start: %s", error.what());
        return;
    }
    m_ticketWait.start();
}

std::optional<std::string> VerifiedGames::takeTicket() {
    std::optional<std::string> line;
    if (ticketReady()) {
        line = std::move(m_ticket);
    }
    m_ticket.reset();
    fetchTicket();
    return line;
}

void VerifiedGames::holdTicket(std::string line) {
    m_ticket = std::move(line);
    m_ticketAge.start();
}

void VerifiedGames::ticketDone(const std::string& body) {
    ticketEnded();
    if (!succeeded(m_ticketGet->statusCode())) {
        return;
    }
    std::string_view line = body;
    if (line.ends_with('\n')) {
        line.remove_suffix(1);
    }
    if (line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    // A daily ticket is for the Daily Bloom alone; a normal game on it would count as the day's.
    const std::optional<TicketFields> ticket = parseTicket(line);
    if (!ticket || !ticket->day.empty()) {
        return;
    }
    holdTicket(std::string(line));
    emit ticketArrived();
}

void VerifiedGames::ticketEnded() {
    m_ticketWait.stop();
}

void VerifiedGames::scorePosted(GameRecord record) {
    m_pending = std::move(record);
}

void VerifiedGames::postingAnswered() {
    std::optional<GameRecord> record = std::move(m_pending);
    m_pending.reset();
    if (!m_online || !record || record->ticket == m_sentTicket) {
        return;
    }
    const std::string text = writeRecord(*record);
    if (text.size() > maxRecordBytes || !readRecord(text)) {
        return; // over the server's limits (a name longer than any typed one): not sent
    }
    m_sentTicket = record->ticket;

    // One request per record, gone when it has ended.
    auto* post = new THTTPGet(this);
    post->setObjectName(QStringLiteral("sendrecord"));
    post->setURL(m_siteRoot + std::string(site::replayPath));
    post->setPostType("text/plain; charset=utf-8");
    post->setPostQuery(text);
    auto* wait = new QTimer(post);
    wait->setSingleShot(true);
    connect(wait, &QTimer::timeout, post, &THTTPGet::CancelFetch);
    const auto ended = [this, post](bool accepted) {
        post->deleteLater();
        emit recordSent(accepted);
    };
    post->setOnDoneString(
        [post, ended](QObject*, const std::string&) { ended(succeeded(post->statusCode())); });
    post->setOnError([ended](QObject*) { ended(false); });
    try {
        post->FetchString();
    } catch (const std::exception& error) {
        qWarning("The game record could not be sent: %s", error.what());
        post->deleteLater();
        emit recordSent(false);
        return;
    }
    wait->start(recordWaitMs);
}
