#pragma once

// Line-oriented files (the settings file, the tally text) keep one value per line.

#include <algorithm>
#include <string>

namespace common {

// The text with every CR and LF turned into a blank, so a pasted line break cannot split one
// value into two lines and shift or plant the lines after it.
inline std::string blankLineBreaks(std::string text) {
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

} // namespace common
