// Where the settings and the tally live: the program's folder when writable, else the user's.

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

    void probesFoldersByCreatingAFileAndLeavesNothing() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::filesystem::path folder = dir.path().toStdString();
        QVERIFY(SettingsLocation::folderWritable(folder));
        QVERIFY(!SettingsLocation::folderWritable(folder / "does-not-exist"));
        QVERIFY(std::filesystem::is_empty(folder));
    }

    void usesTheProgramFolderHere() {
        // The test program lies in the build tree, which is writable.
        QCOMPARE(SettingsLocation::settingsFile(),
                 std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) /
                     "bloomzap.ini");
    }
};

QTEST_GUILESS_MAIN(SettingsLocationTest)
#include "SettingsLocationTest.moc"
