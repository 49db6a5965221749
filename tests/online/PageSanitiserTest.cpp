// The high-score page rewritten for the viewer: what is kept, what is left out, and the limits.

#include "online/PageSanitiser.h"

#include <gtest/gtest.h>

#include <algorithm>

using htmlpage::PageLimits;
using htmlpage::sanitise;

namespace {

std::string repeated(const std::string& piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

// The deepest nesting of open tags in a rewritten page (every tag there is closed).
int depthOf(const std::string& page) {
    int depth = 0, deepest = 0;
    for (std::size_t at = page.find('<'); at != std::string::npos; at = page.find('<', at + 1)) {
        if (page.compare(at, 4, "<br>") == 0 || page.compare(at, 4, "<hr>") == 0) {
            continue;
        }
        depth += page[at + 1] == '/' ? -1 : 1;
        deepest = std::max(deepest, depth);
    }
    EXPECT_EQ(depth, 0) << "every element is closed";
    return deepest;
}

} // namespace

TEST(PageSanitiser, TheServersScoreTableComesThroughUnchanged) {
    const std::string row = "<tr bgcolor=\"#303030\"><td align=\"right\"><font "
                            "color=\"#FFD700\">1</font></td><td align=\"left\"><font "
                            "color=\"#FFFF00\">Bob &amp; Al</font></td><td align=\"center\"><font "
                            "color=\"#C0C0C0\"><b>950</b></font></td></tr>\n";
    const std::string page = "<html><body bgcolor=\"#484848\"><table align=\"center\" "
                             "width=\"90%\" border=\"0\" cellspacing=\"0\" cellpadding=\"4\">\n" +
                             repeated(row, 100) +
                             "</table><p><a href=\"http://example.com/a?b=1&amp;c=2\">Play "
                             "online</a></p></body></html>";
    EXPECT_EQ(sanitise(page), page);
}

TEST(PageSanitiser, NothingThatNamesAResourceIsKept) {
    const std::string page =
        "<html><head><link rel=stylesheet href=\"/etc/passwd\"><style>@import "
        "url(bloomzap.ini); p { color: red }</style><script>alert('x')</script>"
        "<title>Scores</title></head><body background=\"file:///dev/zero\">"
        "<img src=\"file:///etc/passwd\"><IMG SRC=bloomzap.ini>"
        "<p style=\"color: #00ff00; background-image: url(/tmp/x.png); font-size: 9000px\">"
        "text</p><table background=\"/tmp/fifo\"><tr><td style=\"background: url(a)\">cell"
        "</td></tr></table><iframe src=\"http://x/\">framed</iframe><object data=x></object>"
        "<!-- <img src=/etc/shadow> --></body></html>";
    const std::optional<std::string> out = sanitise(page);
    ASSERT_TRUE(out);
    for (const char* gone :
         {"passwd", "bloomzap.ini", "zero", "fifo", "url", "import", "alert", "<img", "<link",
          "<style", "<script", "<iframe", "<object", "shadow", "9000", "Scores"}) {
        EXPECT_EQ(out->find(gone), std::string::npos) << gone << " in " << *out;
    }
    // The text and the colour stay.
    for (const char* kept : {"<p style=\"color: #00ff00; \">text</p>", "cell", "framed"}) {
        EXPECT_NE(out->find(kept), std::string::npos) << kept << " missing in " << *out;
    }
}

TEST(PageSanitiser, SizesAreBoundedAndOddMarkupIsText) {
    EXPECT_EQ(sanitise("<table width=100000 cellpadding=500 border=\"3\"><tr><td colspan=9999 "
                       "rowspan=0 width='50%' onclick=x>a</td></tr></table>"),
              "<table width=\"2000\" cellpadding=\"20\" border=\"3\"><tr><td colspan=\"20\" "
              "width=\"50%\">a</td></tr></table>");
    EXPECT_EQ(sanitise("<font size=7 color='a\"b'>x</font><font size=70>y</font>"),
              "<font size=\"7\" color=\"a&quot;b\">x</font><font>y</font>");
    EXPECT_EQ(sanitise("1 < 2 <3 <> </> <!doctype html>x"), "1 &lt; 2 &lt;3 &lt;> &lt;/> x");
}

TEST(PageSanitiser, LeftOpenTagsAreClosedWhereHtmlClosesThem) {
    // Paragraphs, items and cells close the one before; the server's rows need no end tags.
    const std::string page = "<table>" + repeated("<tr><td><b>a<td>b<p>c<p>d", 300) + "</table>" +
                             "<ul>" + repeated("<li>item", 300) + "</ul>";
    const std::optional<std::string> out = sanitise(page);
    ASSERT_TRUE(out);
    EXPECT_LE(depthOf(*out), 6);
    EXPECT_EQ(count(*out, "<td>"), 600u);
    EXPECT_EQ(count(*out, "<li>item</li>"), 300u);
    // An end tag inside a cell does not close the table around it.
    EXPECT_EQ(sanitise("<table><tr><td>a</div></b></tr>b</td></tr></table>"),
              "<table><tr><td>a</td></tr>b</table>");
}

TEST(PageSanitiser, NestingIsBoundedAndItsTextKept) {
    const PageLimits limits;
    for (const std::size_t n : {200u, 2000u}) {
        const std::string tables =
            repeated("<table><tr><td>", n) + "deep" + repeated("</td></tr></table>", n);
        const std::optional<std::string> out = sanitise(tables);
        ASSERT_TRUE(out) << n;
        EXPECT_EQ(count(*out, "<table>"), std::size_t(limits.maxTableDepth));
        EXPECT_NE(out->find("deep"), std::string::npos);
        EXPECT_LE(depthOf(*out), limits.maxDepth);
    }
    const std::optional<std::string> divs = sanitise(repeated("<div>", 10000) + "end");
    ASSERT_TRUE(divs);
    EXPECT_EQ(count(*divs, "<div>"), std::size_t(limits.maxDepth));
    EXPECT_NE(divs->find("end"), std::string::npos);
    const std::optional<std::string> inline100k = sanitise(repeated("<b><i>", 6000) + "end");
    ASSERT_TRUE(inline100k);
    EXPECT_LE(depthOf(*inline100k), limits.maxDepth);
}

TEST(PageSanitiser, PagesOverTheLimitsAreRefusedWhole) {
    const PageLimits limits;
    EXPECT_FALSE(sanitise(std::string(limits.maxBytes + 1, 'x')));
    EXPECT_TRUE(sanitise(std::string(limits.maxBytes, 'x')));
    EXPECT_FALSE(sanitise(repeated("<b>a</b>", limits.maxElements + 1)));
    EXPECT_TRUE(sanitise(repeated("<b>a</b>", limits.maxElements)));
    EXPECT_FALSE(sanitise(repeated("<div>line</div>\n", 20000)));
    EXPECT_FALSE(sanitise(repeated("<table><tr><td>a</td></tr></table>", limits.maxTables + 1)));
    EXPECT_TRUE(sanitise(repeated("<table><tr><td>a</td></tr></table>", limits.maxTables)));
    const auto cells = [](std::size_t n) {
        return "<table><tr>" + repeated("<td>a", n) + "</table>";
    };
    EXPECT_FALSE(sanitise(cells(limits.maxCells + 1)));
    EXPECT_TRUE(sanitise(cells(limits.maxCells)));
}

TEST(PageSanitiser, TextWithBidiControlsIsIsolatedAndCannotEndItsIsolate) {
    const std::string rlo = "\u202E", fsi = "\u2068", pdi = "\u2069";
    // A name that overrides the direction, and one that tries to close the isolate early.
    const auto page = sanitise("<td>" + rlo + "Eve</td><td>" + pdi + pdi + rlo + "Mal&#x2069;" +
                               "</td><td>Bob</td><td>&#8238;Ref</td>");
    ASSERT_TRUE(page);
    EXPECT_EQ(*page, "<td>" + fsi + rlo + "Eve" + pdi + "</td><td>" + fsi + rlo + "Mal" + pdi +
                         "</td><td>Bob</td><td>" + fsi + rlo + "Ref" + pdi + "</td>");
}

TEST(PageSanitiser, EveryLineCanBreakWithinAFewDozenCharacters) {
    const std::string breakHere = "\u200B";
    // The longest run of characters with no blank, no line end and no break opportunity.
    const auto longestRun = [&](const std::string& text, bool preformatted) {
        std::size_t longest = 0, run = 0;
        bool inTag = false;
        for (std::size_t at = 0; at < text.size(); ++at) {
            const char c = text[at];
            if (c == '<' || c == '>') {
                inTag = c == '<';
                continue;
            }
            if (inTag) {
                continue;
            }
            if (text.compare(at, breakHere.size(), breakHere) == 0 || c == '\n' ||
                (!preformatted && c == ' ')) {
                run = 0;
                at += c == '\n' || c == ' ' ? 0 : breakHere.size() - 1;
                continue;
            }
            longest = std::max(longest, ++run);
        }
        return longest;
    };
    const std::string word = repeated("x", 98000);
    const auto longWord = sanitise("<p>" + word + "</p>");
    ASSERT_TRUE(longWord);
    EXPECT_LE(longestRun(*longWord, false), 32u);
    // Nothing of the text is lost.
    std::string kept = *longWord;
    for (std::size_t at; (at = kept.find(breakHere)) != std::string::npos;) {
        kept.erase(at, breakHere.size());
    }
    EXPECT_EQ(kept, "<p>" + word + "</p>");

    const auto joined = sanitise("<p>" + repeated("word&nbsp;", 9000) + "</p>");
    ASSERT_TRUE(joined);
    EXPECT_LE(longestRun(*joined, false), 6u * 32);
    const auto inline2500 = sanitise("<p>" + repeated("<b>x</b>", 2400) + "</p>");
    ASSERT_TRUE(inline2500);
    EXPECT_LE(longestRun(*inline2500, false), 32u);
    const auto preformatted = sanitise("<pre>" + word + "</pre>");
    ASSERT_TRUE(preformatted);
    EXPECT_LE(longestRun(*preformatted, true), 32u);
    // Short names and ordinary lines are left as they are.
    EXPECT_EQ(sanitise("<td>Player 1</td><td>1/5/07</td>").value_or(""),
              "<td>Player 1</td><td>1/5/07</td>");
}
