// The program's windows as start-up makes them, under several locales: byte for byte English
// under every locale but German, with no translator loaded; German under a German locale, every
// text and screen-reader name translated (Qt's own buttons too) and every text fitting its place.

#include "app/GameProgram.h"
#include "app/GameTranslations.h"
#include "tests/app/TmainParts.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"
#include "widgets/ButtonComps.h"
#include "widgets/FontSubstitutes.h"
#include "widgets/TFlatPanelUnit.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <memory>

namespace {

using Texts = QMap<QString, QString>;

// The program's windows on a virtual clock over a fresh folder, made after the translations
// for `locale` were put in place as the program's start does it.
struct LocalisedRun {
    QTemporaryDir folder;
    VirtualClock clock;
    testsupport::RecordingOutput silence;
    std::unique_ptr<GameWindows> windows;

    explicit LocalisedRun(const QLocale& locale) {
        QLocale::setDefault(locale);
        installGameTranslations(*QCoreApplication::instance());
        const std::filesystem::path dir = folder.path().toStdString();
        testsupport::writeFile(dir / "bloomzap.ini",
                               "[bloomzap]\r\nSite=http://127.0.0.1:1/\r\nUpdate=false\r\n");
        MainEnvironment environment;
        environment.timers = &clock;
        environment.seed = [] { return std::uint64_t(7); };
        environment.sound = &silence;
        environment.settingsFile = dir / "bloomzap.ini";
        environment.showMessage = [](const QString&) {};
        windows = std::make_unique<GameWindows>(environment, dir);
    }

    ~LocalisedRun() {
        windows.reset();
        for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
            delete translator;
        }
        QLocale::setDefault(QLocale::c());
    }

    QList<const QWidget*> all() const {
        return {&windows->main, &windows->tallylist, &windows->about,
                &windows->help, &windows->highscore, &windows->multiplayer};
    }
};

// Every text a window shows or tells a screen reader, keyed by the window's and the
// component's names: its title, labels, caption buttons, captioned panels, pages, menu titles
// and menu items, and the names and descriptions its components carry for screen readers.
Texts textsOf(const QWidget& window) {
    Texts texts;
    const QString prefix = window.objectName() + QLatin1Char('/');
    texts[prefix + QStringLiteral("title")] = window.windowTitle();
    const auto own = [&window](const QWidget* widget) { return widget->window() == &window; };
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (own(label) && !label->text().isEmpty()) {
            texts[prefix + label->objectName()] = label->text();
        }
    }
    for (const TSelButton* button : window.findChildren<TSelButton*>()) {
        if (own(button)) {
            texts[prefix + button->objectName()] = button->Caption();
        }
    }
    for (const TFlatPanel* panel : window.findChildren<TFlatPanel*>()) {
        if (own(panel) && !panel->Caption().isEmpty()) {
            texts[prefix + panel->objectName()] = panel->Caption();
        }
    }
    for (const QPlainTextEdit* page : window.findChildren<QPlainTextEdit*>()) {
        if (own(page)) {
            texts[prefix + page->objectName()] = page->toPlainText();
        }
    }
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!own(widget) || widget->objectName().isEmpty()) {
            continue;
        }
        if (!widget->accessibleName().isEmpty()) {
            texts[prefix + widget->objectName() + QStringLiteral("#name")] =
                widget->accessibleName();
        }
        if (!widget->accessibleDescription().isEmpty()) {
            texts[prefix + widget->objectName() + QStringLiteral("#description")] =
                widget->accessibleDescription();
        }
    }
    int menuNumber = 0;
    for (const QMenu* menu : window.findChildren<QMenu*>()) {
        if (!own(menu->parentWidget())) {
            continue;
        }
        // As shown: the keyboard letters' marks are not.
        texts[prefix + QStringLiteral("menu%1").arg(++menuNumber)] = menu->menuAction()->iconText();
        for (const QAction* item : menu->actions()) {
            if (!item->isSeparator()) {
                texts[prefix + item->objectName()] = item->iconText();
            }
        }
    }
    return texts;
}

Texts textsOf(const LocalisedRun& run) {
    Texts texts;
    for (const QWidget* window : run.all()) {
        texts.insert(textsOf(*window));
    }
    return texts;
}

// The game window's texts as the player has always read them.
const Texts englishGameWindow = {
    {"main/title", "Bloomzap"},
    {"main/label_name", "Welcome to Bloomzap!"},
    {"main/Label8", "Level:"},
    {"main/Label10", "Until Next Level:"},
    {"main/Label6", "Last Score:"},
    {"main/Label2", "Score:"},
    {"main/button_pause", "PAUSE GAME"},
    {"main/button_start", "START GAME"},
    {"main/Label4", "Cleared:"},
    {"main/label_status", "Enjoy the Game!"},
    {"main/label_entername", "ENTER YOUR NAME"},
    {"main/button_namedone", "DONE"},
    {"main/button_namecancel", "CANCEL"},
    {"main/label_cleared", "YOUR CLEARED THE BOARD!"},
    {"main/label_yourscore", "Your Score: "},
    {"main/label_entername2", "Enter Your Name"},
    {"main/button_sendscore", "SEND SCORE"},
    {"main/panel_wait", "Posting Score, Please Wait......"},
    {"main/button_viewhighscores", "VIEW HIGH SCORES"},
    {"main/button_done", "DONE"},
    {"main/label_updateavailable", "Update Available"},
    {"main/label_updatenow", "Would you like to update now?"},
    {"main/button_updateyes", "UPDATE"},
    {"main/button_updatecancel", "CANCEL"},
    {"main/label_paused", "GAME IS PAUSED"},
    {"main/button_resume", "RESUME"},
    {"main/menu1", "File"},
    {"main/menu2", "Options"},
    {"main/menu3", "View"},
    {"main/menu4", "Help"},
    {"main/StartGame1", "Start Game"},
    {"main/DailyBloom1", "Daily Bloom"},
    {"main/Exit1", "Exit"},
    {"main/PlaySounds1", "Play Sounds"},
    {"main/ResetScreenLocation1", "Reset Screen Location"},
    {"main/ChangeName1", "Change  Name"},
    {"main/AutomaticallyCheckforUpdates1", "Automatically Check for Updates"},
    {"main/TallyList1", "Tally List"},
    {"main/ViewHighScoreList1", "View High Score List"},
    {"main/ViewDailyBloomList1", "View Daily Bloom List"},
    {"main/Help1", "Help"},
    {"main/About1", "About"},
    {"tallylist/title", "Bloomzap - Tally List"},
    {"tallylist/button_reset", "RESET TALLY"},
    {"help/title", "Bloomzap - Help File"},
    {"help/button_gameplay", "Game Play"},
    {"about/title", "Bloomzap - About"},
    {"highscore/title", "Bloomzap - High Scores"},
    {"multiplayer/title", "Bloomzap - Multiplayer"},
};

// Texts that read the same in German: names, numbers, addresses, and the words German shares.
bool sameInGerman(const QString& text) {
    static const QStringList shared = {"Bloomzap",
                                       "UPDATE",
                                       "Version",
                                       "Copyright (c)",
                                       "Copyright (c) Varnok Software",
                                       "Varnok",
                                       "Varnok Software",
                                       "Feb 11, 2008"};
    const bool letters =
        std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
    return !letters || shared.contains(text) || text.startsWith(QLatin1String("http://"));
}

// Where a single-line text lies across its widget, as its alignment puts it.
QRect textSpan(const QWidget& widget, const QString& text, Qt::Alignment alignment) {
    const int advance = widget.fontMetrics().horizontalAdvance(text);
    const QRect inside = widget.contentsRect();
    int left = inside.left();
    if (alignment & Qt::AlignRight) {
        left = inside.right() + 1 - advance;
    } else if (alignment & Qt::AlignHCenter) {
        left = inside.left() + (inside.width() - advance) / 2;
    }
    return QRect(left, 0, advance, 1);
}

// The texts of a window that are wider than their widget, or than what their parent shows
// of the widget.
QStringList cutOff(const QWidget& window) {
    QStringList cut;
    const auto check = [&cut](const QWidget& widget, const QString& text, Qt::Alignment align) {
        if (text.isEmpty() || text.contains(QLatin1Char('\n'))) {
            return;
        }
        const QRect span = textSpan(widget, text, align);
        const QRect shown = widget.contentsRect().intersected(
            QRect(widget.mapFromParent(QPoint(0, 0)), widget.parentWidget()->size()));
        if (span.left() < shown.left() || span.right() > shown.right()) {
            cut << widget.objectName() + QStringLiteral(": ") + text;
        }
    };
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->window() == &window && !label->wordWrap()) {
            check(*label, label->text(), label->alignment());
        }
    }
    for (const TSelButton* button : window.findChildren<TSelButton*>()) {
        if (button->window() == &window) {
            check(*button, button->Caption(), Qt::AlignHCenter);
        }
    }
    for (const TFlatPanel* panel : window.findChildren<TFlatPanel*>()) {
        if (panel->window() == &window) {
            check(*panel, panel->Caption(), Qt::AlignHCenter);
        }
    }
    return cut;
}

// Starts a game from the window's own button and pauses it: the texts the game writes.
QStringList playedTexts(LocalisedRun& run) {
    Tmain& main = run.windows->main;
    QTest::mouseClick(button(main, "button_namedone"), Qt::LeftButton);
    QTest::mouseClick(button(main, "button_start"), Qt::LeftButton);
    run.clock.advance(10);
    QStringList texts{label(main, "label_name")->text(), button(main, "button_pause")->Caption()};
    QTest::mouseClick(button(main, "button_pause"), Qt::LeftButton);
    texts << button(main, "button_pause")->Caption();
    return texts;
}

} // namespace

class IntegrationTranslatedWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutes(); }

    void everyLocaleButGermanKeepsTheEnglishTextsByteForByte() {
        Texts plain;
        {
            LocalisedRun run(QLocale::c());
            plain = textsOf(run);
        }
        for (const char* name : {"C", "en_US", "en_GB", "fr_FR", "pt_BR"}) {
            const QLocale locale(QString::fromLatin1(name));
            if (locale.language() == QLocale::German) {
                continue;
            }
            LocalisedRun run(locale);
            // No catalogue was even opened.
            QVERIFY2(QCoreApplication::instance()->findChildren<QTranslator*>().isEmpty(), name);
            const Texts texts = textsOf(run);
            for (auto it = englishGameWindow.begin(); it != englishGameWindow.end(); ++it) {
                QCOMPARE(texts.value(it.key()), it.value());
            }
            QCOMPARE(texts, plain);
            QCOMPARE(playedTexts(run), (QStringList{"Good Luck Guest", "PAUSE GAME", "RESUME"}));
            QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
        }
    }

    // Run once per locale named in LC_ALL (the test's registrations name several): the system's
    // locale comes from that name alone, whether or not the machine has the locale installed.
    void theLocaleNamedInTheEnvironmentChoosesTheLanguage() {
        const bool german = qEnvironmentVariable("LC_ALL").startsWith(QLatin1String("de"));
        installGameTranslations(*QCoreApplication::instance());
        const auto installed = QCoreApplication::instance()->findChildren<QTranslator*>();
        QCOMPARE(installed.isEmpty(), !german);
        QCOMPARE(QCoreApplication::translate("Tmain", "START GAME"),
                 german ? QStringLiteral("NEUES SPIEL") : QStringLiteral("START GAME"));
        qDeleteAll(installed);
    }

    void aGermanLocaleShowsEveryTextInGermanAndEachFitsItsPlace() {
        Texts english;
        {
            LocalisedRun run(QLocale::c());
            english = textsOf(run);
        }
        for (const char* name : {"de_DE", "de_AT", "de_CH"}) {
            LocalisedRun run{QLocale(QString::fromLatin1(name))};
            const Texts texts = textsOf(run);
            QCOMPARE(texts.keys(), english.keys());
            for (auto it = texts.begin(); it != texts.end(); ++it) {
                if (!sameInGerman(english.value(it.key()))) {
                    QVERIFY2(it.value() != english.value(it.key()),
                             qPrintable(it.key() + QStringLiteral(" still reads ") + it.value()));
                }
            }
            QCOMPARE(texts.value("main/button_start"), QStringLiteral("NEUES SPIEL"));
            QCOMPARE(texts.value("main/menu1"), QStringLiteral("Spiel"));
            QCOMPARE(texts.value("tallylist/title"), QStringLiteral("Bloomzap - Statistik"));
            QCOMPARE(texts.value("about/button_done#description"),
                     QStringLiteral("Schließt dieses Fenster"));
            QCOMPARE(QAccessible::queryAccessibleInterface(board(run.windows->main))
                         ->text(QAccessible::Name),
                     QStringLiteral("Spielfeld"));
            QCOMPARE(playedTexts(run), (QStringList{"Viel Glück, Guest", "PAUSE", "WEITER"}));
            // Qt's own buttons, as in the tally's reset question.
            QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ja"));
            for (const QWidget* window : run.all()) {
                QVERIFY2(cutOff(*window).isEmpty(), qPrintable(cutOff(*window).join(" | ")));
            }
        }
    }
};

QTEST_MAIN(IntegrationTranslatedWindowsTest)
#include "IntegrationTranslatedWindowsTest.moc"
