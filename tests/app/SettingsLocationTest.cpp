// Where the settings and the tally live: the program's folder when writable and not the install
// folder, else the user's.

#include "app/SettingsLocation.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

class SettingsLocationTest : public QObject {
    Q_OBJECT
private slots:
    void choosesTheProgramFolderOnlyWhenWritable() {
        QCOMPARE(SettingsLocation::choose("/opt/game", true, "/home/ann/.config/Bloomzap"),
                 std::filesystem::path("/opt/game/bloomzap.ini"));
        QCOMPARE(SettingsLocation::choose("/usr/bin", false, "/home/ann/.config/Bloomzap"),
                 std::filesystem::path("/home/ann/.config/Bloomzap/bloomzap.ini"));
    }

    void theInstallFolderIsNeverUsedEvenWhenWritable_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("expected");
        // "games" stands for the install folder, "build" for a build folder.
        QTest::newRow("build folder") << "build" << true << true;
        QTest::newRow("build folder, read-only") << "build" << false << false;
        QTest::newRow("install folder, writable (root)") << "games" << true << false;
        QTest::newRow("install folder with a trailing slash") << "games/" << true << false;
        QTest::newRow("install folder through a link") << "link" << true << false;
    }
    void theInstallFolderIsNeverUsedEvenWhenWritable() {
        QFETCH(QString, program);
        QFETCH(bool, writable);
        QFETCH(bool, expected);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::filesystem::path root = dir.path().toStdString();
        std::filesystem::create_directories(root / "games");
        std::filesystem::create_directories(root / "build");
        std::filesystem::create_directory_symlink(root / "games", root / "link");
        QCOMPARE(SettingsLocation::useProgramFolder(root / program.toStdString(), writable,
                                                    root / "games"),
                 expected);
    }

    void probesFoldersByCreatingAFileAndLeavesNothing() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::filesystem::path folder = dir.path().toStdString();
        QVERIFY(SettingsLocation::folderWritable(folder));
        QVERIFY(!SettingsLocation::folderWritable(folder / "does-not-exist"));
        QVERIFY(std::filesystem::is_empty(folder));
    }

    void usesTheProgramFolderHere() {
        // The test program lies in the build tree, which is writable and not where the game
        // is installed.
        QVERIFY(SettingsLocation::installedFolder().is_absolute());
        QCOMPARE(SettingsLocation::settingsFile(),
                 std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) /
                     "bloomzap.ini");
    }
};

QTEST_GUILESS_MAIN(SettingsLocationTest)
#include "SettingsLocationTest.moc"
