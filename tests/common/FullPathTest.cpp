// A file name made absolute and normalised against the working folder.

#include "common/FullPath.h"

#include <gtest/gtest.h>

namespace {

TEST(FullPath, RelativeNamesJoinTheWorkingFolderAndLoseDotSegments) {
    const std::filesystem::path here = std::filesystem::current_path();
    EXPECT_EQ(common::fullPath("a/./b/../c.ini"), (here / "a/c.ini").lexically_normal());
    EXPECT_EQ(common::fullPath("/x/y/../z"), std::filesystem::path("/x/z"));
    EXPECT_TRUE(common::fullPath("bloomzap.ini").is_absolute());
}

} // namespace
