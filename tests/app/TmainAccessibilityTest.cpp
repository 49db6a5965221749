// The game window and the other windows as a screen reader finds them: every control named, the
// board a table of the game's cells whose focus is the keyboard cursor, and changes told.

#include "app/mainform.h"
#include "engine/Game.h"
#include "engine/view/BoardView.h"
#include "engine/view/TileList.h"
#include "info/aboutform.h"
#include "info/helpform.h"
#include "info/multiplayerform.h"
#include "online/highscoreform.h"
#include "tally/tallylistform.h"
#include "tests/app/TmainParts.h"
#include "tests/support/AccessibilityRecorder.h"
#include "tests/support/QtTestMain.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/VirtualClock.h"
#include "widgets/ClickLabel.h"
#include "widgets/FontSubstitutes.h"
#include "widgets/URL.h"

#include <QAccessible>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <functional>
#include <map>

using testsupport::AccessibilityRecorder;

namespace {

QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

QString nameOf(QObject* object) {
    return accessible(object)->text(QAccessible::Name);
}

// What a message calls an interface: its object's name, or its place for a cell.
QString called(QAccessibleInterface* iface) {
    if (QAccessibleTableCellInterface* cell = iface->tableCellInterface()) {
        return QStringLiteral("cell %1,%2").arg(cell->rowIndex()).arg(cell->columnIndex());
    }
    QObject* object = iface->object();
    const QString kind =
        object != nullptr ? QString::fromLatin1(object->metaObject()->className()) : QString();
    return QStringLiteral("%1 '%2' (role %3)")
        .arg(kind, object != nullptr ? object->objectName() : QString())
        .arg(int(iface->role()));
}

// Qt's own parts of a scrolling text box, named by Qt or not at all.
bool qtsOwn(QAccessibleInterface* iface) {
    return iface->role() == QAccessible::ScrollBar ||
           (iface->object() != nullptr &&
            iface->object()->objectName().startsWith(QLatin1String("qt_")));
}

// Every interface under `root` with its whole tree checked: each child knows its parent and its
// place, each control has a name, and every button, panel and table says what it is for.
// Returns what is wrong, one line each.
QStringList faults(QAccessibleInterface* root) {
    const QList<QAccessible::Role> withPurpose = {QAccessible::Button, QAccessible::Grouping,
                                                  QAccessible::Table};
    QStringList found;
    std::function<void(QAccessibleInterface*)> visit = [&](QAccessibleInterface* iface) {
        // The separators of the menus stand for nothing.
        if (iface->role() != QAccessible::Separator && !qtsOwn(iface) &&
            iface->text(QAccessible::Name).trimmed().isEmpty()) {
            found << QStringLiteral("no name: ") + called(iface);
        }
        if (withPurpose.contains(iface->role()) &&
            iface->text(QAccessible::Description).isEmpty()) {
            found << QStringLiteral("no description: ") + called(iface);
        }
        for (int i = 0; i < iface->childCount(); ++i) {
            QAccessibleInterface* child = iface->child(i);
            if (child == nullptr) {
                found << QStringLiteral("missing child %1 of ").arg(i) + called(iface);
                continue;
            }
            if (iface->indexOfChild(child) != i || child->parent() != iface) {
                found << QStringLiteral("lost child %1 of ").arg(i) + called(iface);
            }
            visit(child);
        }
    };
    visit(root);
    return found;
}

// The plain name of the colour a flower tile shows: the hue of its petals, nearest of six.
QString colourOfTile(const QImage& tile) {
    double red = 0, green = 0, blue = 0;
    int count = 0;
    for (int y = 0; y < tile.height(); ++y) {
        for (int x = 0; x < tile.width(); ++x) {
            const QColor pixel(tile.pixel(x, y));
            if (pixel.hsvSaturation() > 100 && pixel.value() > 100) {
                red += pixel.redF();
                green += pixel.greenF();
                blue += pixel.blueF();
                ++count;
            }
        }
    }
    if (count == 0) {
        return {};
    }
    const int hue =
        QColor::fromRgbF(float(red / count), float(green / count), float(blue / count)).hsvHue();
    const std::map<int, QString> hues = {{0, "red"},     {30, "orange"}, {60, "yellow"},
                                         {120, "green"}, {240, "blue"},  {300, "purple"}};
    QString nearest;
    int best = 360;
    for (const auto& [at, name] : hues) {
        const int apart = std::min(std::abs(hue - at), 360 - std::abs(hue - at));
        if (apart < best) {
            best = apart;
            nearest = name;
        }
    }
    return nearest;
}

void press(QWidget* window, Qt::Key key) {
    QTest::keyClick(window->windowHandle(), key);
}

} // namespace

class TmainAccessibilityTest : public QObject {
    Q_OBJECT

private:
    FreshWindows m_windows;

    std::unique_ptr<Tmain> makeWindow() { return m_windows.make(); }

    // The name typed and a game started.
    void startGame(Tmain& main) {
        click(button(main, "button_namedone"));
        click(button(main, "button_start"));
    }

    // Plays on until the group being removed is gone and the board is settled.
    void settle(const GameState& state) {
        for (int tick = 0; tick < 1000 && (state.removing || !state.linesettled); ++tick) {
            m_windows.clock().advance(10);
        }
    }

private slots:
    void initTestCase() {
        installFontSubstitutes();
        QVERIFY(m_windows.ready());
    }

    void everyControlOfTheGameWindowIsNamed() {
        auto main = makeWindow();
        const QStringList wrong = faults(accessible(main.get()));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));

        // Names are the captions the player sees; a display is read with its caption.
        QAccessibleInterface* start = accessible(button(*main, "button_start"));
        QCOMPARE(start->role(), QAccessible::Button);
        QCOMPARE(start->text(QAccessible::Name), QStringLiteral("START GAME"));
        QCOMPARE(nameOf(label(*main, "label_score")), QStringLiteral("Score: 0"));
        QCOMPARE(nameOf(label(*main, "label_roundcleared")), QStringLiteral("Until Next Level: 0"));
        QCOMPARE(nameOf(panel(*main, "panel_paused")), QStringLiteral("GAME IS PAUSED"));
        QCOMPARE(nameOf(panel(*main, "panel_wait")),
                 QStringLiteral("Posting Score, Please Wait......"));
        QCOMPARE(nameOf(nameBox(*main, "edit_aname")), QStringLiteral("ENTER YOUR NAME"));
        QCOMPARE(nameOf(nameBox(*main, "edit_name")), QStringLiteral("Enter Your Name"));

        // The pause button looks enabled before a game but is not available.
        QAccessibleInterface* pause = accessible(button(*main, "button_pause"));
        QVERIFY(pause->state().disabled);
        QVERIFY(!pause->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));
        startGame(*main);
        QVERIFY(!pause->state().disabled);
        QCOMPARE(nameOf(label(*main, "label_round")), QStringLiteral("Level: 1"));
    }

    void theBoardIsATableOfTheGamesCells() {
        auto main = makeWindow();
        startGame(*main);
        BoardView* view = board(*main);
        QAccessibleInterface* table = accessible(view);
        QCOMPARE(table->role(), QAccessible::Table);
        QVERIFY(table->tableInterface() != nullptr);
        QCOMPARE(table->tableInterface()->rowCount(), 10);
        QCOMPARE(table->tableInterface()->columnCount(), 10);
        const auto cellText = [&](int c, int r) {
            return table->tableInterface()->cellAt(r - 1, c - 1)->text(QAccessible::Name);
        };

        // Each flower is read by the colour its tile shows.
        GameState& state = main->game().state();
        const int kept = state.cells[1][1];
        QStringList words;
        for (int value = 0; value <= rules::maxColours; ++value) {
            state.cells[1][1] = value;
            const QString text = cellText(1, 1);
            const QString expected = value == 0
                                         ? QStringLiteral("empty")
                                         : colourOfTile(view->images_flowers().tile(value, 1.0)) +
                                               QStringLiteral(" flower");
            QCOMPARE(text, QStringLiteral("Row 1, column 1: ") + expected);
            QVERIFY(!words.contains(expected));
            words << expected;
        }
        state.cells[1][1] = kept;

        // Every cell says what the game holds there: the two bottom rows at the start.
        int flowers = 0;
        for (int r = 1; r <= 10; ++r) {
            for (int c = 1; c <= 10; ++c) {
                const int value = state.cells[c][r];
                flowers += value != 0 ? 1 : 0;
                QCOMPARE(cellText(c, r),
                         QStringLiteral("Row %1, column %2: %3").arg(r).arg(c).arg(words[value]));
            }
        }
        QCOMPARE(flowers, 20);

        // Pressing a cell is clicking it: its group goes.
        const QPoint group = findGroup(state);
        QVERIFY(!group.isNull());
        QAccessibleInterface* cell = table->tableInterface()->cellAt(group.y() - 1, group.x() - 1);
        cell->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(state.removing);
        settle(state);
        QCOMPARE(cellText(group.x(), group.y()).endsWith(QStringLiteral(": empty")),
                 state.cells[group.x()][group.y()] == 0);

        // The pause hides the flowers from everyone.
        click(button(*main, "button_pause"));
        QCOMPARE(cellText(5, 10), QStringLiteral("Row 10, column 5: covered"));
        click(button(*main, "button_resume"));
        QVERIFY(!cellText(5, 10).endsWith(QStringLiteral("covered")));
    }

    void theKeyboardCursorIsTheFocusedCell() {
        AccessibilityRecorder reader;
        auto main = makeWindow();
        QVERIFY(QTest::qWaitForWindowActive(main.get()));
        startGame(*main);
        QAccessibleInterface* board = accessible(::board(*main));
        QAccessibleTableInterface* table = board->tableInterface();
        QCOMPARE(board->focusChild(), nullptr);

        reader.clear();
        press(main.get(), Qt::Key_Up); // the cursor appears at the bottom left
        // The focus events of cells (the window's own widgets have theirs too).
        const auto cellFocus = [&reader] {
            std::vector<testsupport::AccessibleUpdate> found;
            for (const auto& update : reader.of(QAccessible::Focus)) {
                if (update.row >= 0) {
                    found.push_back(update);
                }
            }
            return found;
        };
        std::vector<testsupport::AccessibleUpdate> focus = cellFocus();
        QCOMPARE(focus.size(), std::size_t(1));
        QCOMPARE(focus.back().row, 9);
        QCOMPARE(focus.back().column, 0);
        QCOMPARE(focus.back().name, table->cellAt(9, 0)->text(QAccessible::Name));

        press(main.get(), Qt::Key_Right);
        press(main.get(), Qt::Key_Up);
        focus = cellFocus();
        QCOMPARE(focus.size(), std::size_t(3));
        QCOMPARE(focus.back().row, 8);
        QCOMPARE(focus.back().column, 1);
        QAccessibleInterface* focused = board->focusChild();
        QCOMPARE(focused, table->cellAt(8, 1));
        QVERIFY(focused->state().focused);
        QVERIFY(!table->cellAt(9, 0)->state().focused);
        QVERIFY(focused->text(QAccessible::Name).startsWith(QStringLiteral("Row 9, column 2: ")));

        // Back to the mouse: no cell has the focus.
        QTest::mouseRelease(::board(*main), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(board->focusChild(), nullptr);
    }

    void scoreLevelAndBoardChangesAreTold() {
        // With no screen reader listening, the board keeps nothing for one.
        {
            auto main = makeWindow();
            startGame(*main);
            const GameState& state = main->game().state();
            const QPoint group = findGroup(state);
            QTest::mouseRelease(board(*main), Qt::LeftButton, {},
                                QPoint((group.x() - 1) * 32 + 16, (group.y() - 1) * 32 + 16));
            settle(state);
            QVERIFY(state.score > 0);
            QVERIFY(board(*main)->findChildren<QTimer*>().isEmpty());
        }

        AccessibilityRecorder reader;
        auto main = makeWindow();
        reader.clear();
        startGame(*main);
        QLabel* round = label(*main, "label_round");
        QVERIFY(!reader.of(QAccessible::NameChanged, round).empty());
        QCOMPARE(reader.of(QAccessible::NameChanged, round).back().name,
                 QStringLiteral("Level: 1"));

        // The player moves onto a group and clears it.
        const GameState& state = main->game().state();
        const QPoint group = findGroup(state);
        press(main.get(), Qt::Key_Up);
        BoardView* view = board(*main);
        while (view->cursorColumn() != group.x()) {
            press(main.get(), Qt::Key_Right);
        }
        while (view->cursorRow() != group.y()) {
            press(main.get(), view->cursorRow() < group.y() ? Qt::Key_Down : Qt::Key_Up);
        }
        // What the start of the game changed on the board is told before the clearing.
        QTRY_VERIFY_WITH_TIMEOUT(!reader.of(QAccessible::TableModelChanged, view).empty(), 10000);
        reader.clear();
        press(main.get(), Qt::Key_Space);
        QVERIFY(state.removing);
        settle(state);
        QVERIFY(state.score > 0);

        QLabel* score = label(*main, "label_score");
        QVERIFY(!reader.of(QAccessible::NameChanged, score).empty());
        QCOMPARE(reader.of(QAccessible::NameChanged, score).back().name,
                 QStringLiteral("Score: %1").arg(state.score));
        QCOMPARE(reader.of(QAccessible::NameChanged, label(*main, "label_lastscore")).back().name,
                 QStringLiteral("Last Score: %1").arg(state.score));

        // The board's change comes a moment later, once for the whole removal, and the cell
        // under the cursor says what it holds now.
        QTRY_VERIFY_WITH_TIMEOUT(!reader.of(QAccessible::TableModelChanged, view).empty(), 10000);
        std::vector<testsupport::AccessibleUpdate> renamed;
        for (const auto& update : reader.of(QAccessible::NameChanged)) {
            if (update.row == group.y() - 1 && update.column == group.x() - 1) {
                renamed.push_back(update);
            }
        }
        QCOMPARE(renamed.size(), std::size_t(1));
        QCOMPARE(renamed.back().name, accessible(view)->focusChild()->text(QAccessible::Name));
        QTest::qWait(600);
        QCOMPARE(reader.of(QAccessible::TableModelChanged, view).size(), std::size_t(1));
    }

    // A cell is told of by a name change of its own, once, a moment after it reads differently:
    // a removal and the closing up, a panel laid over the board and taken away. A cell that
    // reads as before is not told of.
    void eachCellThatReadsDifferentlyIsToldOnceByName() {
        AccessibilityRecorder reader;
        auto main = makeWindow();
        startGame(*main);
        BoardView* view = board(*main);
        QAccessibleTableInterface* table = accessible(view)->tableInterface();
        const auto names = [table] {
            QStringList all;
            for (int r = 0; r < 10; ++r) {
                for (int c = 0; c < 10; ++c) {
                    all << table->cellAt(r, c)->text(QAccessible::Name);
                }
            }
            return all;
        };
        // Told of only a moment later: the changes of the game's start first.
        QTRY_VERIFY_WITH_TIMEOUT(!reader.of(QAccessible::TableModelChanged, view).empty(), 10000);
        // What was told since the last clear, against what changed: empty when right.
        const auto toldOnce = [&](const QStringList& before, const QStringList& after) {
            std::map<int, QStringList> told;
            for (const auto& update : reader.of(QAccessible::NameChanged)) {
                if (update.row >= 0) {
                    told[update.row * 10 + update.column] << update.name;
                }
            }
            for (int i = 0; i < 100; ++i) {
                const QStringList expected =
                    before[i] == after[i] ? QStringList() : QStringList{after[i]};
                if (told[i] != expected) {
                    return QStringLiteral("%1: told %2").arg(after[i], told[i].join(", "));
                }
            }
            return QString();
        };

        const GameState& state = main->game().state();
        QStringList before = names();
        reader.clear();
        const QPoint group = findGroup(state);
        view->pressCell(group.x(), group.y());
        settle(state);
        QStringList after = names();
        QVERIFY(before != after);
        QTRY_VERIFY_WITH_TIMEOUT(!reader.of(QAccessible::TableModelChanged, view).empty(), 10000);
        QCOMPARE(toldOnce(before, after), QString());

        // The name panel over rows 3 to 7, then gone again.
        before = after;
        reader.clear();
        menuItem(*main, "ChangeName1")->trigger();
        after = names();
        QVERIFY(after[40].endsWith(QLatin1String(": covered")));
        QVERIFY(!after[90].endsWith(QLatin1String(": covered")));
        QTRY_VERIFY_WITH_TIMEOUT(!reader.of(QAccessible::TableModelChanged, view).empty(), 10000);
        QCOMPARE(toldOnce(before, after), QString());
        before = after;
        reader.clear();
        click(button(*main, "button_namecancel"));
        after = names();
        QVERIFY(!after[40].endsWith(QLatin1String(": covered")));
        QTRY_VERIFY_WITH_TIMEOUT(!reader.of(QAccessible::TableModelChanged, view).empty(), 10000);
        QCOMPARE(toldOnce(before, after), QString());
    }

    void theOtherWindowsNameEveryControl() {
        const QString site = QStringLiteral("http://127.0.0.1:1/");
        Tabout about(nullptr, site);
        Thelp help(nullptr, &about);
        Tmultiplayer multiplayer(nullptr, site);
        Thighscore highscore(nullptr, site.toStdString());
        QTemporaryDir tallyFolder;
        QVERIFY(tallyFolder.isValid());
        auto tally = std::make_unique<Ttallylist>(nullptr, tallyFolder.path().toStdString());
        for (QWidget* window : std::initializer_list<QWidget*>{&about, &help, &multiplayer,
                                                               &highscore, tally.get()}) {
            const QStringList wrong = faults(accessible(window));
            QVERIFY2(wrong.isEmpty(), qPrintable(window->objectName() + QLatin1Char('\n') +
                                                 wrong.join(QLatin1Char('\n'))));
        }
        QCOMPARE(nameOf(help.findChild<TSelButton*>(QStringLiteral("button_overview"))),
                 QStringLiteral("Overview"));
        QCOMPARE(nameOf(help.findChild<QWidget*>(QStringLiteral("memo3"))),
                 QStringLiteral("Game Play"));
        QCOMPARE(nameOf(tally->findChild<QLabel*>(QStringLiteral("mylabel_1"))),
                 QStringLiteral("Total Games: 0"));
        QCOMPARE(nameOf(tally->findChild<TSelButton*>(QStringLiteral("button_reset"))),
                 QStringLiteral("RESET TALLY"));

        // A link is pressed as it is clicked, where it can be seen.
        QStringList opened;
        TURL::setOpener([&opened](const QUrl& url) {
            opened << url.toString();
            return true;
        });
        QAccessibleInterface* link = accessible(about.label_link);
        QCOMPARE(link->role(), QAccessible::Link);
        QCOMPARE(link->text(QAccessible::Name), about.label_link->text());
        link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(opened.isEmpty()); // the window is not shown
        about.show();
        link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        TURL::setOpener({});
        QCOMPARE(opened, QStringList{QStringLiteral("http://127.0.0.1:1/")});
    }
};

BLOOMZAP_QTEST(TmainAccessibilityTest);
#include "TmainAccessibilityTest.moc"
