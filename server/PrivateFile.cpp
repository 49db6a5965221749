#include "server/PrivateFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace server {

void requireOwnerOnly(const std::filesystem::path& file, const std::string& what) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return; // nothing there: whoever makes it makes it private
        }
        throw std::runtime_error("cannot read " + what + " " + file.string() + ": " +
                                 std::strerror(errno));
    }
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        throw std::runtime_error(what + " " + file.string() + " is open to group or others (mode " +
                                 mode + "); it is not used: chmod 600 it");
    }
}

} // namespace server
