#pragma once

// SHA-256 of bytes that arrive in pieces (libsodium), so a large file is hashed as it is
// written and never read again.

#include <array>
#include <cstddef>
#include <string_view>

using Sha256Digest = std::array<unsigned char, 32>;

class Sha256Stream {
public:
    // Throws std::runtime_error when the hash library cannot be initialised.
    Sha256Stream();
    void add(const char* data, std::size_t size);
    // The digest of everything added; the stream is spent afterwards.
    Sha256Digest finish();

    static Sha256Digest of(std::string_view data);

private:
    alignas(64) unsigned char m_state[128];
};
