#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The tally table (`stringgrid_scores`): a grid of text cells, addressed (column, row) from 0.
// Row 0 holds the totals, rows 1 to 10 the places (date, score, name in columns 0 to 2).
// Every value is text; numbers are decimal integers in text form.
class TallyTable {
public:
    static constexpr int nominalColumns = 9;
    static constexpr int nominalRows = 12;
    // Rows 1 to places hold the places; columns 1 to totals of row 0 the totals the window shows.
    static constexpr int places = 10;
    static constexpr int totals = 3;
    // A score of this value or less marks an empty place.
    static constexpr int emptyScore = -1000;

    // Starts as the initial table.
    TallyTable();

    // The table every start begins with: 9 by 12, totals "0", ten empty places.
    void setInitial();

    int columnCount() const { return m_cols; }
    int rowCount() const { return m_rows; }
    // Cells inside both the old and the new size keep their text; new cells are empty.
    void setColumnCount(int cols);
    void setRowCount(int rows);

    // Cells outside the table read as empty, and writes to them are dropped, so a table of
    // unusual size read from a file can never be written past its end.
    const std::string& cell(int col, int row) const;
    void setCell(int col, int row, std::string text);

    // The cell read as a decimal integer, or nothing when it does not hold one.
    std::optional<int> number(int col, int row) const;

    // An optional sign followed by decimal digits, within the range of int; nothing else.
    static std::optional<int> decimal(std::string_view text);

private:
    void resize(int cols, int rows);
    bool inside(int col, int row) const;

    int m_cols = 0;
    int m_rows = 0;
    // Column by column, as the tally text lists them.
    std::vector<std::string> m_cells;
};
