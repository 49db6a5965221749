#include "server/Pages.h"

#include "common/SiteNames.h"
#include "engine/Ticket.h"

#include <algorithm>

namespace server::pages {

namespace {

// Colours readable on dark grey 72, 72, 72.
constexpr const char* background = "#484848";
constexpr const char* yellow = "#FFFF00";
constexpr const char* lightYellow = "#FFFFC6";
constexpr const char* silver = "#E0E0E0";
constexpr const char* green = "#90FF90";
constexpr const char* linkBlue = "#A8D8FF";
constexpr const char* headRow = "#5E5E2A";
constexpr const char* rowA = "#3C3C3C";
constexpr const char* rowB = "#484848";
// Plain text, so it survives any viewer that keeps only text markup.
constexpr const char* verifiedMark = "\u2713 verified";

std::string open(std::string_view title) {
    std::string out =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
        "\"http://www.w3.org/TR/html4/loose.dtd\">\n<html>\n<head>\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n<title>";
    out += title;
    out += "</title>\n</head>\n<body bgcolor=\"";
    out += background;
    out += "\" text=\"";
    out += yellow;
    out += "\" link=\"";
    out += linkBlue;
    out += "\" vlink=\"";
    out += linkBlue;
    out += "\">\n";
    return out;
}

std::string close() {
    return "</body>\n</html>\n";
}

std::string font(std::string_view colour, std::string_view text, std::string_view size = {}) {
    std::string out = "<font face=\"Arial\" color=\"";
    out += colour;
    out += '"';
    if (!size.empty()) {
        out += " size=\"";
        out += size;
        out += '"';
    }
    out += '>';
    out += text;
    out += "</font>";
    return out;
}

// The colour goes inside the anchor too: viewers that ignore the body's link colour would
// otherwise draw dark blue on dark grey.
std::string link(std::string_view href, std::string_view text) {
    return "<a href=\"" + std::string(href) + "\">" + font(linkBlue, text) + "</a>";
}

std::string heading(std::string_view text) {
    return "<p align=\"center\">" + font(lightYellow, "<b>" + std::string(text) + "</b>", "5") +
           "</p>\n";
}

std::string paragraph(std::string_view text, std::string_view colour = silver) {
    return "<p>" + font(colour, text, "3") + "</p>\n";
}

std::string centred(std::string_view text, std::string_view size = "3") {
    return "<p align=\"center\">" + font(silver, text, size) + "</p>\n";
}

// Rank colours: gold, silver and bronze for the first three, then plain.
const char* rankColour(std::size_t rank) {
    switch (rank) {
    case 1:
        return "#FFD700";
    case 2:
        return "#E8E8E8";
    case 3:
        return "#F0A860";
    default:
        return silver;
    }
}

// The verified mark, and a link to watch the game while its record is kept; a practice game of a
// daily list says so instead.
std::string status(const RankedScore& row) {
    if (!row.verified) {
        return "&nbsp;";
    }
    std::string out = font(green, row.practice ? "practice" : verifiedMark);
    if (row.watchId > 0) {
        out += " " + link("/" + std::string(site::watchPath) + "?id=" + std::to_string(row.watchId),
                          "watch");
    }
    return out;
}

// Rows from `best` while `keep` holds for them, at most `count`; practice rows get no rank.
template <class Keep>
std::string scoreTable(const std::vector<RankedScore>& best, std::size_t count, Keep keep) {
    std::string out = "<table align=\"center\" width=\"90%\" border=\"0\" cellspacing=\"0\" "
                      "cellpadding=\"4\">\n<tr bgcolor=\"";
    out += headRow;
    out += "\"><th align=\"right\">" + font(lightYellow, "Rank") + "</th><th align=\"left\">" +
           font(lightYellow, "Name") + "</th><th align=\"center\">" + font(lightYellow, "Date") +
           "</th><th align=\"right\">" + font(lightYellow, "Score") + "</th><th align=\"left\">" +
           font(lightYellow, "Verified") + "</th></tr>\n";
    std::size_t i = 0;
    for (const RankedScore& row : best) {
        if (i >= count) {
            break;
        }
        if (!keep(row)) {
            continue;
        }
        const std::size_t rank = ++i;
        const std::string shownRank = row.practice ? "&nbsp;" : std::to_string(rank);
        out += "<tr bgcolor=\"";
        out += rank % 2 == 1 ? rowA : rowB;
        out += "\"><td align=\"right\">" + font(rankColour(rank), shownRank) +
               "</td><td align=\"left\">" + font(yellow, htmlEscape(row.name)) +
               "</td><td align=\"center\">" + font(silver, htmlEscape(row.date)) +
               "</td><td align=\"right\">" +
               font(green, "<b>" + std::to_string(row.score) + "</b>") +
               "</td><td align=\"left\">" + status(row) + "</td></tr>\n";
    }
    out += "</table>\n";
    return out;
}

bool everyRow(const RankedScore&) {
    return true;
}

std::string postingCount(std::int64_t total, bool verifiedOnly) {
    const std::string what = verifiedOnly ? " verified score" : " score";
    return std::to_string(total) + what + (total == 1 ? "" : "s");
}

} // namespace

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string highScores(const Standings& standings, bool verifiedOnly) {
    std::string out = open("Bloomzap High Scores");
    out += heading("Bloomzap High Scores");
    if (standings.best.empty()) {
        out += centred(verifiedOnly ? "No verified scores yet. Finish a game and press SEND "
                                      "SCORE to be the first on the list."
                                    : "No scores have been posted yet. Finish a game and press "
                                      "SEND SCORE to be the first on the list.");
    } else {
        const std::string count = postingCount(standings.total, verifiedOnly);
        const std::string shown =
            standings.total > listLength
                ? "The best " + std::to_string(listLength) + " of " + count + " posted."
                : count + " posted.";
        out += centred(shown);
        out += scoreTable(standings.best, listLength, everyRow);
        out += centred(
            "Equal scores are ranked in the order they were posted. " + std::string(verifiedMark) +
                ": played in real time from a ticket of this server, which replayed the game "
                "click by click to this score.",
            "2");
    }
    out += centred(link("/" + std::string(site::dailyPagePath), "Today's Daily Bloom"));
    out += close();
    return out;
}

std::string daily(const std::string& day, const Standings& standings, std::int64_t today) {
    const std::string title = "Daily Bloom " + day;
    std::string out = open(title);
    out += heading(title);
    const std::int64_t number = dayNumber(day).value_or(today);
    const auto dayLink = [](std::int64_t other, std::string_view text) {
        return link("/" + std::string(site::dailyPagePath) + "?day=" + dayText(other), text);
    };
    std::string around = number > 0 ? dayLink(number - 1, "&laquo; The day before") : "";
    if (number < today) {
        around +=
            (around.empty() ? "" : " &middot; ") + dayLink(number + 1, "The day after &raquo;");
    }
    out += centred(around);
    const auto counted = [](const RankedScore& row) { return !row.practice; };
    const auto practice = [](const RankedScore& row) { return row.practice; };
    if (standings.total == 0) {
        out += centred("No daily game was verified on this day.");
    } else {
        out += centred(std::to_string(standings.total) + " daily game" +
                       (standings.total == 1 ? "" : "s") + " verified.");
        out += scoreTable(standings.best, listLength, counted);
    }
    if (std::any_of(standings.best.begin(), standings.best.end(), practice)) {
        out += centred("Practice: later games of the same names that day, not ranked.");
        // A few only: the game's viewer takes a page of at most 600 table cells.
        out += scoreTable(standings.best, topLength, practice);
    }
    out += centred("Everyone plays the same flowers on the same day; each name's first verified "
                   "game of the day counts. " +
                       link("/" + std::string(site::highScorePath), "All-time high scores"),
                   "2");
    out += close();
    return out;
}

std::string home() {
    std::string out = open("Bloomzap");
    out += heading("Bloomzap");
    out += paragraph("Bloomzap is a falling-lines flower puzzle for the desktop. The field is ten "
                     "by ten cells; lines of flowers drop in from the top, faster with every "
                     "level, and you keep the field from overflowing by clearing groups.",
                     yellow);
    out += "<p>" + font(lightYellow, "<b>How to play</b>", "4") + "</p>\n<ul>\n";
    for (const char* item :
         {"Click a flower that touches at least one flower of its colour: the whole connected "
          "group is cleared, the flowers above fall and the columns close up toward the middle.",
          "Bigger groups score more: the group's size times a factor that grows with the size, "
          "times the level. Emptying the whole field earns a bonus.",
          "Every 100 flowers cleared take you to the next level, where lines come faster; at "
          "levels 3, 6 and 9 another colour joins in.",
          "The game ends when a line no longer fits on the field."}) {
        out += "<li>" + font(silver, item, "3") + "</li>\n";
    }
    out += "</ul>\n";
    out += paragraph("When a game is over, press SEND SCORE to put your result on the shared "
                     "list. " +
                     link(site::highScorePath, "See the high scores") + ", " +
                     link(site::dailyPagePath, "today's Daily Bloom") + " or " +
                     link(std::string(site::multiplayerPath), "take on the other players") + ".");
    out += close();
    return out;
}

std::string multiplayer(const Standings& standings) {
    std::string out = open("Bloomzap - Play against everyone");
    out += heading("Play against everyone");
    out += paragraph("Every Bloomzap player posts to one shared high-score list. There is no "
                     "live match to join and no account to make: play a game on your own "
                     "computer, press SEND SCORE when it is over, and your result is ranked "
                     "against everyone else's.",
                     yellow);
    if (standings.best.empty()) {
        out += paragraph("Nobody has posted a score yet, so the first place is yours to take.");
    } else {
        out += paragraph("The ten to beat right now:");
        out += scoreTable(standings.best, topLength, everyRow);
    }
    out += paragraph(link(site::highScorePath, "The whole list") + " &middot; " +
                     link("./", "About the game"));
    out += close();
    return out;
}

std::string notFound() {
    return open("Not found") + heading("Not found") +
           paragraph("There is no page at this address. " + link("/", "Bloomzap home")) + close();
}

} // namespace server::pages
