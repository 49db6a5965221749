// The high-score window as laid out, and posting and loading through the real bloomzap-server.

#include "online/HTTPGet.h"
#include "online/HtmlViewer.h"
#include "online/PostingDate.h"
#include "online/highscoreform.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/support/ServerProcess.h"
#include "widgets/ButtonComps.h"
#include "widgets/FontSubstitutes.h"
#include "widgets/LbBack.h"
#include "widgets/TFlatPanelUnit.h"
#include "widgets/URL.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTextBlock>

#include <memory>

using testsupport::httpReply;
using testsupport::LocalServer;
using testsupport::ScriptedHttpServer;

namespace {

bool idle(const Thighscore& window) {
    return QTest::qWaitFor([&] { return !window.getit->busy() && !window.sendit->busy(); }, 20000);
}

QString shown(const Thighscore& window) {
    return window.displayhtml->toPlainText();
}

// Clicks the middle of the first character of `text` in the viewer.
void clickOn(HtmlViewer* viewer, const QString& text) {
    QTextCursor at = viewer->document()->find(text);
    at.setPosition(at.selectionStart() + 1);
    QTest::mouseClick(viewer->viewport(), Qt::LeftButton, {}, viewer->cursorRect(at).center());
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
        for (const auto& [widget, place] : places)
            QCOMPARE(widget->geometry(), place);
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
        viewer->loadDocument("<p>text</p><pre>fixed</pre><img src=\"/etc/hostname\">");
        const QTextBlock pre =
            viewer->document()->findBlock(viewer->toPlainText().indexOf("fixed"));
        QCOMPARE(pre.begin().fragment().charFormat().fontFamilies().toStringList().value(0),
                 "Arial");
        QVERIFY(viewer->loadResource(QTextDocument::ImageResource, QUrl("/etc/hostname")).isNull());

        // Centred on the desktop when first shown; DONE hides it.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint middle = window.screen()->availableGeometry().center();
        QVERIFY((window.frameGeometry().center() - middle).manhattanLength() <= 1);
        QTest::mouseClick(window.button_done, Qt::LeftButton, {}, QPoint(40, 16));
        QVERIFY(!window.isVisible());
    }

    void postedScoreIsStoredAndShownInTheOpenedWindow() {
        Thighscore window(nullptr, m_server->root());
        int answered = 0;
        window.setPostingAnswered([&] { ++answered; });
        window.sendscore("Bob", "1/5/07", "950");
        QVERIFY(!window.isVisible());
        QVERIFY(QTest::qWaitFor([&] { return shown(window).contains("Bob"); }, 20000));
        QVERIFY(window.isVisible());
        QCOMPARE(answered, 1);
        QVERIFY(shown(window).contains("950"));
        QVERIFY(shown(window).contains("1/5/07"));
    }

    void nameWithSpacesAmpersandAndAccentIsStoredIntact() {
        Thighscore window(nullptr, m_server->root());
        const QString name = QString::fromUtf8("Zo\u00eb & Al+1");
        window.sendscore(name, "2/3/26", "77");
        QVERIFY(QTest::qWaitFor([&] { return shown(window).contains(name); }, 20000));
    }

    void bobsRequestAsTheServerSawIt() {
        ScriptedHttpServer recorder(httpReply("thanks"));
        Thighscore window(nullptr, recorder.url("/"));
        window.sendscore("Bob", "1/5/07", "950");
        QVERIFY(QTest::qWaitFor([&] { return recorder.requestCount() == 2; }, 20000));
        QVERIFY(recorder.requests().front().starts_with(
            "GET /cgi-bin/bloomzap.cgi?name=Bob&date=1/5/07&score=950 HTTP/1.0\r\n"));
        // The answer opened the window, which loaded the page.
        QVERIFY(recorder.requests().back().starts_with("GET /counter/bloomzap.shtml HTTP/1.0"));
    }

    void emptyReplyDoesNothing() {
        ScriptedHttpServer server(httpReply(""));
        Thighscore window(nullptr, server.url("/"));
        int answered = 0;
        window.setPostingAnswered([&] { ++answered; });
        window.displayhtml->loadDocument("<p>previous page</p>");
        window.sendscore("Bob", "1/5/07", "950");
        window.loadit();
        QVERIFY(idle(window));
        QCOMPARE(server.requestCount(), 2u);
        QCOMPARE(answered, 0);
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
        QVERIFY(!window.getit->succeeded());
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
