// THTTPGet against scripted servers on 127.0.0.1: replies, requests as sent, and the component's
// life.

#include "online/HTTPGet.h"
#include "common/http/ReplyReader.h"
#include "tests/support/ScriptedHttpServer.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <memory>

using testsupport::httpReply;
using testsupport::ScriptedHttpServer;

namespace {

// What one component raised.
struct Seen {
    int done = 0;
    int errors = 0;
    std::string text;
    std::vector<std::int64_t> readed;
    std::int64_t totalSize = -1;
};

std::shared_ptr<Seen> listen(THTTPGet& get, const std::string& url) {
    auto seen = std::make_shared<Seen>();
    get.setURL(url);
    get.setOnDoneString([seen](QObject*, const std::string& result) {
        ++seen->done;
        seen->text = result;
    });
    get.setOnError([seen](QObject*) { ++seen->errors; });
    get.setOnProgress([seen](QObject*, std::int64_t total, std::int64_t readed) {
        seen->totalSize = total;
        seen->readed.push_back(readed);
    });
    return seen;
}

// Runs the event loop until the fetch has ended, so every piece's hand-off is served at once.
bool finished(const Seen& seen) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (seen.done + seen.errors > 0) {
            loop.quit();
        }
    });
    check.start(5);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    return seen.done + seen.errors > 0;
}

bool arrived(const ScriptedHttpServer& server, std::size_t count) {
    return QTest::qWaitFor([&] { return server.requestCount() == count; });
}

} // namespace

class HTTPGetTest : public QObject {
    Q_OBJECT

private slots:
    void defaultsAsPlaced() {
        THTTPGet get;
        QVERIFY(get.AcceptTypes() == "*/*" && get.Agent() == "Bloomzap HTTPGet");
        QVERIFY(!get.BinaryData() && !get.UseCache() && !get.WaitThread() && !get.busy());
        QVERIFY(get.URL().empty() && get.PostQuery().empty() && get.Referer().empty());
    }

    void replies() {
        const std::string page = "<html><body>No such page</body></html>";
        const std::string text(3000, 'x'), zeros("a\0\0b", 4), full(httpfetch::maxTextBytes, 'z');
        const struct {
            const char* name;
            std::string answer;
            bool binary;
            bool delivered;
            std::string body;
        } cases[] = {
            {"404 with a page", httpReply(page, "404 Not Found"), false, true, page},
            {"empty body", httpReply(""), false, false, ""},
            {"no Content-Length", httpReply(text, "200 OK", false), false, true, text},
            {"binary, no Content-Length", httpReply(text, "200 OK", false), true, false, ""},
            {"binary with Content-Length", httpReply(text), true, true, text},
            {"zero bytes in the body", httpReply(zeros), false, true, zeros},
            {"Content-Length not a number",
             httpReply("abc", "200 OK", false, "Content-Length: 3x\r\n"), false, false, ""},
            {"16 MiB", httpReply(full, "200 OK", false), false, true, full},
            {"over 16 MiB", httpReply(full + "z", "200 OK", false), false, false, ""},
        };
        for (const auto& c : cases) {
            ScriptedHttpServer server(c.answer);
            THTTPGet get;
            const auto seen = listen(get, server.url("/page"));
            get.setBinaryData(c.binary);
            get.FetchString();
            QVERIFY2(finished(*seen), c.name);
            QVERIFY2(seen->done == (c.delivered ? 1 : 0) && seen->errors == (c.delivered ? 0 : 1),
                     c.name);
            QVERIFY2(seen->text == c.body && !get.busy(), c.name);
            if (c.binary && !c.delivered) {
                QVERIFY2(seen->readed.empty(), c.name); // nothing was read
            }
            if (!c.delivered) {
                continue;
            }
            // Pieces of at most 1025 bytes, each reported with the Content-Length or 0.
            const bool withLength = c.answer.find("Content-Length") != std::string::npos;
            QVERIFY2(seen->totalSize == (withLength ? std::int64_t(c.body.size()) : 0), c.name);
            QVERIFY2(seen->readed.back() == std::int64_t(c.body.size()), c.name);
            for (std::size_t i = 1; i < seen->readed.size(); ++i) {
                QVERIFY2(seen->readed[i] - seen->readed[i - 1] <= 1025, c.name);
            }
        }
    }

    void requestsAsTheServerSawThem() {
        const QByteArrayList plain{"Host: 127.0.0.1:%1", "User-Agent: Bloomzap HTTPGet",
                                   "Accept: */*", "Pragma: no-cache", "Cache-Control: no-cache"};
        const struct {
            QByteArray url; // "%1" stands for the server's port
            const char* post;
            const char* referer;
            const char* user;
            QByteArray requestLine;
            QByteArrayList headLines;
        } cases[] = {
            {"http://127.0.0.1:%1/path?x=1", "", "", "", "GET /path?x=1 HTTP/1.0", plain},
            {"HTTP://127.0.0.1:%1/Path?X=1", "", "", "", "GET /Path?X=1 HTTP/1.0", plain},
            {"http://127.0.0.1:%1/cgi",
             "a=1&b=two",
             "",
             "",
             "POST /cgi HTTP/1.0",
             {"Content-Type: application/x-www-form-urlencoded", "Content-Length: 9"}},
            {"http://127.0.0.1:%1/a b/../c#d\xC3\xA9%41&=+\t", "", "", "",
             "GET /a%20b/../c#d%C3%A9%41&=+%09 HTTP/1.0", plain},
            {"http://127.0.0.1:%1/",
             "",
             "http://r/",
             "ann",
             "GET / HTTP/1.0",
             {"Referer: http://r/", "Authorization: Basic YW5uOnB3"}},
        };
        for (const auto& c : cases) {
            ScriptedHttpServer server(httpReply("ok"));
            const QByteArray port = QByteArray::number(server.port());
            THTTPGet get;
            const auto seen = listen(get, QByteArray(c.url).replace("%1", port).toStdString());
            get.setPostQuery(c.post);
            get.setReferer(c.referer);
            get.setUserName(c.user);
            get.setPassword(*c.user ? "pw" : "");
            get.FetchString();
            QVERIFY(finished(*seen) && seen->text == "ok");
            QCOMPARE(server.requestCount(), 1u);
            const QByteArray request = QByteArray::fromStdString(server.requests().front());
            const QByteArrayList head = request.left(request.indexOf("\r\n\r\n") + 2).split('\n');
            QCOMPARE(head.front().trimmed(), c.requestLine);
            for (QByteArray line : c.headLines) {
                QVERIFY2(head.contains(line.replace("%1", port) + '\r'), line);
            }
            QCOMPARE(request.mid(request.indexOf("\r\n\r\n") + 4), QByteArray(c.post));
        }
    }

    void aPostSaysWhatItsBodyIs() {
        ScriptedHttpServer server(httpReply("taken"));
        THTTPGet get;
        const auto seen = listen(get, server.url("/bloomzap/replay"));
        const std::string body = "line one\nline two %20 & = +\n";
        get.setPostType("text/plain; charset=utf-8");
        get.setPostQuery(body);
        get.FetchString();
        QVERIFY(finished(*seen) && seen->text == "taken");
        const std::string request = server.requests().at(0);
        QVERIFY(request.starts_with("POST /bloomzap/replay HTTP/1.0\r\n"));
        QVERIFY(request.find("\r\nContent-Type: text/plain; charset=utf-8\r\n") !=
                std::string::npos);
        QVERIFY(request.find("x-www-form-urlencoded") == std::string::npos);
        QCOMPARE(request.substr(request.find("\r\n\r\n") + 4), body);
    }

    void unusableUrlsFailWithoutARequest() {
        for (const char* url :
             {"http://127.0.0.1:%1", "ftp://127.0.0.1:%1/x", "http://127.0.0.1:%1x/x"}) {
            ScriptedHttpServer server(httpReply("ok"));
            THTTPGet get;
            const auto seen = listen(
                get,
                QByteArray(url).replace("%1", QByteArray::number(server.port())).toStdString());
            get.FetchString();
            QVERIFY2(finished(*seen) && seen->errors == 1 && server.requestCount() == 0, url);
        }
    }

    void secondFetchStringIsIgnored() {
        ScriptedHttpServer server(httpReply("first"), ScriptedHttpServer::Start::held);
        THTTPGet get;
        const auto seen = listen(get, server.url("/first"));
        get.FetchString();
        QVERIFY(seen->done == 0 && get.busy()); // returned before any network work
        get.setURL(server.url("/second"));
        get.FetchString();
        QVERIFY(arrived(server, 1));
        server.release();
        QVERIFY(finished(*seen));
        QTest::qWait(100);
        QCOMPARE(server.requestCount(), 1u);
        QVERIFY(server.requests().front().starts_with("GET /first "));
        QVERIFY(seen->text == "first" && !get.busy());
    }

    void fetchFromItsOwnHandlerIsIgnoredWhileAnotherInstanceWorks() {
        ScriptedHttpServer server(httpReply("page"));
        THTTPGet sendit, getit;
        const auto seen = listen(getit, server.url("/get"));
        int sent = 0;
        sendit.setURL(server.url("/send"));
        sendit.setOnDoneString([&](QObject*, const std::string&) {
            ++sent;
            sendit.FetchString();
            getit.FetchString();
        });
        sendit.FetchString();
        QVERIFY(finished(*seen));
        QTest::qWait(100);
        QVERIFY(sent == 1 && !sendit.busy());
        QCOMPARE(server.requestCount(), 2u);
        QVERIFY(server.requests().back().starts_with("GET /get "));
    }

    void cancelledFetchEndsInError() {
        ScriptedHttpServer server(httpReply("late"), ScriptedHttpServer::Start::held);
        THTTPGet get;
        const auto seen = listen(get, server.url("/"));
        get.FetchString();
        QVERIFY(arrived(server, 1));
        get.CancelFetch();
        QVERIFY(finished(*seen));
        QVERIFY(seen->errors == 1 && seen->done == 0 && !get.busy());
    }

    void timersKeepRunningWhileTheServerStalls() {
        ScriptedHttpServer server(httpReply("slow"), ScriptedHttpServer::Start::held);
        THTTPGet get;
        const auto seen = listen(get, server.url("/"));
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(20);
        QTimer::singleShot(5000, [&] { server.release(); });
        get.FetchString();
        QVERIFY(finished(*seen) && seen->text == "slow");
        QVERIFY2(ticks >= 50, qPrintable(QString::number(ticks)));
    }

    void destroyedMidFetch() {
        ScriptedHttpServer server(httpReply("too late"), ScriptedHttpServer::Start::held);
        auto get = std::make_unique<THTTPGet>();
        const auto seen = listen(*get, server.url("/"));
        get->FetchString();
        QVERIFY(arrived(server, 1));
        get.reset();
        // Destruction did not wait for the fetch to wind up ...
        QVERIFY(server.clientConnected());
        // ... which stops on its own, and nothing of it arrives anywhere.
        QVERIFY(QTest::qWaitFor([&] { return server.clientClosed(); }, 10000));
        QTest::qWait(200);
        QCOMPARE(seen->done + seen->errors, 0);
    }
};

QTEST_GUILESS_MAIN(HTTPGetTest)
#include "HTTPGetTest.moc"
