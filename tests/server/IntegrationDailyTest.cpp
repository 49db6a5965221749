// Daily Bloom through real HTTP on both stores: the day's ticket and seed, the same first flowers
// for everyone that day, the daily list with its practice games and its days.

#include "tests/server/DailyFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <regex>

namespace {

using namespace dailytest;

using IntegrationDaily = DailyFixture;
INSTANTIATE_TEST_SUITE_P(Stores, IntegrationDaily,
                         ::testing::Values(Backend::sqlite, Backend::postgresql), backendName);

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

} // namespace
