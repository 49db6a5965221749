#include "server/SqliteStore.h"

#include "server/SqliteStatement.h"
#include "server/TicketSigner.h"

#include <sqlite3.h>

#include <chrono>
#include <system_error>

namespace server {

namespace fs = std::filesystem;
using sqlite::runToEnd;
using sqlite::Use;

namespace {

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace

SqliteStore::SqliteStore(const fs::path& folder) : m_folder(folder) {
    std::error_code ec;
    // Remember the outermost folder we create, so a failed start leaves nothing behind.
    fs::path created;
    for (fs::path p = fs::absolute(folder, ec); !p.empty() && !fs::exists(p, ec);
         p = p.parent_path()) {
        created = p;
        if (p == p.parent_path()) {
            break;
        }
    }
    const fs::path file = folder / fileName;
    const bool fileExisted = fs::exists(file, ec);
    try {
        if (!created.empty()) {
            fs::create_directories(folder, ec);
            if (ec) {
                throw StoreOpenError("cannot create the data folder " + folder.string() + ": " +
                                     ec.message());
            }
        }
        if (!fs::is_directory(folder, ec)) {
            throw StoreOpenError("the data folder " + folder.string() + " is not a folder");
        }
        open(file);
    } catch (const std::exception&) {
        // What failed is in the exception, which goes on to the caller; only what this start
        // made is taken away.
        close();
        if (!created.empty()) {
            fs::remove_all(created, ec);
        } else if (!fileExisted) {
            for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
                fs::remove(file.string() + suffix, ec);
            }
        }
        throw;
    }
}

SqliteStore::~SqliteStore() {
    m_batcher.reset(); // stores what is queued
    close();
}

void SqliteStore::open(const fs::path& file) {
    if (sqlite3_open_v2(file.c_str(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        throw StoreOpenError("cannot open " + file.string() + ": " +
                             (m_db ? sqlite3_errmsg(m_db) : "out of memory"));
    }
    sqlite3_busy_timeout(m_db, 5000);
    try {
        // journal_mode answers with the mode in force; a folder we cannot write refuses WAL.
        sqlite3_stmt* wal = prepare("PRAGMA journal_mode=WAL");
        const bool walOn =
            sqlite3_step(wal) == SQLITE_ROW &&
            std::string(reinterpret_cast<const char*>(sqlite3_column_text(wal, 0))) == "wal";
        sqlite3_finalize(wal);
        if (!walOn) {
            throw StoreOpenError("cannot switch " + file.string() +
                                 " to WAL mode: " + sqlite3_errmsg(m_db));
        }
        // FULL flushes the WAL at every commit, so an answered posting survives a power loss;
        // group commit keeps that to one flush per batch.
        exec("PRAGMA synchronous=FULL");
        exec("BEGIN IMMEDIATE");
        sqlite3_stmt* version = prepare("PRAGMA user_version");
        sqlite3_step(version);
        const int found = sqlite3_column_int(version, 0);
        sqlite3_finalize(version);
        if (found > schemaVersion) {
            exec("ROLLBACK");
            throw StoreOpenError(file.string() + " was made by a newer server (schema " +
                                 std::to_string(found) + ")");
        }
        if (found < 1) {
            exec("CREATE TABLE IF NOT EXISTS postings ("
                 " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                 " name TEXT NOT NULL, date TEXT NOT NULL, score INTEGER NOT NULL,"
                 " received_ms INTEGER NOT NULL, address TEXT NOT NULL)");
            exec("CREATE INDEX IF NOT EXISTS postings_rank ON postings (score DESC, id)");
            exec("CREATE INDEX IF NOT EXISTS postings_recent ON postings (address, received_ms)");
        }
        if (found < 2) {
            // Postings stored before replays existed stay, unverified.
            exec("ALTER TABLE postings ADD COLUMN verified INTEGER NOT NULL DEFAULT 0");
            exec("CREATE INDEX postings_verified_rank ON postings (score DESC, id)"
                 " WHERE verified = 1");
            exec("CREATE TABLE used_tickets ("
                 " id TEXT PRIMARY KEY, posting_id INTEGER NOT NULL, used_ms INTEGER NOT NULL)");
            exec("CREATE INDEX used_tickets_age ON used_tickets (used_ms)");
            exec("PRAGMA user_version=2");
        }
        upgradeDaily(found);
        exec("COMMIT");
        m_begin = prepare("BEGIN IMMEDIATE");
        m_commit = prepare("COMMIT");
        m_rollback = prepare("ROLLBACK");
        m_recentFromAddress =
            prepare("SELECT count(*) FROM postings WHERE address = ?1 AND received_ms > ?2");
        m_insert = prepare("INSERT INTO postings (name, date, score, received_ms, address)"
                           " VALUES (?1, ?2, ?3, ?4, ?5)");
        m_best = prepare("SELECT p.name, p.date, p.score, p.verified, coalesce(r.posting_id, 0)"
                         " FROM postings p LEFT JOIN replays r ON r.posting_id = p.id"
                         " ORDER BY p.score DESC, p.id LIMIT ?1");
        m_total = prepare("SELECT count(*) FROM postings");
        m_bestVerified =
            prepare("SELECT p.name, p.date, p.score, p.verified, coalesce(r.posting_id, 0)"
                    " FROM postings p LEFT JOIN replays r ON r.posting_id = p.id"
                    " WHERE p.verified = 1 ORDER BY p.score DESC, p.id LIMIT ?1");
        m_totalVerified = prepare("SELECT count(*) FROM postings WHERE verified = 1");
        m_ticketUsed = prepare("SELECT 1 FROM used_tickets WHERE id = ?1");
        m_unverified = prepare("SELECT id FROM postings WHERE score = ?3 AND name = ?1"
                               " AND date = ?2 AND received_ms >= ?4 AND verified = 0"
                               " ORDER BY id LIMIT 1");
        m_markVerified = prepare("UPDATE postings SET verified = 1 WHERE id = ?1");
        m_forgetTickets = prepare("DELETE FROM used_tickets WHERE used_ms < ?1");
        m_useTicket =
            prepare("INSERT INTO used_tickets (id, posting_id, used_ms) VALUES (?1, ?2, ?3)");
        prepareDaily();
        m_batcher = std::make_unique<PostingBatcher>(
            [this](std::vector<PostingBatcher::Entry>& batch, StoreClock::time_point) {
                commitBatch(batch);
            });
    } catch (const StoreUnavailable& e) {
        throw StoreOpenError(std::string("cannot set up ") + file.string() + ": " + e.what());
    }
}

void SqliteStore::close() {
    for (sqlite3_stmt** s :
         {&m_begin,         &m_commit,        &m_rollback,   &m_recentFromAddress,
          &m_insert,        &m_best,          &m_total,      &m_bestVerified,
          &m_totalVerified, &m_ticketUsed,    &m_unverified, &m_markVerified,
          &m_useTicket,     &m_forgetTickets, &m_firstDaily, &m_enterDaily,
          &m_keepRecord,    &m_pruneRecords,  &m_daily,      &m_dailyTotal,
          &m_keptRecord}) {
        sqlite3_finalize(*s);
        *s = nullptr;
    }
    if (m_db != nullptr) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

sqlite3_stmt* SqliteStore::prepare(const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
        SQLITE_OK) {
        fail(sql);
    }
    return statement;
}

void SqliteStore::exec(const char* sql) {
    sqlite3_stmt* statement = prepare(sql);
    const int rc = runToEnd(statement);
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE) {
        fail(sql);
    }
}

void SqliteStore::fail(const char* what) {
    throw StoreUnavailable(std::string(what) + ": " + sqlite3_errmsg(m_db));
}

void SqliteStore::submit(PostingRequest request, AddDone done) {
    m_batcher->submit(std::move(request), std::move(done));
}

void SqliteStore::commitBatch(std::vector<PostingBatcher::Entry>& batch) {
    const std::lock_guard lock(m_mutex);
    if (runToEnd(m_begin) != SQLITE_DONE) {
        fail("begin");
    }
    const sqlite::Transaction open(m_db, m_rollback); // nothing of a failed batch is kept
    for (PostingBatcher::Entry& entry : batch) {
        const PostingRequest& r = entry.request;
        const std::int64_t now = nowMs();
        // Earlier postings of this batch are already visible here, so the limit holds
        // within a batch as it does across batches.
        if (r.perMinuteLimit > 0) {
            const Use use(m_recentFromAddress);
            sqlite3_bind_text(m_recentFromAddress, 1, r.address.data(),
                              static_cast<int>(r.address.size()), SQLITE_STATIC);
            sqlite3_bind_int64(m_recentFromAddress, 2,
                               now - std::int64_t{rateWindowSeconds} * 1000);
            if (sqlite3_step(m_recentFromAddress) != SQLITE_ROW) {
                fail("count recent postings");
            }
            if (sqlite3_column_int64(m_recentFromAddress, 0) >= r.perMinuteLimit) {
                entry.outcome = AddOutcome{false, AddResult::rateLimited, {}};
                continue;
            }
        }
        const Use use(m_insert);
        sqlite3_bind_text(m_insert, 1, r.posting.name.data(),
                          static_cast<int>(r.posting.name.size()), SQLITE_STATIC);
        sqlite3_bind_text(m_insert, 2, r.posting.date.data(),
                          static_cast<int>(r.posting.date.size()), SQLITE_STATIC);
        sqlite3_bind_int(m_insert, 3, r.posting.score);
        sqlite3_bind_int64(m_insert, 4, now);
        sqlite3_bind_text(m_insert, 5, r.address.data(), static_cast<int>(r.address.size()),
                          SQLITE_STATIC);
        if (sqlite3_step(m_insert) != SQLITE_DONE) {
            fail("store the posting");
        }
        entry.outcome = AddOutcome{false, AddResult::stored, {}};
    }
    // With synchronous=FULL the commit returns only after the WAL is flushed to disk.
    if (runToEnd(m_commit) != SQLITE_DONE) {
        fail("commit");
    }
}

Standings SqliteStore::standings(int count, bool verifiedOnly) {
    const std::lock_guard lock(m_mutex);
    sqlite3_stmt* best = verifiedOnly ? m_bestVerified : m_best;
    sqlite3_stmt* total = verifiedOnly ? m_totalVerified : m_total;
    Standings result;
    {
        const Use use(best);
        sqlite3_bind_int(best, 1, count);
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(best)) == SQLITE_ROW) {
            const auto text = [&](int column) {
                return std::string(reinterpret_cast<const char*>(sqlite3_column_text(best, column)),
                                   static_cast<std::size_t>(sqlite3_column_bytes(best, column)));
            };
            result.best.push_back(RankedScore{text(0), text(1), sqlite3_column_int(best, 2),
                                              sqlite3_column_int(best, 3) != 0,
                                              sqlite3_column_int64(best, 4)});
        }
        if (rc != SQLITE_DONE) {
            fail("read the best scores");
        }
    }
    const Use use(total);
    if (sqlite3_step(total) != SQLITE_ROW) {
        fail("count the postings");
    }
    result.total = sqlite3_column_int64(total, 0);
    return result;
}

std::string SqliteStore::ticketKey() {
    try {
        return loadOrCreateTicketKey(m_folder / keyFileName);
    } catch (const std::runtime_error& e) {
        throw StoreOpenError(e.what());
    }
}

} // namespace server
