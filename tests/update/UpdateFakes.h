// Doubles for the update tests: recorders of the panel and the process, a scripted download,
// the test key pair, and the real server with an updates folder.

#pragma once

#include "update/HttpDownload.h"
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
#include <regex>
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
    const fs::path& path() const { return m_path; }
    fs::path operator/(const fs::path& name) const { return m_path / name; }

private:
    fs::path m_path;
};

inline void writeFile(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
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

// A download that answers from a script: each get takes the next reply and ends when the test
// calls finish() (never inside get, as the real one).
class ScriptedDownloader : public Downloader {
public:
    struct Reply {
        std::string body;
        DownloadOutcome outcome = DownloadOutcome::Received;
    };
    void get(const std::string& url, DownloadSink sink, DownloadDone done) override {
        urls.push_back(url);
        m_pending.push_back({std::move(sink), std::move(done)});
    }
    // Ends the oldest request with the next scripted reply; false when none was waiting.
    bool finish() {
        if (m_pending.empty()) {
            return false;
        }
        auto [sink, done] = std::move(m_pending.front());
        m_pending.pop_front();
        Reply reply = replies.empty() ? Reply{"", DownloadOutcome::HttpFailure} : replies.front();
        if (!replies.empty()) {
            replies.pop_front();
        }
        if (!reply.body.empty() && !sink(reply.body.data(), reply.body.size())) {
            reply.outcome = DownloadOutcome::WriteFailure;
        }
        done(reply.outcome);
        return true;
    }
    void finishAll() {
        while (finish()) {
        }
    }
    std::deque<Reply> replies;
    std::vector<std::string> urls;

private:
    std::deque<std::pair<DownloadSink, DownloadDone>> m_pending;
};

// The real download, run to its end when the test says so (done comes after get returns).
class BlockingDownloader : public Downloader {
public:
    void get(const std::string& url, DownloadSink sink, DownloadDone done) override {
        m_pending.push_back({url, std::move(sink), std::move(done)});
    }
    void finishAll() {
        while (!m_pending.empty()) {
            auto [url, sink, done] = std::move(m_pending.front());
            m_pending.pop_front();
            HttpDownload download;
            done(download.run(url, sink));
        }
    }

private:
    struct Request {
        std::string url;
        DownloadSink sink;
        DownloadDone done;
    };
    std::deque<Request> m_pending;
};

// A program started with arguments, its standard error kept in a file; killed at the end.
class ChildProcess {
public:
    ChildProcess(std::vector<std::string> arguments, const fs::path& errors) {
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT, 0600);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = 0;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ChildProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    bool running() const { return m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == 0; }

private:
    pid_t m_pid = 0;
};

// bloomzap-server on a free port of 127.0.0.1, publishing versionText, with an updates folder.
class UpdateServer {
public:
    explicit UpdateServer(const std::string& versionText)
        : m_made(fs::create_directories(m_folder / "updates") &&
                 fs::create_directories(m_folder / "data")),
          m_process({BLOOMZAP_SERVER_BINARY, "--listen", "127.0.0.1:0", "--data",
                     (m_folder / "data").string(), "--version-text", versionText, "--updates",
                     updates().string()},
                    m_folder / "server.log") {
        static const std::regex serving(R"(serving http://127\.0\.0\.1:(\d+)/)");
        // The server names its port once it listens; it is given twenty seconds at most.
        for (int tries = 0; m_made && m_port == 0 && tries < 2000 && m_process.running(); ++tries) {
            std::smatch found;
            const std::string log = readFile(m_folder / "server.log");
            if (std::regex_search(log, found, serving)) {
                m_port = std::stoi(found[1]);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
    }
    bool serving() const { return m_port != 0; }
    std::string siteRoot() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }
    fs::path updates() const { return m_folder / "updates"; }

private:
    TempFolder m_folder;
    bool m_made;
    ChildProcess m_process;
    int m_port = 0;
};

} // namespace updatetest
