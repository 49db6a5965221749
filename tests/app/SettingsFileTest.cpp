// The game's seven settings: defaults, the integer and switch rules, saving and its errors.

#include "app/SettingsFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <tuple>

// The fixture carries the name of the class it tests, which stays reachable as ::SettingsFile.
namespace tests {

auto fields(const Settings& s) {
    return std::tuple(s.top, s.left, s.width, s.height, s.name, s.sounds, s.update, s.site);
}

class SettingsFile : public ::testing::Test {
public: // for the test bodies
    Settings loadFrom(const std::string& body) {
        testsupport::writeFile(file, "[bloomzap]\r\n" + body);
        return settings.load();
    }
    static void expectWriteError(const ::SettingsFile& target, const std::filesystem::path& full) {
        try {
            target.save(Settings{});
            FAIL() << "save reported success";
        } catch (const SettingsWriteError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + full.string());
            EXPECT_EQ(e.file(), full) << "the window composes its message from the file";
        }
    }

    testsupport::TempDir folder;
    std::filesystem::path file = folder / "bloomzap.ini";
    ::SettingsFile settings{file};
};

TEST_F(SettingsFile, MissingFileGivesTheDefaults) {
    EXPECT_EQ(fields(settings.load()), std::tuple(3, 3, 518, 443, std::string("Guest"), true, true,
                                                  std::string("http://127.0.0.1:8080/")));
    EXPECT_FALSE(std::filesystem::exists(file)); // loading never creates the file
    EXPECT_EQ(loadFrom("Site=\r\n").site, "http://127.0.0.1:8080/");
}

TEST_F(SettingsFile, OnlyExactSmallLetterWordsSwitchOff) {
    EXPECT_FALSE(loadFrom("Sounds=no\r\n").sounds);
    EXPECT_FALSE(loadFrom("Update=false\r\n").update);
    EXPECT_FALSE(loadFrom("Sounds=  no \r\n").sounds); // blanks are trimmed
    for (const std::string word : {"No", "NO", "0", "off", "", "nope"}) {
        EXPECT_TRUE(loadFrom("Sounds=" + word + "\r\n").sounds) << word;
    }
    for (const std::string word : {"FALSE", "False", "0", "no", ""}) {
        EXPECT_TRUE(loadFrom("Update=" + word + "\r\n").update) << word;
    }
}

TEST_F(SettingsFile, PositionsFollowTheIntegerRules) {
    Settings s = loadFrom("Top=0x10\r\nLeft=$20\r\nWidth=abc\r\nHeight=\r\n");
    EXPECT_EQ(std::tuple(s.top, s.left, s.width, s.height), std::tuple(16, 32, 518, 443));
    s = loadFrom("Top=letters\r\nLeft=99999999999\r\n");
    EXPECT_EQ(std::tuple(s.top, s.left), std::tuple(3, 3));
}

TEST_F(SettingsFile, EmptyNameStaysEmptyAndMissingNameIsGuest) {
    EXPECT_EQ(loadFrom("Name=\r\n").name, "");
    EXPECT_EQ(loadFrom("Name=   \r\n").name, "");
    EXPECT_EQ(loadFrom("Top=1\r\n").name, "Guest");
    EXPECT_EQ(loadFrom("name=A much longer name\r\n").name, "A much longer name");
}

TEST_F(SettingsFile, NewFileHasTheSevenKeysInOrderWithCrLf) {
    settings.save(Settings{});
    EXPECT_EQ(testsupport::readFile(file),
              "[bloomzap]\r\nTop=3\r\nLeft=3\r\nWidth=518\r\nHeight=443\r\n"
              "Name=Guest\r\nSounds=yes\r\nUpdate=true\r\n");
}

TEST_F(SettingsFile, EverythingRoundTripsIncludingNegativePositions) {
    const Settings s{-1080, -1920, 700, 600, "Zoë", false, false};
    settings.save(s);
    EXPECT_NE(testsupport::readFile(file).find("Top=-1080\r\nLeft=-1920\r\n"), std::string::npos);
    const Settings back = settings.load();
    EXPECT_EQ(fields(back), fields(s));

    // Saving again replaces the values instead of adding lines.
    settings.save(back);
    const std::string text = testsupport::readFile(file);
    EXPECT_EQ(text.find("Top="), text.rfind("Top="));
}

TEST_F(SettingsFile, HandAddedKeysAndSiteSurviveASave) {
    testsupport::writeFile(file, "[Bloomzap]\r\nsite = http://scores.example.org/games\r\n"
                                 "Comment=mine\r\nNAME=Old\r\n\r\n[elsewhere]\r\nTop=1\r\n");
    Settings s = settings.load();
    EXPECT_EQ(s.site, "http://scores.example.org/games/");
    EXPECT_EQ(s.name, "Old");
    s.name = "New";
    s.site = "http://ignored/";
    settings.save(s);
    EXPECT_EQ(testsupport::readFile(file),
              "[Bloomzap]\r\nsite = http://scores.example.org/games\r\nComment=mine\r\n"
              "Name=New\r\nTop=3\r\nLeft=3\r\nWidth=518\r\nHeight=443\r\nSounds=yes\r\n"
              "Update=true\r\n\r\n[elsewhere]\r\nTop=1\r\n");
}

TEST_F(SettingsFile, UnwritableFileGivesTheErrorWithTheFullFileName) {
    // A folder in the file's place cannot be written, whoever runs the test.
    std::filesystem::create_directory(file);
    expectWriteError(settings, file);
    // A relative name is reported in full.
    expectWriteError(::SettingsFile("no-such-folder/bloomzap.ini"),
                     std::filesystem::absolute("no-such-folder/bloomzap.ini"));
}

} // namespace tests
