// SqliteStore: the daily lists and the game records kept to be watched.

#include "server/SqliteStatement.h"
#include "server/SqliteStore.h"

#include "engine/GameRecord.h"
#include "engine/Ticket.h"

namespace server {

using sqlite::bindText;
using sqlite::Use;

namespace {

std::string columnText(sqlite3_stmt* statement, int column) {
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                       static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

} // namespace

void SqliteStore::upgradeDaily(int found) {
    if (found >= 3) {
        return;
    }
    // One row per verified daily game; of a name's games on one day only the first counts.
    exec("CREATE TABLE daily_games ("
         " posting_id INTEGER PRIMARY KEY, day TEXT NOT NULL, name TEXT NOT NULL,"
         " counted INTEGER NOT NULL)");
    exec("CREATE UNIQUE INDEX daily_first ON daily_games (day, name) WHERE counted = 1");
    exec("CREATE INDEX daily_day ON daily_games (day, counted)");
    exec("CREATE TABLE replays (posting_id INTEGER PRIMARY KEY, record TEXT NOT NULL)");
    exec("PRAGMA user_version=3");
}

void SqliteStore::prepareDaily() {
    m_firstDaily =
        prepare("SELECT 1 FROM daily_games WHERE day = ?1 AND name = ?2 AND counted = 1");
    m_enterDaily =
        prepare("INSERT INTO daily_games (posting_id, day, name, counted) VALUES (?1, ?2, ?3, ?4)");
    m_keepRecord = prepare("INSERT OR REPLACE INTO replays (posting_id, record) VALUES (?1, ?2)");
    // Kept: the best ?1 verified games of all time, and the best ?1 counted games of every day
    // from ?2 on.
    m_pruneRecords = prepare("DELETE FROM replays WHERE posting_id NOT IN ("
                             " SELECT id FROM (SELECT id FROM postings WHERE verified = 1"
                             "  ORDER BY score DESC, id LIMIT ?1)"
                             " UNION SELECT posting_id FROM (SELECT d.posting_id, row_number() OVER"
                             "  (PARTITION BY d.day ORDER BY p.score DESC, p.id) AS place"
                             "  FROM daily_games d JOIN postings p ON p.id = d.posting_id"
                             "  WHERE d.counted = 1 AND d.day >= ?2) WHERE place <= ?1)");
    m_daily = prepare("SELECT p.name, p.date, p.score, p.verified, coalesce(r.posting_id, 0)"
                      " FROM daily_games d JOIN postings p ON p.id = d.posting_id"
                      " LEFT JOIN replays r ON r.posting_id = d.posting_id"
                      " WHERE d.day = ?1 AND d.counted = ?2 ORDER BY p.score DESC, p.id LIMIT ?3");
    m_dailyTotal = prepare("SELECT count(*) FROM daily_games WHERE day = ?1 AND counted = 1");
    m_keptRecord = prepare("SELECT record FROM replays WHERE posting_id = ?1");
}

DailyResult SqliteStore::keepGame(const VerifyRequest& request, std::int64_t posting) {
    DailyResult daily = DailyResult::none;
    if (!request.day.empty()) {
        bool first = true;
        {
            const Use use(m_firstDaily);
            bindText(m_firstDaily, 1, request.day);
            bindText(m_firstDaily, 2, request.posting.name);
            const int rc = sqlite3_step(m_firstDaily);
            if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
                fail("look up the day's list");
            }
            first = rc == SQLITE_DONE;
        }
        const Use use(m_enterDaily);
        sqlite3_bind_int64(m_enterDaily, 1, posting);
        bindText(m_enterDaily, 2, request.day);
        bindText(m_enterDaily, 3, request.posting.name);
        sqlite3_bind_int(m_enterDaily, 4, first ? 1 : 0);
        if (sqlite3_step(m_enterDaily) != SQLITE_DONE) {
            fail("enter the game on the day's list");
        }
        daily = first ? DailyResult::counted : DailyResult::practice;
    }
    if (!request.record.empty() && request.record.size() <= maxRecordBytes) {
        const Use use(m_keepRecord);
        sqlite3_bind_int64(m_keepRecord, 1, posting);
        bindText(m_keepRecord, 2, request.record);
        if (sqlite3_step(m_keepRecord) != SQLITE_DONE) {
            fail("keep the game record");
        }
    }
    const RecordKeeping& keep = request.keeping;
    const std::string oldest = dayText(keep.today - (keep.days - 1));
    const Use use(m_pruneRecords);
    sqlite3_bind_int(m_pruneRecords, 1, keep.count);
    bindText(m_pruneRecords, 2, oldest);
    if (sqlite3_step(m_pruneRecords) != SQLITE_DONE) {
        fail("prune the kept game records");
    }
    return daily;
}

Standings SqliteStore::dailyStandings(const std::string& day, int count) {
    const std::lock_guard lock(m_mutex);
    Standings result;
    for (const int counted : {1, 0}) {
        const Use use(m_daily);
        bindText(m_daily, 1, day);
        sqlite3_bind_int(m_daily, 2, counted);
        sqlite3_bind_int(m_daily, 3, count);
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(m_daily)) == SQLITE_ROW) {
            result.best.push_back(RankedScore{columnText(m_daily, 0), columnText(m_daily, 1),
                                              sqlite3_column_int(m_daily, 2),
                                              sqlite3_column_int(m_daily, 3) != 0,
                                              sqlite3_column_int64(m_daily, 4), counted == 0});
        }
        if (rc != SQLITE_DONE) {
            fail("read the day's list");
        }
    }
    const Use use(m_dailyTotal);
    bindText(m_dailyTotal, 1, day);
    if (sqlite3_step(m_dailyTotal) != SQLITE_ROW) {
        fail("count the day's games");
    }
    result.total = sqlite3_column_int64(m_dailyTotal, 0);
    return result;
}

std::optional<std::string> SqliteStore::keptRecord(std::int64_t id) {
    const std::lock_guard lock(m_mutex);
    const Use use(m_keptRecord);
    sqlite3_bind_int64(m_keptRecord, 1, id);
    const int rc = sqlite3_step(m_keptRecord);
    if (rc == SQLITE_ROW) {
        return columnText(m_keptRecord, 0);
    }
    if (rc != SQLITE_DONE) {
        fail("read the kept game record");
    }
    return std::nullopt;
}

} // namespace server
