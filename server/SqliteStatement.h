#pragma once

#include <sqlite3.h>

#include <string>

namespace server::sqlite {

// Steps a statement to its end and resets it; returns the last step's result code.
inline int runToEnd(sqlite3_stmt* statement) {
    int rc = SQLITE_ROW;
    while (rc == SQLITE_ROW) {
        rc = sqlite3_step(statement);
    }
    sqlite3_reset(statement);
    return rc;
}

// Binds a text that outlives the statement's use.
inline void bindText(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

// Resets a statement and clears its bindings when the scope ends, on every path.
class Use {
public:
    explicit Use(sqlite3_stmt* statement) : m_statement(statement) {}
    ~Use() {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

private:
    sqlite3_stmt* m_statement;
};

// A transaction begun on `db`: rolled back when the scope ends with it still open, whatever
// ended the scope (a failed statement, a failed commit, or any exception), so the connection
// is never left inside a transaction that the next BEGIN would refuse.
class Transaction {
public:
    Transaction(sqlite3* db, sqlite3_stmt* rollback) : m_db(db), m_rollback(rollback) {}
    ~Transaction() {
        if (sqlite3_get_autocommit(m_db) == 0) {
            runToEnd(m_rollback);
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    sqlite3* m_db;
    sqlite3_stmt* m_rollback;
};

} // namespace server::sqlite
