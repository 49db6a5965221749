#include "TallyText.h"

#include "TallyTable.h"

#include <algorithm>
#include <istream>
#include <ostream>
#include <string>

namespace {

// A table this large is far beyond anything the game writes; refusing it keeps a damaged text
// from eating all memory.
constexpr long long MaxCells = 1 << 20;

void writeline(std::ostream& file, std::string text) {
    // One cell is one line: a line break in a pasted name would shift every cell after it on the
    // next read, so it goes out as a blank.
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.write("\r\n", 2);
}

// One line without its line end. Lines end in CR LF; a bare LF is taken as well.
bool readline(std::istream& file, std::string& line) {
    if (!std::getline(file, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

int readcount(std::istream& file) {
    std::string line;
    if (!readline(file, line))
        throw ETallyTextError("Invalid numeric input");
    const auto first = line.find_first_not_of(" \t");
    const auto last = line.find_last_not_of(" \t");
    const auto count =
        first == std::string::npos
            ? std::nullopt
            : TallyTable::decimal(std::string_view(line).substr(first, last - first + 1));
    if (!count)
        throw ETallyTextError("Invalid numeric input");
    if (*count < 0 || *count > MaxCells)
        throw ETallyTextError("Tally text : table size out of range");
    return *count;
}

} // namespace

void SaveGridToFile(const TallyTable& grid, std::ostream& file) {
    writeline(file, std::to_string(grid.ColCount()));
    writeline(file, std::to_string(grid.RowCount()));
    for (int col = 0; col < grid.ColCount(); ++col)
        for (int row = 0; row < grid.RowCount(); ++row)
            writeline(file, grid.cell(col, row));
}

void LoadGridFromFile(TallyTable& grid, std::istream& file) {
    const int cols = readcount(file);
    grid.setColCount(cols);
    const int rows = readcount(file);
    if (static_cast<long long>(cols) * rows > MaxCells)
        throw ETallyTextError("Tally text : table size out of range");
    grid.setRowCount(rows);
    std::string line;
    bool more = true;
    for (int col = 0; col < cols; ++col)
        for (int row = 0; row < rows; ++row) {
            more = more && readline(file, line);
            grid.setcell(col, row, more ? line : std::string());
        }
}
