#pragma once

// Ed25519 signatures of the installer (libsodium): the maker signs what it builds, the program
// starts only what verifies against the maker's public key built into it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

using UpdatePublicKey = std::array<unsigned char, 32>;
using UpdateSecretKey = std::array<unsigned char, 64>;

class InstallerSignature {
public:
    static constexpr std::size_t size = 64;
    // Installers above this size are refused rather than read into memory.
    static constexpr std::uintmax_t largestInstaller = 512u * 1024 * 1024;

    // True when signature (raw bytes) is key's detached signature of the file's whole content.
    // A missing or unreadable file, a signature of another length or an oversized file is false.
    static bool verifyFile(const std::filesystem::path& file, std::string_view signature,
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
