// The tally text: how a table is written as lines and read back, also when the text is short or
// its counts are not numbers.
#include "tally/TallyText.h"
#include "tally/TallyTable.h"
#include "tests/support/Fakes.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace testsupport;

void load(TallyTable& table, const std::string& text) {
    std::istringstream in(text);
    LoadGridFromFile(table, in);
}

TEST(TallyText, WritesCellsColumnByColumnWithBytesUnchanged) {
    TallyTable table;
    table.setCell(2, 1, "J\xf6rg \"&\" ;");
    table.setCell(0, 1, "14.03.24");
    table.setCell(1, 1, "512");
    const auto lines = linesOf(textOf(table));
    EXPECT_EQ(lines[2 + 0 * 12 + 1], "14.03.24");
    EXPECT_EQ(lines[2 + 1 * 12 + 1], "512");
    EXPECT_EQ(lines[2 + 2 * 12 + 1], "J\xf6rg \"&\" ;");
}

TEST(TallyText, LineBreaksInACellAreWrittenAsBlanks) {
    // A name pasted with a line break must not shift the cells after it.
    TallyTable table;
    table.setCell(2, 1, "Ann\nBob\r\nCy\r");
    table.setCell(3, 0, "4");
    const auto lines = linesOf(textOf(table));
    ASSERT_EQ(lines.size(), 110u);
    EXPECT_EQ(lines[2 + 2 * 12 + 1], "Ann Bob  Cy ");
    TallyTable read;
    load(read, textOf(table));
    EXPECT_EQ(read.cell(2, 1), "Ann Bob  Cy ");
    EXPECT_EQ(read.cell(3, 0), "4");
    EXPECT_EQ(read.cell(1, 10), "-1000");
}

TEST(TallyText, AStrayCrReadsAsTheBlankItIsWrittenAs) {
    // So a table read, written and read again is the same table.
    std::string text = textOf(TallyTable());
    text.replace(text.find("\r\n0\r\n"), 5, "\r\n\r7\r\r\n");
    TallyTable read;
    load(read, text);
    EXPECT_EQ(read.cell(0, 0), " 7 ");
    TallyTable again;
    load(again, textOf(read));
    EXPECT_EQ(again.cell(0, 0), " 7 ");
    EXPECT_EQ(textOf(again), textOf(read));
}

TEST(TallyText, ADamagedTextNeverMakesTheTableLargerThanTheLimit) {
    // A huge column count followed by a bad row count, and a wide text read into a tall table.
    TallyTable table;
    EXPECT_THROW(load(table, "1048576\r\nx\r\n"), ETallyTextError);
    EXPECT_EQ(table.columnCount(), TallyTable::nominalColumns);
    EXPECT_EQ(table.rowCount(), TallyTable::nominalRows);

    load(table, "1048576\r\n1\r\nfirst\r\n");
    EXPECT_EQ(table.columnCount(), 1048576);
    EXPECT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.cell(0, 0), "first");

    TallyTable narrow;
    load(narrow, "2\r\n3\r\n");
    EXPECT_EQ(narrow.columnCount(), 2);
    EXPECT_EQ(narrow.rowCount(), 3);
}

TEST(TallyText, NominalTextRestoresEveryCell) {
    TallyTable written;
    for (int col = 0; col < 9; ++col) {
        for (int row = 0; row < 12; ++row) {
            written.setCell(col, row, std::to_string(col) + "/" + std::to_string(row));
        }
    }
    TallyTable read;
    read.setRowCount(3);
    load(read, textOf(written));
    EXPECT_EQ(read.columnCount(), 9);
    EXPECT_EQ(read.rowCount(), 12);
    EXPECT_EQ(read.cell(8, 11), "8/11");
    EXPECT_EQ(textOf(read), textOf(written));
}

TEST(TallyText, OtherCountsGiveTheTableThoseDimensions) {
    TallyTable table;
    load(table, "2\r\n3\r\na\r\nb\r\nc\r\nd\r\ne\r\nf\r\n");
    EXPECT_EQ(table.columnCount(), 2);
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.cell(0, 0), "a");
    EXPECT_EQ(table.cell(0, 2), "c");
    EXPECT_EQ(table.cell(1, 0), "d");
    EXPECT_EQ(table.cell(1, 2), "f");
    EXPECT_EQ(textOf(table), "2\r\n3\r\na\r\nb\r\nc\r\nd\r\ne\r\nf\r\n");
}

TEST(TallyText, TextThatEndsEarlyLeavesTheRemainingCellsEmpty) {
    TallyTable table; // initial: its score cells hold "-1000" before the load
    load(table, "9\r\n12\r\n5\r\n3/1/24\r\n");
    EXPECT_EQ(table.cell(0, 0), "5");
    EXPECT_EQ(table.cell(0, 1), "3/1/24");
    EXPECT_EQ(table.cell(0, 2), "");
    EXPECT_EQ(table.cell(1, 0), "");
    EXPECT_EQ(table.cell(1, 1), "") << "not left over from the table before the load";

    TallyTable nolf;
    load(nolf, "1\r\n2\r\nlast line without end");
    EXPECT_EQ(nolf.cell(0, 0), "last line without end");
    EXPECT_EQ(nolf.cell(0, 1), "");

    load(nolf, "1\n2\nx\ny\n"); // bare line feeds are accepted
    EXPECT_EQ(nolf.cell(0, 0), "x");
    EXPECT_EQ(nolf.cell(0, 1), "y");
}

TEST(TallyText, CountsThatAreNotNumbersAreRefused) {
    for (const char* bad : {"", "\r\n", "nine\r\n12\r\n", "9\r\ntwelve\r\n", "9\r\n",
                            "-1\r\n12\r\n", "9\r\n-3\r\n", "100000\r\n100000\r\n"}) {
        TallyTable table;
        EXPECT_THROW(load(table, bad), ETallyTextError) << bad;
    }
    TallyTable table;
    try {
        load(table, "x\r\n");
        FAIL();
    } catch (const ETallyTextError& e) {
        EXPECT_STREQ(e.what(), "Invalid numeric input");
    }
}

} // namespace
