#pragma once

// Ed25519 signatures (libsodium): the maker signs what it publishes, the program trusts only
// what verifies against the maker's public key built into it.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

using UpdatePublicKey = std::array<unsigned char, 32>;
using UpdateSecretKey = std::array<unsigned char, 64>;

class InstallerSignature {
public:
    static constexpr std::size_t size = 64;

    // True when signature (raw bytes) is key's detached signature of data. A signature of
    // another length is false.
    static bool verify(std::string_view data, std::string_view signature,
                       const UpdatePublicKey& key);

    // The detached signature (raw bytes) of data.
    static std::string sign(std::string_view data, const UpdateSecretKey& key);

    // A fresh key pair.
    static std::pair<UpdatePublicKey, UpdateSecretKey> generateKeys();

    // Keys as hexadecimal text; blanks and line breaks around or inside are ignored, anything
    // else or a wrong length gives nothing.
    static std::optional<UpdatePublicKey> publicKeyFromHex(std::string_view hex);
    static std::optional<UpdateSecretKey> secretKeyFromHex(std::string_view hex);
    static std::string toHex(const unsigned char* bytes, std::size_t size);
};
