// The game window offscreen on a virtual clock: start-up, placement, panels, names, a game.

#include "app/NameBox.h"
#include "app/SoundOutput.h"
#include "app/mainform.h"
#include "engine/Game.h"
#include "engine/view/BoardView.h"
#include "engine/view/TileList.h"
#include "online/HTTPGet.h"
#include "online/highscoreform.h"
#include "tests/app/TmainParts.h"
#include "tests/support/QtTestMain.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"
#include "widgets/ButtonComps.h"
#include "widgets/ClickLabel.h"
#include "widgets/FontSubstitutes.h"
#include "widgets/LbBack.h"
#include "widgets/TFlatPanelUnit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <vector>

class TmainTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    VirtualClock* m_clock = nullptr;
    testsupport::RecordingOutput* m_sounds = nullptr;
    QStringList m_messages;

    std::filesystem::path settingsFile() const {
        return std::filesystem::path(m_folder.path().toStdString()) / "bloomzap.ini";
    }
    void writeSettings(const std::string& keys) const {
        testsupport::writeFile(settingsFile(), "[bloomzap]\r\n" + keys);
    }
    // Whether the settings file holds this whole line.
    bool saved(const std::string& line) const {
        return testsupport::readFile(settingsFile()).find(line + "\r\n") != std::string::npos;
    }

    std::unique_ptr<Tmain> makeWindow(QRect workArea = QRect(0, 0, 1920, 1080),
                                      std::filesystem::path file = {}) {
        MainEnvironment environment;
        environment.timers = m_clock;
        environment.seed = [] { return std::uint64_t(20261207); };
        environment.sound = m_sounds;
        environment.settingsFile = file.empty() ? settingsFile() : file;
        environment.workArea = [workArea] { return workArea; };
        environment.showMessage = [this](const QString& text) { m_messages << text; };
        auto window = std::make_unique<Tmain>(environment);
        window->show();
        return window;
    }

private slots:
    void initTestCase() { installFontSubstitutes(); }

    void init() {
        QVERIFY(m_folder.isValid());
        std::filesystem::remove(settingsFile());
        m_clock = new VirtualClock;
        m_sounds = new testsupport::RecordingOutput;
        m_messages.clear();
    }

    void cleanup() {
        delete m_sounds;
        delete m_clock;
    }

    // Outside users (a screen reader, a test) find the window's components by their names: no
    // name is given twice. The displays, buttons and pictures on the board panel lie inside it
    // and none covers another, where a click or a look would miss it.
    void componentsHaveNamesOfTheirOwnAndDoNotCoverEachOther() {
        auto main = makeWindow();
        QHash<QString, int> names;
        const auto count = [&names](const QObject* object) {
            const QString name = object->objectName();
            if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_"))) {
                ++names[name];
            }
        };
        for (const QObject* object : main->centralWidget()->findChildren<QObject*>()) {
            count(object);
        }
        for (const QAction* item : main->menuBar()->findChildren<QAction*>()) {
            count(item);
        }
        QVERIFY(names.size() >= 50);
        for (auto it = names.cbegin(); it != names.cend(); ++it) {
            QVERIFY2(it.value() == 1, qPrintable(it.key()));
        }

        // The name panel covers the board on purpose until it is answered.
        click(button(*main, "button_namecancel"));
        const QWidget* area = panel(*main, "panel_board1");
        QList<const QWidget*> shown;
        for (const QObject* child : area->children()) {
            const auto* widget = qobject_cast<const QWidget*>(child);
            if (widget != nullptr && widget->isVisibleTo(area)) {
                shown << widget;
            }
        }
        QVERIFY(shown.size() >= 15);
        for (const QWidget* widget : shown) {
            QVERIFY2(area->rect().contains(widget->geometry()), qPrintable(widget->objectName()));
            for (const QWidget* other : shown) {
                QVERIFY2(widget == other || !widget->geometry().intersects(other->geometry()),
                         qPrintable(widget->objectName() + QLatin1String(" covers ") +
                                    other->objectName()));
            }
        }
    }

    // playsounds plays by name only while "Play Sounds" is checked.
    // Alt and a letter open each menu and take each item; no two in one menu share a letter,
    // and the texts read as they always have.
    void eachMenuAndItemHasAKeyboardLetterOfItsOwn() {
        auto main = makeWindow();
        const auto letters = [](const QList<QAction*>& actions) {
            QStringList found;
            for (const QAction* action : actions) {
                if (action->isSeparator()) {
                    continue;
                }
                const QKeySequence key = QKeySequence::mnemonic(action->text());
                if (key.isEmpty()) {
                    return QStringList{QStringLiteral("none: ") + action->iconText()};
                }
                found << key.toString();
            }
            return found;
        };
        const QList<QAction*> menus = main->menuBar()->actions();
        QCOMPARE(letters(menus), QStringList({"Alt+F", "Alt+O", "Alt+V", "Alt+H"}));
        QStringList shown;
        for (const QAction* menu : menus) {
            const QStringList inMenu = letters(menu->menu()->actions());
            QCOMPARE(QSet<QString>(inMenu.begin(), inMenu.end()).size(), inMenu.size());
            for (const QAction* item : menu->menu()->actions()) {
                if (!item->isSeparator()) {
                    shown << item->iconText();
                }
            }
        }
        QCOMPARE(shown,
                 QStringList({"Start Game", "Daily Bloom", "Exit", "Play Sounds",
                              "Reset Screen Location", "Change  Name",
                              "Automatically Check for Updates", "Tally List",
                              "View High Score List", "View Daily Bloom List", "Help", "About"}));
    }

    void playsoundsFollowsTheSwitch() {
        auto main = makeWindow();
        m_sounds->calls.clear();
        main->playsounds("drop");
        menuItem(*main, "PlaySounds1")->setChecked(false);
        main->playsounds("clear");
        menuItem(*main, "PlaySounds1")->setChecked(true);
        main->playsounds("GameOver");
        QCOMPARE(m_sounds->played(), (std::vector<std::string>{"DROP", "GAMEOVER"}));
    }

    void firstStartOpensTopLeftAndGrowsToTheBoard() {
        auto main = makeWindow();
        QCOMPARE(main->pos(), QPoint(3, 3));
        QVERIFY(main->centralWidget()->width() >= 515);
        QVERIFY(main->centralWidget()->height() >= 442);
        QCOMPARE(main->windowTitle(), QStringLiteral("Bloomzap"));
        // The player is asked for a name first, with the default one in both boxes.
        QVERIFY(panel(*main, "panel_name")->isVisible());
        QCOMPARE(nameBox(*main, "edit_name")->text(), QStringLiteral("Guest"));
        QCOMPARE(nameBox(*main, "edit_aname")->text(), QStringLiteral("Guest"));
        QCOMPARE(m_sounds->played(), std::vector<std::string>{"ENTERED"});
        QVERIFY(!main->game().state().gamerunning);
        QVERIFY(!button(*main, "button_pause")->Enabled());
        for (QWidget* hidden : std::initializer_list<QWidget*>{panel(*main, "panel_cleared"),
                                                               panel(*main, "panel_paused"),
                                                               panel(*main, "panel_update")}) {
            QVERIFY(hidden->isHidden());
        }
    }

    void soundsSwitchedOffInTheFileKeepStartUpSilent() {
        writeSettings("Sounds=no\r\n");
        auto main = makeWindow();
        QVERIFY(!main->playSounds());
        QVERIFY(m_sounds->played().empty());
    }

    void resizingSmallerSnapsBackToTheBoard() {
        auto main = makeWindow();
        main->resize(200, 150);
        QVERIFY(main->centralWidget()->width() >= 515);
        QVERIFY(main->centralWidget()->height() >= 442);
        // Bigger is allowed, and the board floats in the middle.
        main->resize(1018, 943);
        QCOMPARE(main->width(), 1018);
        const QRect boardPanel = panel(*main, "panel_board")->geometry();
        const QPoint centre = boardPanel.center();
        QVERIFY(qAbs(centre.x() - main->centralWidget()->width() / 2) <= 2);
        QVERIFY(qAbs(centre.y() - main->centralWidget()->height() / 2) <= 2);
    }

    void aWindowSystemThatShrinksTheWindowIsOverruled() {
        // Not every window manager honours the minimum size; the window grows back itself.
        auto main = makeWindow();
        QVERIFY(QTest::qWaitForWindowExposed(main.get()));
        QWindow* frame = main->windowHandle();
        QSignalSpy shrunk(frame, &QWindow::widthChanged);
        frame->setMinimumSize(QSize(1, 1));
        frame->resize(300, 200);
        QTRY_VERIFY(!shrunk.isEmpty());
        QCoreApplication::processEvents();
        QVERIFY(main->width() >= 515);
        QVERIFY(main->height() - main->menuBar()->height() >= 442);
        QVERIFY(main->rect().contains(main->centralWidget()->geometry()));
    }

    void resetScreenLocationThenCloseSavesTheDefaultPlacement() {
        writeSettings("Top=200\r\nLeft=300\r\nWidth=700\r\nHeight=600\r\n");
        auto main = makeWindow();
        QCOMPARE(main->pos(), QPoint(300, 200));
        menuItem(*main, "ResetScreenLocation1")->trigger();
        const int grownHeight = main->height();
        QVERIFY(main->close());
        QVERIFY(saved("Top=3") && saved("Left=3") && saved("Width=518"));
        QVERIFY(saved("Height=" + std::to_string(grownHeight)));
        QVERIFY(grownHeight >= 443);
    }

    void aWindowWiderThanTheWorkAreaIsSavedThreePixelsNarrower() {
        auto main = makeWindow(QRect(0, 0, 800, 2000));
        main->resize(900, 500);
        QVERIFY(main->close());
        QVERIFY2(saved("Width=897") && saved("Height=500"),
                 testsupport::readFile(settingsFile()).c_str());
    }

    void anUnwritableSettingsFileKeepsTheWindowOpen() {
        // A settings "folder" that is a plain file cannot hold the settings, even for root.
        const auto blocker = std::filesystem::path(m_folder.path().toStdString()) / "blocker";
        testsupport::writeFile(blocker, "x");
        auto main = makeWindow(QRect(0, 0, 1920, 1080), blocker / "bloomzap.ini");
        QVERIFY(!main->close());
        QVERIFY(main->isVisible());
        QCOMPARE(m_messages,
                 QStringList{QStringLiteral("Unable to write to ") +
                             QString::fromStdString((blocker / "bloomzap.ini").string())});
        std::filesystem::remove(blocker);
    }

    // Without a message hook of its own the window tells the player in a plain box: titled
    // "Bloomzap", one OK button, no icon.
    void messagesToThePlayerHaveOneOkButtonAndNoIcon() {
        const auto blocker = std::filesystem::path(m_folder.path().toStdString()) / "blocker";
        testsupport::writeFile(blocker, "x");
        MainEnvironment environment;
        environment.timers = m_clock;
        environment.sound = m_sounds;
        environment.settingsFile = blocker / "bloomzap.ini";
        environment.workArea = [] { return QRect(0, 0, 1920, 1080); };
        Tmain main(environment);
        main.show();
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::Critical;
        qsizetype buttons = 0;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->buttons().size();
            box->button(QMessageBox::Ok)->click();
        });
        QVERIFY(!main.saveSettings());
        QCOMPARE(title, QStringLiteral("Bloomzap"));
        QVERIFY(text.startsWith(QStringLiteral("Unable to write to ")));
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(buttons, 1);
        std::filesystem::remove(blocker);
    }

    void playSoundsTogglesAndSavesAtOnce() {
        auto main = makeWindow();
        menuItem(*main, "PlaySounds1")->trigger();
        QVERIFY(!main->playSounds());
        QVERIFY(saved("Sounds=no"));
        menuItem(*main, "AutomaticallyCheckforUpdates1")->trigger();
        QVERIFY(!main->checkForUpdates());
        QVERIFY(main->close());
        QVERIFY(saved("Update=false"));
    }

    void namePanelDoneAndCancel() {
        auto main = makeWindow();
        // CANCEL keeps the old name; the typed text stays in the panel's box.
        nameBox(*main, "edit_aname")->clear();
        QTest::keyClicks(nameBox(*main, "edit_aname"), "Zed");
        click(button(*main, "button_namecancel"));
        QVERIFY(panel(*main, "panel_name")->isHidden());
        QCOMPARE(main->playerName(), QStringLiteral("Guest"));
        menuItem(*main, "ChangeName1")->trigger();
        QCOMPARE(nameBox(*main, "edit_aname")->text(), QStringLiteral("Zed"));

        // DONE with an empty box leaves the name empty.
        nameBox(*main, "edit_aname")->clear();
        click(button(*main, "button_namedone"));
        QCOMPARE(main->playerName(), QString());
        QVERIFY(main->close());
        QVERIFY(saved("Name="));
    }

    void typingStopsAtTenCharactersButALongStoredNameShowsWhole() {
        writeSettings("Name=Maximilianus the Great\r\n");
        auto main = makeWindow();
        QCOMPARE(nameBox(*main, "edit_name")->text(), QStringLiteral("Maximilianus the Great"));
        nameBox(*main, "edit_aname")->clear();
        QTest::keyClicks(nameBox(*main, "edit_aname"), "ABCDEFGHIJKLMNOP");
        QCOMPARE(nameBox(*main, "edit_aname")->text(), QStringLiteral("ABCDEFGHIJ"));

        // A pasted name keeps what fits rather than vanishing whole.
        nameBox(*main, "edit_aname")->setText(QStringLiteral("Bob"));
        nameBox(*main, "edit_aname")->setCursorPosition(1);
        QGuiApplication::clipboard()->setText(QStringLiteral("123456789"));
        nameBox(*main, "edit_aname")->paste();
        QCOMPARE(nameBox(*main, "edit_aname")->text(), QStringLiteral("B1234567ob"));
        QCOMPARE(nameBox(*main, "edit_aname")->cursorPosition(), 8);
        // The long stored name may be edited at its length but not grown.
        nameBox(*main, "edit_name")->setCursorPosition(0);
        nameBox(*main, "edit_name")->setSelection(0, 3);
        nameBox(*main, "edit_name")->paste();
        QCOMPARE(nameBox(*main, "edit_name")->text(), QStringLiteral("123imilianus the Great"));
    }

    void panelsFollowTheGame() {
        auto main = makeWindow();
        click(button(*main, "button_start"));
        QVERIFY(panel(*main, "panel_name")->isHidden());
        QVERIFY(main->game().state().gamerunning);
        QCOMPARE(label(*main, "label_name")->text(), QStringLiteral("Good Luck Guest"));
        QVERIFY(button(*main, "button_pause")->Enabled());

        click(button(*main, "button_pause"));
        QVERIFY(panel(*main, "panel_paused")->isVisible());
        QCOMPARE(button(*main, "button_pause")->Caption(), QStringLiteral("RESUME"));
        click(button(*main, "button_resume"));
        QVERIFY(panel(*main, "panel_paused")->isHidden());
        QCOMPARE(button(*main, "button_pause")->Caption(), QStringLiteral("PAUSE GAME"));

        // Pausing again, then the menu's Start Game: everything over the board goes away.
        click(button(*main, "button_pause"));
        menuItem(*main, "StartGame1")->trigger();
        QVERIFY(panel(*main, "panel_paused")->isHidden());
        QVERIFY(!main->game().state().paused);
    }

    void theGreetingShowsALongNameWhole() {
        writeSettings("Name=WWWWWWWWWW\r\n");
        auto main = makeWindow();
        QCOMPARE(label(*main, "label_name")->text(), QStringLiteral("Welcome to Bloomzap!"));
        click(button(*main, "button_start"));
        const QString greeting = QStringLiteral("Good Luck WWWWWWWWWW");
        QCOMPARE(label(*main, "label_name")->text(), greeting);
        QVERIFY(label(*main, "label_name")->width() >=
                label(*main, "label_name")->fontMetrics().horizontalAdvance(greeting));
        // A name far too long for the window still ends at the board panel's edge.
        nameBox(*main, "edit_name")->setText(QString(60, QLatin1Char('W')));
        click(button(*main, "button_start"));
        QCOMPARE(label(*main, "label_name")->geometry().right(),
                 panel(*main, "panel_board")->width() - 1);
        // A short name keeps the greeting's own size.
        nameBox(*main, "edit_name")->setText(QStringLiteral("Al"));
        click(button(*main, "button_start"));
        QCOMPARE(label(*main, "label_name")->width(), 160);
    }

    // The wait panel over SEND SCORE is black with a black frame: only its text shows.
    void theWaitPanelShowsOnlyItsText() {
        auto main = makeWindow();
        TFlatPanel* wait = panel(*main, "panel_wait");
        QCOMPARE(wait->ColorHighLight(), QColor(Qt::black));
        QCOMPARE(wait->ColorShadow(), QColor(Qt::black));
        const QImage drawn = wait->grab().toImage();
        for (const QPoint edge : {QPoint(0, 0), QPoint(drawn.width() - 1, drawn.height() - 1)}) {
            QCOMPARE(drawn.pixelColor(edge), QColor(Qt::black));
        }
    }

    // "View High Score List" brings back a high-score window the player has minimised.
    void viewHighScoreListRestoresAMinimisedWindow() {
        auto main = makeWindow();
        Thighscore highscore(main.get(), "http://127.0.0.1:1/");
        main->setHighScoreWindow(&highscore);
        highscore.showMinimized();
        menuItem(*main, "ViewHighScoreList1")->trigger();
        QVERIFY(highscore.isVisible());
        QVERIFY(!highscore.isMinimized());
        QTRY_VERIFY(!highscore.getit->busy());
    }

    void startGameFromTheMenuRestartsAndHidesTheGameOverPanel() {
        auto main = makeWindow();
        click(button(*main, "button_start"));
        while (main->game().state().gamerunning) {
            m_clock->advance(1000);
        }
        QVERIFY(panel(*main, "panel_cleared")->isVisible());
        QVERIFY(button(*main, "button_sendscore")->isVisible());
        QVERIFY(!button(*main, "button_pause")->Enabled());

        menuItem(*main, "StartGame1")->trigger();
        QVERIFY(panel(*main, "panel_cleared")->isHidden());
        QVERIFY(main->game().state().gamerunning);
        QCOMPARE(label(*main, "label_score")->text(), QStringLiteral("0"));
        QCOMPARE(main->game().state().round, 1);

        // Starting again while the game runs restarts it from round 1.
        m_clock->advance(10000);
        menuItem(*main, "StartGame1")->trigger();
        QCOMPARE(main->game().state().round, 1);
        QCOMPARE(main->game().state().score, 0);
    }

    void aWholeGamePlayedThroughTheWindow() {
        auto main = makeWindow();
        click(button(*main, "button_namedone"));
        click(button(*main, "button_start"));
        const GameState& state = main->game().state();
        int groupsClicked = 0;
        // Play as a quick player would: whenever a click counts, click a group.
        for (int tick = 0; tick < 400000 && state.gamerunning; ++tick) {
            m_clock->advance(10);
            if (!state.linesettled || state.removing || state.blinking) {
                continue;
            }
            const QPoint cell = findGroup(state);
            if (cell.isNull()) {
                continue;
            }
            QTest::mouseRelease(board(*main), Qt::LeftButton, {},
                                QPoint((cell.x() - 1) * 32 + 16, (cell.y() - 1) * 32 + 16));
            ++groupsClicked;
            QVERIFY(state.removing);
        }
        QVERIFY(!state.gamerunning);
        QVERIFY(groupsClicked > 10);
        QVERIFY(state.score > 0);
        QVERIFY(panel(*main, "panel_cleared")->isVisible());
        QCOMPARE(label(*main, "label_score")->text(), QString::number(state.score));
        QCOMPARE(label(*main, "label_round")->text(), QString::number(state.round));
        QVERIFY(!m_sounds->played().empty());
        QCOMPARE(m_sounds->played().back(), std::string("GAMEOVER"));
    }
};

BLOOMZAP_QTEST(TmainTest);
#include "TmainTest.moc"
