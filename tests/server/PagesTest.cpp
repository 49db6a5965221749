// The high-score and daily pages as the game's viewer takes them: the fullest pages, with
// verified marks and watch links, keep every mark and link through the game's page sanitiser.

#include "server/Pages.h"

#include "online/PageSanitiser.h"

#include <gtest/gtest.h>

namespace {

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++found;
    }
    return found;
}

TEST(Pages, TheFullestPageKeepsItsVerifiedMarksThroughTheGamesSanitiser) {
    server::Standings standings;
    standings.total = 100000;
    std::size_t verified = 0;
    for (int i = 0; i < server::pages::listLength; ++i) {
        // The longest names a posting may have, all escaped; two scores in three verified.
        // Every verified one's record kept.
        standings.best.push_back({std::string(32, '&'), "12/31/2026", 2147483647 - i, i % 3 != 1,
                                  i % 3 != 1 ? 100000000000000000 + i : 0});
        verified += standings.best.back().verified ? 1 : 0;
    }
    const std::string page = server::pages::highScores(standings, false);
    const std::string mark = "\u2713 verified";
    ASSERT_EQ(count(page, mark), verified + 1); // each verified row and the legend
    const std::optional<std::string> shown = htmlpage::sanitise(page);
    ASSERT_TRUE(shown);
    EXPECT_EQ(count(*shown, mark), verified + 1);
    EXPECT_EQ(count(page, "<a href=\"/bloomzap/watch?id=1000000000000000"), verified);
    EXPECT_EQ(count(*shown, "<a href=\"/bloomzap/watch?id=1000000000000000"), verified);
}

TEST(Pages, TheFullestDailyPageRanksCountedGamesKeepsPracticeShortAndPassesTheSanitiser) {
    server::Standings standings;
    for (const bool practice : {false, true}) {
        for (int i = 0; i < server::pages::listLength; ++i) {
            standings.best.push_back({std::string(32, '&'), "12/31/2026", 2147483647 - i, true,
                                      100000000000000000 + i, practice});
        }
    }
    standings.total = server::pages::listLength;
    const std::string page = server::pages::daily("2026-12-08", standings, 20796);
    EXPECT_EQ(count(page, "✓ verified"), std::size_t{server::pages::listLength});
    EXPECT_EQ(count(page, ">practice<"), std::size_t{server::pages::topLength});
    EXPECT_EQ(count(page, ">" + std::to_string(server::pages::listLength) + "</font></td>"), 1u);
    EXPECT_NE(page.find("?day=2026-12-07\""), std::string::npos);
    EXPECT_NE(page.find("?day=2026-12-09\""), std::string::npos) << "an earlier day has a next";
    const std::optional<std::string> shown = htmlpage::sanitise(page);
    ASSERT_TRUE(shown);
    EXPECT_EQ(count(*shown, "<a href=\"/bloomzap/watch?id="),
              std::size_t{server::pages::listLength + server::pages::topLength});
    EXPECT_EQ(server::pages::daily("2026-12-09", standings, 20796).find("?day=2026-12-10"),
              std::string::npos);
}

} // namespace
