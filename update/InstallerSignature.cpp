#include "update/InstallerSignature.h"

#include <sodium.h>

#include <stdexcept>

namespace {

void initSodium() {
    // sodium_init is safe to call repeatedly and from several threads.
    if (sodium_init() < 0) {
        throw std::runtime_error("The signature library cannot be initialised.");
    }
}

template <std::size_t N> std::optional<std::array<unsigned char, N>> fromHex(std::string_view hex) {
    std::string digits;
    for (const char c : hex) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            continue;
        }
        digits += c;
    }
    std::array<unsigned char, N> bytes{};
    std::size_t length = 0;
    if (digits.size() != 2 * N ||
        sodium_hex2bin(bytes.data(), N, digits.data(), digits.size(), nullptr, &length, nullptr) !=
            0 ||
        length != N) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace

bool InstallerSignature::verify(std::string_view data, std::string_view signature,
                                const UpdatePublicKey& key) {
    if (signature.size() != size) {
        return false;
    }
    initSodium();
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.data()),
                                       reinterpret_cast<const unsigned char*>(data.data()),
                                       data.size(), key.data()) == 0;
}

std::string InstallerSignature::sign(std::string_view data, const UpdateSecretKey& key) {
    initSodium();
    std::string signature(size, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                         reinterpret_cast<const unsigned char*>(data.data()), data.size(),
                         key.data());
    return signature;
}

std::pair<UpdatePublicKey, UpdateSecretKey> InstallerSignature::generateKeys() {
    initSodium();
    std::pair<UpdatePublicKey, UpdateSecretKey> keys;
    crypto_sign_keypair(keys.first.data(), keys.second.data());
    return keys;
}

std::optional<UpdatePublicKey> InstallerSignature::publicKeyFromHex(std::string_view hex) {
    return fromHex<crypto_sign_PUBLICKEYBYTES>(hex);
}

std::optional<UpdateSecretKey> InstallerSignature::secretKeyFromHex(std::string_view hex) {
    return fromHex<crypto_sign_SECRETKEYBYTES>(hex);
}

std::string InstallerSignature::toHex(const unsigned char* bytes, std::size_t size) {
    std::string hex(2 * size + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), bytes, size);
    hex.pop_back();
    return hex;
}
