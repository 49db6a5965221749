// The high-score window as laid out, and posting and loading through the real bloomzap-server.

#include "online/HTTPGet.h"
#include "online/HtmlViewer.h"
#include "online/PostingDate.h"
#include "online/highscoreform.h"
#include "tests/online/TestServers.h"
#include "widgets/ButtonComps.h"
#include "widgets/FontSubstitutes.h"
#include "widgets/LbBack.h"
#include "widgets/TFlatPanelUnit.h"
#include "widgets/URL.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include <memory>

using onlinetest::RawServer;
using onlinetest::ScoreServer;

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
    void initTestCase() { m_server = std::make_unique<ScoreServer>(BLOOMZAP_SERVER_BINARY); }
    void cleanupTestCase() { m_server.reset(); }
    void cleanup() { TURL::setOpener({}); }

    void windowAsLaidOut() {
        Thighscore window(nullptr, "http://127.0.0.1:1/");
        QCOMPARE(window.windowTitle(), "Bloomzap - High Scores");
        QCOMPARE(window.minimumSize(), QSize(603, 561));
        QCOMPARE(window.maximumSize(), QSize(603, 561));
        QCOMPARE(window.palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(window.Image1->geometry(), QRect(15, 8, 79, 83));
        QCOMPARE(window.Image1->pixmap().size(), QSize(79, 83));
        QCOMPARE(window.Label1->text(), "Varnok Software");
        QCOMPARE(window.Label1->pos(), QPoint(8, 544));
        QCOMPARE(window.Label1->palette().color(QPalette::WindowText), QColor(218, 218, 218));
        QCOMPARE(window.button_done->geometry(), QRect(498, 521, 95, 32));
        QCOMPARE(window.button_done->Caption(), "DONE");
        QCOMPARE(window.button_done->ColorBorder(), QColor(164, 0, 0));
        QCOMPARE(window.panel_main->geometry(), QRect(112, 8, 481, 507));
        QCOMPARE(window.panel_main->Color(), QColor(128, 0, 0));
        QCOMPARE(window.panel_main->ColorHighLight(), QColor(Qt::white));
        QCOMPARE(window.panel_main->ColorShadow(), QColor(Qt::white));
        QCOMPARE(window.URL1->URLType(), utnone);
        QVERIFY(window.LbBackground1->Image().isNull());
        for (THTTPGet* get : {window.getit, window.sendit})
            QVERIFY(get->AcceptTypes() == "*/*" && get->Agent() == "Bloomzap HTTPGet" &&
                    !get->BinaryData() && !get->UseCache() && !get->WaitThread());

        HtmlViewer* viewer = window.displayhtml;
        QCOMPARE(viewer->parentWidget(), window.panel_main);
        QCOMPARE(viewer->geometry(), QRect(1, 1, 479, 505));
        QCOMPARE(viewer->palette().color(QPalette::Base), QColor(72, 72, 72));
        QCOMPARE(viewer->palette().color(QPalette::Text), QColor(255, 255, 0));
        QCOMPARE(viewer->palette().color(QPalette::Link), QColor(128, 0, 0));
        QCOMPARE(viewer->palette().color(QPalette::LinkVisited), QColor(192, 192, 192));
        QCOMPARE(viewer->font().family(), "Times New Roman");
        QVERIFY(!viewer->openLinks() && !viewer->openExternalLinks());
        QCOMPARE(viewer->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(viewer->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
        QVERIFY(viewer->textInteractionFlags() & Qt::TextSelectableByMouse);
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

    void postedRequestsAsTheServerSawThem_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QByteArray>("requestLine");
        QTest::newRow("Bob") << "Bob"
                             << "1/5/07"
                             << QByteArray(
                                    "GET /cgi-bin/bloomzap.cgi?name=Bob&date=1/5/07&score=950 "
                                    "HTTP/1.0");
        QTest::newRow("name that would break the query")
            << QString::fromUtf8("A&b=c #\u00e9") << "1.5.07"
            << QByteArray("GET /cgi-bin/bloomzap.cgi?name=A%26b%3Dc%20%23%C3%A9&date=1.5.07"
                          "&score=950 HTTP/1.0");
    }

    void postedRequestsAsTheServerSawThem() {
        QFETCH(QString, name);
        QFETCH(QString, date);
        QFETCH(QByteArray, requestLine);
        RawServer recorder(onlinetest::reply("thanks"));
        Thighscore window(nullptr, recorder.url("/"));
        window.sendscore(name, date, "950");
        QVERIFY(QTest::qWaitFor([&] { return recorder.requestCount() == 2; }, 20000));
        const std::string request = recorder.requests().front();
        QCOMPARE(QByteArray::fromStdString(request.substr(0, request.find("\r\n"))), requestLine);
        // The answer opened the window, which loaded the page.
        QVERIFY(recorder.requests().back().starts_with("GET /counter/bloomzap.shtml HTTP/1.0"));
    }

    void emptyReplyDoesNothing() {
        RawServer server(onlinetest::reply(""));
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
        RawServer server(onlinetest::reply("<p>the page</p>"), true);
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
        auto server = std::make_unique<ScoreServer>(BLOOMZAP_SERVER_BINARY);
        Thighscore window(nullptr, server->root());
        window.loadit();
        QVERIFY(idle(window));
        const QString page = shown(window);
        QVERIFY(!page.isEmpty());
        server.reset();
        window.loadit();
        QVERIFY(idle(window));
        QVERIFY(!window.getit->succeeded());
        QCOMPARE(shown(window), page);
    }

    void clickedLinkReachesURL1AsWritten_data() {
        QTest::addColumn<QString>("href");
        QTest::addColumn<bool>("opened");
        QTest::newRow("web address") << "http://Example.COM/List?x=1&y=%7e" << true;
        QTest::newRow("relative name") << "scores.html#top" << false;
    }

    void clickedLinkReachesURL1AsWritten() {
        QFETCH(QString, href);
        QFETCH(bool, opened);
        QList<QUrl> handed;
        TURL::setOpener([&](const QUrl& url) {
            handed.append(url);
            return true;
        });
        Thighscore window(nullptr, "http://127.0.0.1:1/");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.getitDoneString(window.getit,
                               "<p>See <a href=\"" + href.toStdString() + "\">the list</a></p>");
        clickOn(window.displayhtml, "the list");
        QCOMPARE(window.URL1->URL(), href);
        QCOMPARE(handed.size(), opened ? 1 : 0);
        QCOMPARE(shown(window), "See the list");
    }

    void dateUsesTheSystemsSeparator() {
        // main() made the system a German one, whose short dates read "05.01.07".
        QCOMPARE(systemDateSeparator(), ".");
        QCOMPARE(postingDateOf(QDate(2007, 1, 5)), "1.5.07");
    }

private:
    std::unique_ptr<ScoreServer> m_server;
};

int main(int argc, char* argv[]) {
    qputenv("LC_ALL", "de_DE.UTF-8");
    QApplication application(argc, argv);
    installFontSubstitutes();
    IntegrationHighscoreTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "IntegrationHighscoreTest.moc"
