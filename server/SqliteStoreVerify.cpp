// SqliteStore: verifying a posting by its replayed game, and spending the game's ticket.

#include "server/SqliteStatement.h"
#include "server/SqliteStore.h"

#include <chrono>

namespace server {

using sqlite::bindText;
using sqlite::runToEnd;
using sqlite::Use;

namespace {

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace

VerifyResult SqliteStore::findVerifiable(const VerifyRequest& request, std::int64_t& posting) {
    {
        const Use use(m_ticketUsed);
        bindText(m_ticketUsed, 1, request.ticketId);
        const int rc = sqlite3_step(m_ticketUsed);
        if (rc == SQLITE_ROW) {
            return VerifyResult::ticketUsed;
        }
        if (rc != SQLITE_DONE) {
            fail("look up the ticket");
        }
    }
    const Use use(m_unverified);
    bindText(m_unverified, 1, request.posting.name);
    bindText(m_unverified, 2, request.posting.date);
    sqlite3_bind_int(m_unverified, 3, request.posting.score);
    sqlite3_bind_int64(m_unverified, 4, request.issuedMs);
    const int rc = sqlite3_step(m_unverified);
    if (rc == SQLITE_ROW) {
        posting = sqlite3_column_int64(m_unverified, 0);
        return VerifyResult::verified;
    }
    if (rc != SQLITE_DONE) {
        fail("find the posting");
    }
    return VerifyResult::noPosting;
}

VerifyResult SqliteStore::mayVerify(const VerifyRequest& request) {
    const std::lock_guard lock(m_mutex);
    std::int64_t posting = 0;
    return findVerifiable(request, posting);
}

VerifyResult SqliteStore::verify(const VerifyRequest& request, DailyResult& daily) {
    daily = DailyResult::none;
    const std::lock_guard lock(m_mutex);
    if (runToEnd(m_begin) != SQLITE_DONE) {
        fail("begin");
    }
    const sqlite::Transaction open(m_db, m_rollback); // a failed check changes nothing
    std::int64_t posting = 0;
    const VerifyResult result = findVerifiable(request, posting);
    if (result == VerifyResult::verified) {
        {
            const Use use(m_markVerified);
            sqlite3_bind_int64(m_markVerified, 1, posting);
            if (sqlite3_step(m_markVerified) != SQLITE_DONE) {
                fail("mark the posting verified");
            }
        }
        const Use use(m_useTicket);
        bindText(m_useTicket, 1, request.ticketId);
        sqlite3_bind_int64(m_useTicket, 2, posting);
        sqlite3_bind_int64(m_useTicket, 3, nowMs());
        if (sqlite3_step(m_useTicket) != SQLITE_DONE) {
            fail("record the ticket as used");
        }
        const Use forget(m_forgetTickets);
        sqlite3_bind_int64(m_forgetTickets, 1, nowMs() - usedTicketKeepSeconds * 1000);
        if (sqlite3_step(m_forgetTickets) != SQLITE_DONE) {
            fail("forget old tickets");
        }
        daily = keepGame(request, posting);
        if (runToEnd(m_commit) != SQLITE_DONE) {
            fail("commit");
        }
    } else {
        runToEnd(m_rollback);
    }
    return result;
}

} // namespace server
