// The tally list window: layout and first texts, the record operations and the game's calls as
// the player sees them, the file across a restart, damaged files, the reset and its boxes.
#include "tally/TallyMessageBoxes.h"
#include "tally/tallylistform.h"
#include "tests/support/Fakes.h"
#include "tests/support/QtTestMain.h"
#include "tests/tally/CompressorFiles.h"
#include "widgets/ButtonComps.h"
#include "widgets/TFlatPanelUnit.h"

#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

using namespace testsupport;

const QColor lightGrey(218, 218, 218);
const QColor red(255, 0, 0);

std::filesystem::path fsPath(const QTemporaryDir& dir) {
    return std::filesystem::path(QFile::encodeName(dir.path()).toStdString());
}

// The tally text inside the tally file.
QByteArray storedText(const QString& path) {
    return QByteArray::fromStdString(unpack(readBytes(QFile::encodeName(path).toStdString())));
}

// What a modal message box showed before it was answered.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QAbstractButton*> buttons;
};

// Answers the next modal message box as soon as it is up, with the given button, or by closing
// it from its frame when there is none.
void answerNextBox(SeenBox& seen, QMessageBox::StandardButton answer) {
    QTimer::singleShot(0, [&seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            return answerNextBox(seen, answer);
        }
        seen = {box->windowTitle(), box->text(), box->icon(), box->buttons()};
        if (answer == QMessageBox::NoButton) {
            box->reject();
        } else {
            box->button(answer)->click();
        }
    });
}

} // namespace

class TtallylistTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    FixedCalendar m_calendar;
    ScriptedDialogs m_dialogs;

    std::unique_ptr<Ttallylist> open() {
        return std::make_unique<Ttallylist>(nullptr, fsPath(m_dir), &m_calendar, &m_dialogs);
    }
    QString tallyPath() const { return m_dir.filePath(QStringLiteral("bloomzaptally.tld")); }

    static QLabel* label(Ttallylist& window, const QString& name) {
        auto* found = window.findChild<QLabel*>(name);
        if (!found) {
            qFatal("no label %s", qPrintable(name));
        }
        return found;
    }
    static QString text(Ttallylist& window, const QString& name) {
        return label(window, name)->text();
    }
    // The date, name and score texts of a place.
    static QStringList place(Ttallylist& window, int n) {
        QStringList texts;
        for (const char* role : {"label_date", "label_name", "label_high"}) {
            texts << text(window, QStringLiteral("%1%2").arg(QLatin1String(role)).arg(n));
        }
        return texts;
    }
    static void expectLook(Ttallylist& window, int place, const QColor& colour, bool bold) {
        for (const char* role : {"label_num", "label_date", "label_name", "label_high"}) {
            QLabel* row = label(window, QStringLiteral("%1%2").arg(QLatin1String(role)).arg(place));
            QCOMPARE(row->palette().color(QPalette::WindowText), colour);
            QCOMPARE(row->font().bold(), bold);
        }
    }
    static void click(TSelButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
    }

private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        QFile::remove(tallyPath());
        m_dialogs = ScriptedDialogs();
    }

    void layoutAndFirstTexts() {
        auto window = open();
        QCOMPARE(window->windowTitle(), QStringLiteral("Bloomzap - Tally List"));
        QCOMPARE(window->size(), QSize(342, 425));
        QVERIFY(window->windowFlags().testFlag(Qt::Tool));
        QCOMPARE(window->palette().color(QPalette::Window), QColor(Qt::black));
        auto* panel = window->findChild<TFlatPanel*>(QStringLiteral("FlatPanel1"));
        QVERIFY(panel);
        QCOMPARE(panel->geometry(), QRect(6, 6, 331, 413));
        QVERIFY(panel->Transparent());
        QCOMPARE(panel->ColorHighLight(), QColor(Qt::black));
        QCOMPARE(panel->ColorShadow(), QColor(Qt::black));

        QStringList texts;
        for (QLabel* each : panel->findChildren<QLabel*>()) {
            texts << each->text();
        }
        for (const char* heading : {"YOUR TALLY LIST", "HIGH SCORES",
                                    "Total Games:", "Highest Level Reached:", "Board Cleared:"}) {
            QVERIFY2(texts.contains(QLatin1String(heading)), heading);
        }

        QCOMPARE(label(*window, "mylabel_2")->geometry().topLeft(), QPoint(194, 59));
        for (int n = 1; n <= 10; ++n) {
            const int top = 126 + 24 * (n - 1);
            QCOMPARE(text(*window, QStringLiteral("label_num%1").arg(n)),
                     QStringLiteral("%1.").arg(n));
            QCOMPARE(label(*window, QStringLiteral("label_date%1").arg(n))->geometry().topLeft(),
                     QPoint(32, top));
            QCOMPARE(label(*window, QStringLiteral("label_high%1").arg(n))->geometry().topLeft(),
                     QPoint(286, top));
            QCOMPARE(place(*window, n), (QStringList{"Feb 11, 2008", "Varnok", "0"}));
            expectLook(*window, n, lightGrey, true);
        }
        for (int column = 1; column <= 3; ++column) {
            QCOMPARE(text(*window, QStringLiteral("mylabel_%1").arg(column)), QStringLiteral("0"));
        }

        auto* reset = window->findChild<TSelButton*>(QStringLiteral("button_reset"));
        auto* done = window->findChild<TSelButton*>(QStringLiteral("button_done"));
        QVERIFY(reset && done);
        QCOMPARE(reset->Caption(), QStringLiteral("RESET TALLY"));
        QCOMPARE(reset->geometry(), QRect(80, 377, 137, 26));
        QCOMPARE(done->Caption(), QStringLiteral("DONE"));
        QCOMPARE(done->geometry(), QRect(226, 377, 95, 26));
        QCOMPARE(done->Color(), QColor(255, 255, 198));
        QCOMPARE(done->ColorBorder(), QColor(164, 0, 0));
        QCOMPARE(done->FontColor(), QColor(74, 74, 74));
        QCOMPARE(done->font().pixelSize(), 16);
        QVERIFY(m_dialogs.errors.empty());
    }

    void gameCallsShowAtOnceWithTheNewestInRed() {
        auto window = open();
        TallyCalls& calls = window->tallycalls();
        calls.addtomineincrease(1);
        calls.addtomineincrease(1);
        calls.addtomineincrease(3);
        calls.checkscore(300, "Ann");
        calls.checkchange(2, 5);
        QCOMPARE(text(*window, "mylabel_1"), QStringLiteral("2"));
        QCOMPARE(text(*window, "mylabel_2"), QStringLiteral("5"));
        QCOMPARE(text(*window, "mylabel_3"), QStringLiteral("1"));
        QCOMPARE(place(*window, 1), (QStringList{"3/14/24", "Ann", "300"}));
        QVERIFY(label(*window, "label_high1")->width() >=
                label(*window, "label_high1")->fontMetrics().horizontalAdvance("300"));
        expectLook(*window, 1, red, true);
        for (int n = 2; n <= 10; ++n) {
            expectLook(*window, n, lightGrey, false);
        }
        QCOMPARE(text(*window, "label_name2"), QStringLiteral("Varnok"));

        calls.checkscore(100, "Bob");
        expectLook(*window, 1, lightGrey, false);
        expectLook(*window, 2, red, true);
    }

    void recordOperationsAreTheWindowsOwn() {
        auto window = open();
        window->addtomineincrease(1);
        QCOMPARE(text(*window, "mylabel_1"), QStringLiteral("1"));
        QCOMPARE(window->addit(1, 0), 2); // the table only; the label waits
        QCOMPARE(text(*window, "mylabel_1"), QStringLiteral("1"));
        window->addtomineset(2, "7");
        window->checkchange(2, 5);
        QCOMPARE(text(*window, "mylabel_2"), QStringLiteral("7"));
        window->checkchange(2, 9);
        QCOMPARE(text(*window, "mylabel_2"), QStringLiteral("9"));

        QVERIFY(window->checkscore(300, "Ann"));
        QVERIFY(!window->checkscore(-1, "Low")); // below the nine first rows' 0
        QCOMPARE(place(*window, 1), (QStringList{"3/14/24", "Ann", "300"}));
        QCOMPARE(text(*window, "label_name2"), QStringLiteral("Varnok"));
        // Without a file the table held empty places below Ann; loadtally shows them.
        window->loadtally();
        QCOMPARE(text(*window, "mylabel_1"), QStringLiteral("2"));
        QCOMPARE(place(*window, 1), (QStringList{"3/14/24", "Ann", "300"}));
        QCOMPARE(place(*window, 2), (QStringList{"", "", ""}));
    }

    void aTextThatIsNotATallyKeepsTheFirstTextsAndExitWritesWhatWasRead() {
        {
            QFile file(tallyPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            const Bytes packed = pack("4\r\nrows\r\n");
            file.write(reinterpret_cast<const char*>(packed.data()),
                       static_cast<qint64>(packed.size()));
        }
        TallyTable read;
        read.setColumnCount(4);
        {
            auto window = open();
            QCOMPARE(m_dialogs.errors, std::vector<std::string>{"Invalid numeric input"});
            QCOMPARE(text(*window, "label_name1"), QStringLiteral("Varnok"));
            QCOMPARE(text(*window, "mylabel_1"), QStringLiteral("0"));
        }
        QCOMPARE(storedText(tallyPath()), QByteArray::fromStdString(textOf(read)));
    }

    void namesShowAsTypedNotAsMarkup() {
        auto window = open();
        const QString typed = QStringLiteral("<b>A&amp;</b>");
        window->tallycalls().checkscore(300, typed.toStdString());
        QLabel* name = label(*window, "label_name1");
        QCOMPARE(name->text(), typed);
        QCOMPARE(name->textFormat(), Qt::PlainText);
        QVERIFY(name->sizeHint().width() >= name->fontMetrics().horizontalAdvance(typed));
    }

    void tallyIsKeptAcrossARestart() {
        {
            auto window = open();
            window->tallycalls().addtomineincrease(1);
            window->tallycalls().checkscore(420, "Ann");
            window->tallycalls().checkchange(2, 3);
            QVERIFY2(!QFile::exists(tallyPath()), "written only at exit");
        }
        QVERIFY(QFile::exists(tallyPath()));
        const QByteArray stored = storedText(tallyPath());
        QVERIFY(stored.startsWith("9\r\n12\r\n"));
        QCOMPARE(stored.count("\r\n"), 110);

        auto window = open();
        QCOMPARE(window->reading().outcome, TallyReading::Outcome::Read);
        QCOMPARE(text(*window, "mylabel_1"), QStringLiteral("1"));
        QCOMPARE(text(*window, "mylabel_2"), QStringLiteral("3"));
        QCOMPARE(place(*window, 1), (QStringList{"3/14/24", "Ann", "420"}));
        for (int n = 2; n <= 10; ++n) {
            QCOMPARE(place(*window, n), (QStringList{"", "", ""}));
        }
        QVERIFY(m_dialogs.errors.empty());
    }

    void resetButtonAsksAndWipesOnlyOnYes() {
        auto window = open();
        window->tallycalls().addtomineincrease(1);
        window->tallycalls().checkscore(50, "Ann");
        auto* reset = window->findChild<TSelButton*>(QStringLiteral("button_reset"));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));

        m_dialogs.answer = TallyAnswer::No;
        click(reset);
        QCOMPARE(m_dialogs.questions.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(m_dialogs.questions[0]), QStringLiteral("reset"));
        QCOMPARE(text(*window, "mylabel_1"), QStringLiteral("1"));
        QCOMPARE(text(*window, "label_name1"), QStringLiteral("Ann"));
        expectLook(*window, 1, red, true);

        m_dialogs.answer = TallyAnswer::Yes;
        click(reset);
        QCOMPARE(m_dialogs.questions.size(), std::size_t{2});
        QCOMPARE(text(*window, "mylabel_1"), QStringLiteral("0"));
        for (int n = 1; n <= 10; ++n) {
            QCOMPARE(place(*window, n), (QStringList{"", "", ""}));
            QCOMPARE(text(*window, QStringLiteral("label_num%1").arg(n)),
                     QStringLiteral("%1.").arg(n));
            expectLook(*window, n, lightGrey, false);
        }
    }

    void realBoxesAskAndReport() {
        TallyMessageBoxes boxes(nullptr);
        SeenBox seen;
        answerNextBox(seen, QMessageBox::Yes);
        QCOMPARE(boxes.askReset(), TallyAnswer::Yes);
        QCOMPARE(seen.title, QStringLiteral("Confirm"));
        QCOMPARE(seen.text, QStringLiteral("Are you sure you want to reset the Tally?"));
        answerNextBox(seen, QMessageBox::No);
        QCOMPARE(boxes.askReset(), TallyAnswer::No);
        answerNextBox(seen, QMessageBox::NoButton);
        QVERIFY(boxes.askReset() != TallyAnswer::Yes);
    }

    void damagedFileShowsAnErrorBoxTitledBloomzapAndTheGameStartsClean() {
        {
            QFile file(tallyPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("XRZL\x05\x00\x00\x00garbage", 15);
        }
        {
            SeenBox seen;
            answerNextBox(seen, QMessageBox::Ok);
            Ttallylist window(nullptr, fsPath(m_dir), &m_calendar); // real message boxes
            QCOMPARE(seen.title, QStringLiteral("Bloomzap"));
            // A message to the player: one OK button, no icon.
            QCOMPARE(seen.icon, QMessageBox::NoIcon);
            QCOMPARE(seen.buttons.size(), 1);
            QCOMPARE(
                seen.text,
                QFileInfo(tallyPath()).absoluteFilePath() +
                    QStringLiteral(" : Lzrw1 decompression : this file has no valid header !"));
            QCOMPARE(window.reading().outcome, TallyReading::Outcome::Failed);
            QCOMPARE(text(window, "label_name1"), QStringLiteral("Varnok"));
            QCOMPARE(text(window, "mylabel_1"), QStringLiteral("0"));
            window.tallycalls().addtomineincrease(1);
        }
        const QByteArray stored = storedText(tallyPath());
        QVERIFY(stored.startsWith("9\r\n12\r\n0\r\n"));
        QVERIFY(stored.contains("\r\n1\r\n"));
    }

    void doneHidesAndShowingAgainChangesNothing() {
        QWidget owner;
        owner.setGeometry(100, 100, 600, 500);
        owner.show();
        auto window = std::make_unique<Ttallylist>(&owner, fsPath(m_dir), &m_calendar, &m_dialogs);
        window->tallycalls().checkscore(77, "Ann");
        window->showCentredOn(&owner);
        QVERIFY(window->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(
            (window->frameGeometry().center() - owner.frameGeometry().center()).manhattanLength() <=
            1);

        click(window->findChild<TSelButton*>(QStringLiteral("button_done")));
        QVERIFY(!window->isVisible());
        window->tallycalls().checkscore(5, "Bob"); // works while hidden
        QCOMPARE(text(*window, "label_name2"), QStringLiteral("Bob"));
        window->showCentredOn(&owner);
        QVERIFY(window->isVisible());
        QCOMPARE(text(*window, "label_name1"), QStringLiteral("Ann"));
        expectLook(*window, 2, red, true);
    }
};

BLOOMZAP_QTEST(TtallylistTest);
#include "TtallylistTest.moc"
