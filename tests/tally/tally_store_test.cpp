#include "LZRW1.h"
#include "TallyLocalDisk.h"
#include "TallyRecords.h"
#include "TallyStore.h"
#include "TallyTable.h"
#include "TallyText.h"
#include "lzrw1_test_helpers.h"
#include "tally_fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// A fresh, empty folder for each test, removed afterwards.
class TallyStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        folder = fs::temp_directory_path() /
                 ("bloomzap-tally-" + std::to_string(random()) + "-" + std::to_string(random()));
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::current_path(fs::temp_directory_path(), ignored);
        fs::permissions(folder, fs::perms::owner_all, ignored);
        fs::remove_all(folder, ignored);
    }

    fs::path tallyfile() const { return folder / "bloomzaptally.tld"; }

    std::vector<fs::path> files() const {
        std::vector<fs::path> out;
        for (const auto& entry : fs::directory_iterator(folder))
            out.push_back(entry.path().filename());
        return out;
    }

    fs::path folder;
};

std::string textof(const TallyTable& table) {
    std::ostringstream out;
    SaveGridToFile(table, out);
    return out.str();
}

// A disk that fills up: it writes only the first bytes of a file, then reports failure.
class FullDisk : public TallyDisk {
public:
    explicit FullDisk(std::size_t room) : m_room(room) {}
    bool writefile(const fs::path& path, const Bytes& bytes) override {
        written.push_back(path);
        TallyLocalDisk real;
        const Bytes part(bytes.begin(), bytes.begin() + std::min(m_room, bytes.size()));
        return real.writefile(path, part) && part.size() == bytes.size();
    }
    std::vector<fs::path> written;

private:
    std::size_t m_room;
};

TEST_F(TallyStoreTest, NoFileGivesTheInitialTable) {
    TallyLocalDisk disk;
    TallyStore store(folder, disk);
    TallyTable table;
    table.setcell(1, 0, "77");
    const auto reading = store.readtally(table);
    EXPECT_EQ(reading.outcome, TallyReading::Outcome::NoFile);
    EXPECT_EQ(textof(table), textof(TallyTable()));
    EXPECT_TRUE(files().empty()) << "reading creates nothing";
}

TEST_F(TallyStoreTest, FirstExitWritesTheInitialTableAsFastContainer) {
    TallyLocalDisk disk;
    TallyStore store(folder, disk);
    TallyTable table;
    store.readtally(table);
    ASSERT_TRUE(store.writetally(table));

    EXPECT_EQ(files(), std::vector<fs::path>{"bloomzaptally.tld"}) << "no spare file remains";
    const Bytes container = ReadBytes(tallyfile());
    EXPECT_EQ(std::string(container.begin(), container.begin() + 4), "WRZL");
    const std::string text = Unpack(container);
    EXPECT_EQ(text, textof(TallyTable())) << "decompressing gives back exactly what was written";
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 110);
    EXPECT_EQ(text.substr(0, 10), "9\r\n12\r\n0\r\n");
}

TEST_F(TallyStoreTest, WhatIsWrittenIsReadBack) {
    TallyLocalDisk disk;
    TallyStore store(folder, disk);
    TallyTable table;
    table.setcell(1, 0, "41");
    table.setcell(2, 0, "9");
    table.setcell(0, 1, "3/14/24");
    table.setcell(1, 1, "12345");
    table.setcell(2, 1, "J\xf6rg & Co");
    ASSERT_TRUE(store.writetally(table));

    TallyTable read;
    const auto reading = TallyStore(folder, disk).readtally(read);
    EXPECT_EQ(reading.outcome, TallyReading::Outcome::Read);
    EXPECT_EQ(textof(read), textof(table));
}

TEST_F(TallyStoreTest, NoTempFileInTheWorkingFolder) {
    const fs::path work = folder / "work";
    const fs::path tally = folder / "tally";
    fs::create_directories(work);
    fs::create_directories(tally);
    WriteBytes(work / "temp.txt", {'m', 'i', 'n', 'e'});
    fs::current_path(work);

    TallyLocalDisk disk;
    TallyStore store(tally, disk);
    TallyTable table;
    ASSERT_TRUE(store.writetally(table));
    ASSERT_EQ(store.readtally(table).outcome, TallyReading::Outcome::Read);
    ASSERT_TRUE(store.writetally(table));

    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(work))
        names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<fs::path>{"temp.txt"});
    EXPECT_EQ(ReadBytes(work / "temp.txt"), (Bytes{'m', 'i', 'n', 'e'}));
}

TEST_F(TallyStoreTest, WrongIdentifierIsReportedWithTheFullPath) {
    Bytes container = Pack(textof(TallyTable()));
    container[0] = 'X';
    WriteBytes(tallyfile(), container);

    TallyLocalDisk disk;
    TallyStore store(folder / "." / ".." / folder.filename(), disk);
    TallyTable table;
    table.setcell(1, 0, "5");
    const auto reading = store.readtally(table);
    EXPECT_EQ(reading.outcome, TallyReading::Outcome::Failed);
    EXPECT_EQ(reading.message,
              tallyfile().string() + " : Lzrw1 decompression : this file has no valid header !");
    EXPECT_EQ(textof(table), textof(TallyTable()));
    EXPECT_EQ(files(), std::vector<fs::path>{"bloomzaptally.tld"});

    // The next exit replaces the damaged file.
    ASSERT_TRUE(store.writetally(table));
    EXPECT_EQ(Unpack(ReadBytes(tallyfile())), textof(TallyTable()));
}

TEST_F(TallyStoreTest, DamagedContainersAndTextsStartClean) {
    TallyTable played;
    played.setcell(1, 0, "8");
    played.setcell(1, 1, "300");
    const Bytes good = Pack(textof(played));
    Bytes cut(good.begin(), good.begin() + good.size() / 2);
    Bytes longer = good;
    longer[4] += 1; // the stored length no longer matches

    const std::vector<std::pair<Bytes, std::string>> cases = {
        {cut, "Lzrw1 : Error reading from input file : " + tallyfile().string()},
        {longer, "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !"},
        {Pack("nine\r\ntwelve\r\n"), "Invalid numeric input"},
        {Pack(""), "Invalid numeric input"},
        {Bytes{}, "Lzrw1 : Error reading from input file : " + tallyfile().string()},
    };
    TallyLocalDisk disk;
    for (const auto& [bytes, message] : cases) {
        WriteBytes(tallyfile(), bytes);
        TallyTable table;
        const auto reading = TallyStore(folder, disk).readtally(table);
        EXPECT_EQ(reading.outcome, TallyReading::Outcome::Failed) << message;
        EXPECT_EQ(reading.message, message);
        EXPECT_EQ(textof(table), textof(TallyTable())) << message;
        EXPECT_EQ(ReadBytes(tallyfile()), bytes) << "reading never changes the file";
    }
}

TEST_F(TallyStoreTest, FullDiskLeavesTheOldFileByteForByte) {
    TallyLocalDisk disk;
    TallyTable old;
    old.setcell(1, 1, "999");
    old.setcell(2, 1, "Old");
    ASSERT_TRUE(TallyStore(folder, disk).writetally(old));
    const Bytes before = ReadBytes(tallyfile());

    TallyTable changed;
    for (int row = 0; row < 12; ++row)
        changed.setcell(2, row, "a much longer name to make the file grow " + std::to_string(row));
    for (std::size_t room : {std::size_t{0}, std::size_t{5}, before.size() / 2}) {
        FullDisk full(room);
        EXPECT_FALSE(TallyStore(folder, full).writetally(changed)) << room;
        ASSERT_EQ(full.written.size(), 1u);
        EXPECT_EQ(full.written[0].parent_path(), tallyfile().parent_path())
            << "the new file is made beside the old one";
        EXPECT_NE(full.written[0], tallyfile());
        EXPECT_EQ(ReadBytes(tallyfile()), before) << room;
        EXPECT_EQ(files(), std::vector<fs::path>{"bloomzaptally.tld"}) << "the spare is removed";
    }
}

TEST_F(TallyStoreTest, UnwritableTargetLeavesTheOldFile) {
    TallyLocalDisk disk;
    TallyTable table;
    // A folder that does not exist: nothing can be written there, and nothing is reported.
    EXPECT_FALSE(TallyStore(folder / "missing", disk).writetally(table));
    EXPECT_FALSE(fs::exists(folder / "missing"));

    // A tally "file" that is a folder with content cannot be replaced; it stays as it was.
    fs::create_directories(tallyfile() / "inside");
    EXPECT_FALSE(TallyStore(folder, disk).writetally(table));
    EXPECT_TRUE(fs::is_directory(tallyfile() / "inside"));
    EXPECT_EQ(files(), std::vector<fs::path>{"bloomzaptally.tld"});
}

TEST_F(TallyStoreTest, ReadOnlyFolderLeavesTheOldFile) {
    TallyLocalDisk disk;
    TallyTable table;
    ASSERT_TRUE(TallyStore(folder, disk).writetally(table));
    const Bytes before = ReadBytes(tallyfile());
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    if (std::ofstream(folder / "probe"))
        GTEST_SKIP() << "folder permissions are not enforced for this user";

    table.setcell(1, 0, "3");
    EXPECT_FALSE(TallyStore(folder, disk).writetally(table));
    EXPECT_EQ(ReadBytes(tallyfile()), before);
}

TEST_F(TallyStoreTest, ResetThenExitWritesAnEmptyRecord) {
    TallyLocalDisk disk;
    FixedCalendar calendar;
    ScriptedDialogs dialogs;
    TallyTable table;
    ShownTally shown;
    TallyRecords records(table, shown, calendar, dialogs);
    records.addtomineincrease(1);
    records.checkscore(50, "Ann");
    ASSERT_TRUE(records.confirmreset());
    ASSERT_TRUE(TallyStore(folder, disk).writetally(table));

    // As the initial table, but every total column holds "0" and row 11 is an empty place too.
    TallyTable expected;
    for (int col = 5; col <= 8; ++col)
        expected.setcell(col, 0, "0");
    expected.setcell(1, 11, "-1000");
    EXPECT_EQ(Unpack(ReadBytes(tallyfile())), textof(expected));
}

} // namespace
