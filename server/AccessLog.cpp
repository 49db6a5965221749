#include "server/AccessLog.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>
#include <optional>

namespace server {

namespace {

// Writes all of `text` to the descriptor; false when the reader is gone, or when a stop is asked
// and the reader has not made room within AccessLog::stopPatience. A pipe or socket gets pieces
// it has room for (poll says so), so that the write itself never blocks; a file takes it all.
bool writeAll(int fd, bool file, std::string_view text, const Worker& writer) {
    std::optional<Worker::Clock::time_point> giveUpAt;
    while (!text.empty()) {
        if (!file) {
            pollfd room{fd, POLLOUT, 0};
            const int ready = ::poll(&room, 1, 100);
            if (ready < 0 && errno != EINTR) {
                return false;
            }
            if (ready <= 0) {
                if (writer.stopping()) {
                    if (!giveUpAt) {
                        giveUpAt = Worker::Clock::now() + AccessLog::stopPatience;
                    } else if (Worker::Clock::now() >= *giveUpAt) {
                        return false;
                    }
                }
                continue;
            }
        }
        const std::size_t piece = file ? text.size() : std::min<std::size_t>(text.size(), PIPE_BUF);
        const ssize_t n = ::write(fd, text.data(), piece);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// "07/Dec/2026:13:58:44 +0000"-style local time for the log.
std::string logTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char when[40];
    std::strftime(when, sizeof when, "%d/%b/%Y:%H:%M:%S %z", &local);
    return when;
}

// The request line inside its quotes: blanks kept, everything else escaped.
std::string escapeQuoted(const std::string& line) {
    std::string out;
    std::size_t start = 0;
    for (std::size_t blank = line.find(' '); blank != std::string::npos;
         blank = line.find(' ', start)) {
        out += AccessLog::field(std::string_view(line).substr(start, blank - start)) + " ";
        start = blank + 1;
    }
    return out + AccessLog::field(std::string_view(line).substr(start));
}

} // namespace

AccessLog::AccessLog(std::FILE* out) : m_out(out) {
    if (out != nullptr) {
        std::fflush(out);
        m_writer = std::make_unique<Worker>([this](Worker& writer) { write(writer); });
    }
}

// The writer writes what is queued, then returns: bounded by stopPatience when nobody reads.
AccessLog::~AccessLog() = default;

void AccessLog::add(std::string line) {
    if (!m_writer) {
        return;
    }
    {
        const Worker::Lock lock = m_writer->lock();
        if (m_writer->stopping() || m_lines.size() >= queueLength ||
            m_bytes + line.size() >= queueBytes) {
            ++m_dropped;
            return;
        }
        line += '\n';
        m_bytes += line.size();
        m_lines.push_back(std::move(line));
    }
    m_writer->notifyAll();
}

std::uint64_t AccessLog::dropped() const {
    if (!m_writer) {
        return 0;
    }
    const Worker::Lock lock = m_writer->lock();
    return m_dropped;
}

void AccessLog::request(const std::string& address, const std::string& requestLine, int status,
                        std::size_t bytes) {
    add((address.empty() ? std::string("-") : field(address)) + " - - [" + logTime() + "] \"" +
        (requestLine.empty() ? std::string("-") : escapeQuoted(requestLine)) + "\" " +
        (status != 0 ? std::to_string(status) : std::string("-")) + " " + std::to_string(bytes));
}

void AccessLog::problem(std::string_view what, std::string_view detail) {
    std::string line = "bloomzap-server: " + std::string(what) + ": ";
    for (const char c : detail) {
        line += c == '\n' || c == '\t' || c == '\r' ? ' ' : c;
    }
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    add(std::move(line));
}

std::string AccessLog::field(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            static constexpr char hex[] = "0123456789ABCDEF";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

void AccessLog::write(Worker& writer) {
    const int fd = fileno(m_out);
    struct stat st {};
    const bool file = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    std::string batch;
    Worker::Lock lock = writer.lock();
    for (;;) {
        writer.wait(lock, [this] { return !m_lines.empty() || m_dropped != m_droppedReported; });
        batch.clear();
        // Many lines in one write: the writer keeps up with any request rate.
        while (!m_lines.empty() && batch.size() < 65536) {
            batch += m_lines.front();
            m_bytes -= m_lines.front().size();
            m_lines.pop_front();
        }
        if (m_dropped != m_droppedReported) {
            batch += "bloomzap-server: " + std::to_string(m_dropped - m_droppedReported) +
                     " log lines dropped: the log was not read fast enough\n";
            m_droppedReported = m_dropped;
        }
        const bool last = writer.stopping() && m_lines.empty();
        lock.unlock();
        const bool written = writeAll(fd, file, batch, writer);
        lock.lock();
        if (!written || last) {
            return;
        }
    }
}

} // namespace server
