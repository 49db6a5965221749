// The high-score window as laid out, and score posting and page loading through the real
// bloomzap-server.

#include "online/HTTPGet.h"
#include "online/HtmlViewer.h"
#include "online/PostingDate.h"
#include "online/ScoreSubmission.h"
#include "online/highscoreform.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TlsFront.h"
#include "tests/support/VirtualClock.h"
#include "widgets/ButtonComps.h"
#include "widgets/FontSubstitutes.h"
#include "widgets/LbBack.h"
#include "widgets/TFlatPanelUnit.h"
#include "widgets/URL.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <vector>

using testsupport::httpReply;
using testsupport::LocalServer;
using testsupport::ScopedEnv;
using testsupport::ScriptedHttpServer;
using testsupport::TlsFront;

namespace {

bool idle(const Thighscore& window) {
    return QTest::qWaitFor([&] { return !window.getit->busy(); }, 20000);
}

// A score posting on a virtual clock, counting its outcomes.
struct Posting {
    VirtualClock clock;
    ScoreSubmission submission;
    int answered = 0;
    QStringList failures;

    explicit Posting(const std::string& siteRoot) : submission(clock, siteRoot, nullptr) {
        QObject::connect(&submission, &ScoreSubmission::postingAnswered, [this] { ++answered; });
        QObject::connect(&submission, &ScoreSubmission::postingFailed,
                         [this](const QString& message) { failures << message; });
    }
    bool settled() {
        return QTest::qWaitFor([&] { return !submission.request().busy(); }, 20000);
    }
};

QString shown(const Thighscore& window) {
    return window.displayhtml->toPlainText();
}

// Clicks the middle of the first character of `text` in the viewer.
void clickOn(HtmlViewer* viewer, const QString& text) {
    QTextCursor at = viewer->document()->find(text);
    at.setPosition(at.selectionStart() + 1);
    QTest::mouseClick(viewer->viewport(), Qt::LeftButton, {}, viewer->cursorRect(at).center());
}

std::string repeated(const std::string& piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

// Reports the files opened in one folder, and the opening of /dev/zero, as the kernel sees them.
class OpenWatch {
public:
    explicit OpenWatch(const QString& folder) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        m_folder =
            inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_OPEN | IN_ACCESS);
        m_zero = inotify_add_watch(m_fd, "/dev/zero", IN_OPEN | IN_ACCESS);
    }
    ~OpenWatch() { ::close(m_fd); }
    bool watching() const { return m_fd >= 0 && m_folder >= 0 && m_zero >= 0; }

    // What was opened or read since the last call.
    QStringList opened() {
        QStringList names;
        alignas(inotify_event) char buffer[8192];
        for (ssize_t got; (got = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                names << (event->wd == m_zero ? QStringLiteral("/dev/zero")
                                              : QString::fromLocal8Bit(event->name));
                at += sizeof(inotify_event) + event->len;
            }
        }
        return names;
    }

private:
    int m_fd;
    int m_folder = -1;
    int m_zero = -1;
};

// A FIFO that tells whether anyone opened it: opening it for reading would block until a
// writer comes, and a writer waits here for exactly that, again and again, so that a reader
// is never stuck.
class FifoTrap {
public:
    explicit FifoTrap(const QString& path) : m_path(QFile::encodeName(path).toStdString()) {
        m_made = ::mkfifo(m_path.c_str(), 0600) == 0;
        m_writer = std::thread([this] {
            while (!m_finishing) {
                const int fd = ::open(m_path.c_str(), O_WRONLY);
                if (!m_finishing) {
                    m_opened = true;
                }
                if (fd >= 0) {
                    ::close(fd);
                }
            }
            m_done = true;
        });
    }
    ~FifoTrap() {
        m_finishing = true;
        while (!m_done) {
            const int fd = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (fd >= 0) {
                ::close(fd);
            }
        }
        m_writer.join();
    }
    bool made() const { return m_made; }
    bool opened() const { return m_opened; }

private:
    std::string m_path;
    bool m_made = false;
    std::atomic<bool> m_opened{false}, m_finishing{false}, m_done{false};
    std::thread m_writer;
};

int pixelsOf(const QImage& image, const QColor& colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += image.pixelColor(x, y) == colour;
        }
    }
    return n;
}

} // namespace

class IntegrationHighscoreTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        m_server = std::make_unique<LocalServer>(std::vector<std::string>{"--post-limit", "0"});
        QVERIFY(m_server->serving());
    }
    void cleanupTestCase() { m_server.reset(); }
    void cleanup() { TURL::setOpener({}); }

    void windowAsLaidOut() {
        Thighscore window(nullptr, "http://127.0.0.1:1/");
        QCOMPARE(window.windowTitle(), "Bloomzap - High Scores");
        QVERIFY(window.minimumSize() == QSize(603, 561) && window.maximumSize() == QSize(603, 561));
        const std::pair<QWidget*, QRect> places[] = {{window.Image1, {15, 8, 79, 83}},
                                                     {window.button_done, {498, 521, 95, 32}},
                                                     {window.panel_main, {112, 8, 481, 507}},
                                                     {window.displayhtml, {1, 1, 479, 505}}};
        for (const auto& [widget, place] : places) {
            QCOMPARE(widget->geometry(), place);
        }
        QCOMPARE(window.Image1->pixmap().size(), QSize(79, 83));
        QVERIFY(window.Label1->text() == "Varnok Software" &&
                window.Label1->pos() == QPoint(8, 544));
        QVERIFY(window.URL1->URLType() == utnone && window.LbBackground1->Image().isNull());

        // The viewer: dark grey, yellow Times New Roman, Arial for preformatted text, follows no
        // link and loads no file by itself.
        HtmlViewer* viewer = window.displayhtml;
        QCOMPARE(viewer->palette().color(QPalette::Base), QColor(72, 72, 72));
        QCOMPARE(viewer->palette().color(QPalette::Text), QColor(255, 255, 0));
        QCOMPARE(viewer->font().family(), "Times New Roman");
        QVERIFY(!viewer->openLinks() && !viewer->openExternalLinks());
        QVERIFY(viewer->loadDocument("<p>text</p><pre>fixed</pre>"));
        const QTextBlock pre =
            viewer->document()->findBlock(viewer->toPlainText().indexOf("fixed"));
        QCOMPARE(pre.begin().fragment().charFormat().fontFamilies().toStringList().value(0),
                 "Arial");

        // Centred on the desktop when first shown; DONE hides it.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint middle = window.screen()->availableGeometry().center();
        QVERIFY((window.frameGeometry().center() - middle).manhattanLength() <= 1);
        QTest::mouseClick(window.button_done, Qt::LeftButton, {}, QPoint(40, 16));
        QVERIFY(!window.isVisible());
    }

    // The answer opening the window is the game window's part, tested with it.
    void postedScoreIsStoredAndShownOnThePage() {
        Posting posting(m_server->root());
        posting.submission.sendscore("Bob", "1/5/07", "950");
        QVERIFY(posting.settled());
        QCOMPARE(posting.answered, 1);
        QVERIFY(posting.failures.isEmpty());
        Thighscore window(nullptr, m_server->root());
        window.loadit();
        QVERIFY(QTest::qWaitFor([&] { return shown(window).contains("Bob"); }, 20000));
        QVERIFY(shown(window).contains("950"));
        QVERIFY(shown(window).contains("1/5/07"));
    }

    void nameWithSpacesAmpersandAndAccentIsStoredIntact() {
        Posting posting(m_server->root());
        const QString name = QString::fromUtf8("Zo\u00eb & Al+1");
        posting.submission.sendscore(name, "2/3/26", "77");
        QVERIFY(posting.settled());
        QCOMPARE(posting.answered, 1);
        Thighscore window(nullptr, m_server->root());
        window.loadit();
        QVERIFY(QTest::qWaitFor([&] { return shown(window).contains(name); }, 20000));
    }

    void bobsRequestAsTheServerSawIt() {
        ScriptedHttpServer recorder(httpReply("thanks"));
        Posting posting(recorder.url("/"));
        posting.submission.sendscore("Bob", "1/5/07", "950");
        QVERIFY(posting.settled());
        QCOMPARE(recorder.requestCount(), 1u);
        QVERIFY(recorder.requests().front().starts_with(
            "GET /cgi-bin/bloomzap.cgi?name=Bob&date=1/5/07&score=950 HTTP/1.0\r\n"));
        QCOMPARE(posting.answered, 1);
        // The page is asked for by its own name.
        Thighscore window(nullptr, recorder.url("/"));
        window.loadit();
        QVERIFY(idle(window));
        QVERIFY(recorder.requests().back().starts_with("GET /counter/bloomzap.shtml HTTP/1.0"));
    }

    // An empty reply is neither an answer nor a refusal: only the watchdog can end the wait.
    void emptyReplyDoesNothing() {
        ScriptedHttpServer server(httpReply(""));
        Posting posting(server.url("/"));
        Thighscore window(nullptr, server.url("/"));
        window.displayhtml->loadDocument("<p>previous page</p>");
        posting.submission.sendscore("Bob", "1/5/07", "950");
        window.loadit();
        QVERIFY(posting.settled());
        QVERIFY(idle(window));
        QCOMPARE(server.requestCount(), 2u);
        QCOMPARE(posting.answered, 0);
        QVERIFY(posting.failures.isEmpty());
        QVERIFY(!window.isVisible());
        QCOMPARE(shown(window), "previous page");
    }

    void openingTwiceQuicklyStartsOneLoad() {
        ScriptedHttpServer server(httpReply("<p>the page</p>"), ScriptedHttpServer::Start::held);
        Thighscore window(nullptr, server.url("/"));
        window.loadit();
        window.loadit();
        QVERIFY(QTest::qWaitFor([&] { return server.requestCount() == 1; }));
        server.release();
        QVERIFY(idle(window));
        QTest::qWait(100);
        QCOMPARE(server.requestCount(), 1u);
        QCOMPARE(shown(window), "the page");
    }

    // A load the server never answers fails at its deadline; the window asked for meanwhile
    // then asks again, and that request goes out.
    void aHungLoadEndsAndTheNextRequestGoesOut() {
        ScriptedHttpServer server(httpReply("<p>the page</p>"), ScriptedHttpServer::Start::held);
        Thighscore window(nullptr, server.url("/"));
        httpexchange::Deadlines shortWait;
        shortWait.idle = std::chrono::milliseconds(300);
        window.getit->setDeadlines(shortWait);
        window.loadit();
        QVERIFY(QTest::qWaitFor([&] { return server.requestCount() == 1; }));
        window.loadit();
        window.loadit();
        // The first fails; the server, its client gone, answers the next at once.
        QVERIFY(QTest::qWaitFor([&] { return shown(window) == "the page"; }, 20000));
        QVERIFY(idle(window));
        QCOMPARE(server.requestCount(), 2u);
    }

    // A score posted while an earlier posting is out goes out once that one has ended; the
    // earlier one's answer ends the wait, as before.
    void aPostingMadeWhileAnotherIsOutIsSentAfterIt() {
        ScriptedHttpServer server(httpReply("thanks"), ScriptedHttpServer::Start::held);
        Posting posting(server.url("/"));
        posting.submission.sendscore("Ann", "1/5/07", "100");
        QVERIFY(QTest::qWaitFor([&] { return server.requestCount() == 1; }));
        posting.submission.sendscore("Bob", "1/6/07", "200");
        QTest::qWait(50);
        QCOMPARE(server.requestCount(), 1u);
        server.release();
        QVERIFY(QTest::qWaitFor([&] { return server.requestCount() == 2; }, 20000));
        QVERIFY(posting.settled());
        QVERIFY(server.requests().back().starts_with(
            "GET /cgi-bin/bloomzap.cgi?name=Bob&date=1/6/07&score=200 HTTP/1.0\r\n"));
        QCOMPARE(posting.answered, 2);
        QVERIFY(posting.failures.isEmpty());
    }

    // The real server behind nginx terminating TLS, with a test authority: the posting and the
    // page go over https; a certificate that does not verify sends nothing at all.
    void postingAndPageOverHttps() {
        TlsFront front(m_server->port());
        QVERIFY2(front.running(), front.log().c_str());
        const ScopedEnv trust("SSL_CERT_FILE", front.authorityFile());
        Posting posting(front.root());
        posting.submission.sendscore("Tls Ann", "2/3/26", "4321");
        QVERIFY(posting.settled());
        QCOMPARE(posting.answered, 1);
        Thighscore window(nullptr, front.root());
        window.loadit();
        QVERIFY(QTest::qWaitFor([&] { return shown(window).contains("Tls Ann"); }, 20000));

        Posting refused(front.root(TlsFront::Certificate::untrusted));
        refused.submission.sendscore("Tls Eve", "2/3/26", "4321");
        QVERIFY(refused.settled());
        QCOMPARE(refused.answered, 0);
        window.loadit();
        QVERIFY(idle(window));
        QVERIFY(shown(window).contains("Tls Ann") && !shown(window).contains("Tls Eve"));
    }

    // A name that overrides the writing direction cannot reorder the text around it.
    void bidiControlsReorderOnlyTheirOwnText() {
        Thighscore window(nullptr, "http://127.0.0.1:1/");
        window.show();
        QVERIFY(window.displayhtml->loadDocument(
            QString::fromUtf8("<p>AB<b>\u202Ecd</b>EF</p><table><tr><td>\u202EGH</td><td>IJ</td>"
                              "</tr></table>")));
        const QString text = window.displayhtml->toPlainText();
        const auto x = [&](QChar c) {
            const QTextBlock block = window.displayhtml->document()->findBlock(text.indexOf(c));
            const int at = text.indexOf(c) - block.position();
            return block.layout()->lineForTextPosition(at).cursorToX(at);
        };
        QVERIFY(x('E') < x('F')); // the text after it in the paragraph stays in order
        QVERIFY(x('A') < x('B') && x('B') < x('E'));
        QVERIFY(x('I') < x('J'));
    }

    void unreachableServerLeavesThePreviousPage() {
        LocalServer server({"--post-limit", "0"});
        QVERIFY(server.serving());
        Thighscore window(nullptr, server.root());
        window.loadit();
        QVERIFY(idle(window));
        const QString page = shown(window);
        QVERIFY(!page.isEmpty());
        server.process().stop();
        window.loadit();
        QVERIFY(idle(window));
        QCOMPARE(window.getit->statusCode(), 0L); // no reply came
        QCOMPARE(shown(window), page);
    }

    void clickedLinkReachesURL1AsWritten() {
        QList<QUrl> handed;
        TURL::setOpener([&](const QUrl& url) {
            handed.append(url);
            return true;
        });
        Thighscore window(nullptr, "http://127.0.0.1:1/");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // A relative name reaches URL1 as written too, but the link opener refuses it.
        for (const QString href : {"http://Example.COM/List?x=1&y=%7e", "scores.html#top"}) {
            window.getitDoneString(window.getit, "<p>See <a href=\"" + href.toStdString() +
                                                     "\">the list</a></p>");
            clickOn(window.displayhtml, "the list");
            QCOMPARE(window.URL1->URL(), href);
            QCOMPARE(shown(window), "See the list");
        }
        QCOMPARE(handed, QList<QUrl>{QUrl("http://Example.COM/List?x=1&y=%7e")});
    }

    void watchLinksOfTheGamesOwnSiteGoToTheGameAndNoOtherWatchLinkIsFollowed() {
        QList<QUrl> handed;
        TURL::setOpener([&](const QUrl& url) {
            handed.append(url);
            return true;
        });
        ScriptedHttpServer elsewhere(testsupport::httpReply("bloomzap record 1\n"));
        const QString other = QString::fromStdString(elsewhere.url("/"));
        Thighscore window(nullptr, "http://127.0.0.1:8123/");
        // std::vector: Qt's own comparison of two empty lists passes memcmp a null pointer.
        std::vector<std::uint64_t> asked;
        connect(&window, &Thighscore::watchAsked, this,
                [&](std::uint64_t id) { asked.push_back(id); });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Resolved against the high-score page's address, as the page writes them.
        const std::pair<QString, std::vector<std::uint64_t>> links[] = {
            {"/bloomzap/watch?id=12", {12}},
            {"../bloomzap/watch?id=3", {3}},
            {"HTTP://127.0.0.1:8123/bloomzap/watch?id=000123456789012345678", {}},
            {"http://127.0.0.1:8123/bloomzap/watch?id=123456789012345678", {123456789012345678}},
            {"bloomzap/watch?id=4", {}}, // counter/bloomzap/watch: not the watch page
            {"/bloomzap/watch?id=4&x=1", {}},
            {"/bloomzap/watch?id=-4", {}},
            {"/bloomzap/watch", {}},
            {"https://127.0.0.1:8123/bloomzap/watch?id=5", {}},
            {"http://127.0.0.2:8123/bloomzap/watch?id=5", {}},
            {"http://127.0.0.1/bloomzap/watch?id=5", {}},
            {other + "bloomzap/watch?id=6", {}},
        };
        for (const auto& [href, ids] : links) {
            asked.clear();
            window.getitDoneString(window.getit, "<p>See <a href=\"" + href.toStdString() +
                                                     "\">the game</a></p>");
            clickOn(window.displayhtml, "the game");
            QVERIFY2(asked == ids, qPrintable(href));
        }
        // None of them reached the browser or the other site; an ordinary link still goes to
        // the browser.
        QCOMPARE(handed, QList<QUrl>());
        window.getitDoneString(window.getit, "<p>See <a href=\"http://127.0.0.1:8123/"
                                             "counter/bloomzap.shtml\">the list</a></p>");
        clickOn(window.displayhtml, "the list");
        QCOMPARE(handed, QList<QUrl>{QUrl("http://127.0.0.1:8123/counter/bloomzap.shtml")});
        QCOMPARE(elsewhere.requestCount(), std::size_t(0));
    }

    void hostilePagesOpenNothingOnDisk() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.path();
        QImage green(40, 40, QImage::Format_RGB32);
        green.fill(QColor(0, 255, 0));
        QVERIFY(green.save(folder + "/picture.png"));
        for (const char* name : {"bloomzap.ini", "sheet.css", "imported.css"}) {
            QFile file(folder + "/" + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("p { color: #00ff00 }\n");
        }
        QVERIFY(green.save(folder + "/back.png"));
        FifoTrap fifo(folder + "/pipe");
        QVERIFY(fifo.made());
        OpenWatch watch(folder);
        QVERIFY(watch.watching());
        const QString before = QDir::currentPath();
        QDir::setCurrent(folder); // where a relative name would be looked for

        const QString page =
            QStringLiteral(
                "<html><head><link rel=\"stylesheet\" href=\"sheet.css\"><style>@import "
                "url(imported.css); p { background-image: url(back.png) }</style></head>"
                "<body background=\"back.png\"><p>hostile</p><img src=\"file:///dev/zero\">"
                "<img src=\"pipe\"><img src=\"bloomzap.ini\"><img src=\"%1/picture.png\">"
                "<img src=\"file://%1/picture.png\" width=\"40\" height=\"40\"><table "
                "background=\"picture.png\"><tr><td style=\"background-image: "
                "url(%1/picture.png)\">cell</td></tr></table></body></html>")
                .arg(folder);
        Thighscore window(nullptr, "http://127.0.0.1:1/");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        watch.opened();
        // The document itself, as if a page came through unchanged, and the page as the
        // window shows it.
        window.displayhtml->setHtml(page);
        const QImage raw = window.displayhtml->viewport()->grab().toImage();
        window.getitDoneString(window.getit, page.toStdString());
        const QImage shownPage = window.displayhtml->viewport()->grab().toImage();
        QTest::qWait(50);
        const QStringList opened = watch.opened();
        QDir::setCurrent(before);

        QVERIFY2(opened.isEmpty(), qPrintable(opened.join(", ")));
        QVERIFY(!fifo.opened());
        QVERIFY(shown(window).contains("hostile") && shown(window).contains("cell"));
        // No picture is drawn, and no style sheet coloured the text.
        QCOMPARE(pixelsOf(raw, QColor(0, 255, 0)), 0);
        QCOMPARE(pixelsOf(shownPage, QColor(0, 255, 0)), 0);
    }

    // Each page is handed over while a timer is due; the timer still fires and the window shows
    // either the page or, for pages over the limits, what it showed before. How long the event
    // loop waits is measured by bench/viewer_stalls.sh.
    void pathologicalPagesLeaveTheEventLoopAnswering() {
        const std::map<std::string, std::string> pages = {
            {"table 1 MB", "<table>" +
                               repeated("<tr><td>1</td><td>Player</td><td>1/5/07</td>"
                                        "<td>99999</td></tr>\n",
                                        18000) +
                               "</table>"},
            {"table 15 MB", "<table>" +
                                repeated("<tr><td>1</td><td>Player</td><td>1/5/07</td>"
                                         "<td>99999</td></tr>\n",
                                         270000) +
                                "</table>"},
            {"200 nested tables",
             repeated("<table><tr><td>", 200) + "deep" + repeated("</td></tr></table>", 200)},
            {"2000 nested tables",
             repeated("<table><tr><td>", 2000) + "deep" + repeated("</td></tr></table>", 2000)},
            {"100000 unclosed inline tags", repeated("<b><i>", 100000) + "deep"},
            {"20000 divs", repeated("<div>line</div>\n", 20000)},
            {"20000 nested divs", repeated("<div>", 20000) + "deep"},
            {"a long page of text", repeated("deep text ", 9000)},
        };
        Thighscore window(nullptr, "http://127.0.0.1:1/");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const auto& entry : pages) {
            const std::string& name = entry.first;
            const std::string& page = entry.second;
            QVERIFY(window.displayhtml->loadDocument("<p>previous page</p>"));
            bool fired = false;
            QMetaObject::invokeMethod(
                &window, [&window, &page] { window.getitDoneString(window.getit, page); },
                Qt::QueuedConnection);
            QTimer::singleShot(0, &window, [&] {
                // Drawn too, so the layout of what shows is part of the wait.
                window.displayhtml->viewport()->grab();
                fired = true;
            });
            QVERIFY2(QTest::qWaitFor([&] { return fired; }, 600000), name.c_str());
            const QString now = shown(window);
            QVERIFY2(now == "previous page" || now.contains("deep"), name.c_str());
        }
    }

    void linksAreMaroonSilverOnceClickedAndMaroonUnderTheMouse() {
        QList<QUrl> handed;
        TURL::setOpener([&](const QUrl& url) {
            handed.append(url);
            return true;
        });
        Thighscore window(nullptr, "http://127.0.0.1:1/");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        HtmlViewer* viewer = window.displayhtml;
        const QColor maroon(128, 0, 0), silver(192, 192, 192), green(0, 255, 0);
        const auto drawn = [&] { return viewer->viewport()->grab().toImage(); };
        const std::string page =
            "<p><a href=\"http://one.example/\"><font size=\"7\"><b>LINK</b></font></a></p>"
            "<p><a href=\"http://two.example/\"><font size=\"7\" color=\"#00ff00\"><b>OWN"
            "</b></font></a></p><p><font size=\"7\"><b>PLAIN</b></font></p>";
        window.getitDoneString(window.getit, page);
        QImage image = drawn();
        QVERIFY(pixelsOf(image, maroon) > 100);
        QVERIFY(pixelsOf(image, green) > 100); // the page's own colour wins
        QCOMPARE(pixelsOf(image, silver), 0);
        QCOMPARE(pixelsOf(image, QColor(0, 0, 255)), 0);

        clickOn(viewer, "LINK");
        QCOMPARE(handed, QList<QUrl>{QUrl("http://one.example/")});
        QTest::mouseMove(viewer->viewport(), QPoint(viewer->width() - 5, viewer->height() - 5));
        QTRY_VERIFY(pixelsOf(drawn(), silver) > 100);
        QCOMPARE(pixelsOf(drawn(), maroon), 0);

        // Under the mouse a visited link is maroon again.
        QTextCursor at = viewer->document()->find("LINK");
        at.setPosition(at.selectionStart() + 1);
        QTest::mouseMove(viewer->viewport(), viewer->cursorRect(at).center());
        QTRY_VERIFY(pixelsOf(drawn(), maroon) > 100);
        QCOMPARE(pixelsOf(drawn(), silver), 0);

        // Still visited when the page comes again.
        QTest::mouseMove(viewer->viewport(), QPoint(viewer->width() - 5, viewer->height() - 5));
        window.getitDoneString(window.getit, page);
        image = drawn();
        QVERIFY(pixelsOf(image, silver) > 100);
        QCOMPARE(pixelsOf(image, maroon), 0);
        QVERIFY(pixelsOf(image, green) > 100);
    }

    void refusedPostingIsReportedAndOthersOpenTheList_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("taken");
        QTest::newRow("400") << "400 Bad Request" << false;
        QTest::newRow("429") << "429 Too Many Requests" << false;
        QTest::newRow("503") << "503 Service Unavailable" << false;
        QTest::newRow("200") << "200 OK" << true;
        QTest::newRow("302") << "302 Found" << true;
    }
    void refusedPostingIsReportedAndOthersOpenTheList() {
        QFETCH(QString, status);
        QFETCH(bool, taken);
        ScriptedHttpServer server(httpReply("<p>the server's answer</p>", status.toStdString()));
        Posting posting(server.url("/"));
        posting.submission.sendscore("Bob", "1/5/07", "950");
        QVERIFY(posting.settled());
        QCOMPARE(posting.answered, taken ? 1 : 0);
        QCOMPARE(posting.failures, taken ? QStringList() : QStringList{"Posting Failed."});
        // Either way the wait is over: no second report when the watchdog's time would be up.
        posting.clock.advance(45000);
        QCOMPARE(posting.failures.size(), taken ? 0 : 1);
        // A page load ignores the status: an error page with a body is shown.
        Thighscore window(nullptr, server.url("/"));
        window.loadit();
        QVERIFY(idle(window));
        QCOMPARE(shown(window), "the server's answer");
    }

    void dateUsesTheSystemsSeparator() {
        // main() made the system a German one, whose short dates read "05.01.07".
        QCOMPARE(systemDateSeparator(), ".");
        QCOMPARE(postingDateOf(QDate(2007, 1, 5)), "1.5.07");
        // Under the C/POSIX locale the short format names the month ("5 Jan 2007"); the
        // numeric form with "/" is sent instead of "1 5 07".
        QCOMPARE(postingDateOf(QDate(2007, 1, 5), QLocale::c()), "1/5/07");
    }

private:
    std::unique_ptr<LocalServer> m_server;
};

int main(int argc, char* argv[]) {
    qputenv("LC_ALL", "de_DE.UTF-8");
    QApplication application(argc, argv);
    installFontSubstitutes();
    IntegrationHighscoreTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "IntegrationHighscoreTest.moc"
