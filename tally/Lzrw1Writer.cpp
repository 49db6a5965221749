#include "tally/Lzrw1Writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <unistd.h>

Lzrw1Writer::Lzrw1Writer(std::string path) : m_path(std::move(path)) {}

Lzrw1Writer::Lzrw1Writer(std::vector<std::uint8_t>& memory) : m_memory(&memory) {}

Lzrw1Writer::~Lzrw1Writer() {
    if (!m_committed) {
        discard();
    }
}

bool Lzrw1Writer::open() {
    if (m_memory != nullptr) {
        // Reuse the target's storage: it must end up empty on failure anyway.
        m_pending.swap(*m_memory);
        m_pending.clear();
        m_memory->clear();
        return true;
    }
    if (m_path.empty()) {
        return false;
    }
    // A unique name in the target's folder, so the final rename stays on one file system.
    // O_EXCL refuses names that exist; the mode lets the user's umask apply as for any new file.
    std::random_device seed;
    std::mt19937_64 random(seed() ^ static_cast<std::uint64_t>(getpid()));
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%012llx.tmp",
                      static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
        std::string candidate = m_path + suffix;
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return false;
        }
        m_file = ::fdopen(fd, "wb");
        if (m_file == nullptr) {
            ::close(fd);
            ::unlink(candidate.c_str());
            return false;
        }
        m_temporary = std::move(candidate);
        return true;
    }
    return false;
}

void Lzrw1Writer::reserve(std::uint64_t bytes) {
    constexpr std::uint64_t limit = std::uint64_t{1} << 28; // a corrupt header may claim anything
    if (m_memory != nullptr) {
        m_pending.reserve(static_cast<std::size_t>(std::min(bytes, limit)));
    }
}

bool Lzrw1Writer::write(const std::uint8_t* data, std::size_t n) {
    if (m_memory != nullptr) {
        m_pending.insert(m_pending.end(), data, data + n);
        m_written += n;
        return true;
    }
    if (m_file == nullptr) {
        return false;
    }
    const std::size_t count = std::fwrite(data, 1, n, m_file);
    m_written += count;
    return count == n;
}

bool Lzrw1Writer::commit() {
    if (m_memory != nullptr) {
        m_memory->swap(m_pending);
        m_pending.clear();
        m_committed = true;
        return true;
    }
    if (m_file == nullptr) {
        return false;
    }
    // A full disk often shows only when the buffered rest is flushed.
    const bool flushed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (!flushed || std::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
        discard();
        return false;
    }
    m_committed = true;
    return true;
}

void Lzrw1Writer::discard() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
    m_pending.clear();
}
