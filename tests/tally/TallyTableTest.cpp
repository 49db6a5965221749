// The tally table: its initial content, cells outside it, resizing, and reading numbers.
#include "tally/TallyTable.h"
#include "tests/support/Fakes.h"

#include <gtest/gtest.h>

namespace {

using namespace testsupport;

TEST(TallyTable, InitialTableHasZeroTotalsAndTenEmptyPlaces) {
    TallyTable table;
    EXPECT_EQ(table.columnCount(), 9);
    EXPECT_EQ(table.rowCount(), 12);
    for (int col = 0; col <= 4; ++col) {
        EXPECT_EQ(table.cell(col, 0), "0") << col;
    }
    for (int col = 5; col <= 8; ++col) {
        EXPECT_EQ(table.cell(col, 0), "") << col;
    }
    for (int row = 1; row <= 10; ++row) {
        EXPECT_EQ(table.cell(0, row), "");
        EXPECT_EQ(table.cell(1, row), "-1000");
        EXPECT_EQ(table.cell(2, row), "");
    }
    EXPECT_EQ(table.cell(0, 11), "");
    EXPECT_EQ(table.cell(1, 11), "");
    // Its text: the two counts, then 9 x 12 cells column by column.
    const auto lines = linesOf(textOf(table));
    ASSERT_EQ(lines.size(), 110u);
    EXPECT_EQ(lines[0], "9");
    EXPECT_EQ(lines[1], "12");
    EXPECT_EQ(lines[2 + 1 * 12 + 10], "-1000");
}

TEST(TallyTable, CellsOutsideTheTableReadEmptyAndIgnoreWrites) {
    TallyTable table;
    table.setCell(9, 0, "x");
    table.setCell(0, 12, "x");
    table.setCell(-1, 0, "x");
    EXPECT_EQ(table.cell(9, 0), "");
    EXPECT_EQ(table.cell(0, 12), "");
    EXPECT_EQ(table.cell(-1, 0), "");
    EXPECT_EQ(textOf(table), textOf(TallyTable()));
}

TEST(TallyTable, ResizingKeepsTheCellsThatStillFit) {
    TallyTable table;
    table.setCell(2, 3, "Ann");
    table.setCell(8, 11, "corner");
    table.setRowCount(4);
    EXPECT_EQ(table.cell(2, 3), "Ann");
    table.setRowCount(12);
    EXPECT_EQ(table.cell(2, 3), "Ann");
    EXPECT_EQ(table.cell(8, 11), "") << "cut off rows come back empty";
    table.setColumnCount(3);
    EXPECT_EQ(table.columnCount(), 3);
    EXPECT_EQ(table.cell(2, 3), "Ann");
}

TEST(TallyTable, DecimalAcceptsOnlyWholeDecimalIntegers) {
    EXPECT_EQ(TallyTable::decimal("0"), 0);
    EXPECT_EQ(TallyTable::decimal("-1000"), -1000);
    EXPECT_EQ(TallyTable::decimal("+42"), 42);
    EXPECT_EQ(TallyTable::decimal("2147483647"), 2147483647);
    for (const char* bad : {"", "-", "+", "+-5", "12a", " 12", "12 ", "1.5", "0x10", "abc",
                            "2147483648", "99999999999"}) {
        EXPECT_EQ(TallyTable::decimal(bad), std::nullopt) << bad;
    }
}

} // namespace
