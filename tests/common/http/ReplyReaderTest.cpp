// The reply reader on its own: heads, Content-Length, pieces and the outcome.
#include "common/http/ReplyReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace httpfetch;

namespace {

class Recording : public FetchControl {
public:
    bool stopAsked() override { return stop; }
    void progress(std::int64_t totalSize, std::int64_t readed) override {
        reports.emplace_back(totalSize, readed);
    }

    bool stop = false;
    std::vector<std::pair<std::int64_t, std::int64_t>> reports;
};

TEST(ReplyReader, HeadsPiecesAndTrailersMakeTheOutcome) {
    // An interim head's Content-Length does not count; the final one does; a body of 2100
    // bytes in one write comes as pieces of 1025, 1025 and 50; trailers change nothing.
    Recording control;
    ReplyReader reader(true, control);
    for (const char* line : {"HTTP/1.1 100 Continue\r\n", "Content-Length: abc\r\n", "\r\n",
                             "HTTP/1.1 404 Not Found\r\n", "Content-Length: 2100\r\n", "\r\n"}) {
        ASSERT_TRUE(reader.headerLine(line)) << line;
    }
    EXPECT_EQ(reader.status(), 404);
    const std::string body(2100, 'x');
    ASSERT_TRUE(reader.bodyBytes(body));
    EXPECT_TRUE(reader.headerLine("Content-Length: nonsense\r\n"));
    EXPECT_TRUE(reader.headerLine("\r\n"));
    const auto outcome = reader.finish(false);
    EXPECT_TRUE(outcome.success);
    EXPECT_EQ(outcome.body, body);
    EXPECT_EQ(outcome.contentLength, 2100);
    using Report = std::pair<std::int64_t, std::int64_t>;
    EXPECT_EQ(control.reports, (std::vector<Report>{{2100, 1025}, {2100, 2050}, {2100, 2100}}));
}

TEST(ReplyReader, OnlyTheFirstLineOfAHeadIsItsStatusLine) {
    // A header line that begins with "HTTP/" keeps the Content-Length read before it.
    Recording control;
    ReplyReader reader(true, control);
    for (const char* line :
         {"HTTP/1.1 200 OK\r\n", "Content-Length: 5\r\n", "HTTP/1.,axive: timeout=5\r\n", "\r\n"}) {
        ASSERT_TRUE(reader.headerLine(line)) << line;
    }
    ASSERT_TRUE(reader.bodyBytes("3\0\0\0"
                                 "0"));
    const auto outcome = reader.finish(false);
    EXPECT_TRUE(outcome.success);
    EXPECT_EQ(outcome.contentLength, 5);
    EXPECT_EQ(reader.status(), 200);
}

TEST(ReplyReader, RefusedHeadsAndStopsFailWithNothingRead) {
    Recording control;
    ReplyReader notANumber(false, control);
    ASSERT_TRUE(notANumber.headerLine("HTTP/1.0 200 OK\r\n"));
    ASSERT_TRUE(notANumber.headerLine("Content-Length: 12a\r\n"));
    EXPECT_FALSE(notANumber.headerLine("\r\n"));
    EXPECT_FALSE(notANumber.finish(true).success);

    ReplyReader noLength(true, control);
    ASSERT_TRUE(noLength.headerLine("HTTP/1.0 200 OK\r\n"));
    EXPECT_FALSE(noLength.headerLine("\r\n"));

    ReplyReader stopped(false, control);
    ASSERT_TRUE(stopped.headerLine("HTTP/1.0 200 OK\r\n"));
    ASSERT_TRUE(stopped.headerLine("\r\n"));
    control.stop = true;
    EXPECT_FALSE(stopped.bodyBytes("abc"));
    const auto outcome = stopped.finish(true);
    EXPECT_FALSE(outcome.success);
    EXPECT_TRUE(outcome.body.empty());
    EXPECT_TRUE(control.reports.empty());

    Recording quiet;
    ReplyReader empty(false, quiet);
    ASSERT_TRUE(empty.headerLine("HTTP/1.0 200 OK\r\n"));
    ASSERT_TRUE(empty.headerLine("\r\n"));
    EXPECT_FALSE(empty.finish(false).success);
}

} // namespace
