// Game tickets, replays of game records and verified postings through real HTTP on both stores:
// whole games played on the engine and replayed by the server, tampered and reused records,
// tickets and their key, postings nobody replayed, older databases upgraded, a hung database.

#include "tests/server/GamePlayer.h"
#include "tests/server/ServerHarness.h"

#include "server/TicketSigner.h"

#include "engine/GameRecord.h"
#include "engine/GameReplay.h"
#include "engine/Ticket.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <thread>

namespace {

using namespace harness;

class IntegrationReplay : public ::testing::TestWithParam<Backend>, protected StoreFixture {
protected:
    void SetUp() override {
        std::string why;
        if (!prepare(GetParam(), why)) {
            GTEST_SKIP() << why;
        }
    }
};

INSTANTIATE_TEST_SUITE_P(Stores, IntegrationReplay,
                         ::testing::Values(Backend::sqlite, Backend::postgresql), backendName);

// The name as the game posts it (percent-encoded UTF-8) and as the record and the page hold it.
const std::string postedName = "Zo%C3%AB";
const std::string playerName = "Zo\xc3\xab";
const std::string playedDate = "12/7/26";

int sendRecord(int port, const GameRecord& record) {
    const auto reply = postBody(port, "/bloomzap/replay", writeRecord(record));
    return reply ? reply->status : 0;
}

// A game on `ticket` with a pause in it, played to its end.
GameRecord playedGame(const std::string& ticket) {
    gameplayer::Style style;
    style.pauseAt = 20'000;
    style.pauseMs = 7'000;
    const auto record = gameplayer::play(ticket, playerName, playedDate, style);
    EXPECT_TRUE(record);
    return record.value_or(GameRecord{});
}

// `record` with its ticket issued, under `key`, a minute longer before now than its game took:
// the games here are played on a test clock in moments, as if played in real time.
GameRecord inRealTime(GameRecord record, const std::string& key) {
    record.ticket = issuedEarlier(record.ticket, key, record.endedAt / 1000 + 60);
    return record;
}

// How many games the server has replayed once it has logged its answers to `records` game
// records in all (its log holds a line for each replay, before its answer's line).
std::size_t replaysOnceAnswered(const ServerProcess& server, std::size_t records) {
    const auto count = [](const std::string& text, const std::string& part) {
        std::size_t found = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
            ++found;
        }
        return found;
    };
    std::string log = server.log();
    for (int i = 0; i < 200 && count(log, "\"POST /bloomzap/replay HTTP/1.0\" ") < records; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        log = server.log();
    }
    EXPECT_EQ(count(log, "\"POST /bloomzap/replay HTTP/1.0\" "), records) << log;
    return count(log, "bloomzap-server: game replayed: ");
}

std::uint64_t seedOf(const GameRecord& record) {
    return parseTicket(record.ticket).value().seed;
}

// The first of `variants` of `record` that the engine itself does not replay to the recorded
// end: a change that alters the game, not one that happens to leave it the same.
std::optional<GameRecord> firstAltered(const GameRecord& record,
                                       const std::vector<GameRecord>& variants) {
    for (const GameRecord& variant : variants) {
        if (!replayGame(variant, seedOf(record)).matches) {
            return variant;
        }
    }
    return std::nullopt;
}

std::vector<GameRecord> clicksMovedByACell(const GameRecord& record) {
    std::vector<GameRecord> variants;
    for (std::size_t i = 0; i < record.events.size(); ++i) {
        if (record.events[i].kind != RecordedEvent::Kind::click) {
            continue;
        }
        for (const auto& [dc, dr] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            GameRecord moved = record;
            moved.events[i].column += dc;
            moved.events[i].row += dr;
            if (moved.events[i].column >= 1 && moved.events[i].column <= 10 &&
                moved.events[i].row >= 1 && moved.events[i].row <= 10) {
                variants.push_back(moved);
            }
        }
    }
    return variants;
}

std::vector<GameRecord> clickTimesChanged(const GameRecord& record) {
    std::vector<GameRecord> variants;
    for (std::size_t i = 0; i < record.events.size(); ++i) {
        if (record.events[i].kind != RecordedEvent::Kind::click) {
            continue;
        }
        const std::int64_t earliest = i == 0 ? 0 : record.events[i - 1].at;
        const std::int64_t latest =
            i + 1 < record.events.size() ? record.events[i + 1].at : record.endedAt;
        for (const std::int64_t shift : {-150, 150, -40, 40}) {
            GameRecord changed = record;
            changed.events[i].at += shift;
            if (changed.events[i].at >= earliest && changed.events[i].at <= latest) {
                variants.push_back(changed);
            }
        }
    }
    return variants;
}

TEST_P(IntegrationReplay, AGamePlayedOnATicketReplaysAndItsPostingBecomesVerified) {
    auto server = start();
    const std::string ticket = fetchTicket(server->port());
    ASSERT_FALSE(ticket.empty());
    const GameRecord record = inRealTime(playedGame(ticket), storeTicketKey());
    ASSERT_GT(record.lastRound, 1);
    const auto paused = std::count_if(record.events.begin(), record.events.end(),
                                      [](auto& e) { return e.kind == RecordedEvent::Kind::pause; });
    ASSERT_EQ(paused, 1);

    // The key outlives a restart: the ticket issued before it is still good.
    ASSERT_EQ(server->stop(SIGTERM), 0);
    ASSERT_TRUE(server->restart()) << server->log();
    ASSERT_EQ(post(server->port(), postedName, std::to_string(record.score), playedDate), 200);
    ASSERT_EQ(post(server->port(), postedName, std::to_string(record.score + 5000), playedDate),
              200);
    const auto reply = postBody(server->port(), "/bloomzap/replay", writeRecord(record));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200) << reply->body;
    EXPECT_EQ(reply->body, "verified\n");

    EXPECT_EQ(tableRows(page(server->port())),
              (std::vector<Row>{{1, playerName, playedDate, record.score + 5000, false},
                                {2, playerName, playedDate, record.score, true}}));
    ASSERT_EQ(server->stop(SIGTERM), 0);
    auto verifiedOnly = start({"--verified-only"});
    const std::string listed = page(verifiedOnly->port());
    EXPECT_EQ(tableRows(listed),
              (std::vector<Row>{{1, playerName, playedDate, record.score, true}}));
    EXPECT_EQ(postedTotal(listed), 1);
}

TEST_P(IntegrationReplay, AlteredForeignStaleAndReusedRecordsAreRefusedAndLeaveThePosting) {
    const fs::path keyFile = m_dir / "ticket.key";
    auto server = start({"--post-limit", "0", "--ticket-key", keyFile.string()});
    std::ifstream keyText(keyFile);
    std::string keyHex;
    std::getline(keyText, keyHex);
    const std::string key = server::ticketKeyFromText(keyHex).value();
    const GameRecord record = inRealTime(playedGame(fetchTicket(server->port())), key);
    const std::string ticket = record.ticket;
    ASSERT_GT(record.events.size(), 10u);
    ASSERT_EQ(post(server->port(), postedName, std::to_string(record.score), playedDate), 200);

    const auto moved = firstAltered(record, clicksMovedByACell(record));
    ASSERT_TRUE(moved);
    EXPECT_EQ(sendRecord(server->port(), *moved), 422);
    const auto retimed = firstAltered(record, clickTimesChanged(record));
    ASSERT_TRUE(retimed);
    EXPECT_EQ(sendRecord(server->port(), *retimed), 422);
    GameRecord higher = record;
    ++higher.score;
    ASSERT_EQ(post(server->port(), postedName, std::to_string(higher.score), playedDate), 200);
    EXPECT_EQ(sendRecord(server->port(), higher), 422);
    const std::string text = writeRecord(record);
    for (const std::size_t cut : {text.size() / 2, text.size() - 1}) {
        const auto truncated = postBody(server->port(), "/bloomzap/replay", text.substr(0, cut));
        ASSERT_TRUE(truncated);
        EXPECT_EQ(truncated->status, 400) << cut;
    }

    // Another server has another key: its tickets are not ours, however well played.
    {
        TempDir otherData;
        ServerProcess other({"--listen", "127.0.0.1:0", "--data", otherData.path().string()});
        ASSERT_TRUE(other.waitServing());
        const GameRecord foreign = playedGame(fetchTicket(other.port()));
        ASSERT_EQ(post(server->port(), postedName, std::to_string(foreign.score), playedDate), 200);
        EXPECT_EQ(sendRecord(server->port(), foreign), 403);
    }
    // Signed with our key but too old, or from the future.
    const server::TicketSigner ours(key);
    const TicketFields fields = parseTicket(ticket).value();
    for (const std::int64_t issued : {fields.issued - 25 * 3600, fields.issued + 3600}) {
        const std::string signedPart = "1." + fields.id.substr(0, 31) + "f." +
                                       ticket.substr(35, 16) + "." + std::to_string(issued);
        GameRecord stale = record;
        stale.ticket = signedPart + "." + ours.mac(signedPart);
        EXPECT_EQ(sendRecord(server->port(), stale), 403) << stale.ticket;
    }
    // A record whose name is not the posting's finds nothing to verify.
    GameRecord renamed = record;
    renamed.name = "Somebody";
    EXPECT_EQ(sendRecord(server->port(), renamed), 409);

    std::vector<Row> rows = tableRows(page(server->port()));
    ASSERT_FALSE(rows.empty());
    for (const Row& row : rows) {
        EXPECT_FALSE(row.verified) << row.score;
    }

    // The genuine record still verifies: the refused ones spent nothing.
    EXPECT_EQ(sendRecord(server->port(), record), 200);
    // Once only: a second posting of the same game stays unverified.
    ASSERT_EQ(post(server->port(), postedName, std::to_string(record.score), playedDate), 200);
    EXPECT_EQ(sendRecord(server->port(), record), 409);
    rows = tableRows(page(server->port()));
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [](const Row& r) { return r.verified; }), 1);
    const auto verifiedRow = std::find_if(rows.begin(), rows.end(),
                                          [&](const Row& r) { return r.score == record.score; });
    ASSERT_NE(verifiedRow, rows.end());
    EXPECT_TRUE(verifiedRow->verified);
}

TEST_P(IntegrationReplay, RecordsThatCannotBeVerifiedAreRefusedBeforeAnyReplay) {
    auto server = start({"--post-limit", "0"});
    const std::string key = storeTicketKey();
    const std::string ticket = fetchTicket(server->port());
    const GameRecord played = playedGame(ticket);
    const std::int64_t gameSeconds = played.endedAt / 1000;
    ASSERT_GT(gameSeconds, 30) << "a game lasts over half a minute";
    ASSERT_EQ(post(server->port(), postedName, std::to_string(played.score), playedDate), 200);
    std::size_t records = 0;

    // Its ticket came moments ago, yet the game claims minutes: not played in real time.
    auto refused = postBody(server->port(), "/bloomzap/replay", writeRecord(played));
    ++records;
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 422);
    EXPECT_EQ(refused->body, "The game took longer than the time since its ticket was issued.\n");
    // A ticket issued half as long ago as the game claims to have taken.
    GameRecord early = played;
    early.ticket = issuedEarlier(ticket, key, gameSeconds / 2);
    EXPECT_EQ(sendRecord(server->port(), early), 422);
    ++records;
    // A ticket of another key is not ours.
    GameRecord foreign = played;
    foreign.ticket = issuedEarlier(ticket, server::randomTicketKey(), gameSeconds + 60);
    EXPECT_EQ(sendRecord(server->port(), foreign), 403);
    ++records;
    EXPECT_EQ(replaysOnceAnswered(*server, records), 0u);

    // Issued long enough before: replayed once and verified.
    const GameRecord record = inRealTime(played, key);
    EXPECT_EQ(sendRecord(server->port(), record), 200);
    ++records;
    EXPECT_EQ(replaysOnceAnswered(*server, records), 1u);

    // Spent: refused, however often it comes, with no further replay, even beside a new posting
    // it would fit.
    ASSERT_EQ(post(server->port(), postedName, std::to_string(played.score), playedDate), 200);
    for (int again = 0; again < 3; ++again) {
        refused = postBody(server->port(), "/bloomzap/replay", writeRecord(record));
        ++records;
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 409);
        EXPECT_EQ(refused->body, "The ticket was used before.\n");
    }
    EXPECT_EQ(replaysOnceAnswered(*server, records), 1u);

    // Copies of a new game's record sent at once: one replay, one verified.
    const GameRecord other = inRealTime(playedGame(fetchTicket(server->port())), key);
    ASSERT_EQ(post(server->port(), postedName, std::to_string(other.score), playedDate), 200);
    std::vector<int> statuses(8);
    std::vector<std::thread> copies;
    for (std::size_t i = 0; i < statuses.size(); ++i) {
        copies.emplace_back([&, i] { statuses[i] = sendRecord(server->port(), other); });
    }
    for (std::thread& copy : copies) {
        copy.join();
    }
    records += statuses.size();
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 200), 1);
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 409), 7);
    EXPECT_EQ(replaysOnceAnswered(*server, records), 2u);
    const std::vector<Row> rows = tableRows(page(server->port()));
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [](const Row& r) { return r.verified; }), 2);
}

TEST_P(IntegrationReplay, SpentTicketsAreForgottenOnlyOnceTheyCouldNoLongerBeUsed) {
    auto server = start();
    const GameRecord record = inRealTime(playedGame(fetchTicket(server->port())), storeTicketKey());
    const bool pg = GetParam() == Backend::postgresql;
    const auto hoursAgo = [&](int hours) {
        return pg ? "clock_timestamp() - interval '" + std::to_string(hours) + " hours'"
                  : "(strftime('%s', 'now') - " + std::to_string(hours * 3600) + ") * 1000";
    };
    const std::string age = pg ? "used" : "used_ms";
    storeQuery(GetParam(), m_dir / "data", m_cluster,
               "INSERT INTO used_tickets (id, posting_id, " + age + ") VALUES ('long ago', 1, " +
                   hoursAgo(27) + "), ('yesterday', 1, " + hoursAgo(23) + ")");
    ASSERT_EQ(post(server->port(), postedName, std::to_string(record.score), playedDate), 200);
    ASSERT_EQ(sendRecord(server->port(), record), 200);
    EXPECT_EQ(storeQuery(GetParam(), m_dir / "data", m_cluster,
                         "SELECT id FROM used_tickets ORDER BY id"),
              parseTicket(record.ticket)->id + "\nyesterday\n");
}

TEST_P(IntegrationReplay, GameRecordsCountAgainstThePostingLimit) {
    auto server = start({"--post-limit", "2"});
    const GameRecord record = inRealTime(playedGame(fetchTicket(server->port())), storeTicketKey());
    EXPECT_EQ(sendRecord(server->port(), record), 409); // no posting yet
    ASSERT_EQ(post(server->port(), postedName, std::to_string(record.score), playedDate), 200);
    EXPECT_EQ(sendRecord(server->port(), record), 200);
    const auto over = postBody(server->port(), "/bloomzap/replay", writeRecord(record));
    ASSERT_TRUE(over);
    EXPECT_EQ(over->status, 429);
    EXPECT_NE(over->headers.find("Retry-After: 60"), std::string::npos);
}

TEST_P(IntegrationReplay, TicketsAreSignedFreshEachTimeNeverCachedAndRateLimited) {
    auto server = start({"--ticket-limit", "3"});
    static const std::regex line(R"(1\.([0-9a-f]{32})\.([0-9a-f]{16})\.(\d+)\.[0-9a-f]{64})");
    const auto reply = get(server->port(), "/bloomzap/ticket");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_NE(reply->headers.find("Cache-Control: no-store"), std::string::npos) << reply->headers;
    std::smatch first;
    const std::string firstLine = reply->body.substr(0, reply->body.find('\n'));
    ASSERT_TRUE(std::regex_match(firstLine, first, line)) << reply->body;
    EXPECT_EQ(reply->body, firstLine + "\n");
    const long long issued = std::stoll(first[3]);
    EXPECT_LE(std::llabs(issued - static_cast<long long>(std::time(nullptr))), 5);

    const std::string secondLine = fetchTicket(server->port());
    std::smatch second;
    ASSERT_TRUE(std::regex_match(secondLine, second, line)) << secondLine;
    EXPECT_NE(first[1], second[1]);
    EXPECT_NE(first[2], second[2]);

    EXPECT_EQ(postBody(server->port(), "/bloomzap/ticket", "")->status, 405);
    EXPECT_FALSE(fetchTicket(server->port()).empty());
    // Counted over an hour, the pace of a person's games: the fourth within it waits an hour.
    const auto over = get(server->port(), "/bloomzap/ticket");
    ASSERT_TRUE(over);
    EXPECT_EQ(over->status, 429);
    EXPECT_NE(over->headers.find("Retry-After: 3600"), std::string::npos) << over->headers;
}

TEST_P(IntegrationReplay, OversizedUnreadableAndMisdirectedRecordsAreRefused) {
    auto server = start();
    // Refused on its headers alone: the body is never sent.
    const auto huge =
        exchange(server->port(), "POST /bloomzap/replay HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                 "Content-Length: 10000000\r\nConnection: close\r\n\r\n");
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->status, 413);
    // Announced by no length: cut off once it grows past the limit, never taken.
    std::string chunked = "POST /bloomzap/replay HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                          "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
    for (int chunk = 0; chunk < 18; ++chunk) {
        chunked += "1000\r\n" + std::string(0x1000, 'x') + "\r\n";
    }
    chunked += "0\r\n\r\n";
    const auto grown = exchange(server->port(), chunked);
    EXPECT_TRUE(!grown || grown->status >= 400) << grown->status;

    for (const std::string& body :
         {std::string(), std::string("not a record"), std::string(2000, '\x01')}) {
        const auto refused = postBody(server->port(), "/bloomzap/replay", body);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 400) << refused->body;
    }
    EXPECT_EQ(get(server->port(), "/bloomzap/replay")->status, 405);
    // The server still answers everything else.
    EXPECT_EQ(get(server->port(), "/bloomzap/bloomzapversion.txt")->status, 200);
}

TEST_P(IntegrationReplay, AForgedPostingStaysUnverifiedAndIsAbsentUnderVerifiedOnly) {
    {
        auto server = start();
        ASSERT_EQ(post(server->port(), "Forger", "2147483647", "1/1/26"), 200);
        ASSERT_EQ(post(server->port(), "Honest", "950"), 200);
        const std::string shown = page(server->port());
        EXPECT_EQ(tableRows(shown), (std::vector<Row>{{1, "Forger", "1/1/26", 2147483647, false},
                                                      {2, "Honest", "1/5/07", 950, false}}));
        EXPECT_EQ(postedTotal(shown), 2);
        ASSERT_EQ(server->stop(SIGTERM), 0);
    }
    auto verifiedOnly = start({"--verified-only"});
    const std::string shown = page(verifiedOnly->port());
    EXPECT_TRUE(tableRows(shown).empty()) << shown;
    EXPECT_EQ(shown.find("Forger"), std::string::npos);
    EXPECT_NE(shown.find("No verified scores yet"), std::string::npos);
    // Postings are still taken; they wait there for their game's record.
    EXPECT_EQ(post(verifiedOnly->port(), "Later", "10"), 200);
    EXPECT_TRUE(tableRows(page(verifiedOnly->port())).empty());
}

TEST_P(IntegrationReplay, ADatabaseOfTheEarlierSchemaIsUpgradedInPlaceWithItsPostings) {
    const char* postings =
        "INSERT INTO postings (name, date, score, %s, address) VALUES"
        " ('Old', '1/5/07', 300, %s, '127.0.0.1'), ('Older', '1/4/07', 200, %s, '127.0.0.1')";
    char insert[512];
    if (GetParam() == Backend::sqlite) {
        fs::create_directories(m_dir / "data");
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((m_dir / "data" / "postings.sqlite3").c_str(), &db), SQLITE_OK);
        std::snprintf(insert, sizeof insert, postings, "received_ms", "1", "2");
        const std::string script =
            std::string("CREATE TABLE postings (id INTEGER PRIMARY KEY AUTOINCREMENT,"
                        " name TEXT NOT NULL, date TEXT NOT NULL, score INTEGER NOT NULL,"
                        " received_ms INTEGER NOT NULL, address TEXT NOT NULL);"
                        "CREATE INDEX postings_rank ON postings (score DESC, id);"
                        "CREATE INDEX postings_recent ON postings (address, received_ms);") +
            insert + "; PRAGMA user_version=1;";
        ASSERT_EQ(sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db);
        sqlite3_close(db);
    } else {
        std::snprintf(insert, sizeof insert, postings, "received", "now()", "now()");
        m_cluster.query(std::string("CREATE TABLE bloomzap_schema (version integer NOT NULL);"
                                    "CREATE TABLE postings (id bigserial PRIMARY KEY,"
                                    " name text NOT NULL, date text NOT NULL,"
                                    " score integer NOT NULL CHECK (score >= 0),"
                                    " received timestamptz NOT NULL DEFAULT clock_timestamp(),"
                                    " address text NOT NULL);"
                                    "CREATE INDEX postings_rank ON postings (score DESC, id);"
                                    "CREATE INDEX postings_recent ON postings (address, received);"
                                    "INSERT INTO bloomzap_schema (version) VALUES (1);") +
                        insert);
    }
    auto server = start();
    ASSERT_EQ(post(server->port(), "New", "250"), 200);
    EXPECT_EQ(tableRows(page(server->port())),
              (std::vector<Row>{{1, "Old", "1/5/07", 300, false},
                                {2, "New", "1/5/07", 250, false},
                                {3, "Older", "1/4/07", 200, false}}));
    EXPECT_FALSE(fetchTicket(server->port()).empty());
    ASSERT_EQ(server->stop(SIGTERM), 0);
    // Upgraded once: a second start finds the new schema and keeps everything.
    ASSERT_TRUE(server->restart()) << server->log();
    EXPECT_EQ(tableRows(page(server->port())).size(), 3u);
    if (GetParam() == Backend::postgresql) {
        EXPECT_EQ(m_cluster.query("SELECT max(version) FROM bloomzap_schema"), "4\n");
    }
}

TEST_P(IntegrationReplay, TheTicketKeyIsKeptAcrossRestartsAndReadableOnlyByItsOwner) {
    const fs::path keyFile = m_dir / "given.key";
    auto server = start({"--ticket-key", keyFile.string()});
    ASSERT_FALSE(fetchTicket(server->port()).empty());
    struct stat info {};
    ASSERT_EQ(::stat(keyFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    std::ifstream in(keyFile);
    std::string key;
    std::getline(in, key);
    EXPECT_TRUE(std::regex_match(key, std::regex("[0-9a-f]{64}"))) << key;
    ASSERT_EQ(server->stop(SIGTERM), 0);
    ASSERT_TRUE(server->restart());
    std::ifstream again(keyFile);
    std::string sameKey;
    std::getline(again, sameKey);
    EXPECT_EQ(sameKey, key);
    ASSERT_EQ(server->stop(SIGTERM), 0);

    std::ofstream(keyFile) << "not a key\n";
    ServerProcess refused({"--listen", "127.0.0.1:0", "--data", (m_dir / "other").string(),
                           "--ticket-key", keyFile.string()});
    EXPECT_FALSE(refused.waitServing());
    EXPECT_EQ(refused.stop(0), 2);
    EXPECT_NE(refused.log().find("ticket key"), std::string::npos) << refused.log();
}

class IntegrationReplayPostgres : public ::testing::Test, protected StoreFixture {
protected:
    void SetUp() override {
        std::string why;
        if (!prepare(Backend::postgresql, why)) {
            GTEST_SKIP() << why;
        }
    }
};

TEST_F(IntegrationReplayPostgres, ARecordWhileTheDatabaseHangsGets503AndSpendsNothing) {
    auto server = start();
    const GameRecord record = inRealTime(playedGame(fetchTicket(server->port())), storeTicketKey());
    ASSERT_EQ(post(server->port(), postedName, std::to_string(record.score), playedDate), 200);
    const PgCluster::Hang hung(m_cluster);
    const auto refused = postBody(server->port(), "/bloomzap/replay", writeRecord(record));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 503);
    EXPECT_NE(refused->headers.find("Retry-After: "), std::string::npos);
    // Tickets need no database.
    EXPECT_FALSE(fetchTicket(server->port()).empty());

    m_cluster.signalAll(SIGCONT);
    int status = 0;
    for (int i = 0; i < 100 && status != 200; ++i) {
        status = sendRecord(server->port(), record);
        if (status != 200) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    EXPECT_EQ(status, 200);
    EXPECT_EQ(m_cluster.query("SELECT count(*) FROM postings WHERE verified"), "1\n");
}

} // namespace
