// Ed25519 signatures: what verifies, what is refused, and the key texts.

#include "update/InstallerSignature.h"
#include "tests/support/Fakes.h"
#include "update/UpdateKey.h"

#include <gtest/gtest.h>

namespace {

using namespace testsupport;

TEST(InstallerSignature, OnlyTheSignedBytesUnderTheMakersKeyVerify) {
    const std::string bytes = std::string("#!/bin/sh\n\0binary\xff", 19);
    const std::string good = InstallerSignature::sign(bytes, testSecretKey());
    const auto otherKeys = InstallerSignature::generateKeys();
    std::string changed = bytes;
    changed[12] ^= 1;
    std::string flipped = good;
    flipped[63] ^= 0x80;

    const struct {
        const char* name;
        std::string file;
        std::string signature;
        UpdatePublicKey key;
        bool verifies;
    } cases[] = {
        {"signed", bytes, good, testPublicKey(), true},
        {"one byte more", bytes + "\n", good, testPublicKey(), false},
        {"one byte changed", changed, good, testPublicKey(), false},
        {"signature bit flipped", bytes, flipped, testPublicKey(), false},
        {"signature cut short", bytes, good.substr(0, 63), testPublicKey(), false},
        {"signature with a line break", bytes, good + "\n", testPublicKey(), false},
        {"no signature", bytes, "", testPublicKey(), false},
        {"another key", bytes, good, otherKeys.first, false},
        {"signed by another key", bytes, InstallerSignature::sign(bytes, otherKeys.second),
         testPublicKey(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(InstallerSignature::verify(c.file, c.signature, c.key), c.verifies);
    }
}

TEST(InstallerSignature, KeysAreReadFromHexadecimalText) {
    const UpdatePublicKey key = testPublicKey();
    const std::string hex = InstallerSignature::toHex(key.data(), key.size());
    ASSERT_EQ(hex.size(), 64u);
    EXPECT_EQ(InstallerSignature::publicKeyFromHex(" " + hex + "\n"), key);
    EXPECT_EQ(InstallerSignature::publicKeyFromHex(hex.substr(0, 32) + "\n" + hex.substr(32)), key);
    for (const std::string& bad : {std::string(), hex.substr(2), hex + "00", "zz" + hex.substr(2),
                                   hex.substr(0, 62) + "0g"}) {
        EXPECT_FALSE(InstallerSignature::publicKeyFromHex(bad)) << bad;
    }
    EXPECT_TRUE(InstallerSignature::secretKeyFromHex(
        readFile(BLOOMZAP_UPDATE_TEST_KEY_DIR "/update_test_key.sec")));
    EXPECT_FALSE(InstallerSignature::secretKeyFromHex(hex)) << "a public key is no secret key";
}

TEST(InstallerSignature, TheTestBuildCarriesTheTestKey) {
    EXPECT_EQ(updatePublicKey(), testPublicKey());
}

} // namespace
