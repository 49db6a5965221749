// PgStore: verifying a posting by its replayed game, the daily lists and the kept game records.

#include "server/PgStore.h"

#include "engine/GameRecord.h"
#include "engine/Ticket.h"

namespace server {

namespace {

// Enters verified posting `id` on its day's list, keeps its record and prunes the kept ones.
DailyResult keepGame(pqxx::work& tx, const VerifyRequest& request, std::int64_t id) {
    DailyResult daily = DailyResult::none;
    if (!request.day.empty()) {
        const bool first =
            !tx.exec_prepared("daily_first", id, request.day, request.posting.name).empty();
        if (!first) {
            tx.exec_prepared("daily_practice", id, request.day, request.posting.name);
        }
        daily = first ? DailyResult::counted : DailyResult::practice;
    }
    if (!request.record.empty() && request.record.size() <= maxRecordBytes) {
        tx.exec_prepared("keep_record", id, request.record);
    }
    const RecordKeeping& keep = request.keeping;
    tx.exec_prepared("prune_records", keep.count, dayText(keep.today - (keep.days - 1)));
    return daily;
}

} // namespace

VerifyResult PgStore::verify(const VerifyRequest& request, DailyResult& daily) {
    daily = DailyResult::none;
    VerifyResult result = VerifyResult::noPosting;
    withConnectionDo(StoreClock::now() + readPatience, [&](pqxx::connection& c) {
        pqxx::work tx(c);
        if (tx.exec_prepared("use_ticket", request.ticketId).empty()) {
            result = VerifyResult::ticketUsed;
            return;
        }
        const pqxx::result posting =
            tx.exec_prepared("unverified", request.posting.name, request.posting.date,
                             request.posting.score, request.issuedMs);
        if (posting.empty()) {
            tx.abort(); // the ticket stays unused
            result = VerifyResult::noPosting;
            return;
        }
        const auto id = posting[0][0].as<std::int64_t>();
        tx.exec_prepared("mark_verified", id);
        tx.exec_prepared("ticket_posting", request.ticketId, id);
        tx.exec_prepared("forget_tickets", usedTicketKeepSeconds);
        const DailyResult entered = keepGame(tx, request, id);
        tx.exec("SELECT pg_notify(" + tx.quote(channel) + ", '')");
        tx.commit();
        daily = entered;
        result = VerifyResult::verified;
    });
    return result;
}

VerifyResult PgStore::mayVerify(const VerifyRequest& request) {
    VerifyResult result = VerifyResult::verified;
    withConnectionDo(StoreClock::now() + readPatience, [&](pqxx::connection& c) {
        pqxx::read_transaction tx(c);
        if (!tx.exec_prepared("ticket_spent", request.ticketId).empty()) {
            result = VerifyResult::ticketUsed;
        } else if (tx.exec_prepared("posting_waits", request.posting.name, request.posting.date,
                                    request.posting.score, request.issuedMs)
                       .empty()) {
            result = VerifyResult::noPosting;
        } else {
            result = VerifyResult::verified;
        }
    });
    return result;
}

Standings PgStore::dailyStandings(const std::string& day, int count) {
    Standings result;
    withConnectionDo(StoreClock::now() + readPatience, [&](pqxx::connection& c) {
        pqxx::read_transaction tx(c);
        result = {};
        for (const bool counted : {true, false}) {
            for (const auto& row : tx.exec_prepared("daily", day, counted, count)) {
                result.best.push_back(RankedScore{
                    row[0].as<std::string>(), row[1].as<std::string>(), row[2].as<int>(),
                    row[3].as<bool>(), row[4].as<std::int64_t>(), !counted});
            }
        }
        result.total = tx.exec_prepared("daily_total", day)[0][0].as<std::int64_t>();
    });
    return result;
}

std::optional<std::string> PgStore::keptRecord(std::int64_t id) {
    std::optional<std::string> record;
    withConnectionDo(StoreClock::now() + readPatience, [&](pqxx::connection& c) {
        pqxx::read_transaction tx(c);
        const pqxx::result found = tx.exec_prepared("kept_record", id);
        record = found.empty() ? std::nullopt : std::optional(found[0][0].as<std::string>());
    });
    return record;
}

} // namespace server
