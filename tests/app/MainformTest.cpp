// The game window, offscreen, on a virtual clock: start-up, placement and its saving, the name
// panel, the panels a game shows, and a whole game played through the window's own controls.

#include "mainform.h"
#include "BoardView.h"
#include "ButtonComps.h"
#include "FontSubstitutes.h"
#include "Game.h"
#include "NameBox.h"
#include "SoundOutput.h"
#include "TFlatPanelUnit.h"
#include "TestFolder.h"
#include "VirtualClock.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <vector>

namespace {

class RecordedSounds : public SoundOutput {
public:
    void play(const std::string& resource) override { played.push_back(resource); }
    void stop() override {}
    std::vector<std::string> played;
};

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

class MainformTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder_;
    VirtualClock* clock_ = nullptr;
    RecordedSounds* sounds_ = nullptr;
    QStringList messages_;

    std::filesystem::path settingsFile() const {
        return std::filesystem::path(folder_.path().toStdString()) / "bloomzap.ini";
    }
    void writeSettings(const std::string& keys) const {
        TestFolder::write(settingsFile(), "[bloomzap]\r\n" + keys);
    }
    // Whether the settings file holds this whole line.
    bool saved(const std::string& line) const {
        return TestFolder::read(settingsFile()).find(line + "\r\n") != std::string::npos;
    }

    std::unique_ptr<Tmain> makeWindow(QRect workArea = QRect(0, 0, 1920, 1080),
                                      std::filesystem::path file = {}) {
        MainEnvironment environment;
        environment.timers = clock_;
        environment.seed = [] { return std::uint64_t(20261207); };
        environment.sound = sounds_;
        environment.settingsFile = file.empty() ? settingsFile() : file;
        environment.workArea = [workArea] { return workArea; };
        environment.showMessage = [this](const QString& text) { messages_ << text; };
        auto window = std::make_unique<Tmain>(environment);
        window->show();
        return window;
    }

private slots:
    void initTestCase() { installFontSubstitutes(); }

    void init() {
        QVERIFY(folder_.isValid());
        std::filesystem::remove(settingsFile());
        clock_ = new VirtualClock;
        sounds_ = new RecordedSounds;
        messages_.clear();
    }

    void cleanup() {
        delete sounds_;
        delete clock_;
    }

    void firstStartOpensTopLeftAndGrowsToTheBoard() {
        auto main = makeWindow();
        QCOMPARE(main->pos(), QPoint(3, 3));
        QVERIFY(main->centralWidget()->width() >= 515);
        QVERIFY(main->centralWidget()->height() >= 442);
        QCOMPARE(main->windowTitle(), QStringLiteral("Bloomzap"));
        // The player is asked for a name first, with the default one in both boxes.
        QVERIFY(main->panel_name->isVisible());
        QCOMPARE(main->edit_name->text(), QStringLiteral("Guest"));
        QCOMPARE(main->edit_aname->text(), QStringLiteral("Guest"));
        QCOMPARE(sounds_->played, std::vector<std::string>{"ENTERED"});
        QVERIFY(!main->game().state().gamerunning);
        QVERIFY(!main->button_pause->Enabled());
        for (QWidget* hidden : std::initializer_list<QWidget*>{
                 main->panel_cleared, main->panel_paused, main->panel_update})
            QVERIFY(hidden->isHidden());
    }

    void soundsSwitchedOffInTheFileKeepStartUpSilent() {
        writeSettings("Sounds=no\r\n");
        auto main = makeWindow();
        QVERIFY(!main->playSounds());
        QVERIFY(sounds_->played.empty());
    }

    void resizingSmallerSnapsBackToTheBoard() {
        auto main = makeWindow();
        main->resize(200, 150);
        QVERIFY(main->centralWidget()->width() >= 515);
        QVERIFY(main->centralWidget()->height() >= 442);
        // Bigger is allowed, and the board floats in the middle.
        main->resize(1018, 943);
        QCOMPARE(main->width(), 1018);
        const QRect panel = main->panel_board->geometry();
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
        main->ResetScreenLocation1->trigger();
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
                 TestFolder::read(settingsFile()).c_str());
    }

    void anUnwritableSettingsFileKeepsTheWindowOpen() {
        // A settings "folder" that is a plain file cannot hold the settings, even for root.
        const auto blocker = std::filesystem::path(folder_.path().toStdString()) / "blocker";
        TestFolder::write(blocker, "x");
        auto main = makeWindow(QRect(0, 0, 1920, 1080), blocker / "bloomzap.ini");
        QVERIFY(!main->close());
        QVERIFY(main->isVisible());
        QCOMPARE(messages_,
                 QStringList{QStringLiteral("Unable to write to ") +
                             QString::fromStdString((blocker / "bloomzap.ini").string())});
        std::filesystem::remove(blocker);
    }

    void playSoundsTogglesAndSavesAtOnce() {
        auto main = makeWindow();
        main->PlaySounds1->trigger();
        QVERIFY(!main->playSounds());
        QVERIFY(saved("Sounds=no"));
        main->AutomaticallyCheckforUpdates1->trigger();
        QVERIFY(!main->checkForUpdates());
        QVERIFY(main->close());
        QVERIFY(saved("Update=false"));
    }

    void namePanelDoneAndCancel() {
        auto main = makeWindow();
        // CANCEL keeps the old name; the typed text stays in the panel's box.
        main->edit_aname->clear();
        QTest::keyClicks(main->edit_aname, "Zed");
        click(main->button_namecancel);
        QVERIFY(main->panel_name->isHidden());
        QCOMPARE(main->playerName(), QStringLiteral("Guest"));
        main->ChangeName1->trigger();
        QCOMPARE(main->edit_aname->text(), QStringLiteral("Zed"));

        // DONE with an empty box leaves the name empty.
        main->edit_aname->clear();
        click(main->button_namedone);
        QCOMPARE(main->playerName(), QString());
        QVERIFY(main->close());
        QVERIFY(saved("Name="));
    }

    void typingStopsAtTenCharactersButALongStoredNameShowsWhole() {
        writeSettings("Name=Maximilianus the Great\r\n");
        auto main = makeWindow();
        QCOMPARE(main->edit_name->text(), QStringLiteral("Maximilianus the Great"));
        main->edit_aname->clear();
        QTest::keyClicks(main->edit_aname, "ABCDEFGHIJKLMNOP");
        QCOMPARE(main->edit_aname->text(), QStringLiteral("ABCDEFGHIJ"));

        // A pasted name keeps what fits rather than vanishing whole.
        main->edit_aname->setText(QStringLiteral("Bob"));
        main->edit_aname->setCursorPosition(1);
        QGuiApplication::clipboard()->setText(QStringLiteral("123456789"));
        main->edit_aname->paste();
        QCOMPARE(main->edit_aname->text(), QStringLiteral("B1234567ob"));
        QCOMPARE(main->edit_aname->cursorPosition(), 8);
        // The long stored name may be edited at its length but not grown.
        main->edit_name->setCursorPosition(0);
        main->edit_name->setSelection(0, 3);
        main->edit_name->paste();
        QCOMPARE(main->edit_name->text(), QStringLiteral("123imilianus the Great"));
    }

    void panelsFollowTheGame() {
        auto main = makeWindow();
        click(main->button_start);
        QVERIFY(main->panel_name->isHidden());
        QVERIFY(main->game().state().gamerunning);
        QCOMPARE(main->label_name->text(), QStringLiteral("Good Luck Guest"));
        QVERIFY(main->button_pause->Enabled());

        click(main->button_pause);
        QVERIFY(main->panel_paused->isVisible());
        QCOMPARE(main->button_pause->Caption(), QStringLiteral("RESUME"));
        click(main->button_resume);
        QVERIFY(main->panel_paused->isHidden());
        QCOMPARE(main->button_pause->Caption(), QStringLiteral("PAUSE GAME"));

        // Pausing again, then the menu's Start Game: everything over the board goes away.
        click(main->button_pause);
        main->StartGame1->trigger();
        QVERIFY(main->panel_paused->isHidden());
        QVERIFY(!main->game().state().paused);
    }

    void theGreetingShowsALongNameWhole() {
        writeSettings("Name=WWWWWWWWWW\r\n");
        auto main = makeWindow();
        QCOMPARE(main->label_name->text(), QStringLiteral("Welcome to Bloomzap!"));
        click(main->button_start);
        const QString greeting = QStringLiteral("Good Luck WWWWWWWWWW");
        QCOMPARE(main->label_name->text(), greeting);
        QVERIFY(main->label_name->width() >=
                main->label_name->fontMetrics().horizontalAdvance(greeting));
        // A name far too long for the window still ends at the board panel's edge.
        main->edit_name->setText(QString(60, QLatin1Char('W')));
        click(main->button_start);
        QCOMPARE(main->label_name->geometry().right(), main->panel_board->width() - 1);
        // A short name keeps the greeting's own size.
        main->edit_name->setText(QStringLiteral("Al"));
        click(main->button_start);
        QCOMPARE(main->label_name->width(), 160);
    }

    void startGameFromTheMenuRestartsAndHidesTheGameOverPanel() {
        auto main = makeWindow();
        click(main->button_start);
        while (main->game().state().gamerunning)
            clock_->advance(1000);
        QVERIFY(main->panel_cleared->isVisible());
        QVERIFY(main->button_sendscore->isVisible());
        QVERIFY(!main->button_pause->Enabled());

        main->StartGame1->trigger();
        QVERIFY(main->panel_cleared->isHidden());
        QVERIFY(main->game().state().gamerunning);
        QCOMPARE(main->label_score->text(), QStringLiteral("0"));
        QCOMPARE(main->game().state().round, 1);

        // Starting again while the game runs restarts it from round 1.
        clock_->advance(10000);
        main->StartGame1->trigger();
        QCOMPARE(main->game().state().round, 1);
        QCOMPARE(main->game().state().score, 0);
    }

    void aWholeGamePlayedThroughTheWindow() {
        auto main = makeWindow();
        click(main->button_namedone);
        click(main->button_start);
        const GameState& state = main->game().state();
        int groupsClicked = 0;
        // Play as a quick player would: whenever a click counts, click a group.
        for (int tick = 0; tick < 400000 && state.gamerunning; ++tick) {
            clock_->advance(10);
            if (!state.linesettled || state.removing || state.blinking)
                continue;
            const QPoint cell = findGroup(state);
            if (cell.isNull())
                continue;
            QTest::mouseRelease(main->board, Qt::LeftButton, {},
                                QPoint((cell.x() - 1) * 32 + 16, (cell.y() - 1) * 32 + 16));
            ++groupsClicked;
            QVERIFY(state.removing);
        }
        QVERIFY(!state.gamerunning);
        QVERIFY(groupsClicked > 10);
        QVERIFY(state.score > 0);
        QVERIFY(main->panel_cleared->isVisible());
        QCOMPARE(main->label_score->text(), QString::number(state.score));
        QCOMPARE(main->label_round->text(), QString::number(state.round));
        QVERIFY(!sounds_->played.empty());
        QCOMPARE(sounds_->played.back(), std::string("GAMEOVER"));
    }
};

QTEST_MAIN(MainformTest)
#include "MainformTest.moc"
