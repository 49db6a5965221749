#include "ProfileFile.h"
#include "TestFolder.h"

#include <gtest/gtest.h>

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    TestFolder folder;
    std::filesystem::path file = folder.file("test.ini");
    ProfileFile profile{file};
};

TEST_F(ProfileFileTest, MissingFileSectionOrKeyGivesTheFallback) {
    EXPECT_EQ(profile.readString("bloomzap", "Name", "Guest"), "Guest");
    TestFolder::write(file, "[other]\r\nName=Ann\r\n");
    EXPECT_EQ(profile.readString("bloomzap", "Name", "Guest"), "Guest");
    TestFolder::write(file, "[bloomzap]\r\nTop=5\r\n");
    EXPECT_EQ(profile.readString("bloomzap", "Name", "Guest"), "Guest");
    EXPECT_FALSE(std::filesystem::exists(folder.file("absent.ini")));
}

TEST_F(ProfileFileTest, ReadsValuesWithoutRegardToCaseAndTrimsBlanks) {
    TestFolder::write(file, "Name=before any section\r\n"
                            "[Other]\r\nName=wrong section\r\n"
                            "  [BloomZap]  \r\n"
                            "  nAmE \t=  Ann = Lee \t\r\n"
                            "name=second one is ignored\r\n"
                            "Empty=\r\n");
    EXPECT_EQ(profile.readString("bloomzap", "Name", "x"), "Ann = Lee");
    EXPECT_EQ(profile.readString("BLOOMZAP", "NAME", "x"), "Ann = Lee");
    EXPECT_EQ(profile.readString("bloomzap", "Empty", "x"), "");
}

TEST_F(ProfileFileTest, ReadsFilesWithPlainLineFeedsAndNoFinalLineEnd) {
    TestFolder::write(file, "[bloomzap]\nTop=7\nLeft=9");
    EXPECT_EQ(profile.readString("bloomzap", "Top", ""), "7");
    EXPECT_EQ(profile.readString("bloomzap", "Left", ""), "9");
}

TEST_F(ProfileFileTest, ReadsAtMost2047CharactersOfAValue) {
    TestFolder::write(file, "[bloomzap]\r\nName=" + std::string(3000, 'a') + "\r\n");
    EXPECT_EQ(profile.readString("bloomzap", "Name", "").size(), 2047u);
}

TEST_F(ProfileFileTest, CreatesTheFileAndSectionWithCrLf) {
    ASSERT_TRUE(profile.writeString("bloomzap", "Top", "3"));
    ASSERT_TRUE(profile.writeString("bloomzap", "Left", "4"));
    EXPECT_EQ(TestFolder::read(file), "[bloomzap]\r\nTop=3\r\nLeft=4\r\n");
}

TEST_F(ProfileFileTest, ReplacesInPlaceAndAppendsAtTheEndOfTheSection) {
    TestFolder::write(file, "; a comment\n"
                            "[bloomzap]\n"
                            "TOP=1\n"
                            "Custom = kept\n"
                            "\n"
                            "[next]\n"
                            "Top=99\n");
    ASSERT_TRUE(profile.writeString("bloomzap", "Top", "-20"));
    ASSERT_TRUE(profile.writeString("bloomzap", "Name", "Ann"));
    // Untouched lines keep their own line ends; new and replaced lines get CR LF.
    EXPECT_EQ(TestFolder::read(file), "; a comment\n"
                                      "[bloomzap]\n"
                                      "Top=-20\n"
                                      "Custom = kept\n"
                                      "Name=Ann\r\n"
                                      "\n"
                                      "[next]\n"
                                      "Top=99\n");
    EXPECT_EQ(profile.readString("next", "Top", ""), "99");
}

TEST_F(ProfileFileTest, AddsAMissingSectionAfterOtherContent) {
    TestFolder::write(file, "[other]\r\nKey=1");
    ASSERT_TRUE(profile.writeString("bloomzap", "Name", "Ann"));
    EXPECT_EQ(TestFolder::read(file), "[other]\r\nKey=1\r\n\r\n[bloomzap]\r\nName=Ann\r\n");
}

TEST_F(ProfileFileTest, AppendsAfterALastLineWithoutLineEnd) {
    TestFolder::write(file, "[bloomzap]\r\nTop=1");
    ASSERT_TRUE(profile.writeString("bloomzap", "Left", "2"));
    EXPECT_EQ(TestFolder::read(file), "[bloomzap]\r\nTop=1\r\nLeft=2\r\n");
}

TEST_F(ProfileFileTest, LineBreaksInAValueCannotPlantKeys) {
    ASSERT_TRUE(profile.writeString("bloomzap", "Name", "Ann\r\nSounds=no"));
    EXPECT_EQ(profile.readString("bloomzap", "Sounds", "yes"), "yes");
    EXPECT_EQ(profile.readString("bloomzap", "Name", ""), "Ann  Sounds=no");
}

TEST_F(ProfileFileTest, WriteToAnUnwritablePathFailsAndChangesNothing) {
    std::filesystem::create_directory(file); // a folder where the file should be
    EXPECT_FALSE(profile.writeString("bloomzap", "Top", "1"));
    EXPECT_TRUE(std::filesystem::is_directory(file));
    ProfileFile inMissingFolder(folder.file("missing/test.ini"));
    EXPECT_FALSE(inMissingFolder.writeString("bloomzap", "Top", "1"));
}

TEST(ProfileFileInteger, ReadsDecimalAndHexadecimal) {
    const std::pair<const char*, std::int32_t> good[] = {{"0", 0},
                                                         {"42", 42},
                                                         {"+42", 42},
                                                         {"-42", -42},
                                                         {"0x10", 16},
                                                         {"0X1f", 31},
                                                         {"$10", 16},
                                                         {"$ff", 255},
                                                         {"2147483647", 2147483647},
                                                         {"-2147483648", -2147483647 - 1},
                                                         {"$FFFFFFFF", -1},
                                                         {"-0x10", -16}};
    for (const auto& [text, expected] : good) {
        std::int32_t value = 7;
        EXPECT_TRUE(ProfileFile::parseInteger(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
}

TEST(ProfileFileInteger, RejectsEverythingElse) {
    for (const char* text : {"", "abc", "0x", "$", "12a", "1 2", "-", "+", "2147483648",
                             "-2147483649", "0x100000000", "1.5", "0x-1", "x10"}) {
        std::int32_t value = 7;
        EXPECT_FALSE(ProfileFile::parseInteger(text, value)) << text;
        EXPECT_EQ(value, 7) << text;
    }
}

} // namespace
