// libFuzzer target: any bytes as a tally text. Reading either succeeds or throws the tally text
// error, and never leaves the table over the size limit; a table that was read, written and read
// again is the same table, and writing it again gives the same text.
#include "tally/TallyTable.h"
#include "tally/TallyText.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

bool sameTable(const TallyTable& a, const TallyTable& b) {
    if (a.columnCount() != b.columnCount() || a.rowCount() != b.rowCount())
        return false;
    for (int col = 0; col < a.columnCount(); ++col)
        for (int row = 0; row < a.rowCount(); ++row)
            if (a.cell(col, row) != b.cell(col, row))
                return false;
    return true;
}

std::string written(const TallyTable& table) {
    std::ostringstream text;
    SaveGridToFile(table, text);
    return text.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TallyTable table;
    std::istringstream given(std::string(reinterpret_cast<const char*>(data), size));
    const auto withinLimit = [](const TallyTable& t) {
        return static_cast<long long>(t.columnCount()) * t.rowCount() <= maxTextCells;
    };
    try {
        LoadGridFromFile(table, given);
    } catch (const ETallyTextError&) {
        if (!withinLimit(table))
            std::abort();
        return 0;
    }

    const std::string text = written(table);
    TallyTable again;
    std::istringstream back(text);
    LoadGridFromFile(again, back); // what was written must read without error
    if (!sameTable(table, again) || written(again) != text)
        std::abort();
    return 0;
}
