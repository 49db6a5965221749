#pragma once

// The installer as it is downloaded beside the program: created fresh, written and hashed as
// the bytes arrive, never past a set size, and later started from the very descriptor whose
// bytes were checked.
//
// Whatever stood at the path before (a file, a symbolic link) is removed, never followed; the
// new file is created exclusively and without following links, readable and runnable by the
// player only.

#include "update/Sha256Stream.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

class InstallerFile {
public:
    // Throws std::system_error (its code the system's error) when the old entry cannot be
    // removed or the new file cannot be created.
    InstallerFile(std::filesystem::path path, std::uint64_t limit);
    ~InstallerFile();
    InstallerFile(const InstallerFile&) = delete;
    InstallerFile& operator=(const InstallerFile&) = delete;

    // Writes and hashes the bytes; false (and nothing written) when they would pass the limit,
    // false when the write fails (writeError() then holds errno).
    bool append(const char* data, std::size_t size);
    bool overLimit() const { return m_overLimit; }
    int writeError() const { return m_writeError; }
    std::uint64_t size() const { return m_size; }
    const std::filesystem::path& path() const { return m_path; }

    // The digest of every byte written; call once, after the last append.
    Sha256Digest digest();

    // Ends writing and gives a read-only descriptor of the same file (not of whatever the
    // path names now), owned by this object, for starting it. -1 with errno when it fails.
    int runnableDescriptor();

    // Deletes the file, but only while the path still names this very file.
    void remove();

private:
    void closeWriter();

    std::filesystem::path m_path;
    std::uint64_t m_limit;
    int m_writer = -1;
    int m_reader = -1;
    std::uint64_t m_size = 0;
    bool m_overLimit = false;
    int m_writeError = 0;
    Sha256Stream m_hash;
};
