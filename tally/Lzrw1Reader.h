#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

// The compressor's input: a named file or a caller's memory buffer, read front to back.
// Reports failures by return value so the caller can word the message for its operation.
class TLzrw1Reader {
public:
    // Reads the named file.
    explicit TLzrw1Reader(std::string path);
    // Reads a caller's buffer, which must outlive the reader.
    explicit TLzrw1Reader(const std::vector<std::uint8_t>& memory);
    ~TLzrw1Reader();
    TLzrw1Reader(const TLzrw1Reader&) = delete;
    TLzrw1Reader& operator=(const TLzrw1Reader&) = delete;

    // Length of the input, or nothing when it cannot be determined (missing file, not a file).
    std::optional<std::uint64_t> Size() const;
    bool Open();
    bool Seek(std::uint64_t offset);
    // Reads up to n bytes; fewer only at the end of the input or on an error (see Failed).
    std::size_t Read(std::uint8_t* buffer, std::size_t n);
    bool Failed() const { return failed_; }

private:
    std::string path_;
    const std::vector<std::uint8_t>* memory_ = nullptr;
    std::size_t position_ = 0;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};
