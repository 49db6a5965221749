#pragma once

#include "server/PostingBatcher.h"
#include "server/ScoreStore.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace server {

// Postings in one SQLite file, "postings.sqlite3" in the data folder, in WAL mode with a flush
// at every commit. One connection serves all threads in turn; every query is a prepared
// statement. Postings are written by one thread in batches (group commit). The ticket key is the
// file "ticket.key" beside the database, made (owner only) on first use.
class SqliteStore : public ScoreStore {
public:
    static constexpr const char* fileName = "postings.sqlite3";
    static constexpr const char* keyFileName = "ticket.key";
    // 1: postings; 2: their verified flag and the used tickets; 3: the daily lists and the kept
    // game records.
    static constexpr int schemaVersion = 3;

    // Opens or creates the store in `folder` (created when missing). Throws StoreOpenError and
    // then leaves behind nothing it created.
    explicit SqliteStore(const std::filesystem::path& folder);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    void submit(PostingRequest request, AddDone done) override;
    Standings standings(int count, bool verifiedOnly) override;
    VerifyResult verify(const VerifyRequest& request, DailyResult& daily) override;
    VerifyResult mayVerify(const VerifyRequest& request) override;
    Standings dailyStandings(const std::string& day, int count) override;
    std::optional<std::string> keptRecord(std::int64_t id) override;
    std::string ticketKey() override;

private:
    void commitBatch(std::vector<PostingBatcher::Entry>& batch);
    // Under m_mutex: verified with the posting's id in `posting`, or why not.
    VerifyResult findVerifiable(const VerifyRequest& request, std::int64_t& posting);
    // Under m_mutex, in verify()'s transaction: enters verified posting `posting` on its day's
    // list, keeps its record and prunes the kept ones.
    DailyResult keepGame(const VerifyRequest& request, std::int64_t posting);
    // In open()'s transaction: the daily lists' and kept records' tables, when `found` (the
    // schema version found) predates them.
    void upgradeDaily(int found);
    void prepareDaily();
    void open(const std::filesystem::path& file);
    void close();
    sqlite3_stmt* prepare(const char* sql);
    void exec(const char* sql);
    [[noreturn]] void fail(const char* what);

    std::mutex m_mutex;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_begin = nullptr;
    sqlite3_stmt* m_commit = nullptr;
    sqlite3_stmt* m_rollback = nullptr;
    sqlite3_stmt* m_recentFromAddress = nullptr;
    sqlite3_stmt* m_insert = nullptr;
    sqlite3_stmt* m_best = nullptr;
    sqlite3_stmt* m_total = nullptr;
    sqlite3_stmt* m_bestVerified = nullptr;
    sqlite3_stmt* m_totalVerified = nullptr;
    sqlite3_stmt* m_ticketUsed = nullptr;
    sqlite3_stmt* m_unverified = nullptr;
    sqlite3_stmt* m_markVerified = nullptr;
    sqlite3_stmt* m_useTicket = nullptr;
    sqlite3_stmt* m_forgetTickets = nullptr;
    sqlite3_stmt* m_firstDaily = nullptr;
    sqlite3_stmt* m_enterDaily = nullptr;
    sqlite3_stmt* m_keepRecord = nullptr;
    sqlite3_stmt* m_pruneRecords = nullptr;
    sqlite3_stmt* m_daily = nullptr;
    sqlite3_stmt* m_dailyTotal = nullptr;
    sqlite3_stmt* m_keptRecord = nullptr;
    std::filesystem::path m_folder;
    std::unique_ptr<PostingBatcher> m_batcher;
};

} // namespace server
