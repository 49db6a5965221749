#pragma once

#include <filesystem>
#include <string>

namespace server {

// Refuses a secret kept in a file that others may read, as ssh refuses such a private key:
// throws std::runtime_error with a one-line message naming `what` and the file when the file
// exists and its group or others have any access to it. A missing file (or folder) passes.
void requireOwnerOnly(const std::filesystem::path& file, const std::string& what);

} // namespace server
