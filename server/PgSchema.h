#pragma once

#include <pqxx/pqxx>

#include <string>

namespace server::pgschema {

// The notification channel of every change to the postings; each process listens to it.
inline constexpr const char* channel = "bloomzap_postings";
// 1: postings; 2: their verified flag, the used tickets and the ticket key; 3: the rate limit's
// rows per address; 4: the daily lists and the kept game records.
inline constexpr int version = 4;
// Connections are refused by the database itself after this much time in one statement.
inline constexpr int statementTimeoutMs = 1500;

// Creates the schema on first start and brings an older one up to this version; refuses a
// database made by a newer server (StoreOpenError). Two processes starting at once take turns
// through an advisory lock.
void create(pqxx::connection& c);

// Sets the statement time-out and prepares every statement the store runs; each pooled
// connection does this once, when it is made.
void prepare(pqxx::connection& c);

// A text as an element of an array literal: quoted, with its quotes and backslashes escaped.
std::string arrayElement(const std::string& text);

} // namespace server::pgschema
