// The settings file format: case-blind keys, trimmed values, CR LF lines, in-place writes.

#include "app/ProfileFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <vector>

// The fixture carries the name of the class it tests, which stays reachable as ::ProfileFile.
namespace tests {

class ProfileFile : public ::testing::Test {
public: // for the test bodies
    testsupport::TempDir folder;
    std::filesystem::path file = folder / "test.ini";
    ::ProfileFile profile{file};
};

TEST_F(ProfileFile, MissingFileSectionOrKeyGivesTheFallback) {
    EXPECT_EQ(profile.readString("bloomzap", "Name", "Guest"), "Guest");
    testsupport::writeFile(file, "[other]\r\nName=Ann\r\n");
    EXPECT_EQ(profile.readString("bloomzap", "Name", "Guest"), "Guest");
    testsupport::writeFile(file, "[bloomzap]\r\nTop=5\r\n");
    EXPECT_EQ(profile.readString("bloomzap", "Name", "Guest"), "Guest");
    EXPECT_FALSE(std::filesystem::exists(folder / "absent.ini"));
}

TEST_F(ProfileFile, ReadsValuesWithoutRegardToCaseAndTrimsBlanks) {
    testsupport::writeFile(file, "Name=before any section\r\n"
                                 "[Other]\r\nName=wrong section\r\n"
                                 "  [BloomZap]  \r\n"
                                 "  nAmE \t=  Ann = Lee \t\r\n"
                                 "name=second one is ignored\r\n"
                                 "Empty=\r\n");
    EXPECT_EQ(profile.readString("bloomzap", "Name", "x"), "Ann = Lee");
    EXPECT_EQ(profile.readString("BLOOMZAP", "NAME", "x"), "Ann = Lee");
    EXPECT_EQ(profile.readString("bloomzap", "Empty", "x"), "");
}

TEST_F(ProfileFile, ReadsFilesWithPlainLineFeedsAndNoFinalLineEnd) {
    testsupport::writeFile(file, "[bloomzap]\nTop=7\nLeft=9");
    EXPECT_EQ(profile.readString("bloomzap", "Top", ""), "7");
    EXPECT_EQ(profile.readString("bloomzap", "Left", ""), "9");
}

TEST_F(ProfileFile, ReadsAtMost2047CharactersOfAValue) {
    testsupport::writeFile(file, "[bloomzap]\r\nName=" + std::string(3000, 'a') + "\r\n");
    EXPECT_EQ(profile.readString("bloomzap", "Name", "").size(), 2047u);
}

TEST_F(ProfileFile, AValueReadAndWrittenBackReadsTheSame) {
    // A stray CR inside a value, one before a missing last line end, and a blank where the
    // 2047-character cut falls.
    testsupport::writeFile(file, "[bloomzap]\r\nName=An\reen\r\nLeft=" + std::string(2046, 'a') +
                                     " b\r\nTop=7\r");
    for (const char* key : {"Name", "Left", "Top"}) {
        SCOPED_TRACE(key);
        const std::string read = profile.readString("bloomzap", key, "");
        ASSERT_TRUE(profile.writeString("bloomzap", key, read));
        EXPECT_EQ(profile.readString("bloomzap", key, ""), read);
    }
    EXPECT_EQ(profile.readString("bloomzap", "Name", ""), "An een");
    EXPECT_EQ(profile.readString("bloomzap", "Left", ""), std::string(2046, 'a'));
    EXPECT_EQ(profile.readString("bloomzap", "Top", ""), "7");
    EXPECT_EQ(profile.readInteger("bloomzap", "Top", 3), 7);
}

TEST_F(ProfileFile, WritesWithCrLfReplacingInPlaceAndAppendingAtTheSectionEnd) {
    struct Case {
        const char* before; // nullptr: no file yet
        std::vector<std::pair<const char*, const char*>> writes;
        const char* after;
    };
    const Case cases[] = {
        {nullptr, {{"Top", "3"}, {"Left", "4"}}, "[bloomzap]\r\nTop=3\r\nLeft=4\r\n"},
        // Untouched lines keep their own line ends; new and replaced lines get CR LF.
        {"; a comment\n[bloomzap]\nTOP=1\nCustom = kept\n\n[next]\nTop=99\n",
         {{"Top", "-20"}, {"Name", "Ann"}},
         "; a comment\n[bloomzap]\nTop=-20\nCustom = kept\nName=Ann\r\n\n[next]\nTop=99\n"},
        {"[other]\r\nKey=1",
         {{"Name", "Ann"}},
         "[other]\r\nKey=1\r\n\r\n[bloomzap]\r\nName=Ann\r\n"},
        {"[bloomzap]\r\nTop=1", {{"Left", "2"}}, "[bloomzap]\r\nTop=1\r\nLeft=2\r\n"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(file);
        if (c.before) {
            testsupport::writeFile(file, c.before);
        }
        for (const auto& [key, value] : c.writes) {
            ASSERT_TRUE(profile.writeString("bloomzap", key, value));
        }
        EXPECT_EQ(testsupport::readFile(file), c.after);
    }
}

TEST_F(ProfileFile, LineBreaksInAValueCannotPlantKeys) {
    ASSERT_TRUE(profile.writeString("bloomzap", "Name", "Ann\r\nSounds=no"));
    EXPECT_EQ(profile.readString("bloomzap", "Sounds", "yes"), "yes");
    EXPECT_EQ(profile.readString("bloomzap", "Name", ""), "Ann  Sounds=no");
}

TEST_F(ProfileFile, WriteToAnUnwritablePathFailsAndChangesNothing) {
    std::filesystem::create_directory(file); // a folder where the file should be
    EXPECT_FALSE(profile.writeString("bloomzap", "Top", "1"));
    EXPECT_TRUE(std::filesystem::is_directory(file));
    ::ProfileFile inMissingFolder(folder / "missing/test.ini");
    EXPECT_FALSE(inMissingFolder.writeString("bloomzap", "Top", "1"));
}

TEST(ProfileFileInteger, ReadsDecimalAndHexadecimalAndRejectsEverythingElse) {
    // clang-format off
    const std::pair<const char*, std::int32_t> good[] = {
        {"0", 0}, {"42", 42}, {"+42", 42}, {"-42", -42}, {"0x10", 16}, {"0X1f", 31}, {"$10", 16},
        {"$ff", 255}, {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"$FFFFFFFF", -1}, {"-0x10", -16}};
    // clang-format on
    for (const auto& [text, expected] : good) {
        std::int32_t value = 7;
        EXPECT_TRUE(::ProfileFile::parseInteger(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const char* text : {"", "abc", "0x", "$", "12a", "1 2", "-", "+", "2147483648",
                             "-2147483649", "0x100000000", "1.5", "0x-1", "x10"}) {
        std::int32_t value = 7;
        EXPECT_FALSE(::ProfileFile::parseInteger(text, value)) << text;
        EXPECT_EQ(value, 7) << text;
    }
}

} // namespace tests
