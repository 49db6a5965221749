// The plain HTTP/1.0 exchange against scripted servers on 127.0.0.1: how replies are framed
// (length, chunks, the close, interim heads), the replies it refuses, stops while it waits, and
// the http addresses the installer download follows.

#include "common/http/HttpExchange.h"
#include "common/http/HttpAddress.h"
#include "tests/support/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace httpexchange;
using testsupport::ScriptedHttpServer;

namespace {

struct Seen : ReplyHandler {
    bool headLine(std::string_view line) override {
        lines.emplace_back(line);
        return true;
    }
    bool bodyBytes(std::string_view bytes) override {
        body.append(bytes);
        return true;
    }
    bool carryOn(std::int64_t) override {
        ++asked;
        return !stop;
    }
    std::vector<std::string> lines;
    std::string body;
    int asked = 0;
    std::atomic<bool> stop{false};
};

struct Exchanged {
    Ending ending;
    int status;
    std::string body;
    std::vector<std::string> lines;
};

Exchanged against(const std::string& reply) {
    ScriptedHttpServer server(reply);
    Seen seen;
    const Result result =
        exchange({"127.0.0.1", server.port()}, "GET / HTTP/1.0\r\nHost: x\r\n\r\n", seen);
    return {result.ending, result.status, seen.body, seen.lines};
}

} // namespace

TEST(HttpExchange, RepliesAreFramedByLengthChunksOrTheClose) {
    const struct {
        const char* name;
        std::string reply;
        int status;
        std::string body;
    } cases[] = {
        {"length", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello and more", 200, "hello"},
        {"to the close", "HTTP/1.0 404 Not Found\r\n\r\nto the end", 404, "to the end"},
        {"bare line ends", "HTTP/1.1 200 OK\nContent-Length: 2\n\nhi", 200, "hi"},
        {"no reason", "HTTP/1.1 200\r\nContent-Length: 2\r\n\r\nhi", 200, "hi"},
        {"chunks, extension, trailer",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 99\r\n\r\n"
         "5;name=value\r\nhello\r\nA \r\n, chunked!\r\n0\r\nLocation: http://elsewhere/\r\n\r\n"
         "after the last chunk",
         200, "hello, chunked!"},
        {"another coding runs to the close",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\nContent-Length: 2\r\n\r\nraw bytes", 200,
         "raw bytes"},
        {"interim heads first",
         "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\nX: y\r\n\r\n"
         "HTTP/1.1 201 Created\r\nContent-Length: 4\r\n\r\ndone",
         201, "done"},
        {"no content", "HTTP/1.1 204 No Content\r\n\r\nignored", 204, ""},
        {"equal lengths", "HTTP/1.1 200 OK\r\nContent-Length: 2, 2\r\nContent-Length: 2\r\n\r\nok",
         200, "ok"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Exchanged seen = against(c.reply);
        EXPECT_EQ(seen.ending, Ending::Complete);
        EXPECT_EQ(seen.status, c.status);
        EXPECT_EQ(seen.body, c.body);
        ASSERT_FALSE(seen.lines.empty());
        EXPECT_EQ(seen.lines.back(), "") << "every head ends with its blank line";
    }
    // The handler sees every head, interim ones included, without line ends.
    EXPECT_EQ(
        against(cases[6].reply).lines,
        (std::vector<std::string>{"HTTP/1.1 100 Continue", "", "HTTP/1.1 102 Processing", "X: y",
                                  "", "HTTP/1.1 201 Created", "Content-Length: 4", ""}));
}

TEST(HttpExchange, RepliesThatBreakOffOrBreakTheRulesFail) {
    const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const std::string longChunkLine =
        chunked + "4;" + std::string(8192, 'x') + "\r\nbody\r\n0\r\n\r\n";
    const std::string longTrailer =
        chunked + "4\r\nbody\r\n0\r\nX: " + std::string(mostHeadBytes, 'x') + "\r\n\r\n";
    const std::string longHead =
        "HTTP/1.0 200 OK\r\nX: " + std::string(mostHeadBytes, 'x') + "\r\n\r\nbody";
    std::string manyHeads;
    for (int head = 0; head < mostHeads; ++head) {
        manyHeads += "HTTP/1.1 100 Continue\r\n\r\n";
    }
    manyHeads += "HTTP/1.0 200 OK\r\n\r\nbody";
    const struct {
        const char* name;
        std::string reply;
    } cases[] = {
        {"nothing", ""},
        {"no status line", "hello, world\r\n\r\n"},
        {"status without a code", "HTTP/1.0 OK\r\n\r\nbody"},
        {"head never ends", "HTTP/1.0 200 OK\r\nContent-Length: 4\r\n"},
        {"shorter than its length", "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nshort"},
        {"an 18-digit length, then the close",
         "HTTP/1.0 200 OK\r\nContent-Length: 999999999999999999\r\n\r\n2.0.0"},
        {"lengths that differ",
         "HTTP/1.0 200 OK\r\nContent-Length: 4\r\nContent-Length: 2\r\n\r\nbody"},
        {"a length that is no number", "HTTP/1.0 200 OK\r\nContent-Length: -4\r\n\r\nbody"},
        {"a bad chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nbody"},
        {"a chunk too long",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nbody\r\n0\r\n\r\n"},
        {"a huge chunk size",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFFFF\r\nbody"},
        {"no last chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nbody\r\n"},
        {"a head over the limit", longHead},
        {"a chunk line over the limit", longChunkLine},
        {"trailers over the limit", longTrailer},
        {"a folded line", "HTTP/1.1 200 OK\r\nX: a\r\n b\r\nContent-Length: 4\r\n\r\nbody"},
        {"a line of blanks",
         "HTTP/1.1 100 Continue\r\n \r\nHTTP/1.1 200 OK\r\n\r\n"
         "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 5\r\n\r\nerror"},
        {"a line end inside a line", "HTTP/1.1 100 Continue\r\n\r\r\nHTTP/1.1 200 OK\r\n\r\nbody"},
        {"endless interim heads", manyHeads},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(against(c.reply).ending, Ending::Failed);
    }

    // Nobody listening, a name that does not exist, a malformed address.
    int closedPort = 0;
    {
        ScriptedHttpServer closed("");
        closedPort = closed.port();
    }
    for (const Endpoint& endpoint :
         {Endpoint{"127.0.0.1", closedPort}, Endpoint{"bloomzap-update.invalid", 80},
          Endpoint{"[::1", 80}, Endpoint{"[127.0.0.1]", 80}}) {
        SCOPED_TRACE(endpoint.host);
        Seen seen;
        EXPECT_EQ(exchange(endpoint, "GET / HTTP/1.0\r\n\r\n", seen).ending, Ending::Failed);
    }
}

TEST(HttpExchange, NamesAreLookedUpAndAWaitingExchangeStopsWhenAsked) {
    ScriptedHttpServer named("HTTP/1.0 200 OK\r\n\r\nby name");
    Seen byName;
    EXPECT_EQ(exchange({"localhost", named.port()}, "GET / HTTP/1.0\r\n\r\n", byName).ending,
              Ending::Complete);
    EXPECT_EQ(byName.body, "by name");

    // A server that takes the request and says nothing: the handler is asked while the exchange
    // waits, and its no ends the exchange and the connection.
    ScriptedHttpServer silent("HTTP/1.0 200 OK\r\n\r\nlate", ScriptedHttpServer::Start::held);
    Seen waiting;
    Wakeup wakeup;
    Result result;
    std::thread worker([&] {
        result = exchange({"127.0.0.1", silent.port()}, "GET / HTTP/1.0\r\n\r\n", waiting, &wakeup);
    });
    for (int tries = 0; tries < 3000 && silent.requestCount() == 0; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (int tries = 0; tries < 3000 && waiting.asked < 2; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GE(waiting.asked, 2) << "asked again while nothing arrives";
    waiting.stop = true;
    wakeup.wake();
    worker.join();
    EXPECT_EQ(result.ending, Ending::Stopped);
    EXPECT_EQ(waiting.body, "");
    for (int tries = 0; tries < 3000 && !silent.clientClosed(); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(silent.clientClosed());
}

TEST(HttpAddress, LocationsAreReadAgainstTheirAddressAndNeverLeaveHttpsForHttp) {
    // The examples of RFC 3986 section 5.4, on an http base.
    const std::string base = "http://a/b/c/d;p?q";
    const std::pair<const char*, const char*> resolved[] = {
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g/"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q"},
        {"g#s", "http://a/b/c/g"},
        {";x", "http://a/b/c/;x"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"/../g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {"..g", "http://a/b/c/..g"},
        {"./../g", "http://a/b/g"},
        {"g/./h", "http://a/b/c/g/h"},
        {"g/../h", "http://a/b/c/h"},
        {"HTTP://B:81/x/../y", "http://B:81/y"},
        {"g h", "http://a/b/c/g%20h"},
        {"g\r\nX: y", "http://a/b/c/g%0D%0AX:%20y"},
        {"http://[::1]:8080", "http://[::1]:8080/"},
        {"https://a/x", "https://a/x"},
        {"http://caf\xC3\xA9.example/", "http://xn--caf-dma.example/"},
    };
    for (const auto& [reference, expected] : resolved) {
        SCOPED_TRACE(reference);
        const auto next = httpaddress::resolve(base, reference);
        ASSERT_TRUE(next.has_value());
        EXPECT_EQ(*next, expected);
    }
    for (const char* refused :
         {"ftp://a/x", "file:///etc/passwd", "javascript:alert(1)", "http:g", "http://u:p@h/x",
          "//h x/", "//h\r\nX: y/", "http://h:0/", "http://h:65536/", "http://h:8x/",
          "http://[::1/x", "http://[v1.x]/", "http://caf\xC3.example/"}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(httpaddress::resolve(base, refused).has_value());
    }
    // Once on https, a Location stays there: plain http is refused, relative ones keep https.
    EXPECT_EQ(httpaddress::resolve("https://a/b/c", "g").value_or(""), "https://a/b/g");
    EXPECT_EQ(httpaddress::resolve("https://a/b", "//h/x").value_or(""), "https://h/x");
    EXPECT_FALSE(httpaddress::resolve("https://a/b", "http://a/b").has_value());
    EXPECT_FALSE(httpaddress::resolve("ftp://a/b", "g").has_value()) << "a base of another scheme";
    const auto secure = httpaddress::parse("HTTPS://h/x");
    ASSERT_TRUE(secure.has_value());
    EXPECT_TRUE(secure->tls);
    EXPECT_FALSE(secure->port.has_value());

    const auto parsed = httpaddress::parse("http://127.0.0.1:8080/a/./b/../c?x=1#top");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->host, "127.0.0.1");
    EXPECT_EQ(parsed->port, 8080);
    EXPECT_EQ(parsed->target, "/a/c?x=1");
    EXPECT_FALSE(httpaddress::parse("http://h/x")->port.has_value());
}
