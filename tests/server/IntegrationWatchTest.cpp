// Kept game records through real HTTP on both stores: served as sent by their watch id, linked
// from the pages, pruned to their bounds, and the same from every process on one database.

#include "tests/server/DailyFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using namespace dailytest;

using IntegrationWatch = DailyFixture;
INSTANTIATE_TEST_SUITE_P(Stores, IntegrationWatch,
                         ::testing::Values(Backend::sqlite, Backend::postgresql), backendName);

TEST_P(IntegrationWatch, KeptRecordsAreServedAsSentWithinTheirBoundsAndOthersAre404) {
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
    // Pruned as the server starts, before any game is verified that day.
    const int stillKept = best(3) == 0 ? 200 : 404;
    int annaStatus = 0;
    for (int i = 0; i < 100 && annaStatus != stillKept; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        annaStatus = get(port, "/bloomzap/watch?id=" + std::to_string(games[0].second))->status;
    }
    EXPECT_EQ(annaStatus, stillKept);
    EXPECT_EQ(query("SELECT count(*) FROM replays"), "1\n");
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

TEST_P(IntegrationWatch, TheListAndKeptRecordsAreTheSameFromEveryProcessOnTheDatabase) {
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
