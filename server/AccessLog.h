#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace server {

// The server's log: lines handed over through a bounded queue to a thread of its own that writes
// them, so that a reader who stops reading never holds up a request. When the queue is full a
// line is dropped and counted; the count is written once the writer gets through again.
class AccessLog {
public:
    static constexpr std::size_t queueLength = 4096;   // lines
    static constexpr std::size_t queueBytes = 1 << 20; // and bytes held at most

    // Writes to `out` (nothing at all when it is nullptr).
    explicit AccessLog(std::FILE* out);
    // Writes what is queued (unless the writer is stuck) and the count of dropped lines.
    ~AccessLog();
    AccessLog(const AccessLog&) = delete;
    AccessLog& operator=(const AccessLog&) = delete;

    // Queues one line (without its line break); never waits for the writer.
    void add(std::string line);
    std::uint64_t dropped() const;

    // The text made safe for one field of a line: no control bytes, no bytes above 126, no
    // blanks, quotes or backslashes (each written as \xHH).
    static std::string field(std::string_view text);

private:
    // Shared with the writer thread, which may outlive the log when its reader never reads.
    struct Queue {
        std::FILE* out = nullptr;
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<std::string> lines;
        std::size_t bytes = 0;
        std::uint64_t dropped = 0;
        std::uint64_t droppedReported = 0;
        bool stopping = false;
        bool writerDone = false;
    };
    static void run(const std::shared_ptr<Queue>& queue);

    std::shared_ptr<Queue> m_queue;
};

} // namespace server
