#include "tally/TallyTable.h"

#include <algorithm>
#include <charconv>

TallyTable::TallyTable() {
    setInitial();
}

void TallyTable::setInitial() {
    m_cols = 0;
    m_rows = 0;
    m_cells.clear();
    resize(nominalColumns, nominalRows);
    for (int col = 0; col <= 4; ++col) {
        setCell(col, 0, "0");
    }
    for (int place = 1; place <= places; ++place) {
        setCell(1, place, std::to_string(emptyScore));
    }
}

void TallyTable::setColumnCount(int cols) {
    resize(cols, m_rows);
}

void TallyTable::setRowCount(int rows) {
    resize(m_cols, rows);
}

void TallyTable::resize(int cols, int rows) {
    cols = std::max(cols, 0);
    rows = std::max(rows, 0);
    std::vector<std::string> cells(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows));
    for (int col = 0; col < std::min(cols, m_cols); ++col) {
        for (int row = 0; row < std::min(rows, m_rows); ++row) {
            cells[static_cast<std::size_t>(col) * rows + row] =
                std::move(m_cells[static_cast<std::size_t>(col) * m_rows + row]);
        }
    }
    m_cells = std::move(cells);
    m_cols = cols;
    m_rows = rows;
}

bool TallyTable::inside(int col, int row) const {
    return col >= 0 && row >= 0 && col < m_cols && row < m_rows;
}

const std::string& TallyTable::cell(int col, int row) const {
    static const std::string empty;
    if (!inside(col, row)) {
        return empty;
    }
    return m_cells[static_cast<std::size_t>(col) * m_rows + row];
}

void TallyTable::setCell(int col, int row, std::string text) {
    if (inside(col, row)) {
        m_cells[static_cast<std::size_t>(col) * m_rows + row] = std::move(text);
    }
}

std::optional<int> TallyTable::number(int col, int row) const {
    return decimal(cell(col, row));
}

std::optional<int> TallyTable::decimal(std::string_view text) {
    // from_chars takes a minus sign but not a plus sign, so a plus is stripped here; "+-5" stays
    // no number.
    const bool plus = !text.empty() && text.front() == '+';
    if (plus) {
        text.remove_prefix(1);
    }
    if (text.empty() || (plus && text.front() == '-')) {
        return std::nullopt;
    }
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}
