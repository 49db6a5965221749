// The posting query reader on its own: what it refuses and how the refusal reads.
#include "server/PostingCheck.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

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

// The UTF-8 bytes of one code point.
std::string utf8(char32_t cp) {
    if (cp < 0x80) {
        return std::string(1, static_cast<char>(cp));
    }
    if (cp < 0x800) {
        return {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
    }
    return {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
            static_cast<char>(0x80 | (cp & 0x3F))};
}

TEST(PostingCheck, NamesHoldingBidirectionalControlsAreRefusedLikeControlCharacters) {
    const std::vector<char32_t> bidi{0x202A, 0x202B, 0x202C, 0x202D, 0x202E, 0x2066,
                                     0x2067, 0x2068, 0x2069, 0x200E, 0x200F, 0x061C};
    for (const char32_t cp : bidi) {
        const auto check = server::checkPosting("Bob" + utf8(cp) + "ed", "1/5/07", "950");
        EXPECT_FALSE(check.values) << std::hex << static_cast<unsigned>(cp);
        EXPECT_EQ(check.refusal, "The name must not hold control characters.")
            << std::hex << static_cast<unsigned>(cp);
        // As the game sends it: percent-encoded in the query.
        std::string escaped;
        for (const char byte : utf8(cp)) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(byte));
            escaped += hex;
        }
        EXPECT_FALSE(server::readPosting("name=" + escaped + "Bob&date=1/5/07&score=950").values)
            << std::hex << static_cast<unsigned>(cp);
        EXPECT_FALSE(server::checkPosting("Bob", "1/5" + utf8(cp) + "/07", "950").values)
            << std::hex << static_cast<unsigned>(cp);
    }
    // Their neighbours, and letters of the scripts that use them, are names like any other.
    const std::vector<char32_t> others{0x2065, 0x206A, 0x2010, 0x200D,
                                       0x061B, 0x0627, 0x05D0, 0x00E9};
    for (const char32_t cp : others) {
        const auto check = server::checkPosting("Bob" + utf8(cp), "1/5/07", "950");
        ASSERT_TRUE(check.values) << std::hex << static_cast<unsigned>(cp) << " " << check.refusal;
        EXPECT_EQ(check.values->name, "Bob" + utf8(cp));
    }
}

} // namespace
