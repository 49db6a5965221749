#include "tally/Lzrw1Reader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

Lzrw1Reader::Lzrw1Reader(std::string path) : m_path(std::move(path)) {}

Lzrw1Reader::Lzrw1Reader(const std::vector<std::uint8_t>& memory) : m_memory(&memory) {}

Lzrw1Reader::~Lzrw1Reader() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

std::optional<std::uint64_t> Lzrw1Reader::size() const {
    if (m_memory != nullptr) {
        return m_memory->size();
    }
    std::error_code error;
    if (m_path.empty() || !std::filesystem::is_regular_file(m_path, error)) {
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(m_path, error);
    if (error) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(size);
}

bool Lzrw1Reader::open() {
    if (m_memory != nullptr) {
        m_position = 0;
        return true;
    }
    if (m_path.empty()) {
        return false;
    }
    m_file = std::fopen(m_path.c_str(), "rb");
    return m_file != nullptr;
}

bool Lzrw1Reader::seek(std::uint64_t offset) {
    if (m_memory != nullptr) {
        m_position = static_cast<std::size_t>(std::min<std::uint64_t>(offset, m_memory->size()));
        return true;
    }
    if (m_file == nullptr || offset > static_cast<std::uint64_t>(INT64_MAX)) {
        return false;
    }
    return fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::size_t Lzrw1Reader::read(std::uint8_t* buffer, std::size_t n) {
    if (m_memory != nullptr) {
        const std::size_t count = std::min(n, m_memory->size() - m_position);
        if (count > 0) {
            std::memcpy(buffer, m_memory->data() + m_position, count);
        }
        m_position += count;
        return count;
    }
    if (m_file == nullptr) {
        m_failed = true;
        return 0;
    }
    const std::size_t count = std::fread(buffer, 1, n, m_file);
    if (count < n && std::ferror(m_file) != 0) {
        m_failed = true;
    }
    return count;
}
