// The game window offscreen on a virtual clock: a game paused when the window is minimised.

#include "app/NameBox.h"
#include "app/mainform.h"
#include "engine/BoardView.h"
#include "engine/Game.h"
#include "engine/TileList.h"
#include "tests/support/QtTestMain.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/VirtualClock.h"
#include "widgets/ButtonComps.h"
#include "widgets/FontSubstitutes.h"
#include "widgets/TFlatPanelUnit.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <vector>

namespace {

void click(TSelButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {},
                      QPoint(button->width() / 2, button->height() / 2));
}

} // namespace

class TmainKeysAndAwayTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<VirtualClock> m_clock;
    std::unique_ptr<testsupport::RecordingOutput> m_sounds;

    std::unique_ptr<Tmain> makeWindow() {
        std::filesystem::remove(std::filesystem::path(m_folder.path().toStdString()) /
                                "bloomzap.ini");
        m_clock = std::make_unique<VirtualClock>();
        m_sounds = std::make_unique<testsupport::RecordingOutput>();
        MainEnvironment environment;
        environment.timers = m_clock.get();
        environment.seed = [] { return std::uint64_t(20261207); };
        environment.sound = m_sounds.get();
        environment.settingsFile =
            std::filesystem::path(m_folder.path().toStdString()) / "bloomzap.ini";
        environment.workArea = [] { return QRect(0, 0, 1920, 1080); };
        environment.showMessage = [](const QString&) {};
        auto window = std::make_unique<Tmain>(environment);
        window->show();
        window->activateWindow();
        return window;
    }

private slots:
    void initTestCase() {
        installFontSubstitutes();
        QVERIFY(m_folder.isValid());
    }

    void minimisingPausesARunningGameOnly() {
        auto main = makeWindow();
        const GameState& state = main->game().state();
        TSelButton* pause = main->ui().button_pause;

        // No game yet: nothing happens.
        main->showMinimized();
        QVERIFY(!state.paused);
        QVERIFY(main->ui().panel_paused->isHidden());
        main->showNormal();

        // A running game pauses as PAUSE GAME does, and no line comes while the window is away.
        click(main->ui().button_namedone);
        click(main->ui().button_start);
        const auto before = state.cells;
        main->showMinimized();
        QVERIFY(state.paused);
        QVERIFY(main->ui().panel_paused->isVisible());
        QCOMPARE(pause->Caption(), QStringLiteral("RESUME"));
        m_clock->advance(12000);
        QVERIFY(state.cells == before);
        // Coming back leaves it paused until RESUME.
        main->showNormal();
        QVERIFY(state.paused);
        click(main->ui().button_resume);
        QVERIFY(!state.paused);
        QCOMPARE(pause->Caption(), QStringLiteral("PAUSE GAME"));
        // Other changes of the window's state leave the game running.
        main->showMaximized();
        main->showNormal();
        QVERIFY(!state.paused);
        m_clock->advance(3100);
        QVERIFY(!(state.cells == before)); // lines fall again

        // Already paused by hand: minimising keeps it paused (it does not toggle).
        click(pause);
        main->showMinimized();
        QVERIFY(state.paused);
        QCOMPARE(pause->Caption(), QStringLiteral("RESUME"));
        main->showNormal();
        click(pause);
        QVERIFY(!state.paused);

        // Game over: nothing changes.
        while (state.gamerunning)
            m_clock->advance(1000);
        main->showMinimized();
        QVERIFY(!state.paused);
        QVERIFY(main->ui().panel_paused->isHidden());
        QVERIFY(main->ui().panel_cleared->isVisible());
        QCOMPARE(pause->Caption(), QStringLiteral("PAUSE GAME"));
    }
};

BLOOMZAP_QTEST(TmainKeysAndAwayTest);
#include "TmainKeysAndAwayTest.moc"
