#pragma once

// Score posting without Qt: the request URL with the name made safe, the "m/d/yy" date, and the
// watchdog that animates the wait panel and declares the posting failed after 40 ticks.

#include <string>
#include <string_view>

namespace posting {

inline constexpr int watchdogTicks = 40; // one tick a second
inline constexpr int mostDots = 5;

// The name as it goes into the query: space, "&", "=", "#", "%", "+", control bytes and bytes
// above 127 percent-encoded, so the name arrives intact; everything else as written.
std::string encodeName(std::string_view name);

// siteRoot (ending in "/") + "cgi-bin/bloomzap.cgi?name=…&date=…&score=…"; only the name is
// encoded.
std::string scoreUrl(std::string_view siteRoot, std::string_view name, std::string_view date,
                     std::string_view score);

// Month and day without leading zeros and the year's last two digits, joined by the separator:
// 2007, 1, 5 with "/" gives "1/5/07".
std::string postingDate(int year, int month, int day, std::string_view separator);

// The separator of a short date format such as "M/d/yy", "dd.MM.yyyy" or "d. M. yyyy": what
// stands between its first two fields, quotes left out; "/" when the format shows none.
std::string dateSeparatorOf(std::string_view shortFormat);

// The watchdog state of one posting, ticked by the game window's one-second timer.
class ScorePosting {
public:
    struct Tick {
        int dots;           // the dots after the wait panel's caption, 1 to mostDots
        bool postingFailed; // the posting failed now (once: the countdown is exactly 0)
    };

    // SEND SCORE: the countdown starts again at 40, with no dots.
    void start();
    // Countdown down by one, dots 1 to 5 in turn. The countdown goes on below 0 if the timer is
    // left running, but the failure is reported only on reaching 0.
    Tick tick();

    int countdown() const { return m_countdown; }
    int dots() const { return m_dots; }

private:
    int m_countdown = 0;
    int m_dots = 0;
};

} // namespace posting
