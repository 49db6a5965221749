#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The compressor's output: a named file or a caller's memory buffer. Nothing reaches the target
// until Commit, so a failed operation leaves no partial output and keeps an existing file as it
// was: a file is written to a fresh temporary file beside it and renamed over it at the end.
class TLzrw1Writer {
public:
    // Writes the named file.
    explicit TLzrw1Writer(std::string path);
    // Replaces the caller's buffer on Commit; the buffer must outlive the writer.
    explicit TLzrw1Writer(std::vector<std::uint8_t>& memory);
    // Without Commit, removes the temporary file.
    ~TLzrw1Writer();
    TLzrw1Writer(const TLzrw1Writer&) = delete;
    TLzrw1Writer& operator=(const TLzrw1Writer&) = delete;

    bool Open();
    // Expected output size, so a memory target grows once; only a hint.
    void Reserve(std::uint64_t bytes);
    // False when fewer bytes than asked could be written.
    bool Write(const std::uint8_t* data, std::size_t n);
    bool Commit();
    std::uint64_t Written() const { return written_; }

private:
    void Discard();

    std::string path_;
    std::string temporary_;
    std::vector<std::uint8_t>* memory_ = nullptr;
    std::vector<std::uint8_t> pending_;
    std::FILE* file_ = nullptr;
    std::uint64_t written_ = 0;
    bool committed_ = false;
};
