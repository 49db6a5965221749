#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// The compressor's input: a named file or a caller's memory buffer, read front to back.
// Reports failures by return value so the caller can word the message for its operation.
class Lzrw1Reader {
public:
    // Reads the named file.
    explicit Lzrw1Reader(std::string path);
    // Reads a caller's buffer, which must outlive the reader.
    explicit Lzrw1Reader(const std::vector<std::uint8_t>& memory);
    ~Lzrw1Reader();
    Lzrw1Reader(const Lzrw1Reader&) = delete;
    Lzrw1Reader& operator=(const Lzrw1Reader&) = delete;

    // Length of the input, or nothing when it cannot be determined (missing file, not a file).
    std::optional<std::uint64_t> size() const;
    bool open();
    bool seek(std::uint64_t offset);
    // Reads up to n bytes; fewer only at the end of the input or on an error (see Failed).
    std::size_t read(std::uint8_t* buffer, std::size_t n);
    bool failed() const { return m_failed; }

private:
    std::string m_path;
    const std::vector<std::uint8_t>* m_memory = nullptr;
    std::size_t m_position = 0;
    std::FILE* m_file = nullptr;
    bool m_failed = false;
};
