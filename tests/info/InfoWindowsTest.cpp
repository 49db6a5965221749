// The help, About and advertisement windows: pages, captions, version, years and their links.
#include "info/SiteAddress.h"
#include "info/aboutform.h"
#include "info/helpform.h"
#include "info/multiplayerform.h"
#include "widgets/ButtonComps.h"
#include "widgets/ClickLabel.h"
#include "widgets/FontSubstitutes.h"
#include "widgets/TFlatPanelUnit.h"
#include "widgets/URL.h"

#include <QDate>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>

#include <memory>

Q_DECLARE_METATYPE(TURLType)

namespace {

const QString siteRoot = QStringLiteral("http://127.0.0.1:8080/");

QStringList linesOf(const QPlainTextEdit* page) {
    QStringList lines;
    for (QTextBlock block = page->document()->begin(); block.isValid(); block = block.next()) {
        lines << block.text();
    }
    return lines;
}

void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

// The page the player sees: whatever lies on top in the middle of the page area.
QPlainTextEdit* seenPage(const Thelp& help) {
    const QPoint middle = help.memo1->geometry().center();
    for (QWidget* w = help.panel_main->childAt(middle); w; w = w->parentWidget()) {
        if (auto* page = qobject_cast<QPlainTextEdit*>(w)) {
            return page;
        }
    }
    return nullptr;
}

} // namespace

class IntegrationInfoWindows : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutes(); }

    void init() {
        m_opened.clear();
        TURL::setOpener([this](const QUrl& url) {
            m_opened << url.toString();
            return true;
        });
        m_game = std::make_unique<QWidget>();
        m_game->setGeometry(200, 150, 526, 489);
        m_game->show();
        m_about = new Tabout(m_game.get(), siteRoot);
        m_help = new Thelp(m_game.get(), m_about);
        m_multiplayer = new Tmultiplayer(m_game.get(), siteRoot);
    }
    void cleanup() {
        m_game.reset();
        TURL::setOpener({});
    }

    void helpOpensOnOverviewThenOnTheLastChosenPage() {
        m_help->showWindow();
        QCOMPARE(seenPage(*m_help), m_help->memo1);
        QCOMPARE(m_help->label_caption->text(), QStringLiteral("Overview"));
        click(m_help->button_topic[2]);
        click(m_help->button_done);
        QVERIFY(!m_help->isVisible());
        m_help->showWindow();
        QCOMPARE(seenPage(*m_help), m_help->memo4);
        QCOMPARE(m_help->label_caption->text(), QStringLiteral("Scoring"));
    }

    void eachTopicShowsItsPageUnderItsCaption_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("page");
        // The licence is the program's own: only its head is fixed here.
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("Overview")
            << 0 << "Overview"
            << "memo1" << true
            << QStringList{
                   "Overview", "",
                   "I wanted to add to my puzzle game collection so this game was born! :)"};
        QTest::newRow("Game Play")
            << 1 << "Game Play"
            << "memo3" << true
            << QStringList{"Game Play", "",
                           "Click on flowers to remove them. There must be at least two flowers "
                           "of the ",
                           "same color touching in order to be removed."};
        QTest::newRow("Scoring")
            << 2 << "Scoring"
            << "memo4" << true
            << QStringList{"Scoring",
                           "",
                           "You receive points for each flower removed. The score is based on "
                           "the ",
                           "number of total flowers removed at one time and the round number.",
                           "",
                           "If you clear all the flowers off the board, you receive a 100 point "
                           "bonus."};
        QTest::newRow("Documentation")
            << 3 << "Documentation"
            << "memo5" << true << QStringList{"History", "", "Version 1.0.0.0", "", " "};
        QTest::newRow("License") << 4 << "License"
                                 << "memo6" << false
                                 << QStringList{"License", "", "Bloomzap",
                                                "Copyright (c) 2026 Varnok Software"};
    }
    void eachTopicShowsItsPageUnderItsCaption() {
        QFETCH(int, button);
        QFETCH(QString, caption);
        QFETCH(QString, page);
        QFETCH(bool, whole);
        QFETCH(QStringList, lines);
        m_help->showWindow();
        // Start from another page, so the click has something to change.
        click(button == 0 ? m_help->button_topic[4] : m_help->button_topic[0]);
        click(m_help->button_topic[button]);
        QCOMPARE(m_help->button_topic[button]->Caption(), caption);
        QCOMPARE(m_help->label_caption->text(), caption);
        QPlainTextEdit* seen = seenPage(*m_help);
        QVERIFY(seen);
        QCOMPARE(seen->objectName(), page);
        QCOMPARE(m_help->frontpage(), seen);
        const QStringList shown = linesOf(seen);
        QCOMPARE(whole ? shown : shown.mid(0, lines.size()), lines);
    }

    void pagesShareOneStyle() {
        for (QPlainTextEdit* page :
             {m_help->memo1, m_help->memo3, m_help->memo4, m_help->memo5, m_help->memo6}) {
            QCOMPARE(page->palette().color(QPalette::Base), QColor(72, 72, 72));
            QCOMPARE(page->palette().color(QPalette::Text), QColor(255, 255, 0));
            QCOMPARE(page->font().family(), QStringLiteral("Arial"));
            QCOMPARE(page->font().pixelSize(), 11);
            QCOMPARE(page->document()->documentMargin(), 5.0);
            QCOMPARE(page->frameShape(), QFrame::NoFrame);
            QCOMPARE(page->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            QCOMPARE(page->lineWrapMode(), QPlainTextEdit::WidgetWidth);
            QVERIFY(page->isReadOnly());
            QVERIFY(!(page->focusPolicy() & Qt::TabFocus));
        }
    }

    void helpAboutButtonShowsTheAboutWindow() {
        m_help->showWindow();
        click(m_help->button_about);
        QVERIFY(m_about->isVisible());
    }

    // Opening a window the player has minimised brings it back.
    void showingAMinimisedWindowRestoresIt() {
        m_help->showWindow();
        m_about->showWindow();
        m_help->showMinimized();
        m_about->showMinimized();
        QVERIFY(m_help->isMinimized() && m_about->isMinimized());
        m_help->showWindow();
        click(m_help->button_about);
        QVERIFY(!m_help->isMinimized());
        QVERIFY(!m_about->isMinimized());
        QVERIFY(m_help->isVisible() && m_about->isVisible());
    }

    void windowsAreFirstShownCentredOverTheGameWindowThenStayPut() {
        for (QWidget* window : {static_cast<QWidget*>(m_help), static_cast<QWidget*>(m_about),
                                static_cast<QWidget*>(m_multiplayer)}) {
            window->show();
            QCOMPARE(window->frameGeometry().center(), m_game->frameGeometry().center());
            window->move(window->pos() + QPoint(40, 30));
            const QPoint moved = window->pos();
            window->hide();
            window->show();
            QCOMPARE(window->pos(), moved);
        }
    }

    void aboutReadsVersionOneZeroZeroZero() {
        QCOMPARE(m_about->version->text(), QStringLiteral("1.0.0"));
        QCOMPARE(m_about->Label3->text(), QStringLiteral("Version"));
        QCOMPARE(m_about->Label4->text(), QStringLiteral(".0"));
        // Read left to right, the three labels make one line without gaps or overlaps.
        const QLabel* parts[] = {m_about->Label3, m_about->version, m_about->Label4};
        QString line;
        for (int i = 0; i < 3; ++i) {
            const QLabel* part = parts[i];
            QCOMPARE(part->y(), 171);
            if (i > 0) {
                const QLabel* before = parts[i - 1];
                QVERIFY(before->x() + before->fontMetrics().horizontalAdvance(before->text()) <=
                        part->x());
                line += part->text();
            }
        }
        QCOMPARE(line, QStringLiteral("1.0.0.0"));
    }

    void yearLabelsShowTheCurrentYear() {
        const QString year = QString::number(QDate::currentDate().year());
        QCOMPARE(m_about->label_year->text(), year);
        QCOMPARE(m_help->label_year->text(), year);
    }

    void linksHandTheSitesPagesToTheOpener_data() {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("page");
        QTest::newRow("local server") << siteRoot << "http://127.0.0.1:8080/"
                                      << "http://127.0.0.1:8080/multiplayer.html";
        QTest::newRow("site in a folder") << "http://example.org/games/"
                                          << "http://example.org/"
                                          << "http://example.org/games/multiplayer.html";
        QTest::newRow("https and IPv6") << "https://[::1]:8443/"
                                        << "https://[::1]:8443/"
                                        << "https://[::1]:8443/multiplayer.html";
        QTest::newRow("no host opens nothing") << "bloomzap"
                                               << ""
                                               << "";
    }
    void linksHandTheSitesPagesToTheOpener() {
        QFETCH(QString, root);
        QFETCH(QString, home);
        QFETCH(QString, page);
        Tabout about(nullptr, root);
        Tmultiplayer multiplayer(nullptr, root);
        click(about.label_link);
        about.openSite(); // the game window's logo
        for (QWidget* link : {static_cast<QWidget*>(multiplayer.label_line1),
                              static_cast<QWidget*>(multiplayer.image_ad),
                              static_cast<QWidget*>(multiplayer.label_line2)}) {
            click(link);
        }
        const QStringList expected =
            home.isEmpty() ? QStringList() : QStringList{home, home, page, page, page};
        QCOMPARE(m_opened, expected);
    }

    // A link takes the keys from Tab, not from a click; focused it shows a dotted frame and
    // Space or Return opens it.
    void linksOpenFromTheKeyboardToo() {
        Tabout about(nullptr, QStringLiteral("http://example.org/"));
        about.showWindow();
        QVERIFY(QTest::qWaitForWindowActive(&about));
        ClickLabel* link = about.label_link;
        QCOMPARE(link->focusPolicy(), Qt::TabFocus);
        link->clearFocus(); // the window may have given it the keys as it came up
        const QImage plain = link->grab().toImage();
        link->setFocus(Qt::TabFocusReason);
        QVERIFY(link->hasFocus());
        QVERIFY(link->grab().toImage() != plain);
        QTest::keyClick(link, Qt::Key_Space);
        QTest::keyClick(link, Qt::Key_Return);
        QTest::keyClick(link, Qt::Key_X);
        QCOMPARE(m_opened, QStringList({"http://example.org/", "http://example.org/"}));
    }

    void aboutLinkShowsTheSiteAndAdvertShowsItsPicture() {
        QCOMPARE(m_about->URL1->URLType(), utHttp);
        QCOMPARE(m_about->URL1->URL(), QStringLiteral("127.0.0.1:8080/"));
        QCOMPARE(m_about->label_link->text(), QStringLiteral("127.0.0.1:8080"));
        QVERIFY(m_about->image_title->pixmap().size() == QSize(293, 69));
        // Decoded by the JPEG plugin.
        QVERIFY(m_multiplayer->image_ad->pixmap().size() == QSize(521, 300));
        QCOMPARE(m_multiplayer->URL1->URL(), QStringLiteral("127.0.0.1:8080/multiplayer.html"));
    }

    void doneHidesAboutAndAdvert() {
        for (QWidget* window :
             {static_cast<QWidget*>(m_about), static_cast<QWidget*>(m_multiplayer)}) {
            window->show();
            click(window->findChild<TSelButton*>(QStringLiteral("button_done")));
            QVERIFY(!window->isVisible());
        }
    }

private:
    QStringList m_opened;
    std::unique_ptr<QWidget> m_game;
    Tabout* m_about = nullptr;
    Thelp* m_help = nullptr;
    Tmultiplayer* m_multiplayer = nullptr;
};

QTEST_MAIN(IntegrationInfoWindows)
#include "InfoWindowsTest.moc"
