#include "SettingsFile.h"
#include "TestFolder.h"

#include <gtest/gtest.h>

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    Settings loadFrom(const std::string& content) {
        TestFolder::write(file, content);
        return settings.load();
    }

    TestFolder folder;
    std::filesystem::path file = folder.file("bloomzap.ini");
    SettingsFile settings{file};
};

TEST_F(SettingsFileTest, MissingFileGivesTheDefaults) {
    const Settings s = settings.load();
    EXPECT_EQ(s.top, 3);
    EXPECT_EQ(s.left, 3);
    EXPECT_EQ(s.width, 518);
    EXPECT_EQ(s.height, 443);
    EXPECT_EQ(s.name, "Guest");
    EXPECT_TRUE(s.sounds);
    EXPECT_TRUE(s.update);
    EXPECT_EQ(s.site, "http://127.0.0.1:8080/");
    EXPECT_FALSE(std::filesystem::exists(file)); // loading never creates the file
}

TEST_F(SettingsFileTest, OnlyExactSmallLetterWordsSwitchOff) {
    EXPECT_FALSE(loadFrom("[bloomzap]\r\nSounds=no\r\n").sounds);
    EXPECT_FALSE(loadFrom("[bloomzap]\r\nUpdate=false\r\n").update);
    EXPECT_FALSE(loadFrom("[bloomzap]\r\nSounds=  no \r\n").sounds); // blanks are trimmed
    for (const char* word : {"No", "NO", "0", "off", "", "nope"})
        EXPECT_TRUE(loadFrom(std::string("[bloomzap]\r\nSounds=") + word + "\r\n").sounds) << word;
    for (const char* word : {"FALSE", "False", "0", "no", ""})
        EXPECT_TRUE(loadFrom(std::string("[bloomzap]\r\nUpdate=") + word + "\r\n").update) << word;
}

TEST_F(SettingsFileTest, PositionsFollowTheIntegerRules) {
    Settings s = loadFrom("[bloomzap]\r\nTop=0x10\r\nLeft=$20\r\nWidth=abc\r\nHeight=\r\n");
    EXPECT_EQ(s.top, 16);
    EXPECT_EQ(s.left, 32);
    EXPECT_EQ(s.width, 518);
    EXPECT_EQ(s.height, 443);
    s = loadFrom("[bloomzap]\r\nTop=letters\r\nLeft=99999999999\r\n");
    EXPECT_EQ(s.top, 3);
    EXPECT_EQ(s.left, 3);
}

TEST_F(SettingsFileTest, EmptyNameStaysEmptyAndMissingNameIsGuest) {
    EXPECT_EQ(loadFrom("[bloomzap]\r\nName=\r\n").name, "");
    EXPECT_EQ(loadFrom("[bloomzap]\r\nName=   \r\n").name, "");
    EXPECT_EQ(loadFrom("[bloomzap]\r\nTop=1\r\n").name, "Guest");
    EXPECT_EQ(loadFrom("[bloomzap]\r\nname=A much longer name\r\n").name, "A much longer name");
}

TEST_F(SettingsFileTest, NewFileHasTheSevenKeysInOrderWithCrLf) {
    settings.save(Settings{});
    EXPECT_EQ(TestFolder::read(file), "[bloomzap]\r\n"
                                      "Top=3\r\n"
                                      "Left=3\r\n"
                                      "Width=518\r\n"
                                      "Height=443\r\n"
                                      "Name=Guest\r\n"
                                      "Sounds=yes\r\n"
                                      "Update=true\r\n");
}

TEST_F(SettingsFileTest, EverythingRoundTripsIncludingNegativePositions) {
    Settings s;
    s.top = -1080;
    s.left = -1920;
    s.width = 700;
    s.height = 600;
    s.name = "Zoë";
    s.sounds = false;
    s.update = false;
    settings.save(s);
    EXPECT_NE(TestFolder::read(file).find("Top=-1080\r\nLeft=-1920\r\n"), std::string::npos);
    const Settings back = settings.load();
    EXPECT_EQ(back.top, -1080);
    EXPECT_EQ(back.left, -1920);
    EXPECT_EQ(back.width, 700);
    EXPECT_EQ(back.height, 600);
    EXPECT_EQ(back.name, "Zoë");
    EXPECT_FALSE(back.sounds);
    EXPECT_FALSE(back.update);

    // Saving again replaces the values instead of adding lines.
    settings.save(back);
    const std::string text = TestFolder::read(file);
    EXPECT_EQ(text.find("Top="), text.rfind("Top="));
}

TEST_F(SettingsFileTest, HandAddedKeysAndSiteSurviveASave) {
    TestFolder::write(file, "[Bloomzap]\r\n"
                            "site = http://scores.example.org/games\r\n"
                            "Comment=mine\r\n"
                            "NAME=Old\r\n"
                            "\r\n"
                            "[elsewhere]\r\n"
                            "Top=1\r\n");
    Settings s = settings.load();
    EXPECT_EQ(s.site, "http://scores.example.org/games/");
    EXPECT_EQ(s.name, "Old");
    s.name = "New";
    s.site = "http://ignored/";
    settings.save(s);
    EXPECT_EQ(TestFolder::read(file), "[Bloomzap]\r\n"
                                      "site = http://scores.example.org/games\r\n"
                                      "Comment=mine\r\n"
                                      "Name=New\r\n"
                                      "Top=3\r\n"
                                      "Left=3\r\n"
                                      "Width=518\r\n"
                                      "Height=443\r\n"
                                      "Sounds=yes\r\n"
                                      "Update=true\r\n"
                                      "\r\n"
                                      "[elsewhere]\r\n"
                                      "Top=1\r\n");
}

TEST_F(SettingsFileTest, EmptySiteKeepsTheDefault) {
    EXPECT_EQ(loadFrom("[bloomzap]\r\nSite=\r\n").site, "http://127.0.0.1:8080/");
}

TEST_F(SettingsFileTest, UnwritableFileGivesTheErrorWithTheFullFileName) {
    // A folder in the file's place cannot be written, whoever runs the test.
    std::filesystem::create_directory(file);
    try {
        settings.save(Settings{});
        FAIL() << "save reported success";
    } catch (const SettingsWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + file.string());
    }
}

TEST_F(SettingsFileTest, RelativeFileNameIsReportedInFull) {
    SettingsFile relative("no-such-folder/bloomzap.ini");
    try {
        relative.save(Settings{});
        FAIL() << "save reported success";
    } catch (const SettingsWriteError& e) {
        const std::string expected =
            "Unable to write to " +
            std::filesystem::absolute("no-such-folder/bloomzap.ini").string();
        EXPECT_EQ(std::string(e.what()), expected);
    }
}

} // namespace
