#include "TallyTable.h"
#include "TallyText.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::vector<std::string> linesof(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string textof(const TallyTable& table) {
    std::ostringstream out;
    SaveGridToFile(table, out);
    return out.str();
}

void load(TallyTable& table, const std::string& text) {
    std::istringstream in(text);
    LoadGridFromFile(table, in);
}

TEST(TallyTable, InitialTableHasZeroTotalsAndTenEmptyPlaces) {
    TallyTable table;
    EXPECT_EQ(table.ColCount(), 9);
    EXPECT_EQ(table.RowCount(), 12);
    for (int col = 0; col <= 4; ++col)
        EXPECT_EQ(table.cell(col, 0), "0") << col;
    for (int col = 5; col <= 8; ++col)
        EXPECT_EQ(table.cell(col, 0), "") << col;
    for (int row = 1; row <= 10; ++row) {
        EXPECT_EQ(table.cell(0, row), "");
        EXPECT_EQ(table.cell(1, row), "-1000");
        EXPECT_EQ(table.cell(2, row), "");
    }
    EXPECT_EQ(table.cell(0, 11), "");
    EXPECT_EQ(table.cell(1, 11), "");
    // Its text: the two counts, then 9 x 12 cells column by column.
    const auto lines = linesof(textof(table));
    ASSERT_EQ(lines.size(), 110u);
    EXPECT_EQ(lines[0], "9");
    EXPECT_EQ(lines[1], "12");
    EXPECT_EQ(lines[2 + 1 * 12 + 10], "-1000");
}

TEST(TallyTable, CellsOutsideTheTableReadEmptyAndIgnoreWrites) {
    TallyTable table;
    table.setcell(9, 0, "x");
    table.setcell(0, 12, "x");
    table.setcell(-1, 0, "x");
    EXPECT_EQ(table.cell(9, 0), "");
    EXPECT_EQ(table.cell(0, 12), "");
    EXPECT_EQ(table.cell(-1, 0), "");
    EXPECT_EQ(textof(table), textof(TallyTable()));
}

TEST(TallyTable, ResizingKeepsTheCellsThatStillFit) {
    TallyTable table;
    table.setcell(2, 3, "Ann");
    table.setcell(8, 11, "corner");
    table.setRowCount(4);
    EXPECT_EQ(table.cell(2, 3), "Ann");
    table.setRowCount(12);
    EXPECT_EQ(table.cell(2, 3), "Ann");
    EXPECT_EQ(table.cell(8, 11), "") << "cut off rows come back empty";
    table.setColCount(3);
    EXPECT_EQ(table.ColCount(), 3);
    EXPECT_EQ(table.cell(2, 3), "Ann");
}

TEST(TallyTable, DecimalAcceptsOnlyWholeDecimalIntegers) {
    EXPECT_EQ(TallyTable::decimal("0"), 0);
    EXPECT_EQ(TallyTable::decimal("-1000"), -1000);
    EXPECT_EQ(TallyTable::decimal("+42"), 42);
    EXPECT_EQ(TallyTable::decimal("2147483647"), 2147483647);
    for (const char* bad : {"", "-", "+", "+-5", "12a", " 12", "12 ", "1.5", "0x10", "abc",
                            "2147483648", "99999999999"})
        EXPECT_EQ(TallyTable::decimal(bad), std::nullopt) << bad;
}

TEST(TallyText, WritesCellsColumnByColumnWithBytesUnchanged) {
    TallyTable table;
    table.setcell(2, 1, "J\xf6rg \"&\" ;");
    table.setcell(0, 1, "14.03.24");
    table.setcell(1, 1, "512");
    const auto lines = linesof(textof(table));
    EXPECT_EQ(lines[2 + 0 * 12 + 1], "14.03.24");
    EXPECT_EQ(lines[2 + 1 * 12 + 1], "512");
    EXPECT_EQ(lines[2 + 2 * 12 + 1], "J\xf6rg \"&\" ;");
}

TEST(TallyText, LineBreaksInACellAreWrittenAsBlanks) {
    // A name pasted with a line break must not shift the cells after it.
    TallyTable table;
    table.setcell(2, 1, "Ann\nBob\r\nCy\r");
    table.setcell(3, 0, "4");
    const auto lines = linesof(textof(table));
    ASSERT_EQ(lines.size(), 110u);
    EXPECT_EQ(lines[2 + 2 * 12 + 1], "Ann Bob  Cy ");
    TallyTable read;
    load(read, textof(table));
    EXPECT_EQ(read.cell(2, 1), "Ann Bob  Cy ");
    EXPECT_EQ(read.cell(3, 0), "4");
    EXPECT_EQ(read.cell(1, 10), "-1000");
}

TEST(TallyText, NominalTextRestoresEveryCell) {
    TallyTable written;
    for (int col = 0; col < 9; ++col)
        for (int row = 0; row < 12; ++row)
            written.setcell(col, row, std::to_string(col) + "/" + std::to_string(row));
    TallyTable read;
    read.setRowCount(3);
    load(read, textof(written));
    EXPECT_EQ(read.ColCount(), 9);
    EXPECT_EQ(read.RowCount(), 12);
    EXPECT_EQ(read.cell(8, 11), "8/11");
    EXPECT_EQ(textof(read), textof(written));
}

TEST(TallyText, OtherCountsGiveTheTableThoseDimensions) {
    TallyTable table;
    load(table, "2\r\n3\r\na\r\nb\r\nc\r\nd\r\ne\r\nf\r\n");
    EXPECT_EQ(table.ColCount(), 2);
    EXPECT_EQ(table.RowCount(), 3);
    EXPECT_EQ(table.cell(0, 0), "a");
    EXPECT_EQ(table.cell(0, 2), "c");
    EXPECT_EQ(table.cell(1, 0), "d");
    EXPECT_EQ(table.cell(1, 2), "f");
    EXPECT_EQ(textof(table), "2\r\n3\r\na\r\nb\r\nc\r\nd\r\ne\r\nf\r\n");
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
