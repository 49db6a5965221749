// The signed release statement: what reads back, what is refused (changed, unsigned, malformed,
// too long), and the numeric order of dotted versions.

#include "update/ReleaseStatement.h"
#include "tests/support/Fakes.h"

#include <gtest/gtest.h>

namespace {

using namespace testsupport;

TEST(ReleaseStatement, AStatementReadsBackOnlyAsSignedByTheMakersKey) {
    const std::string installer = "#!/bin/sh\nexit 0\n";
    const std::string good = statementFor(installer, "1.0.10");
    const ReleaseStatementReading read = ReleaseStatementText::read(good, testPublicKey());
    ASSERT_TRUE(read.statement) << read.error;
    EXPECT_EQ(read.statement->product, "bloomzap");
    EXPECT_EQ(read.statement->version, "1.0.10");
    EXPECT_EQ(read.statement->size, installer.size());
    EXPECT_EQ(read.statement->sha256, Sha256Stream::of(installer));
    EXPECT_EQ(good.substr(0, good.find('\n')), "Bloomzap release statement");

    auto changed = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const std::string bad[] = {
        changed("version 1.0.10", "version 1.0.11"),
        changed("size ", "size 1"),
        changed("product bloomzap", "product bloomzaq"),
        changed("\n", "\r\n"),
        good.substr(0, good.size() - 1),
        good + "\n",
        good + "extra\n",
        changed("signature ", "signature  "),
        good.substr(0, good.find("signature")),
        "",
        std::string(5000, 'x'),
        ReleaseStatementText::write(
            {"bloomzap", "1.0.10", installer.size(), Sha256Stream::of(installer)},
            InstallerSignature::generateKeys().second),
    };
    for (const std::string& text : bad) {
        SCOPED_TRACE(text);
        const ReleaseStatementReading reading = ReleaseStatementText::read(text, testPublicKey());
        EXPECT_FALSE(reading.statement);
        EXPECT_FALSE(reading.error.empty());
    }
    EXPECT_THROW(ReleaseStatementText::write({"bloomzap", "1.0.1-rc", 1, {}}, testSecretKey()),
                 std::invalid_argument);
}

TEST(ReleaseStatement, EverySizeTheMakerWritesReadsBack) {
    for (const std::uint64_t size : {std::uint64_t{0}, std::uint64_t{10'000'000'000'000'000'000u},
                                     std::uint64_t{UINT64_MAX}}) {
        SCOPED_TRACE(size);
        const std::string text =
            ReleaseStatementText::write({"bloomzap", "1.0.1", size, {}}, testSecretKey());
        const ReleaseStatementReading read = ReleaseStatementText::read(text, testPublicKey());
        ASSERT_TRUE(read.statement) << read.error;
        EXPECT_EQ(read.statement->size, size);
    }
    // One more than the largest 64-bit number, with a valid signature, is still refused.
    const std::string text =
        ReleaseStatementText::write({"bloomzap", "1.0.1", UINT64_MAX, {}}, testSecretKey());
    std::string over = text.substr(0, text.find("signature "));
    over.replace(over.find("18446744073709551615"), 20, "18446744073709551616");
    const std::string signature = InstallerSignature::sign(over, testSecretKey());
    over += "signature " +
            InstallerSignature::toHex(reinterpret_cast<const unsigned char*>(signature.data()),
                                      signature.size()) +
            "\n";
    EXPECT_FALSE(ReleaseStatementText::read(over, testPublicKey()).statement);
}

TEST(ReleaseStatement, VersionsAreComparedAsNumbersPartByPart) {
    const struct {
        const char* offered;
        const char* own;
        bool newer;
    } cases[] = {
        {"1.0.1", "1.0.0", true},
        {"1.0.0", "1.0.0", false},
        {"0.9.9", "1.0.0", false},
        {"1.0.10", "1.0.9", true},
        {"1.0.9", "1.0.10", false},
        {"2", "1.99.99", true},
        {"1.0", "1.0.0", false},
        {"1.0.0.1", "1.0", true},
        {"1.01", "1.1", false},
        {"1.02", "1.1", true},
        {"99999999999999999999999", "99999999999999999999998", true},
        {"1.0.1\n", "1.0.0", false},
        {"1.0.1-rc", "1.0.0", false},
        {"", "1.0.0", false},
        {"1..1", "1.0.0", false},
        {"1.0.1", "banana", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReleaseStatementText::isNewerVersion(c.offered, c.own), c.newer)
            << c.offered << " against " << c.own;
    }
}

} // namespace
