// Line breaks inside one value become blanks; everything else stays as it was.

#include "common/LineBreaks.h"

#include <gtest/gtest.h>

namespace {

TEST(LineBreaks, EveryCrAndLfBecomesABlank) {
    const struct {
        std::string in, out;
    } cases[] = {{"", ""},
                 {"Ann", "Ann"},
                 {"A\r\nB", "A  B"},
                 {"\nA\r", " A "},
                 {"tab\tstays", "tab\tstays"},
                 {std::string("nul\0kept", 8), std::string("nul\0kept", 8)}};
    for (const auto& k : cases) {
        EXPECT_EQ(common::blankLineBreaks(k.in), k.out);
    }
}

} // namespace
