#include "tally/TallyText.h"

#include "common/LineBreaks.h"
#include "tally/TallyTable.h"

#include <istream>
#include <ostream>
#include <string>
#include <utility>

namespace {

void writeLine(std::ostream& file, const std::string& cell) {
    // One cell is one line: a line break in a pasted name would shift every cell after it on the
    // next read, so it goes out as a blank.
    const std::string text = common::blankLineBreaks(cell);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.write("\r\n", 2);
}

// One line without its line end. Lines end in CR LF; a bare LF is taken as well. A stray CR
// left in the line reads as the blank the writer makes of it, so a table read and written back
// reads the same.
bool readLine(std::istream& file, std::string& line) {
    if (!std::getline(file, line)) {
        return false;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    line = common::blankLineBreaks(std::move(line));
    return true;
}

int readCount(std::istream& file) {
    std::string line;
    if (!readLine(file, line)) {
        throw ETallyTextError("Invalid numeric input");
    }
    const auto first = line.find_first_not_of(" \t");
    const auto last = line.find_last_not_of(" \t");
    const auto count =
        first == std::string::npos
            ? std::nullopt
            : TallyTable::decimal(std::string_view(line).substr(first, last - first + 1));
    if (!count) {
        throw ETallyTextError("Invalid numeric input");
    }
    if (*count < 0 || *count > maxTextCells) {
        throw ETallyTextError("Tally text : table size out of range");
    }
    return *count;
}

} // namespace

void SaveGridToFile(const TallyTable& grid, std::ostream& file) {
    writeLine(file, std::to_string(grid.columnCount()));
    writeLine(file, std::to_string(grid.rowCount()));
    for (int col = 0; col < grid.columnCount(); ++col) {
        for (int row = 0; row < grid.rowCount(); ++row) {
            writeLine(file, grid.cell(col, row));
        }
    }
}

void LoadGridFromFile(TallyTable& grid, std::istream& file) {
    const auto fits = [](long long cols, long long rows) { return cols * rows <= maxTextCells; };
    const int cols = readCount(file);
    int rows = 0;
    try {
        rows = readCount(file);
    } catch (const ETallyTextError&) {
        // The column count is taken before the row count fails, unless the table would then
        // pass the limit with the rows it has.
        if (fits(cols, grid.rowCount())) {
            grid.setColumnCount(cols);
        }
        throw;
    }
    if (!fits(cols, rows)) {
        throw ETallyTextError("Tally text : table size out of range");
    }
    // Shrinking first keeps every step within the limit: a wide text read into a tall table
    // must not pass through a table of the new width and the old height.
    if (rows <= grid.rowCount()) {
        grid.setRowCount(rows);
        grid.setColumnCount(cols);
    } else {
        grid.setColumnCount(cols);
        grid.setRowCount(rows);
    }
    std::string line;
    bool more = true;
    for (int col = 0; col < cols; ++col) {
        for (int row = 0; row < rows; ++row) {
            more = more && readLine(file, line);
            grid.setCell(col, row, more ? line : std::string());
        }
    }
}
