#include "SettingsLocation.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

class SettingsLocationTest : public QObject {
    Q_OBJECT
private slots:
    void choosesTheProgramFolderOnlyWhenWritable();
    void probesFoldersByCreatingAFile();
    void usesTheProgramFolderHere();
};

void SettingsLocationTest::choosesTheProgramFolderOnlyWhenWritable() {
    QCOMPARE(SettingsLocation::choose("/opt/game", true, "/home/ann/.config/Bloomzap"),
             std::filesystem::path("/opt/game/bloomzap.ini"));
    QCOMPARE(SettingsLocation::choose("/usr/bin", false, "/home/ann/.config/Bloomzap"),
             std::filesystem::path("/home/ann/.config/Bloomzap/bloomzap.ini"));
}

void SettingsLocationTest::probesFoldersByCreatingAFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::filesystem::path folder = dir.path().toStdString();
    QVERIFY(SettingsLocation::folderWritable(folder));
    QVERIFY(!SettingsLocation::folderWritable(folder / "does-not-exist"));
    // The probe leaves nothing behind.
    QVERIFY(std::filesystem::is_empty(folder));
}

void SettingsLocationTest::usesTheProgramFolderHere() {
    // The test program lies in the build tree, which is writable.
    const std::filesystem::path expected =
        std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) /
        "bloomzap.ini";
    QCOMPARE(SettingsLocation::settingsFile(), expected);
}

QTEST_GUILESS_MAIN(SettingsLocationTest)
#include "SettingsLocationTest.moc"
