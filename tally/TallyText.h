#pragma once

#include <iosfwd>
#include <stdexcept>

class TallyTable;

// The tally text: the column count, the row count, then every cell column by column, one line
// each, every line ending in CR LF. Cell bytes are written as they are, except that a CR or LF
// inside a cell is written as a blank; a CR inside a line is read as a blank.

// A text that is not a tally text; the message is shown to the player as is.
class ETallyTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The most cells a tally text may ask for: far beyond anything the game writes, and small
// enough that a damaged text cannot eat all memory.
inline constexpr long long maxTextCells = 1 << 20;

// Writes the whole grid as tally text.
void SaveGridToFile(const TallyTable& grid, std::ostream& file);

// Reads a tally text into the grid, which takes the counts the text gives. A text that ends
// before all cells are read leaves the remaining cells empty. Throws ETallyTextError when a
// count line is missing, is not a decimal integer, or asks for more than maxTextCells cells; the
// grid then holds what was read up to that point, and never more than maxTextCells cells.
void LoadGridFromFile(TallyTable& grid, std::istream& file);
