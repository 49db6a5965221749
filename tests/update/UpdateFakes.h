// Doubles for the update tests: recorders of the panel and the process, a scripted download,
// the test key pair, child processes and the real server with an updates folder.

#pragma once

#include "update/InstallerSignature.h"
#include "update/UpdateCalls.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace updatetest {

namespace fs = std::filesystem;

inline std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return std::move(content).str();
}

inline void writeFile(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// A folder of its own under the temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "bloomzap-update-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("no temporary folder");
        }
        m_path = fs::canonical(pattern);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    fs::path operator/(const fs::path& name) const { return m_path / name; }

private:
    fs::path m_path;
};

// Starts arguments[0] (through /usr/bin/env when the arguments begin with variables), its
// standard output and error into output; 0 when it cannot start.
inline pid_t spawn(std::vector<std::string> arguments, const fs::path& output) {
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

// The exit code of pid, or -1 when it died of a signal or had not ended within a minute (it is
// then killed).
inline int exitCode(pid_t pid) {
    int status = 0;
    for (int tries = 0; pid > 0 && tries < 6000; ++tries) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return -1;
}

// The test key pair in tests/update (test use only; no real installer is signed with it).
inline UpdatePublicKey testPublicKey() {
    return *InstallerSignature::publicKeyFromHex(
        readFile(BLOOMZAP_UPDATE_TEST_KEY_DIR "/update_test_key.pub"));
}
inline UpdateSecretKey testSecretKey() {
    return *InstallerSignature::secretKeyFromHex(
        readFile(BLOOMZAP_UPDATE_TEST_KEY_DIR "/update_test_key.sec"));
}

// Every call on the panel, as a line of text.
class RecordingScreen : public UpdateScreen {
public:
    void showOffer() override { log.push_back("showOffer"); }
    void hideOffer() override { log.push_back("hideOffer"); }
    void hideButtons() override { log.push_back("hideButtons"); }
    void setStatus(const std::string& text) override { log.push_back("status " + text); }
    void showMessage(const std::string& text) override { log.push_back("message " + text); }
    void reportError(const std::string& text) override { log.push_back("error " + text); }
    std::vector<std::string> log;
};

class RecordingFetch : public VersionFetch {
public:
    void fetchString(const std::string& url) override { urls.push_back(url); }
    std::vector<std::string> urls;
};

class RecordingProcess : public ProcessControl {
public:
    bool startDetached(const fs::path& program, const std::vector<std::string>& arguments,
                       const Environment& environment) override {
        started = program;
        startArguments = arguments;
        startEnvironment = environment;
        return startSucceeds;
    }
    void exitNow() override { exited = true; }

    bool startSucceeds = true;
    std::optional<fs::path> started;
    std::vector<std::string> startArguments;
    Environment startEnvironment;
    bool exited = false;
};

// A download that answers from a script: each request takes the next reply, ending only when
// the test calls finishAll (never inside get, as with the real one).
class ScriptedDownloader : public Downloader {
public:
    struct Reply {
        std::string body;
        DownloadOutcome outcome = DownloadOutcome::Received;
    };
    void get(const std::string& url, DownloadSink sink, DownloadDone done) override {
        if (cannotStart) {
            throw std::runtime_error("Thread creation failed.");
        }
        urls.push_back(url);
        m_pending.push_back({std::move(sink), std::move(done)});
    }
    void finishAll() {
        while (!m_pending.empty() && !replies.empty()) {
            auto [sink, done] = std::move(m_pending.front());
            Reply reply = replies.front();
            m_pending.pop_front();
            replies.pop_front();
            if (!reply.body.empty() && !sink(reply.body.data(), reply.body.size())) {
                reply.outcome = DownloadOutcome::WriteFailure;
            }
            done(reply.outcome);
        }
    }
    std::deque<Reply> replies;
    std::vector<std::string> urls;
    bool cannotStart = false; // get throws, as when no thread can be made

private:
    std::deque<std::pair<DownloadSink, DownloadDone>> m_pending;
};

// bloomzap-server on a free port of 127.0.0.1, publishing versionText, with an updates folder.
class UpdateServer {
public:
    explicit UpdateServer(const std::string& versionText) {
        fs::create_directories(m_folder / "data");
        fs::create_directories(updates());
        m_pid = spawn({BLOOMZAP_SERVER_BINARY, "--listen", "127.0.0.1:0", "--data",
                       (m_folder / "data").string(), "--version-text", versionText, "--updates",
                       updates().string()},
                      m_folder / "server.log");
        // The server names its port once it listens; it is given twenty seconds.
        for (int tries = 0; m_pid > 0 && m_port == 0 && tries < 2000; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const std::string log = readFile(m_folder / "server.log");
            const auto at = log.find("serving http://127.0.0.1:");
            if (at != std::string::npos && log.find('\n', at) != std::string::npos) {
                m_port = std::stoi(log.substr(at + 25));
            }
        }
    }
    ~UpdateServer() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            exitCode(m_pid);
        }
    }
    bool serving() const { return m_port != 0; }
    std::string siteRoot() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }
    fs::path updates() const { return m_folder / "updates"; }

private:
    TempFolder m_folder;
    pid_t m_pid = 0;
    int m_port = 0;
};

} // namespace updatetest
