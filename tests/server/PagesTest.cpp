// The high-score page as the game's viewer takes it: the fullest page, with verified marks, keeps
// every mark through the game's page sanitiser.

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
        standings.best.push_back({std::string(32, '&'), "12/31/2026", 2147483647 - i, i % 3 != 1});
        verified += standings.best.back().verified ? 1 : 0;
    }
    const std::string page = server::pages::highScores(standings, false);
    const std::string mark = "\u2713 verified";
    ASSERT_EQ(count(page, mark), verified + 1); // each verified row and the legend
    const std::optional<std::string> shown = htmlpage::sanitise(page);
    ASSERT_TRUE(shown);
    EXPECT_EQ(count(*shown, mark), verified + 1);
}

} // namespace
