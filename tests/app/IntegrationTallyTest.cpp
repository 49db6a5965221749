// The game window with the tally window across a restart, wired as the program wires them.

#include "app/NameBox.h"
#include "app/SoundOutput.h"
#include "app/mainform.h"
#include "engine/Game.h"
#include "engine/view/BoardView.h"
#include "tally/TallyCalendar.h"
#include "tally/tallylistform.h"
#include "tests/app/TmainParts.h"
#include "tests/support/QtTestMain.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/VirtualClock.h"
#include "widgets/ButtonComps.h"
#include "widgets/FontSubstitutes.h"
#include "widgets/TFlatPanelUnit.h"

#include <QAction>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {

class FixedDate : public TallyCalendar {
public:
    std::string shortDate() override { return "12/7/26"; }
};

// One run of the program: the windows in their order, wired as main() wires them.
struct ProgramRun {
    VirtualClock clock;
    testsupport::RecordingOutput silence;
    FixedDate date;
    std::unique_ptr<Tmain> main;
    std::unique_ptr<Ttallylist> tallylist;

    explicit ProgramRun(const QString& folder) {
        const std::filesystem::path dir = folder.toStdString();
        MainEnvironment environment;
        environment.timers = &clock;
        environment.seed = [] { return std::uint64_t(7); };
        environment.sound = &silence;
        environment.settingsFile = dir / "bloomzap.ini";
        main = std::make_unique<Tmain>(environment);
        tallylist = std::make_unique<Ttallylist>(main.get(), dir, &date);
        main->setTally(&tallylist->tallycalls());
        main->setTallyListWindow([this] { tallylist->showCentredOn(main.get()); });
        main->show();
    }

    // Closing the game window, then the windows go in reverse order.
    ~ProgramRun() {
        main->close();
        tallylist.reset();
        main.reset();
    }

    QString text(const char* label) const {
        auto* found = tallylist->findChild<QLabel*>(QString::fromLatin1(label));
        return found ? found->text() : QStringLiteral("<missing %1>").arg(label);
    }
};

} // namespace

class IntegrationTallyTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutes(); }

    void aFinishedGameIsInTheTallyAfterARestart() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        int finalScore = 0;
        int lastRound = 0;
        {
            ProgramRun run(folder.path());
            nameBox(*run.main, "edit_aname")->setText(QStringLiteral("Rosa"));
            click(button(*run.main, "button_namedone"));
            click(button(*run.main, "button_start"));
            const GameState& state = run.main->game().state();
            // Clear one group at the start so the game has a score, then let the lines come.
            run.clock.advance(10);
            for (int c = 1; c <= 10 && state.score == 0 && !state.removing; ++c) {
                for (int r = 9; r <= 10 && !state.removing; ++r) {
                    QTest::mouseRelease(board(*run.main), Qt::LeftButton, {},
                                        QPoint((c - 1) * 32 + 5, (r - 1) * 32 + 5));
                }
            }
            QVERIFY(state.removing);
            while (state.gamerunning) {
                run.clock.advance(100);
            }
            finalScore = state.score;
            lastRound = state.round;
            QVERIFY(finalScore > 0);
            QVERIFY(panel(*run.main, "panel_cleared")->isVisible());

            // The tally window, from the View menu, already shows the game.
            menuItem(*run.main, "TallyList1")->trigger();
            QVERIFY(run.tallylist->isVisible());
            QCOMPARE(run.text("label_name1"), QStringLiteral("Rosa"));
            QCOMPARE(run.text("label_high1"), QString::number(finalScore));
        }
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("bloomzaptally.tld"))));

        ProgramRun again(folder.path());
        QCOMPARE(again.text("mylabel_1"), QStringLiteral("1"));
        QCOMPARE(again.text("mylabel_2"), QString::number(lastRound));
        QCOMPARE(again.text("mylabel_3"), QStringLiteral("0"));
        QCOMPARE(again.text("label_date1"), QStringLiteral("12/7/26"));
        QCOMPARE(again.text("label_name1"), QStringLiteral("Rosa"));
        QCOMPARE(again.text("label_high1"), QString::number(finalScore));
        // The other places were empty in the stored table.
        QCOMPARE(again.text("label_high2"), QString());
        QCOMPARE(again.text("label_name2"), QString());
        // The name typed at start-up was saved with the settings too.
        QCOMPARE(again.main->playerName(), QStringLiteral("Rosa"));
    }
};

BLOOMZAP_QTEST(IntegrationTallyTest);
#include "IntegrationTallyTest.moc"
