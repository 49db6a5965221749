#include "online/DailyTicket.h"

#include "common/SiteNames.h"
#include "engine/Ticket.h"
#include "online/HTTPGet.h"
#include "online/VerifiedGames.h"

#include <exception>
#include <string_view>

DailyTicket::DailyTicket(std::string siteRoot, bool online, QObject* parent)
    : QObject(parent), m_siteRoot(std::move(siteRoot)), m_online(online) {
    setObjectName(QStringLiteral("dailyticket"));
    m_get = new THTTPGet(this);
    m_get->setObjectName(QStringLiteral("getdailyticket"));
    m_get->setOnDoneString([this](QObject*, const std::string& body) { done(body); });
    m_get->setOnError([this](QObject*) {
        ended();
        emit ticketFailed(Failure::unreachable);
    });
    m_wait.setSingleShot(true);
    m_wait.setInterval(VerifiedGames::ticketWaitMs);
    connect(&m_wait, &QTimer::timeout, m_get, &THTTPGet::CancelFetch);
}

DailyTicket::~DailyTicket() = default;

bool DailyTicket::busy() const {
    return m_get->busy();
}

bool DailyTicket::fetch() {
    if (busy()) {
        return false;
    }
    if (!m_online) {
        emit ticketFailed(Failure::unreachable);
        return true;
    }
    m_get->setURL(m_siteRoot + std::string(site::dailyTicketPath));
    try {
        m_get->FetchString();
    } catch (const std::exception& error) {
        qWarning("The daily ticket fetch could not start: %s", error.what());
        emit ticketFailed(Failure::unreachable);
        return true;
    }
    m_wait.start();
    return true;
}

void DailyTicket::done(const std::string& body) {
    ended();
    const long status = m_get->statusCode();
    std::string_view line = body;
    if (line.ends_with('\n')) {
        line.remove_suffix(1);
    }
    if (line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    const std::optional<TicketFields> ticket = parseTicket(line);
    // A normal ticket where a daily one was asked for would start a game that is not the day's.
    if (status < 200 || status >= 300 || !ticket || ticket->day.empty()) {
        emit ticketFailed(Failure::refused);
        return;
    }
    emit ticketArrived(QString::fromLatin1(line.data(), qsizetype(line.size())),
                       QString::fromStdString(ticket->day));
}

void DailyTicket::ended() {
    m_wait.stop();
}
