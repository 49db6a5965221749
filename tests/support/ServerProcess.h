#pragma once

// The real bloomzap-server as a child process of a test: started with given arguments, or on a
// free port of 127.0.0.1 over a data folder of its own; its output kept in a log.

#include "tests/support/TempDir.h"

#include <sys/types.h>

#include <csignal>
#include <string>
#include <vector>

namespace testsupport {

// Starts arguments[0] with its standard output and error appended to `output`; 0 when it
// cannot start.
pid_t spawn(std::vector<std::string> arguments, const fs::path& output);

class ServerProcess {
public:
    // bloomzap-server with exactly these arguments (no program name), started at once.
    explicit ServerProcess(std::vector<std::string> arguments);
    // Killed when still running.
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Waits for its "serving http://127.0.0.1:PORT/" line (or https); false when it ended (or 20 s
    // passed) first.
    bool waitServing();
    // Sends `signal` and returns at once.
    void signal(int signal);
    // Sends `signal` (none when 0), waits for the end (killing it after 30 s) and returns the
    // exit code, or -1 for death by a signal.
    int stop(int signal = SIGTERM);
    // After stop(): starts it again with the same arguments and waits until it serves.
    bool restart();

    int port() const { return m_port; }
    // The process while it runs, 0 otherwise.
    pid_t pid() const { return m_pid; }
    // "http://127.0.0.1:PORT/".
    std::string root() const;
    // Everything it wrote, across restarts.
    std::string log() const;

private:
    void start();

    std::vector<std::string> m_arguments;
    TempDir m_logDir;
    pid_t m_pid = 0;
    int m_status = 0;
    int m_port = 0;
    std::size_t m_logSeen = 0; // where this run's output begins
};

// bloomzap-server listening on a free port of 127.0.0.1 over a fresh data folder, then the
// extra options (such as "--version-text" and its text); started and waited for.
class LocalServer {
public:
    explicit LocalServer(const std::vector<std::string>& extra = {});

    bool serving() const { return m_process.port() != 0; }
    int port() const { return m_process.port(); }
    std::string root() const { return m_process.root(); }
    ServerProcess& process() { return m_process; }

private:
    TempDir m_data;
    ServerProcess m_process;
};

} // namespace testsupport
