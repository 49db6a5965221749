// What waits for the first window: the large icon sizes join the program's icon once a window has
// been exposed, and not before; kept undecoded, they still answer as decoded ones. The pictures of
// the first window come decoded by the build. The audio module loads with the first sound after
// the window is up, and its absence only silences the game. The menu bar loads no image-format
// plugin, and the windows look as the platform style draws them.

#include "app/AudioBackEnd.h"
#include "app/FirstExposure.h"
#include "app/GameProgram.h"
#include "app/GameStyle.h"
#include "app/ProgramIcon.h"
#include "app/QtSoundOutput.h"
#include "tests/support/RecordingOutput.h"
#include "tests/support/VirtualClock.h"
#include "widgets/EmbeddedPicture.h"

#include <QApplication>
#include <QColorSpace>
#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QMainWindow>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include <memory>

namespace {

// Whether a file whose path holds `part` is mapped into the process (a library loaded).
bool mapped(const QByteArray& part) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return !maps.open(QIODevice::ReadOnly) || maps.readAll().contains(part);
}

bool loaded(const char* library) {
    return mapped(QByteArray("/") + library);
}

constexpr const char* multimedia = "libQt6Multimedia.so.6";

// Whether any of Qt's image-format plugins is loaded.
bool imagePluginLoaded() {
    return mapped("/imageformats/");
}

// The program's six windows over a fresh folder, as the program makes them; each as it looks.
// A style whose menus never underline their keyboard letters, as when Alt is not held.
class LettersUnderlinedNever : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        return hint == SH_UnderlineShortcut
                   ? 0
                   : QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QList<QImage> windowLooks() {
    QTemporaryDir folder;
    VirtualClock clock;
    testsupport::RecordingOutput silence;
    MainEnvironment environment;
    environment.timers = &clock;
    environment.seed = [] { return std::uint64_t(7); };
    environment.sound = &silence;
    environment.settingsFile = folder.filePath(QStringLiteral("bloomzap.ini")).toStdString();
    GameWindows windows(environment, folder.path().toStdString());
    QList<QImage> looks;
    for (QWidget* window :
         QList<QWidget*>{&windows.main, &windows.tallylist, &windows.about, &windows.help,
                         &windows.highscore, &windows.multiplayer}) {
        looks << window->grab().toImage();
    }
    return looks;
}

} // namespace

class IntegrationStartupTest : public QObject {
    Q_OBJECT

private slots:
    // First, before anything in this process plays a sound or reads a picture.
    void theAudioBackEndLoadsWithTheFirstSoundAfterTheWindow() {
        // Without its module the output stays silent: nothing loaded, every call returns.
        QtSoundOutput missing(nullptr, "libbloomzap_nosuchmodule.so");
        for (const char* name : {"ENTERED", "DROP", "CLEAR"}) {
            missing.play(name);
        }
        missing.stop();
        QVERIFY(missing.backEndStarted());
        QVERIFY(!missing.backEndLoaded());
        QVERIFY(!loaded(multimedia));

        // The sound asked for while the window is made loads nothing until the window is up.
        QtSoundOutput output;
        output.hold();
        output.play("ENTERED");
        QWindow window;
        window.resize(120, 80);
        output.releaseAfterExposed(&window);
        QCoreApplication::processEvents();
        QVERIFY(!loaded(audiomodule::fileName));
        QVERIFY(!loaded(multimedia));
        window.show();
        QTRY_VERIFY(output.backEndStarted());
        QVERIFY(output.backEndLoaded());
        QVERIFY(loaded(audiomodule::fileName));
        QVERIFY(loaded(multimedia));

        // Through the module, with or without an audio device, sounds and unknown names are
        // harmless.
        output.play("CLEAR");
        output.play("NOSUCHSOUND");
        output.stop();
        QCoreApplication::processEvents();
    }

    void theMenuBarLoadsNoImagePluginAndTheWindowsLookTheSame() {
        QVERIFY(!imagePluginLoaded());
        const QString platform = QApplication::style()->name();
        QApplication::setStyle(new GameStyle(QApplication::style()));
        {
            QMainWindow window;
            window.menuBar()->addMenu(QStringLiteral("&Game"));
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(!imagePluginLoaded());

            // Asked at last, the overflow button's icon is the platform style's own.
            const auto* overflow =
                window.menuBar()->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
            QVERIFY(overflow);
            const std::unique_ptr<QStyle> platformStyle(QStyleFactory::create(platform));
            const QIcon expected =
                platformStyle->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
            const QIcon icon = overflow->icon();
            QVERIFY(!icon.isNull());
            QCOMPARE(icon.availableSizes(), expected.availableSizes());
            for (const QSize& size : expected.availableSizes()) {
                QCOMPARE(icon.pixmap(size).toImage(), expected.pixmap(size).toImage());
            }
        }

        // Every window made under the game's style looks as under the platform's, whose menu
        // letters are underlined only while Alt is held (as the game's style does).
        const QList<QImage> withGameStyle = windowLooks();
        QApplication::setStyle(new LettersUnderlinedNever(QStyleFactory::create(platform)));
        const QList<QImage> withPlatformStyle = windowLooks();
        QCOMPARE(withGameStyle.size(), 6);
        for (int i = 0; i < withGameStyle.size(); ++i) {
            QVERIFY(!withGameStyle[i].isNull());
            QCOMPARE(withGameStyle[i], withPlatformStyle[i]);
        }
    }

    // The pictures of the first window come decoded by the build, exactly as the PNG decoder
    // gives them.
    void thePicturesDecodedByTheBuildAreThePngPictures() {
        QStringList paths{QStringLiteral(":/pictures/logo.png"),
                          QStringLiteral(":/pictures/emblem.png")};
        for (const int size : {16, 22, 24, 32, 48, 64, 128}) {
            paths << QStringLiteral(":/icons/bloomzap-%1.png").arg(size);
        }
        for (const QString& path : paths) {
            QVERIFY2(QFile::exists(path + QStringLiteral(".decoded")), qPrintable(path));
            QImageReader reader(path, "png");
            reader.setAutoDetectImageFormat(false);
            const QImage expected = reader.read();
            QVERIFY2(!expected.isNull(), qPrintable(path));
            const QImage decoded = embedded::image(path, "png");
            QCOMPARE(decoded.format(), expected.format());
            QCOMPARE(decoded, expected);
            QCOMPARE(decoded.colorSpace(), expected.colorSpace());
            QCOMPARE(decoded.dotsPerMeterX(), expected.dotsPerMeterX());
            QCOMPARE(decoded.dotsPerMeterY(), expected.dotsPerMeterY());
        }
    }

    void theIconGetsItsLargeSizesOnceTheFirstWindowIsExposed() {
        programicon::setUsualSizes();
        const QList<QSize> usual = QApplication::windowIcon().availableSizes();
        QCOMPARE(usual.size(), 7);
        for (const QSize& size : usual) {
            QVERIFY(size.width() <= 128 && size.height() == size.width());
        }

        QWindow window;
        window.resize(200, 100);
        window.create();
        bool ran = false;
        afterFirstExposure(&window, [&] {
            ran = true;
            programicon::addLargeSizes();
        });
        // Unexposed, nothing happens however long the event loop runs.
        QCoreApplication::processEvents();
        QTest::qWait(50);
        QVERIFY(!ran);
        QCOMPARE(QApplication::windowIcon().availableSizes().size(), 7);

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(ran);
        const QList<QSize> every = QApplication::windowIcon().availableSizes();
        QCOMPARE(every.size(), 9);
        QVERIFY(every.contains(QSize(256, 256)));
        QVERIFY(every.contains(QSize(512, 512)));
        QVERIFY(every.contains(QSize(16, 16)));
        QVERIFY(!QApplication::windowIcon().pixmap(QSize(512, 512)).isNull());
    }

    void aWindowAlreadyExposedRunsTheWorkAtTheNextTurn() {
        QWindow window;
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int runs = 0;
        afterFirstExposure(&window, [&] { ++runs; });
        QCOMPARE(runs, 0);
        QTRY_COMPARE(runs, 1);
        // Later exposures do not run it again.
        window.hide();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(50);
        QCOMPARE(runs, 1);
    }

    // The large sizes are read again when asked for rather than kept: every question to the
    // icon still gets what an icon holding all nine sizes decoded gives.
    void theLargeSizesAnswerAsIfTheyWereKeptDecoded() {
        programicon::setUsualSizes();
        programicon::addLargeSizes();
        const QIcon icon = QApplication::windowIcon();
        QIcon kept;
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
            kept.addPixmap(QPixmap(QStringLiteral(":/icons/bloomzap-%1.png").arg(size)));
        }
        QCOMPARE(icon.availableSizes(), kept.availableSizes());
        QCOMPARE(icon.availableSizes(QIcon::Disabled), kept.availableSizes(QIcon::Disabled));
        for (const int size : {16, 22, 48, 100, 128, 200, 256, 300, 512, 600}) {
            const QSize asked(size, size);
            for (const QIcon::Mode mode :
                 {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected}) {
                QCOMPARE(icon.actualSize(asked, mode), kept.actualSize(asked, mode));
                const QImage got = icon.pixmap(asked, mode).toImage();
                QVERIFY(!got.isNull());
                QCOMPARE(got, kept.pixmap(asked, mode).toImage());
            }
        }
    }
};

QTEST_MAIN(IntegrationStartupTest)
#include "IntegrationStartupTest.moc"
