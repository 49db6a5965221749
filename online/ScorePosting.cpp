#include "online/ScorePosting.h"

#include "common/HttpText.h"
#include "common/SiteNames.h"

#include <cstdio>

namespace posting {

std::string encodeName(std::string_view name) {
    return httptext::percentEncode(name, " &=#%+");
}

std::string scoreUrl(std::string_view siteRoot, std::string_view name, std::string_view date,
                     std::string_view score) {
    std::string url(siteRoot);
    url += site::postingPath;
    url += "?name=";
    url += encodeName(name);
    url += "&date=";
    url += date;
    url += "&score=";
    url += score;
    return url;
}

std::string postingDate(int year, int month, int day, std::string_view separator) {
    char yy[3];
    std::snprintf(yy, sizeof yy, "%02d", ((year % 100) + 100) % 100);
    std::string date = std::to_string(month);
    date += separator;
    date += std::to_string(day);
    date += separator;
    date += yy;
    return date;
}

std::string dateSeparatorOf(std::string_view shortFormat) {
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    std::size_t at = 0;
    while (at < shortFormat.size() && !letter(shortFormat[at])) {
        ++at;
    }
    while (at < shortFormat.size() && letter(shortFormat[at])) {
        ++at;
    }
    std::string separator;
    for (; at < shortFormat.size() && !letter(shortFormat[at]); ++at) {
        if (shortFormat[at] != '\'') {
            separator += shortFormat[at];
        }
    }
    return separator.empty() ? "/" : separator;
}

void ScorePosting::start() {
    m_countdown = watchdogTicks;
    m_dots = 0;
}

ScorePosting::Tick ScorePosting::tick() {
    --m_countdown;
    if (++m_dots > mostDots) {
        m_dots = 1;
    }
    return {m_dots, m_countdown == 0};
}

} // namespace posting
