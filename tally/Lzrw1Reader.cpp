#include "Lzrw1Reader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

TLzrw1Reader::TLzrw1Reader(std::string path) : path_(std::move(path)) {}

TLzrw1Reader::TLzrw1Reader(const std::vector<std::uint8_t>& memory) : memory_(&memory) {}

TLzrw1Reader::~TLzrw1Reader() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

std::optional<std::uint64_t> TLzrw1Reader::Size() const {
    if (memory_ != nullptr) {
        return memory_->size();
    }
    std::error_code error;
    if (path_.empty() || !std::filesystem::is_regular_file(path_, error)) {
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(path_, error);
    if (error) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(size);
}

bool TLzrw1Reader::Open() {
    if (memory_ != nullptr) {
        position_ = 0;
        return true;
    }
    if (path_.empty()) {
        return false;
    }
    file_ = std::fopen(path_.c_str(), "rb");
    return file_ != nullptr;
}

bool TLzrw1Reader::Seek(std::uint64_t offset) {
    if (memory_ != nullptr) {
        position_ = static_cast<std::size_t>(std::min<std::uint64_t>(offset, memory_->size()));
        return true;
    }
    if (file_ == nullptr || offset > static_cast<std::uint64_t>(INT64_MAX)) {
        return false;
    }
    return fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::size_t TLzrw1Reader::Read(std::uint8_t* buffer, std::size_t n) {
    if (memory_ != nullptr) {
        const std::size_t count = std::min(n, memory_->size() - position_);
        if (count > 0) {
            std::memcpy(buffer, memory_->data() + position_, count);
        }
        position_ += count;
        return count;
    }
    if (file_ == nullptr) {
        failed_ = true;
        return 0;
    }
    const std::size_t count = std::fread(buffer, 1, n, file_);
    if (count < n && std::ferror(file_) != 0) {
        failed_ = true;
    }
    return count;
}
