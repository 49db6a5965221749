#include "update/InstallerFile.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

InstallerFile::InstallerFile(std::filesystem::path path, std::uint64_t limit)
    : m_path(std::move(path)), m_limit(limit) {
    // unlink removes a link itself, never its target.
    if (::unlink(m_path.c_str()) != 0 && errno != ENOENT) {
        throw std::system_error(errno, std::generic_category(), m_path.string());
    }
    m_writer = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700);
    if (m_writer < 0) {
        throw std::system_error(errno, std::generic_category(), m_path.string());
    }
}

InstallerFile::~InstallerFile() {
    closeWriter();
    if (m_reader >= 0) {
        ::close(m_reader);
    }
}

void InstallerFile::closeWriter() {
    if (m_writer >= 0) {
        ::close(m_writer);
        m_writer = -1;
    }
}

bool InstallerFile::append(const char* data, std::size_t size) {
    if (m_writer < 0) {
        m_writeError = EBADF;
        return false;
    }
    if (size > m_limit - m_size) {
        m_overLimit = true;
        return false;
    }
    m_hash.add(data, size);
    m_size += size;
    while (size > 0) {
        const ssize_t written = ::write(m_writer, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            m_writeError = written < 0 ? errno : ENOSPC;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

Sha256Digest InstallerFile::digest() {
    return m_hash.finish();
}

int InstallerFile::runnableDescriptor() {
    if (m_reader >= 0) {
        return m_reader;
    }
    if (m_writer < 0) {
        errno = EBADF;
        return -1;
    }
    // A late write error (a full disk) shows here rather than in the started installer.
    if (::fsync(m_writer) != 0) {
        m_writeError = errno;
        return -1;
    }
    // Opening the descriptor's own entry reaches the same file even if the path was swapped.
    const std::string self = "/proc/self/fd/" + std::to_string(m_writer);
    m_reader = ::open(self.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_reader < 0) {
        return -1;
    }
    // A file still open for writing cannot be started.
    closeWriter();
    return m_reader;
}

void InstallerFile::remove() {
    const int open = m_writer >= 0 ? m_writer : m_reader;
    struct stat mine {};
    struct stat named {};
    if (open >= 0 && ::fstat(open, &mine) == 0 && ::lstat(m_path.c_str(), &named) == 0 &&
        mine.st_dev == named.st_dev && mine.st_ino == named.st_ino) {
        ::unlink(m_path.c_str());
    }
}
