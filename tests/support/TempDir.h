#pragma once

// A folder of its own under the temporary folder for one test, and whole-file reads and writes.

#include <filesystem>
#include <string>

namespace testsupport {

namespace fs = std::filesystem;

// Made empty, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return m_path; }
    fs::path operator/(const fs::path& name) const { return m_path / name; }

private:
    fs::path m_path;
};

// The file's bytes; empty when it cannot be read.
std::string readFile(const fs::path& file);
void writeFile(const fs::path& file, const std::string& bytes);

} // namespace testsupport
