// Score posting without Qt: the encoded name, the request URL, the date and the watchdog ticks.

#include "online/ScorePosting.h"

#include <gtest/gtest.h>

using namespace posting;

TEST(ScorePosting, OnlyCharactersThatWouldBreakTheRequestAreEncodedInTheName) {
    const std::pair<std::string, std::string> cases[] = {
        {"Bob", "Bob"},
        {"Ann Lee", "Ann%20Lee"},
        {"a&b=c#d%e+f", "a%26b%3Dc%23d%25e%2Bf"},
        {"Zo\xC3\xAB", "Zo%C3%AB"},
        {std::string("t\x01\x7f", 3), "t%01%7F"},
        {"<b>/?'\"!*", "<b>/?'\"!*"},
    };
    for (const auto& [name, encoded] : cases) {
        EXPECT_EQ(encodeName(name), encoded) << name;
    }
}

TEST(ScorePosting, RequestUrlKeepsTheDateAndScoreAsWritten) {
    EXPECT_EQ(scoreUrl("http://host/", "Bob", "1/5/07", "950"),
              "http://host/cgi-bin/bloomzap.cgi?name=Bob&date=1/5/07&score=950");
    EXPECT_EQ(scoreUrl("http://h:8080/", "A B", "1.5.07", "0"),
              "http://h:8080/cgi-bin/bloomzap.cgi?name=A%20B&date=1.5.07&score=0");
}

TEST(ScorePosting, DatesAreMonthDayAndTwoDigitYear) {
    EXPECT_EQ(postingDate(2007, 1, 5, "/"), "1/5/07");
    EXPECT_EQ(postingDate(2026, 12, 31, "."), "12.31.26");
    EXPECT_EQ(postingDate(2000, 10, 10, "-"), "10-10-00");
    EXPECT_EQ(postingDate(1999, 7, 4, ". "), "7. 4. 99");
}

TEST(ScorePosting, SeparatorIsTakenFromTheShortDateFormat) {
    const std::pair<const char*, const char*> cases[] = {
        {"M/d/yy", "/"},      {"dd.MM.yy", "."},     {"yyyy-MM-dd", "-"},
        {"d. M. yyyy", ". "}, {"dd'/'MM'/'yy", "/"}, {"yyyyMMdd", "/"},
    };
    for (const auto& [format, separator] : cases) {
        EXPECT_EQ(dateSeparatorOf(format), separator) << format;
    }
}

TEST(ScorePosting, WatchdogCyclesFiveDotsAndFailsOnceAtExactlyZero) {
    ScorePosting watchdog;
    watchdog.start();
    std::vector<int> failedAt;
    for (int tick = 1; tick <= 50; ++tick) {
        const ScorePosting::Tick shown = watchdog.tick();
        const int dots = (tick - 1) % mostDots + 1;
        EXPECT_EQ(shown.dots, dots);
        if (shown.postingFailed) {
            failedAt.push_back(tick);
        }
    }
    EXPECT_EQ(failedAt, std::vector<int>{40});
    EXPECT_EQ(watchdog.countdown(), -10);

    // A new posting starts the countdown and the dots again.
    watchdog.start();
    EXPECT_EQ(watchdog.tick().dots, 1);
    EXPECT_EQ(watchdog.countdown(), 39);
}
