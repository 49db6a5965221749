// The posting query reader on its own: what it refuses and how the refusal reads.
#include "server/PostingCheck.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PostingCheck, ARefusalNamingAnUnknownKeyIsPlainUtf8) {
    // A control byte in the key, and a key whose 20th character is two bytes long.
    const std::string query = std::string("namet\0~e=e55BT/07&score=9", 25);
    const auto control = server::readPosting(query);
    ASSERT_FALSE(control.values);
    EXPECT_EQ(control.refusal, "Unknown value \"namet?~e\".");

    const auto cut =
        server::readPosting("aaaaaaaaaaaaaaaaaaa\xC3\xA9\xC3\xA9=1&name=A&date=1&score=1");
    ASSERT_FALSE(cut.values);
    EXPECT_EQ(cut.refusal, "Unknown value \"aaaaaaaaaaaaaaaaaaa\xC3\xA9\".");
    EXPECT_EQ(server::toUtf8(cut.refusal), cut.refusal);
}

} // namespace
