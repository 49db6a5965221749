// The tally file: reading it at start, writing it at exit, and what damaged files and full or
// read-only disks do to it.
#include "tally/TallyStore.h"
#include "tally/TallyLocalDisk.h"
#include "tally/TallyRecords.h"
#include "tally/TallyTable.h"
#include "tests/support/Fakes.h"
#include "tests/tally/CompressorFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using namespace testsupport;

// A fresh, empty folder, removed afterwards.
struct StoreFolder {
    StoreFolder() {
        std::random_device random;
        path = fs::temp_directory_path() /
               ("bloomzap-tally-" + std::to_string(random()) + "-" + std::to_string(random()));
        fs::create_directories(path);
    }
    ~StoreFolder() {
        std::error_code ignored;
        fs::current_path(fs::temp_directory_path(), ignored);
        fs::permissions(path, fs::perms::owner_all, ignored);
        fs::remove_all(path, ignored);
    }

    fs::path tallyFile() const { return path / "bloomzaptally.tld"; }

    std::vector<fs::path> files() const {
        std::vector<fs::path> out;
        for (const auto& entry : fs::directory_iterator(path)) {
            out.push_back(entry.path().filename());
        }
        return out;
    }

    fs::path path;
    TallyLocalDisk disk;
};

// A disk that fills up: it writes only the first bytes of a file, then reports failure.
class FullDisk : public TallyDisk {
public:
    explicit FullDisk(std::size_t room) : m_room(room) {}
    bool writeFile(const fs::path& path, const Bytes& bytes) override {
        written.push_back(path);
        TallyLocalDisk real;
        const Bytes part(bytes.begin(), bytes.begin() + std::min(m_room, bytes.size()));
        return real.writeFile(path, part) && part.size() == bytes.size();
    }
    std::vector<fs::path> written;

private:
    std::size_t m_room;
};

TEST(TallyStore, NoFileGivesTheInitialTable) {
    StoreFolder here;
    TallyStore store(here.path, here.disk);
    TallyTable table;
    table.setCell(1, 0, "77");
    const auto reading = store.readTally(table);
    EXPECT_EQ(reading.outcome, TallyReading::Outcome::NoFile);
    EXPECT_EQ(textOf(table), textOf(TallyTable()));
    EXPECT_TRUE(here.files().empty()) << "reading creates nothing";
}

TEST(TallyStore, FirstExitWritesTheInitialTableAsFastContainer) {
    StoreFolder here;
    TallyStore store(here.path, here.disk);
    TallyTable table;
    store.readTally(table);
    ASSERT_TRUE(store.writeTally(table));

    EXPECT_EQ(here.files(), std::vector<fs::path>{"bloomzaptally.tld"}) << "no spare file remains";
    const Bytes container = readBytes(here.tallyFile());
    EXPECT_EQ(std::string(container.begin(), container.begin() + 4), "WRZL");
    const std::string text = unpack(container);
    EXPECT_EQ(text, textOf(TallyTable())) << "decompressing gives back exactly what was written";
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 110);
    EXPECT_EQ(text.substr(0, 10), "9\r\n12\r\n0\r\n");
}

TEST(TallyStore, WhatIsWrittenIsReadBack) {
    StoreFolder here;
    TallyStore store(here.path, here.disk);
    TallyTable table;
    table.setCell(1, 0, "41");
    table.setCell(2, 0, "9");
    table.setCell(0, 1, "3/14/24");
    table.setCell(1, 1, "12345");
    table.setCell(2, 1, "J\xf6rg & Co");
    ASSERT_TRUE(store.writeTally(table));

    TallyTable read;
    const auto reading = TallyStore(here.path, here.disk).readTally(read);
    EXPECT_EQ(reading.outcome, TallyReading::Outcome::Read);
    EXPECT_EQ(textOf(read), textOf(table));
}

TEST(TallyStore, NoTempFileInTheWorkingFolder) {
    StoreFolder here;
    const fs::path work = here.path / "work";
    const fs::path tally = here.path / "tally";
    fs::create_directories(work);
    fs::create_directories(tally);
    writeBytes(work / "temp.txt", {'m', 'i', 'n', 'e'});
    fs::current_path(work);

    TallyStore store(tally, here.disk);
    TallyTable table;
    ASSERT_TRUE(store.writeTally(table));
    ASSERT_EQ(store.readTally(table).outcome, TallyReading::Outcome::Read);
    ASSERT_TRUE(store.writeTally(table));

    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(work)) {
        names.push_back(entry.path().filename());
    }
    EXPECT_EQ(names, std::vector<fs::path>{"temp.txt"});
    EXPECT_EQ(readBytes(work / "temp.txt"), (Bytes{'m', 'i', 'n', 'e'}));
}

TEST(TallyStore, WrongIdentifierIsReportedWithTheFullPath) {
    StoreFolder here;
    Bytes container = pack(textOf(TallyTable()));
    container[0] = 'X';
    writeBytes(here.tallyFile(), container);

    TallyStore store(here.path / "." / ".." / here.path.filename(), here.disk);
    TallyTable table;
    table.setCell(1, 0, "5");
    const auto reading = store.readTally(table);
    EXPECT_EQ(reading.outcome, TallyReading::Outcome::Failed);
    EXPECT_EQ(reading.message, here.tallyFile().string() +
                                   " : Lzrw1 decompression : this file has no valid header !");
    // The same as a fact, for a window to word in the player's language.
    EXPECT_EQ(reading.failure, Lzrw1Failure::noHeader);
    EXPECT_EQ(reading.subject, here.tallyFile().string());
    EXPECT_EQ(textOf(table), textOf(TallyTable()));
    EXPECT_EQ(here.files(), std::vector<fs::path>{"bloomzaptally.tld"});

    // The next exit replaces the damaged file.
    ASSERT_TRUE(store.writeTally(table));
    EXPECT_EQ(unpack(readBytes(here.tallyFile())), textOf(TallyTable()));
}

TEST(TallyStore, DamagedContainersStartFromTheInitialTable) {
    StoreFolder here;
    TallyTable played;
    played.setCell(1, 0, "8");
    played.setCell(1, 1, "300");
    const Bytes good = pack(textOf(played));
    Bytes cut(good.begin(), good.begin() + good.size() / 2);
    Bytes longer = good;
    longer[4] += 1; // the stored length no longer matches

    const std::vector<std::pair<Bytes, std::string>> cases = {
        {cut, "Lzrw1 : Error reading from input file : " + here.tallyFile().string()},
        {longer, "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !"},
        {Bytes{}, "Lzrw1 : Error reading from input file : " + here.tallyFile().string()},
    };
    for (const auto& [bytes, message] : cases) {
        writeBytes(here.tallyFile(), bytes);
        TallyTable table;
        table.setCell(1, 0, "5");
        const auto reading = TallyStore(here.path, here.disk).readTally(table);
        EXPECT_EQ(reading.outcome, TallyReading::Outcome::Failed) << message;
        EXPECT_EQ(reading.message, message);
        EXPECT_EQ(textOf(table), textOf(TallyTable())) << message;
        EXPECT_EQ(readBytes(here.tallyFile()), bytes) << "reading never changes the file";
    }
}

TEST(TallyStore, ATextThatIsNotATallyKeepsWhatWasReadAndExitWritesIt) {
    StoreFolder here;
    // Column count 4 read, then a row count that is not a number.
    TallyTable fourColumns;
    fourColumns.setColumnCount(4);
    const std::vector<std::pair<std::string, TallyTable>> cases = {
        {"4\r\nrows\r\n", fourColumns},
        {"nine\r\ntwelve\r\n", TallyTable()},
        {"", TallyTable()},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        writeBytes(here.tallyFile(), pack(text));
        TallyTable table;
        TallyStore store(here.path, here.disk);
        const auto reading = store.readTally(table);
        EXPECT_EQ(reading.outcome, TallyReading::Outcome::Failed);
        EXPECT_EQ(reading.message, "Invalid numeric input");
        EXPECT_EQ(textOf(table), textOf(expected));

        ASSERT_TRUE(store.writeTally(table));
        EXPECT_EQ(unpack(readBytes(here.tallyFile())), textOf(expected));
    }
}

TEST(TallyStore, FullDiskLeavesTheOldFileByteForByte) {
    StoreFolder here;
    TallyTable old;
    old.setCell(1, 1, "999");
    old.setCell(2, 1, "Old");
    ASSERT_TRUE(TallyStore(here.path, here.disk).writeTally(old));
    const Bytes before = readBytes(here.tallyFile());

    TallyTable changed;
    for (int row = 0; row < 12; ++row) {
        changed.setCell(2, row, "a much longer name to make the file grow " + std::to_string(row));
    }
    for (std::size_t room : {std::size_t{0}, std::size_t{5}, before.size() / 2}) {
        FullDisk full(room);
        EXPECT_FALSE(TallyStore(here.path, full).writeTally(changed)) << room;
        ASSERT_EQ(full.written.size(), 1u);
        EXPECT_EQ(full.written[0].parent_path(), here.tallyFile().parent_path())
            << "the new file is made beside the old one";
        EXPECT_NE(full.written[0], here.tallyFile());
        EXPECT_EQ(readBytes(here.tallyFile()), before) << room;
        EXPECT_EQ(here.files(), std::vector<fs::path>{"bloomzaptally.tld"})
            << "the spare is removed";
    }
}

TEST(TallyStore, UnwritableTargetLeavesTheOldFile) {
    StoreFolder here;
    TallyTable table;
    // A folder that does not exist: nothing can be written there, and nothing is reported.
    EXPECT_FALSE(TallyStore(here.path / "missing", here.disk).writeTally(table));
    EXPECT_FALSE(fs::exists(here.path / "missing"));

    // A tally "file" that is a folder with content cannot be replaced; it stays as it was.
    fs::create_directories(here.tallyFile() / "inside");
    EXPECT_FALSE(TallyStore(here.path, here.disk).writeTally(table));
    EXPECT_TRUE(fs::is_directory(here.tallyFile() / "inside"));
    EXPECT_EQ(here.files(), std::vector<fs::path>{"bloomzaptally.tld"});
}

TEST(TallyStore, ReadOnlyFolderLeavesTheOldFile) {
    StoreFolder here;
    TallyTable table;
    ASSERT_TRUE(TallyStore(here.path, here.disk).writeTally(table));
    const Bytes before = readBytes(here.tallyFile());
    fs::permissions(here.path, fs::perms::owner_read | fs::perms::owner_exec);
    if (std::ofstream(here.path / "probe")) {
        GTEST_SKIP() << "folder permissions are not enforced for this user";
    }

    table.setCell(1, 0, "3");
    EXPECT_FALSE(TallyStore(here.path, here.disk).writeTally(table));
    EXPECT_EQ(readBytes(here.tallyFile()), before);
}

TEST(TallyStore, ResetThenExitWritesAnEmptyRecord) {
    StoreFolder here;
    FixedCalendar calendar;
    ScriptedDialogs dialogs;
    TallyTable table;
    ShownTally shown;
    TallyRecords records(table, shown, calendar, dialogs);
    records.addtomineincrease(1);
    records.checkscore(50, "Ann");
    ASSERT_TRUE(records.confirmReset());
    ASSERT_TRUE(TallyStore(here.path, here.disk).writeTally(table));

    // As the initial table, but every total column holds "0" and row 11 is an empty place too.
    TallyTable expected;
    for (int col = 5; col <= 8; ++col) {
        expected.setCell(col, 0, "0");
    }
    expected.setCell(1, 11, "-1000");
    EXPECT_EQ(unpack(readBytes(here.tallyFile())), textOf(expected));
}

} // namespace
