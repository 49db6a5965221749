#pragma once

#include "server/Worker.h"

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
// line is dropped and counted; the count is written once the writer gets through again. Lines
// are written in pieces the reader has room for, so that a reader who never reads again holds
// up the log's end by stopPatience at most.
class AccessLog {
public:
    static constexpr std::size_t queueLength = 4096;   // lines
    static constexpr std::size_t queueBytes = 1 << 20; // and bytes held at most
    // How long the end waits for a reader who does not read.
    static constexpr auto stopPatience = std::chrono::seconds(2);

    // Writes to `out` (nothing at all when it is nullptr).
    explicit AccessLog(std::FILE* out);
    // Writes what is queued (unless the writer is stuck) and the count of dropped lines.
    ~AccessLog();
    AccessLog(const AccessLog&) = delete;
    AccessLog& operator=(const AccessLog&) = delete;

    // Queues one line (without its line break); never waits for the writer.
    void add(std::string line);
    std::uint64_t dropped() const;

    // One request in the common log format; "-" for what is not known (an empty address or
    // request line, status 0).
    void request(const std::string& address, const std::string& requestLine, int status,
                 std::size_t bytes);
    // One line of the server's own, "bloomzap-server: what: detail", the detail on one line.
    void problem(std::string_view what, std::string_view detail);

    // The text made safe for one field of a line: no control bytes, no bytes above 126, no
    // blanks, quotes or backslashes (each written as \xHH).
    static std::string field(std::string_view text);

private:
    void write(Worker& writer);

    std::FILE* m_out;
    // Under m_writer's lock.
    std::deque<std::string> m_lines;
    std::size_t m_bytes = 0;
    std::uint64_t m_dropped = 0;
    std::uint64_t m_droppedReported = 0;
    std::unique_ptr<Worker> m_writer; // none when there is nowhere to write
};

} // namespace server
