#include "tests/support/ServerProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace testsupport {

pid_t spawn(std::vector<std::string> arguments, const fs::path& output) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

ServerProcess::ServerProcess(std::vector<std::string> arguments)
    : m_arguments(std::move(arguments)) {
    m_arguments.insert(m_arguments.begin(), BLOOMZAP_SERVER_BINARY);
    start();
}

ServerProcess::~ServerProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

void ServerProcess::start() {
    m_logSeen = log().size();
    m_port = 0;
    m_status = 0;
    m_pid = spawn(m_arguments, m_logDir / "server.log");
    if (m_pid == 0) {
        throw std::runtime_error("cannot start " + m_arguments.front());
    }
}

bool ServerProcess::waitServing() {
    static const std::regex serving(R"(serving https?://127\.0\.0\.1:(\d+)/\n)");
    for (int tries = 0; tries < 2000; ++tries) {
        std::smatch found;
        const std::string text = log().substr(m_logSeen);
        if (std::regex_search(text, found, serving)) {
            m_port = std::stoi(found[1]);
            return true;
        }
        if (m_pid <= 0 || ::waitpid(m_pid, &m_status, WNOHANG) == m_pid) {
            m_pid = 0;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void ServerProcess::signal(int signal) {
    if (m_pid > 0) {
        ::kill(m_pid, signal);
    }
}

int ServerProcess::stop(int signal) {
    if (m_pid > 0) {
        if (signal != 0) {
            ::kill(m_pid, signal);
        }
        // A server that does not end is a failure of the test, not a test that never ends.
        bool ended = false;
        for (int tries = 0; tries < 3000 && !ended; ++tries) {
            ended = ::waitpid(m_pid, &m_status, WNOHANG) == m_pid;
            if (!ended) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        if (!ended) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &m_status, 0);
        }
        m_pid = 0;
    }
    m_port = 0;
    return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
}

bool ServerProcess::restart() {
    stop();
    start();
    return waitServing();
}

std::string ServerProcess::root() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/";
}

std::string ServerProcess::log() const {
    return readFile(m_logDir / "server.log");
}

LocalServer::LocalServer(const std::vector<std::string>& extra)
    : m_process([&] {
          std::vector<std::string> arguments{"--listen", "127.0.0.1:0", "--data",
                                             m_data.path().string()};
          arguments.insert(arguments.end(), extra.begin(), extra.end());
          return arguments;
      }()) {
    m_process.waitServing();
}

} // namespace testsupport
