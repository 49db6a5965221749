// THTTPGet against scripted servers on 127.0.0.1: replies, requests as sent, and the component's
// life.

#include "online/HTTPGet.h"
#include "tests/online/TestServers.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <memory>

using onlinetest::RawServer;
using onlinetest::reply;

namespace {

// What one component raised.
struct Seen {
    int done = 0;
    int errors = 0;
    std::string text;
    std::vector<std::int64_t> readed;
    std::int64_t totalSize = -1;
};

void listen(THTTPGet& get, const std::shared_ptr<Seen>& seen) {
    get.setOnDoneString([seen](QObject*, const std::string& result) {
        ++seen->done;
        seen->text = result;
    });
    get.setOnError([seen](QObject*) { ++seen->errors; });
    get.setOnProgress([seen](QObject*, std::int64_t total, std::int64_t readed) {
        seen->totalSize = total;
        seen->readed.push_back(readed);
    });
}

// Runs the event loop until the fetch has ended; every piece's hand-off is served at once.
bool finished(const Seen& seen) {
    const auto ended = [&] { return seen.done + seen.errors > 0; };
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (ended())
            loop.quit();
    });
    check.start(5);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    return ended();
}

QByteArray bytes(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// The head line that starts with `name`, or empty.
QByteArray headLine(const QByteArray& request, const QByteArray& name) {
    for (const QByteArray& line : request.split('\n'))
        if (line.startsWith(name))
            return line.trimmed();
    return {};
}

} // namespace

class HTTPGetTest : public QObject {
    Q_OBJECT

private slots:
    void defaultsAsPlaced() {
        THTTPGet get;
        QCOMPARE(get.AcceptTypes(), "*/*");
        QCOMPARE(get.Agent(), "Bloomzap HTTPGet");
        QVERIFY(!get.BinaryData() && !get.UseCache() && !get.WaitThread() && !get.busy());
        QVERIFY(get.URL().empty() && get.PostQuery().empty() && get.Referer().empty());
    }

    void replies_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("binary");
        QTest::addColumn<bool>("delivered");
        QTest::addColumn<QByteArray>("body");

        const std::string page = "<html><body>No such page</body></html>";
        const std::string longText(3000, 'x');
        const std::string zeros("a\0\0b", 4);
        const std::string limit(httpfetch::maxTextBytes, 'z');
        QTest::newRow("404 with a page")
            << bytes(reply(page, "404 Not Found")) << false << true << bytes(page);
        QTest::newRow("empty body") << bytes(reply("")) << false << false << QByteArray();
        QTest::newRow("no Content-Length")
            << bytes(reply(longText, "200 OK", false)) << false << true << bytes(longText);
        QTest::newRow("binary, no Content-Length")
            << bytes(reply(longText, "200 OK", false)) << true << false << QByteArray();
        QTest::newRow("binary with Content-Length")
            << bytes(reply(longText)) << true << true << bytes(longText);
        QTest::newRow("zero bytes in the body")
            << bytes(reply(zeros)) << false << true << bytes(zeros);
        QTest::newRow("Content-Length not a number")
            << bytes(reply("abc", "200 OK", false, "Content-Length: 3x\r\n")) << false << false
            << QByteArray();
        QTest::newRow("16 MiB") << bytes(reply(limit, "200 OK", false)) << false << true
                                << bytes(limit);
        QTest::newRow("over 16 MiB")
            << bytes(reply(limit + "z", "200 OK", false)) << false << false << QByteArray();
    }

    void replies() {
        QFETCH(QByteArray, answer);
        QFETCH(bool, binary);
        QFETCH(bool, delivered);
        QFETCH(QByteArray, body);
        RawServer server(answer.toStdString());
        THTTPGet get;
        auto seen = std::make_shared<Seen>();
        listen(get, seen);
        get.setBinaryData(binary);
        get.setURL(server.url("/page"));
        get.FetchString();
        QVERIFY(finished(*seen));
        QCOMPARE(seen->done, delivered ? 1 : 0);
        QCOMPARE(seen->errors, delivered ? 0 : 1);
        QCOMPARE(bytes(seen->text), body);
        QCOMPARE(get.succeeded(), delivered);
        QVERIFY(!get.busy());
        if (binary && !delivered)
            QVERIFY(seen->readed.empty()); // nothing was read
        if (!delivered)
            return;
        // Read in pieces of at most 1025 bytes, each reported with the Content-Length or 0.
        const bool withLength = answer.contains("Content-Length");
        QCOMPARE(seen->totalSize, withLength ? std::int64_t(body.size()) : 0);
        QCOMPARE(seen->readed.back(), std::int64_t(body.size()));
        std::int64_t before = 0;
        for (std::int64_t readed : seen->readed) {
            QVERIFY(readed - before >= 1 && readed - before <= 1025);
            before = readed;
        }
    }

    void requests_data() {
        QTest::addColumn<QByteArray>("url"); // "%1" stands for the server's port
        QTest::addColumn<QByteArray>("post");
        QTest::addColumn<QByteArray>("referer");
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QByteArray>("requestLine");
        QTest::addColumn<QByteArrayList>("headLines");
        QTest::addColumn<QByteArray>("body");

        const QByteArrayList plain{"Host: 127.0.0.1:%1", "User-Agent: Bloomzap HTTPGet",
                                   "Accept: */*", "Pragma: no-cache", "Cache-Control: no-cache"};
        QTest::newRow("GET with a query")
            << QByteArray("http://127.0.0.1:%1/path?x=1") << QByteArray() << QByteArray()
            << QByteArray() << QByteArray("GET /path?x=1 HTTP/1.0") << plain << QByteArray();
        QTest::newRow("URL in capitals")
            << QByteArray("HTTP://127.0.0.1:%1/Path?X=1") << QByteArray() << QByteArray()
            << QByteArray() << QByteArray("GET /Path?X=1 HTTP/1.0") << plain << QByteArray();
        QTest::newRow("POST form")
            << QByteArray("http://127.0.0.1:%1/cgi") << QByteArray("a=1&b=two") << QByteArray()
            << QByteArray() << QByteArray("POST /cgi HTTP/1.0")
            << QByteArrayList{"Content-Type: application/x-www-form-urlencoded",
                              "Content-Length: 9"}
            << QByteArray("a=1&b=two");
        QTest::newRow("bytes a request line cannot hold")
            << QByteArray("http://127.0.0.1:%1/a b/../c#d\xC3\xA9%41&=+\t") << QByteArray()
            << QByteArray() << QByteArray()
            << QByteArray("GET /a%20b/../c#d%C3%A9%41&=+%09 HTTP/1.0") << plain << QByteArray();
        QTest::newRow("referer and credentials")
            << QByteArray("http://127.0.0.1:%1/") << QByteArray() << QByteArray("http://r/")
            << QByteArray("ann") << QByteArray("GET / HTTP/1.0")
            << QByteArrayList{"Referer: http://r/", "Authorization: Basic YW5uOnB3"}
            << QByteArray();
    }

    void requests() {
        QFETCH(QByteArray, url);
        QFETCH(QByteArray, post);
        QFETCH(QByteArray, referer);
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, requestLine);
        QFETCH(QByteArrayList, headLines);
        QFETCH(QByteArray, body);
        RawServer server(reply("ok"));
        const QByteArray port = QByteArray::number(server.port());
        THTTPGet get;
        auto seen = std::make_shared<Seen>();
        listen(get, seen);
        get.setURL(QByteArray(url).replace("%1", port).toStdString());
        get.setPostQuery(post.toStdString());
        get.setReferer(referer.toStdString());
        get.setUserName(user.toStdString());
        get.setPassword(user.isEmpty() ? "" : "pw");
        get.FetchString();
        QVERIFY(finished(*seen));
        QCOMPARE(seen->text, "ok");
        QCOMPARE(server.requestCount(), 1u);
        const QByteArray request = bytes(server.requests().front());
        const qsizetype headEnd = request.indexOf("\r\n\r\n");
        QCOMPARE(request.left(request.indexOf("\r\n")), requestLine);
        for (QByteArray line : headLines) {
            line.replace("%1", port);
            QCOMPARE(headLine(request.left(headEnd), line.left(line.indexOf(':') + 1)), line);
        }
        QCOMPARE(request.mid(headEnd + 4), body);
    }

    void unusableUrlsFail_data() {
        QTest::addColumn<QByteArray>("url");
        QTest::newRow("no / after the host") << QByteArray("http://127.0.0.1:%1");
        QTest::newRow("https address") << QByteArray("https://127.0.0.1:%1/x");
        QTest::newRow("port not a number") << QByteArray("http://127.0.0.1:%1x/x");
    }

    void unusableUrlsFail() {
        QFETCH(QByteArray, url);
        RawServer server(reply("ok"));
        THTTPGet get;
        auto seen = std::make_shared<Seen>();
        listen(get, seen);
        get.setURL(url.replace("%1", QByteArray::number(server.port())).toStdString());
        get.FetchString();
        QVERIFY(finished(*seen));
        QCOMPARE(seen->errors, 1);
        QCOMPARE(server.requestCount(), 0u);
    }

    void secondFetchStringIsIgnored() {
        RawServer server(reply("first"), true);
        THTTPGet get;
        auto seen = std::make_shared<Seen>();
        listen(get, seen);
        get.setURL(server.url("/first"));
        get.FetchString();
        QVERIFY(seen->done == 0 && get.busy()); // returned before any network work
        get.setURL(server.url("/second"));
        get.FetchString();
        QVERIFY(QTest::qWaitFor([&] { return server.requestCount() == 1; }));
        server.release();
        QVERIFY(finished(*seen));
        QTest::qWait(100);
        QCOMPARE(server.requestCount(), 1u);
        QVERIFY(server.requests().front().starts_with("GET /first "));
        QCOMPARE(seen->done, 1);
        QVERIFY(!get.busy());
    }

    void fetchFromItsOwnHandlerIsIgnoredWhileAnotherInstanceWorks() {
        RawServer server(reply("page"));
        THTTPGet sendit;
        THTTPGet getit;
        auto seen = std::make_shared<Seen>();
        listen(getit, seen);
        int sent = 0;
        sendit.setURL(server.url("/send"));
        getit.setURL(server.url("/get"));
        sendit.setOnDoneString([&](QObject*, const std::string&) {
            ++sent;
            sendit.FetchString();
            getit.FetchString();
        });
        sendit.FetchString();
        QVERIFY(finished(*seen));
        QTest::qWait(100);
        QCOMPARE(sent, 1);
        QCOMPARE(server.requestCount(), 2u);
        QVERIFY(server.requests().back().starts_with("GET /get "));
        QVERIFY(!sendit.busy());
    }

    void cancelledFetchEndsInError() {
        RawServer server(reply("late"), true);
        THTTPGet get;
        auto seen = std::make_shared<Seen>();
        listen(get, seen);
        get.setURL(server.url("/"));
        get.FetchString();
        QVERIFY(QTest::qWaitFor([&] { return server.requestCount() == 1; }));
        get.CancelFetch();
        QVERIFY(finished(*seen));
        QCOMPARE(seen->errors, 1);
        QCOMPARE(seen->done, 0);
        QVERIFY(!get.succeeded() && !get.busy());
    }

    void timersKeepRunningWhileTheServerStalls() {
        RawServer server(reply("slow"), true);
        THTTPGet get;
        auto seen = std::make_shared<Seen>();
        listen(get, seen);
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(20);
        QTimer::singleShot(5000, [&] { server.release(); });
        get.setURL(server.url("/"));
        get.FetchString();
        QVERIFY(finished(*seen));
        QCOMPARE(seen->text, "slow");
        QVERIFY2(ticks >= 50, qPrintable(QString::number(ticks)));
    }

    void destroyedMidFetch() {
        RawServer server(reply("too late"), true);
        auto seen = std::make_shared<Seen>();
        auto get = std::make_unique<THTTPGet>();
        listen(*get, seen);
        get->setURL(server.url("/"));
        get->FetchString();
        QVERIFY(QTest::qWaitFor([&] { return server.requestCount() == 1; }));
        get.reset();
        // Destruction did not wait for the fetch to wind up ...
        QVERIFY(server.clientConnected());
        // ... which stops on its own, and nothing of it arrives anywhere.
        QVERIFY(QTest::qWaitFor([&] { return server.clientClosed(); }, 10000));
        server.release();
        QTest::qWait(200);
        QCOMPARE(seen->done + seen->errors, 0);
    }
};

QTEST_GUILESS_MAIN(HTTPGetTest)
#include "HTTPGetTest.moc"
