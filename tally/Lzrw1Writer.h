#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The compressor's output: a named file or a caller's memory buffer. Nothing reaches the target
// until Commit, so a failed operation leaves no partial output and keeps an existing file as it
// was: a file is written to a fresh temporary file beside it and renamed over it at the end.
class Lzrw1Writer {
public:
    // Writes the named file.
    explicit Lzrw1Writer(std::string path);
    // Replaces the caller's buffer on Commit; the buffer must outlive the writer.
    explicit Lzrw1Writer(std::vector<std::uint8_t>& memory);
    // Without Commit, removes the temporary file.
    ~Lzrw1Writer();
    Lzrw1Writer(const Lzrw1Writer&) = delete;
    Lzrw1Writer& operator=(const Lzrw1Writer&) = delete;

    bool open();
    // Expected output size, so a memory target grows once; only a hint.
    void reserve(std::uint64_t bytes);
    // False when fewer bytes than asked could be written.
    bool write(const std::uint8_t* data, std::size_t n);
    bool commit();
    std::uint64_t written() const { return m_written; }

private:
    void discard();

    std::string m_path;
    std::string m_temporary;
    std::vector<std::uint8_t>* m_memory = nullptr;
    std::vector<std::uint8_t> m_pending;
    std::FILE* m_file = nullptr;
    std::uint64_t m_written = 0;
    bool m_committed = false;
};
