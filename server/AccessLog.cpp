#include "server/AccessLog.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace server {

namespace {

// Writes all of `text` to the descriptor; false when the reader is gone.
bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

AccessLog::AccessLog(std::FILE* out) : m_queue(std::make_shared<Queue>()) {
    m_queue->out = out;
    if (out != nullptr) {
        std::fflush(out);
        std::thread([queue = m_queue] { run(queue); }).detach();
    }
}

AccessLog::~AccessLog() {
    if (m_queue->out == nullptr) {
        return;
    }
    std::unique_lock lock(m_queue->mutex);
    m_queue->stopping = true;
    m_queue->wake.notify_all();
    // A writer stuck on a reader that never reads again must not keep the server from ending.
    m_queue->wake.wait_for(lock, std::chrono::seconds(2), [this] { return m_queue->writerDone; });
}

void AccessLog::add(std::string line) {
    if (m_queue->out == nullptr) {
        return;
    }
    {
        const std::lock_guard lock(m_queue->mutex);
        if (m_queue->stopping || m_queue->lines.size() >= queueLength ||
            m_queue->bytes + line.size() >= queueBytes) {
            ++m_queue->dropped;
            return;
        }
        line += '\n';
        m_queue->bytes += line.size();
        m_queue->lines.push_back(std::move(line));
    }
    m_queue->wake.notify_all();
}

std::uint64_t AccessLog::dropped() const {
    const std::lock_guard lock(m_queue->mutex);
    return m_queue->dropped;
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

void AccessLog::run(const std::shared_ptr<Queue>& queue) {
    const int fd = fileno(queue->out);
    std::string batch;
    std::unique_lock lock(queue->mutex);
    for (;;) {
        queue->wake.wait(lock, [&] {
            return queue->stopping || !queue->lines.empty() ||
                   queue->dropped != queue->droppedReported;
        });
        batch.clear();
        // Many lines in one write: the writer keeps up with any request rate.
        while (!queue->lines.empty() && batch.size() < 65536) {
            batch += queue->lines.front();
            queue->bytes -= queue->lines.front().size();
            queue->lines.pop_front();
        }
        if (queue->dropped != queue->droppedReported) {
            batch += "bloomzap-server: " + std::to_string(queue->dropped - queue->droppedReported) +
                     " log lines dropped: the log was not read fast enough\n";
            queue->droppedReported = queue->dropped;
        }
        const bool last = queue->stopping && queue->lines.empty();
        lock.unlock();
        const bool written = writeAll(fd, batch);
        lock.lock();
        if (!written || last) {
            queue->writerDone = true;
            queue->wake.notify_all();
            return;
        }
    }
}

} // namespace server
