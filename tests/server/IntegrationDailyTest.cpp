// Daily Bloom and kept game records through real HTTP on both stores: the day's ticket and seed,
// the daily list with its practice games, the watch route and the bounds on what it keeps.

#include "tests/server/GamePlayer.h"
#include "tests/server/ServerHarness.h"

#include "server/TicketSigner.h"

#include "engine/GameRecord.h"
#include "engine/Ticket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <regex>
#include <thread>

namespace {

using namespace harness;

constexpr std::int64_t secondsADay = 24 * 60 * 60;
const std::string playedDate = "12/7/26";

// Servers started while it lives run their clock `seconds` off the system's.
class ShiftedClock {
public:
    explicit ShiftedClock(std::int64_t seconds) {
        setenv("BLOOMZAP_SERVER_CLOCK_SHIFT", std::to_string(seconds).c_str(), 1);
    }
    ~ShiftedClock() { unsetenv("BLOOMZAP_SERVER_CLOCK_SHIFT"); }
    ShiftedClock(const ShiftedClock&) = delete;
    ShiftedClock& operator=(const ShiftedClock&) = delete;
};

// The shift that puts a server at noon UTC `daysAgo` days before today: in the past, so that
// postings stored now come after its tickets, and at noon, so that a game's ticket dated back by
// the game's length stays on its day.
std::int64_t noonShift(int daysAgo) {
    const std::int64_t now = std::time(nullptr);
    return (now / secondsADay - daysAgo) * secondsADay + secondsADay / 2 - now;
}

std::string dailyTicket(int port) {
    const auto reply = get(port, "/bloomzap/dailyticket");
    return reply && reply->status == 200 ? reply->body : std::string();
}

// A daily ticket as if issued `seconds` earlier, signed with `key`.
std::string dailyIssuedEarlier(const std::string& ticket, const std::string& key,
                               std::int64_t seconds) {
    const TicketFields fields = parseTicket(ticket).value();
    const std::string signedPart = "2." + fields.id + "." + ticket.substr(35, 16) + "." +
                                   std::to_string(fields.issued - seconds) + "." + fields.day;
    return signedPart + "." + server::TicketSigner(key).mac(signedPart);
}

// The field a game on `ticket` shows once its first lines have come in, one digit a cell.
std::string firstFlowers(const std::string& ticket) {
    testsupport::NullBoard board;
    testsupport::NullDisplay display;
    EngineClock clock;
    SeededRandom random(0);
    Game game(board, display, clock, random);
    GameRecorder recorder(game, clock, random);
    std::optional<std::string> unused = ticket;
    recorder.setTickets([&unused] { return std::exchange(unused, std::nullopt); });
    game.setObserver(&recorder);
    game.button_startClick("first");
    clock.advance(10'000);
    std::string field;
    for (int c = 1; c <= rules::fieldSize; ++c) {
        for (int r = 1; r <= rules::fieldSize; ++r) {
            field += static_cast<char>('0' + game.state().cells[c][r]);
        }
    }
    game.setObserver(nullptr);
    return field;
}

class IntegrationDaily : public ::testing::TestWithParam<Backend>, protected StoreFixture {
protected:
    void SetUp() override {
        std::string why;
        if (!prepare(GetParam(), why)) {
            GTEST_SKIP() << why;
        }
    }

    // Plays a game as `name` on `ticket`, posts it and sends its record to `port`; returns the
    // record and the replay's answer (status, body).
    std::pair<GameRecord, std::optional<Reply>> playAndSend(int port, const std::string& ticket,
                                                            const std::string& name,
                                                            bool biggestGroup = true) {
        gameplayer::Style style;
        style.biggestGroup = biggestGroup;
        GameRecord record = gameplayer::play(ticket, name, playedDate, style).value();
        const std::int64_t back = record.endedAt / 1000 + 60;
        const std::string key = storeTicketKey();
        record.ticket = parseTicket(ticket)->day.empty() ? issuedEarlier(ticket, key, back)
                                                         : dailyIssuedEarlier(ticket, key, back);
        EXPECT_EQ(post(port, name, std::to_string(record.score), playedDate), 200);
        return {record, postBody(port, "/bloomzap/replay", writeRecord(record))};
    }

    std::string query(const std::string& sql) {
        return storeQuery(GetParam(), m_dir / "data", m_cluster, sql);
    }

    // The watch id the store gave `name`'s verified posting of `score`.
    std::int64_t postingId(const std::string& name, int score) {
        const std::string verified =
            GetParam() == Backend::postgresql ? "verified" : "verified = 1";
        return std::stoll(query("SELECT id FROM postings WHERE name = '" + name +
                                "' AND score = " + std::to_string(score) + " AND " + verified));
    }
};

INSTANTIATE_TEST_SUITE_P(Stores, IntegrationDaily,
                         ::testing::Values(Backend::sqlite, Backend::postgresql), backendName);

// The watch ids linked from a page, in order.
std::vector<std::int64_t> watchIds(const std::string& page) {
    static const std::regex link(R"re(<a href="/bloomzap/watch\?id=(\d+)">)re");
    std::vector<std::int64_t> ids;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), link);
         it != std::sregex_iterator(); ++it) {
        ids.push_back(std::stoll((*it)[1]));
    }
    return ids;
}

// The scores of the practice rows of a daily page, in order.
std::vector<int> practiceScores(const std::string& page) {
    static const std::regex row(
        R"re(<tr[^>]*>(?:(?!</tr>).)*?<b>(\d+)</b>(?:(?!</tr>).)*?>practice<)re");
    std::vector<int> scores;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), row);
         it != std::sregex_iterator(); ++it) {
        scores.push_back(std::stoi((*it)[1]));
    }
    return scores;
}

TEST_P(IntegrationDaily, PlayersOfOneDayShareTheFlowersTheNextDayDiffersAndASecondGameIsPractice) {
    const std::string dayBefore = dayText(std::time(nullptr) / secondsADay - 2);
    const std::string day = dayText(std::time(nullptr) / secondsADay - 1);
    std::unique_ptr<ServerProcess> server;
    std::string earlier;
    {
        const ShiftedClock clock(noonShift(2));
        server = start({"--post-limit", "0"});
        earlier = dailyTicket(server->port());
    }
    {
        const ShiftedClock clock(noonShift(1));
        server = start({"--post-limit", "0"});
    }
    const std::string anna = dailyTicket(server->port());
    const std::string bert = dailyTicket(server->port());
    static const std::regex line(
        R"(2\.[0-9a-f]{32}\.[0-9a-f]{16}\.\d+\.\d{4}-\d\d-\d\d\.[0-9a-f]{64})");
    ASSERT_TRUE(std::regex_match(anna, line)) << anna;
    ASSERT_TRUE(std::regex_match(earlier, line)) << earlier;
    EXPECT_EQ(parseTicket(anna)->day, day);
    EXPECT_EQ(parseTicket(earlier)->day, dayBefore);
    EXPECT_NE(parseTicket(anna)->id, parseTicket(bert)->id);
    EXPECT_EQ(parseTicket(anna)->seed, parseTicket(bert)->seed);
    const std::string flowers = firstFlowers(anna);
    ASSERT_NE(flowers.find_first_not_of('0'), std::string::npos) << "lines have come in";
    EXPECT_EQ(firstFlowers(bert), flowers);
    EXPECT_NE(parseTicket(earlier)->seed, parseTicket(anna)->seed);
    EXPECT_NE(firstFlowers(earlier), flowers);
    // Every process on the store hands out the same seed for a day.
    {
        const ShiftedClock clock(noonShift(1));
        auto other = start();
        EXPECT_EQ(parseTicket(dailyTicket(other->port()))->seed, parseTicket(anna)->seed);
    }

    const int port = server->port();
    const auto [annaFirst, annaReply] = playAndSend(port, anna, "Anna");
    ASSERT_TRUE(annaReply);
    EXPECT_EQ(annaReply->status, 200);
    EXPECT_EQ(annaReply->body, "verified\ndaily counted\n");
    // Anna again, with another style so that the score differs: practice, listed, not ranked.
    const auto [annaAgain, againReply] = playAndSend(port, dailyTicket(port), "Anna", false);
    EXPECT_EQ(againReply->body, "verified\ndaily practice\n");
    const auto [bertGame, bertReply] = playAndSend(port, bert, "Bert", false);
    EXPECT_EQ(bertReply->body, "verified\ndaily counted\n");
    // A normal ticket's game stays off the day's list.
    const auto [plain, plainReply] = playAndSend(port, fetchTicket(port), "Cleo");
    EXPECT_EQ(plainReply->body, "verified\n");

    const std::string list = page(port, "/counter/bloomzapdaily.shtml");
    EXPECT_EQ(list, page(port, "/counter/bloomzapdaily.shtml?day=" + day));
    EXPECT_NE(list.find("<title>Daily Bloom " + day + "</title>"), std::string::npos);
    std::vector<Row> ranked{{1, "Anna", playedDate, annaFirst.score, true},
                            {2, "Bert", playedDate, bertGame.score, true}};
    if (bertGame.score > annaFirst.score) {
        ranked = {{1, "Bert", playedDate, bertGame.score, true},
                  {2, "Anna", playedDate, annaFirst.score, true}};
    }
    EXPECT_EQ(tableRows(list), ranked);
    EXPECT_EQ(practiceScores(list), std::vector<int>{annaAgain.score}) << list;
    EXPECT_EQ(list.find("Cleo"), std::string::npos);
    EXPECT_NE(list.find("?day=" + dayBefore + "\""), std::string::npos);
    EXPECT_EQ(list.find("The day after"), std::string::npos) << "today has no day after";
    const std::string before = page(port, "/counter/bloomzapdaily.shtml?day=" + dayBefore);
    EXPECT_TRUE(tableRows(before).empty());
    EXPECT_NE(before.find("?day=" + day + "\">"), std::string::npos);
    EXPECT_EQ(
        get(port, "/counter/bloomzapdaily.shtml?day=" + dayText(std::time(nullptr) / secondsADay))
            ->status,
        404);
    for (const std::string bad : {"day=2026-02-30", "day=yesterday", "when=2026-12-01"}) {
        EXPECT_EQ(get(port, "/counter/bloomzapdaily.shtml?" + bad)->status, 400) << bad;
    }
    // The pages lead to the day's list.
    EXPECT_NE(page(port, "/").find("href=\"counter/bloomzapdaily.shtml\""), std::string::npos);
    EXPECT_NE(page(port).find("href=\"/counter/bloomzapdaily.shtml\""), std::string::npos);
}

TEST_P(IntegrationDaily, DailyTicketsCountWithTheOthersAndAreNeverCached) {
    auto server = start({"--ticket-limit", "3"});
    const auto reply = get(server->port(), "/bloomzap/dailyticket");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_NE(reply->headers.find("Cache-Control: no-store"), std::string::npos);
    EXPECT_EQ(reply->body.find('\n'), std::string::npos) << "one line without its end";
    const TicketFields fields = parseTicket(reply->body).value();
    EXPECT_LE(std::llabs(fields.issued - static_cast<long long>(std::time(nullptr))), 5);
    EXPECT_EQ(fields.day, dayText(fields.issued / secondsADay));
    EXPECT_EQ(postBody(server->port(), "/bloomzap/dailyticket", "")->status, 405);
    EXPECT_FALSE(fetchTicket(server->port()).empty());
    EXPECT_FALSE(dailyTicket(server->port()).empty());
    const auto over = get(server->port(), "/bloomzap/dailyticket");
    EXPECT_EQ(over->status, 429);
    EXPECT_EQ(get(server->port(), "/bloomzap/ticket")->status, 429);
}

TEST_P(IntegrationDaily, KeptRecordsAreServedAsSentWithinTheirBoundsAndOthersAre404) {
    std::unique_ptr<ServerProcess> server;
    {
        const ShiftedClock clock(noonShift(2));
        server = start({"--post-limit", "0", "--replay-keep", "1", "--replay-days", "1"});
    }
    int port = server->port();
    const auto [daily, dailyReply] = playAndSend(port, dailyTicket(port), "Anna");
    ASSERT_EQ(dailyReply->body, "verified\ndaily counted\n");
    const auto [bert, bertReply] = playAndSend(port, fetchTicket(port), "Bert", false);
    const auto [cleo, cleoReply] = playAndSend(port, fetchTicket(port), "Cleo");
    ASSERT_EQ(bertReply->status, 200);
    ASSERT_EQ(cleoReply->status, 200);
    const std::vector<std::pair<const GameRecord*, std::int64_t>> games{
        {&daily, postingId("Anna", daily.score)},
        {&bert, postingId("Bert", bert.score)},
        {&cleo, postingId("Cleo", cleo.score)}};
    // Kept: the day's best (Anna's, the only daily game) and the best of all time.
    const auto best = [&](std::size_t count) {
        std::size_t top = 0;
        for (std::size_t i = 1; i < count; ++i) {
            top = games[i].first->score > games[top].first->score ? i : top;
        }
        return top;
    };
    for (std::size_t i = 0; i < games.size(); ++i) {
        const auto reply = get(port, "/bloomzap/watch?id=" + std::to_string(games[i].second));
        ASSERT_TRUE(reply);
        if (i == 0 || i == best(3)) {
            EXPECT_EQ(reply->status, 200) << i;
            EXPECT_EQ(reply->body, writeRecord(*games[i].first));
            EXPECT_NE(reply->headers.find("Content-Type: text/plain; charset=utf-8"),
                      std::string::npos);
        } else {
            EXPECT_EQ(reply->status, 404) << i;
        }
    }
    // Every verified row whose record is kept links to it, the daily game's on the all-time page
    // too.
    std::vector<std::int64_t> linked = watchIds(page(port));
    std::sort(linked.begin(), linked.end());
    std::vector<std::int64_t> kept{games[0].second, games[best(3)].second};
    kept.erase(std::unique(kept.begin(), kept.end()), kept.end());
    EXPECT_EQ(linked, kept);
    EXPECT_EQ(watchIds(page(port, "/counter/bloomzapdaily.shtml")),
              std::vector<std::int64_t>{games[0].second});

    // A day on, the older day's record goes unless it is the best of all time.
    ASSERT_EQ(server->stop(SIGTERM), 0);
    {
        const ShiftedClock clock(noonShift(1));
        server = start({"--post-limit", "0", "--replay-keep", "1", "--replay-days", "1"});
    }
    port = server->port();
    const auto [dana, danaReply] = playAndSend(port, fetchTicket(port), "Dana", false);
    ASSERT_EQ(danaReply->status, 200);
    std::vector<std::int64_t> ids{games[0].second, games[1].second, games[2].second,
                                  postingId("Dana", dana.score)};
    const std::int64_t top = dana.score > games[best(3)].first->score ? ids[3] : ids[best(3)];
    for (const std::int64_t id : ids) {
        EXPECT_EQ(get(port, "/bloomzap/watch?id=" + std::to_string(id))->status,
                  id == top ? 200 : 404)
            << id;
    }
    EXPECT_EQ(query("SELECT count(*) FROM replays"), "1\n");
    for (const std::string bad : {"id=", "id=x", "id=-1", "number=1", ""}) {
        EXPECT_EQ(get(port, "/bloomzap/watch?" + bad)->status, 400) << bad;
    }
    EXPECT_EQ(get(port, "/bloomzap/watch?id=999999")->status, 404);
}

TEST_P(IntegrationDaily, TheListAndKeptRecordsAreTheSameFromEveryProcessOnTheDatabase) {
    if (GetParam() == Backend::sqlite) {
        GTEST_SKIP() << "a SQLite folder is served by one process";
    }
    auto a = start();
    auto b = start();
    const std::string ticket = dailyTicket(a->port());
    EXPECT_EQ(parseTicket(dailyTicket(b->port()))->seed, parseTicket(ticket)->seed);
    // Played on a ticket of one process, verified by the other.
    const auto [game, reply] = playAndSend(b->port(), ticket, "Anna");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->body, "verified\ndaily counted\n");
    const std::int64_t id = postingId("Anna", game.score);
    const std::string list = page(a->port(), "/counter/bloomzapdaily.shtml");
    EXPECT_EQ(tableRows(list), (std::vector<Row>{{1, "Anna", playedDate, game.score, true}}));
    EXPECT_EQ(watchIds(list), std::vector<std::int64_t>{id});
    const auto watched = get(a->port(), "/bloomzap/watch?id=" + std::to_string(id));
    ASSERT_TRUE(watched);
    EXPECT_EQ(watched->status, 200);
    EXPECT_EQ(watched->body, writeRecord(game));
    // The other process hears of the change and renders its high-score page again.
    std::vector<std::int64_t> linked;
    for (int i = 0; i < 100 && linked.empty(); ++i) {
        linked = watchIds(page(a->port()));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(linked, std::vector<std::int64_t>{id});
    // A second daily game of the name is practice, whichever process verifies it.
    const auto [again, againReply] = playAndSend(a->port(), dailyTicket(b->port()), "Anna", false);
    EXPECT_EQ(againReply->body, "verified\ndaily practice\n");
}

} // namespace
