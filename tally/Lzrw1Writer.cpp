#include "Lzrw1Writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <unistd.h>

TLzrw1Writer::TLzrw1Writer(std::string path) : path_(std::move(path)) {}

TLzrw1Writer::TLzrw1Writer(std::vector<std::uint8_t>& memory) : memory_(&memory) {}

TLzrw1Writer::~TLzrw1Writer() {
    if (!committed_) {
        Discard();
    }
}

bool TLzrw1Writer::Open() {
    if (memory_ != nullptr) {
        // Reuse the target's storage: it must end up empty on failure anyway.
        pending_.swap(*memory_);
        pending_.clear();
        memory_->clear();
        return true;
    }
    if (path_.empty()) {
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
        std::string candidate = path_ + suffix;
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return false;
        }
        file_ = ::fdopen(fd, "wb");
        if (file_ == nullptr) {
            ::close(fd);
            ::unlink(candidate.c_str());
            return false;
        }
        temporary_ = std::move(candidate);
        return true;
    }
    return false;
}

void TLzrw1Writer::Reserve(std::uint64_t bytes) {
    constexpr std::uint64_t Limit = std::uint64_t{1} << 28; // a corrupt header may claim anything
    if (memory_ != nullptr) {
        pending_.reserve(static_cast<std::size_t>(std::min(bytes, Limit)));
    }
}

bool TLzrw1Writer::Write(const std::uint8_t* data, std::size_t n) {
    if (memory_ != nullptr) {
        pending_.insert(pending_.end(), data, data + n);
        written_ += n;
        return true;
    }
    if (file_ == nullptr) {
        return false;
    }
    const std::size_t count = std::fwrite(data, 1, n, file_);
    written_ += count;
    return count == n;
}

bool TLzrw1Writer::Commit() {
    if (memory_ != nullptr) {
        memory_->swap(pending_);
        pending_.clear();
        committed_ = true;
        return true;
    }
    if (file_ == nullptr) {
        return false;
    }
    // A full disk often shows only when the buffered rest is flushed.
    const bool flushed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        Discard();
        return false;
    }
    committed_ = true;
    return true;
}

void TLzrw1Writer::Discard() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    pending_.clear();
}
