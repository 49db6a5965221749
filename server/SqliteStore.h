#pragma once

#include "server/ScoreStore.h"

#include <filesystem>
#include <mutex>

struct sqlite3;
struct sqlite3_stmt;

namespace server {

// Postings in one SQLite file, "postings.sqlite3" in the data folder, in WAL mode. One
// connection serves all threads in turn; every query is a prepared statement.
class SqliteStore : public ScoreStore {
public:
    static constexpr const char* fileName = "postings.sqlite3";
    static constexpr int schemaVersion = 1;

    // Opens or creates the store in `folder` (created when missing). Throws StoreOpenError and
    // then leaves behind nothing it created.
    explicit SqliteStore(const std::filesystem::path& folder);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    AddResult add(const PostingValues& posting, const std::string& address,
                  int perMinuteLimit) override;
    Standings standings(int count) override;

private:
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
};

} // namespace server
