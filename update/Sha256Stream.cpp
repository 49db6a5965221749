#include "update/Sha256Stream.h"

#include <sodium.h>

#include <stdexcept>

static_assert(sizeof(crypto_hash_sha256_state) <= 128);

namespace {

crypto_hash_sha256_state* state(unsigned char* bytes) {
    return reinterpret_cast<crypto_hash_sha256_state*>(bytes);
}

} // namespace

Sha256Stream::Sha256Stream() {
    if (sodium_init() < 0) {
        throw std::runtime_error("The hash library cannot be initialised.");
    }
    crypto_hash_sha256_init(state(m_state));
}

void Sha256Stream::add(const char* data, std::size_t size) {
    crypto_hash_sha256_update(state(m_state), reinterpret_cast<const unsigned char*>(data), size);
}

Sha256Digest Sha256Stream::finish() {
    Sha256Digest digest{};
    crypto_hash_sha256_final(state(m_state), digest.data());
    return digest;
}

Sha256Digest Sha256Stream::of(std::string_view data) {
    Sha256Stream stream;
    stream.add(data.data(), data.size());
    return stream.finish();
}
