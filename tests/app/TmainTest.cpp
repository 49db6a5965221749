// The game window offscreen on a virtual clock: start-up, placement, panels, names, a game.

#include "app/NameBox.h"
#include "app/SoundOutput.h"
#include "app/mainform.h"
#include "engine/BoardView.h"
#include "engine/Game.h"
#include "engine/TileList.h"
#include "engine/TimerComponent.h"
#include "info/ClickLabel.h"
#include "online/HTTPGet.h"
#include "online/highscoreform.h"
#include "tests/support/QtTestMain.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"
#include "widgets/ButtonComps.h"
#include "widgets/FontSubstitutes.h"
#include "widgets/LbBack.h"
#include "widgets/TFlatPanelUnit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <vector>

namespace {

void click(TSelButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {},
                      QPoint(button->width() / 2, button->height() / 2));
}

// A cell (1-based) holding a flower with a same-coloured neighbour, or (0, 0).
QPoint findGroup(const GameState& state) {
    for (int c = 1; c <= 10; ++c)
        for (int r = 1; r <= 10; ++r) {
            const int v = state.cells[c][r];
            if (v > 0 && (state.cells[c + 1][r] == v || state.cells[c - 1][r] == v ||
                          (r < 10 && state.cells[c][r + 1] == v) || state.cells[c][r - 1] == v))
                return QPoint(c, r);
        }
    return QPoint();
}

} // namespace

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

    // Every component, menu item and timer of the window definition is found by its name.
    void everyComponentCarriesItsNameFromTheWindow() {
        auto main = makeWindow();
        const TmainComponents& ui = main->ui();
        const std::pair<const char*, const QObject*> named[] = {
            {"LbBackground1", ui.LbBackground1},
            {"panel_board", ui.panel_board},
            {"label_name", ui.label_name},
            {"panel_board1", ui.panel_board1},
            {"FlatPanel1", ui.FlatPanel1},
            {"board", ui.board},
            {"images_flowers", &ui.board->images_flowers()},
            {"Label8", ui.Label8},
            {"label_round", ui.label_round},
            {"Label10", ui.Label10},
            {"label_roundcleared", ui.label_roundcleared},
            {"Label6", ui.Label6},
            {"label_lastscore", ui.label_lastscore},
            {"Label2", ui.Label2},
            {"label_score", ui.label_score},
            {"button_pause", ui.button_pause},
            {"button_start", ui.button_start},
            {"Label4", ui.Label4},
            {"label_numremoved", ui.label_numremoved},
            {"label_status", ui.label_status},
            {"image_logo", ui.image_logo},
            {"Image1", ui.Image1},
            {"panel_name", ui.panel_name},
            {"edit_aname", ui.edit_aname},
            {"panel_cleared", ui.panel_cleared},
            {"edit_name", ui.edit_name},
            {"button_sendscore", ui.button_sendscore},
            {"panel_wait", ui.panel_wait},
            {"button_done", ui.button_done},
            {"panel_update", ui.panel_update},
            {"button_updateyes", ui.button_updateyes},
            {"button_updatecancel", ui.button_updatecancel},
            {"label_update", ui.label_update},
            {"panel_paused", ui.panel_paused},
            {"StartGame1", ui.StartGame1},
            {"Exit1", ui.Exit1},
            {"PlaySounds1", ui.PlaySounds1},
            {"ResetScreenLocation1", ui.ResetScreenLocation1},
            {"ChangeName1", ui.ChangeName1},
            {"AutomaticallyCheckforUpdates1", ui.AutomaticallyCheckforUpdates1},
            {"TallyList1", ui.TallyList1},
            {"ViewHighScoreList1", ui.ViewHighScoreList1},
            {"Help1", ui.Help1},
            {"About1", ui.About1},
            {"timerdrop", ui.timerdrop},
            {"timerremove", ui.timerremove},
            {"timerdroprate", ui.timerdroprate},
            {"timerblink", ui.timerblink},
            {"Timer1", main->findChild<TimerComponent*>(QStringLiteral("Timer1"))}};
        for (const auto& [name, component] : named) {
            const QObject* found = main->findChild<QObject*>(QString::fromLatin1(name));
            QVERIFY2(found != nullptr, name);
            QVERIFY2(found == component, name);
        }
        // The timers show the engine's intervals and states as the window definition has them.
        QCOMPARE(ui.timerremove->property("Interval").toInt(), 10);
        QVERIFY(ui.timerremove->property("Enabled").toBool());
        QCOMPARE(ui.timerblink->property("Interval").toInt(), 200);
        QVERIFY(!ui.timerdrop->property("Enabled").toBool());
    }

    // playsounds plays by name only while "Play Sounds" is checked.
    void playsoundsFollowsTheSwitch() {
        auto main = makeWindow();
        m_sounds->calls.clear();
        main->playsounds("drop");
        main->ui().PlaySounds1->setChecked(false);
        main->playsounds("clear");
        main->ui().PlaySounds1->setChecked(true);
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
        QVERIFY(main->ui().panel_name->isVisible());
        QCOMPARE(main->ui().edit_name->text(), QStringLiteral("Guest"));
        QCOMPARE(main->ui().edit_aname->text(), QStringLiteral("Guest"));
        QCOMPARE(m_sounds->played(), std::vector<std::string>{"ENTERED"});
        QVERIFY(!main->game().state().gamerunning);
        QVERIFY(!main->ui().button_pause->Enabled());
        for (QWidget* hidden : std::initializer_list<QWidget*>{
                 main->ui().panel_cleared, main->ui().panel_paused, main->ui().panel_update})
            QVERIFY(hidden->isHidden());
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
        const QRect panel = main->ui().panel_board->geometry();
        const QPoint centre = panel.center();
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
        main->ui().ResetScreenLocation1->trigger();
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
        main->ui().PlaySounds1->trigger();
        QVERIFY(!main->playSounds());
        QVERIFY(saved("Sounds=no"));
        main->ui().AutomaticallyCheckforUpdates1->trigger();
        QVERIFY(!main->checkForUpdates());
        QVERIFY(main->close());
        QVERIFY(saved("Update=false"));
    }

    void namePanelDoneAndCancel() {
        auto main = makeWindow();
        // CANCEL keeps the old name; the typed text stays in the panel's box.
        main->ui().edit_aname->clear();
        QTest::keyClicks(main->ui().edit_aname, "Zed");
        click(main->ui().button_namecancel);
        QVERIFY(main->ui().panel_name->isHidden());
        QCOMPARE(main->playerName(), QStringLiteral("Guest"));
        main->ui().ChangeName1->trigger();
        QCOMPARE(main->ui().edit_aname->text(), QStringLiteral("Zed"));

        // DONE with an empty box leaves the name empty.
        main->ui().edit_aname->clear();
        click(main->ui().button_namedone);
        QCOMPARE(main->playerName(), QString());
        QVERIFY(main->close());
        QVERIFY(saved("Name="));
    }

    void typingStopsAtTenCharactersButALongStoredNameShowsWhole() {
        writeSettings("Name=Maximilianus the Great\r\n");
        auto main = makeWindow();
        QCOMPARE(main->ui().edit_name->text(), QStringLiteral("Maximilianus the Great"));
        main->ui().edit_aname->clear();
        QTest::keyClicks(main->ui().edit_aname, "ABCDEFGHIJKLMNOP");
        QCOMPARE(main->ui().edit_aname->text(), QStringLiteral("ABCDEFGHIJ"));

        // A pasted name keeps what fits rather than vanishing whole.
        main->ui().edit_aname->setText(QStringLiteral("Bob"));
        main->ui().edit_aname->setCursorPosition(1);
        QGuiApplication::clipboard()->setText(QStringLiteral("123456789"));
        main->ui().edit_aname->paste();
        QCOMPARE(main->ui().edit_aname->text(), QStringLiteral("B1234567ob"));
        QCOMPARE(main->ui().edit_aname->cursorPosition(), 8);
        // The long stored name may be edited at its length but not grown.
        main->ui().edit_name->setCursorPosition(0);
        main->ui().edit_name->setSelection(0, 3);
        main->ui().edit_name->paste();
        QCOMPARE(main->ui().edit_name->text(), QStringLiteral("123imilianus the Great"));
    }

    void panelsFollowTheGame() {
        auto main = makeWindow();
        click(main->ui().button_start);
        QVERIFY(main->ui().panel_name->isHidden());
        QVERIFY(main->game().state().gamerunning);
        QCOMPARE(main->ui().label_name->text(), QStringLiteral("Good Luck Guest"));
        QVERIFY(main->ui().button_pause->Enabled());

        click(main->ui().button_pause);
        QVERIFY(main->ui().panel_paused->isVisible());
        QCOMPARE(main->ui().button_pause->Caption(), QStringLiteral("RESUME"));
        click(main->ui().button_resume);
        QVERIFY(main->ui().panel_paused->isHidden());
        QCOMPARE(main->ui().button_pause->Caption(), QStringLiteral("PAUSE GAME"));

        // Pausing again, then the menu's Start Game: everything over the board goes away.
        click(main->ui().button_pause);
        main->ui().StartGame1->trigger();
        QVERIFY(main->ui().panel_paused->isHidden());
        QVERIFY(!main->game().state().paused);
    }

    void theGreetingShowsALongNameWhole() {
        writeSettings("Name=WWWWWWWWWW\r\n");
        auto main = makeWindow();
        QCOMPARE(main->ui().label_name->text(), QStringLiteral("Welcome to Bloomzap!"));
        click(main->ui().button_start);
        const QString greeting = QStringLiteral("Good Luck WWWWWWWWWW");
        QCOMPARE(main->ui().label_name->text(), greeting);
        QVERIFY(main->ui().label_name->width() >=
                main->ui().label_name->fontMetrics().horizontalAdvance(greeting));
        // A name far too long for the window still ends at the board panel's edge.
        main->ui().edit_name->setText(QString(60, QLatin1Char('W')));
        click(main->ui().button_start);
        QCOMPARE(main->ui().label_name->geometry().right(), main->ui().panel_board->width() - 1);
        // A short name keeps the greeting's own size.
        main->ui().edit_name->setText(QStringLiteral("Al"));
        click(main->ui().button_start);
        QCOMPARE(main->ui().label_name->width(), 160);
    }

    // The wait panel over SEND SCORE is black with a black frame: only its text shows.
    void theWaitPanelShowsOnlyItsText() {
        auto main = makeWindow();
        TFlatPanel* wait = main->ui().panel_wait;
        QCOMPARE(wait->ColorHighLight(), QColor(Qt::black));
        QCOMPARE(wait->ColorShadow(), QColor(Qt::black));
        const QImage drawn = wait->grab().toImage();
        for (const QPoint edge : {QPoint(0, 0), QPoint(drawn.width() - 1, drawn.height() - 1)})
            QCOMPARE(drawn.pixelColor(edge), QColor(Qt::black));
    }

    // "View High Score List" brings back a high-score window the player has minimised.
    void viewHighScoreListRestoresAMinimisedWindow() {
        auto main = makeWindow();
        Thighscore highscore(main.get(), "http://127.0.0.1:1/");
        main->setHighScoreWindow(&highscore);
        highscore.showMinimized();
        main->ui().ViewHighScoreList1->trigger();
        QVERIFY(highscore.isVisible());
        QVERIFY(!highscore.isMinimized());
        QTRY_VERIFY(!highscore.getit->busy());
    }

    void startGameFromTheMenuRestartsAndHidesTheGameOverPanel() {
        auto main = makeWindow();
        click(main->ui().button_start);
        while (main->game().state().gamerunning)
            m_clock->advance(1000);
        QVERIFY(main->ui().panel_cleared->isVisible());
        QVERIFY(main->ui().button_sendscore->isVisible());
        QVERIFY(!main->ui().button_pause->Enabled());

        main->ui().StartGame1->trigger();
        QVERIFY(main->ui().panel_cleared->isHidden());
        QVERIFY(main->game().state().gamerunning);
        QCOMPARE(main->ui().label_score->text(), QStringLiteral("0"));
        QCOMPARE(main->game().state().round, 1);

        // Starting again while the game runs restarts it from round 1.
        m_clock->advance(10000);
        main->ui().StartGame1->trigger();
        QCOMPARE(main->game().state().round, 1);
        QCOMPARE(main->game().state().score, 0);
    }

    void aWholeGamePlayedThroughTheWindow() {
        auto main = makeWindow();
        click(main->ui().button_namedone);
        click(main->ui().button_start);
        const GameState& state = main->game().state();
        int groupsClicked = 0;
        // Play as a quick player would: whenever a click counts, click a group.
        for (int tick = 0; tick < 400000 && state.gamerunning; ++tick) {
            m_clock->advance(10);
            if (!state.linesettled || state.removing || state.blinking)
                continue;
            const QPoint cell = findGroup(state);
            if (cell.isNull())
                continue;
            QTest::mouseRelease(main->ui().board, Qt::LeftButton, {},
                                QPoint((cell.x() - 1) * 32 + 16, (cell.y() - 1) * 32 + 16));
            ++groupsClicked;
            QVERIFY(state.removing);
        }
        QVERIFY(!state.gamerunning);
        QVERIFY(groupsClicked > 10);
        QVERIFY(state.score > 0);
        QVERIFY(main->ui().panel_cleared->isVisible());
        QCOMPARE(main->ui().label_score->text(), QString::number(state.score));
        QCOMPARE(main->ui().label_round->text(), QString::number(state.round));
        QVERIFY(!m_sounds->played().empty());
        QCOMPARE(m_sounds->played().back(), std::string("GAMEOVER"));
    }
};

BLOOMZAP_QTEST(TmainTest);
#include "TmainTest.moc"
