// Doubles for the update tests: recorders of the panel and the process, a scripted download,
// the test key pair, child processes and the real server with an updates folder.

#pragma once

#include "tests/support/ServerProcess.h"
#include "update/Downloader.h"
#include "update/InstallerLauncher.h"
#include "update/InstallerSignature.h"
#include "update/ProcessControl.h"
#include "update/ReleaseStatement.h"
#include "update/UpdateScreen.h"
#include "update/VersionFetch.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace updatetest {

namespace fs = std::filesystem;

using testsupport::readFile;
using testsupport::spawn;
using testsupport::TempDir;
using testsupport::writeFile;

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

// The signed statement of installer as release `version` of `product`.
inline std::string statementFor(const std::string& installer, const std::string& version,
                                const std::string& product = "bloomzap") {
    return ReleaseStatementText::write(
        {product, version, installer.size(), Sha256Stream::of(installer)}, testSecretKey());
}

// Every call on the panel, as a line of text.
class RecordingScreen : public UpdateScreen {
public:
    void showOffer() override { log.push_back("showOffer"); }
    void hideOffer() override { log.push_back("hideOffer"); }
    void hideButtons() override { log.push_back("hideButtons"); }
    void setStatus(UpdateStatus status, std::uint64_t bytes) override {
        const char* const names[] = {"updating", "aborted", "received", "installing"};
        std::string line = std::string("status ") + names[static_cast<int>(status)];
        if (status == UpdateStatus::received) {
            line += " " + std::to_string(bytes);
        }
        log.push_back(line);
    }
    void showMessage(UpdateNotice notice, const std::string& siteRoot) override {
        log.push_back(notice == UpdateNotice::failed ? "message failed, from " + siteRoot
                                                     : "message by the package manager");
    }
    void reportError(UpdateError error, const std::string& file,
                     const std::string& reason) override {
        const char* const names[] = {"other", "cannot create", "cannot write"};
        log.push_back(std::string("error ") + names[static_cast<int>(error)] + " [" + file + "] " +
                      reason);
    }
    std::vector<std::string> log;
};

class RecordingFetch : public VersionFetch {
public:
    void fetchString(const std::string& url) override { urls.push_back(url); }
    std::vector<std::string> urls;
};

// Records the start: the file behind the descriptor and the bytes it reads. With `really`,
// the installer is then started for real (the process is never ended).
class RecordingProcess : public ProcessControl {
public:
    bool startDetached(int descriptor, const std::vector<std::string>& arguments,
                       const Environment& environment) override {
        if (beforeStart) {
            beforeStart();
        }
        started = fs::read_symlink("/proc/self/fd/" + std::to_string(descriptor));
        startedBytes.clear();
        char buffer[65536];
        for (off_t at = 0;;) {
            const ssize_t got = ::pread(descriptor, buffer, sizeof buffer, at);
            if (got <= 0) {
                break;
            }
            startedBytes.append(buffer, static_cast<std::size_t>(got));
            at += got;
        }
        startArguments = arguments;
        startEnvironment = environment;
        if (really) {
            return InstallerLauncher().startDetached(descriptor, arguments, environment);
        }
        return startSucceeds;
    }
    void exitNow() override { exited = true; }

    bool startSucceeds = true;
    bool really = false;
    std::function<void()> beforeStart; // runs the moment the installer has been checked
    std::optional<fs::path> started;
    std::string startedBytes;
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

// A server that misbehaves on purpose: it answers the paths it knows at once, and for
// `dripPath` sends a 200 head and then one byte every `dripMs` milliseconds for ever.
class DripServer {
public:
    // dripHead: head lines the drip's reply carries besides its status and type.
    DripServer(std::map<std::string, std::string> bodies, std::string dripPath, int dripMs,
               std::string dripHead = "")
        : m_bodies(std::move(bodies)), m_dripPath(std::move(dripPath)), m_dripMs(dripMs),
          m_dripHead(std::move(dripHead)) {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) ||
            ::listen(m_listener, 16) ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length)) {
            throw std::runtime_error("DripServer cannot listen");
        }
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~DripServer() {
        m_stopping = true;
        ::shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        for (std::thread& client : m_clients) {
            client.join();
        }
        ::close(m_listener);
    }
    std::string root() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }
    // Whether a client has been sent the drip's head.
    bool dripping() const { return m_dripping; }

private:
    void serve() {
        for (;;) {
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0 || m_stopping) {
                if (client >= 0) {
                    ::close(client);
                }
                return;
            }
            m_clients.emplace_back([this, client] { answer(client); });
        }
    }
    void answer(int client) {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) {
                ::close(client);
                return;
            }
            request.append(buffer, static_cast<std::size_t>(got));
        }
        const auto begin = request.find(' ') + 1;
        const std::string path = request.substr(begin, request.find(' ', begin) - begin);
        std::string head = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n";
        if (path == m_dripPath) {
            head += m_dripHead + "\r\n";
            send(client, head);
            m_dripping = true;
            while (!m_stopping && send(client, "x")) {
                std::this_thread::sleep_for(std::chrono::milliseconds(m_dripMs));
            }
        } else if (const auto body = m_bodies.find(path); body != m_bodies.end()) {
            send(client, head + "Content-Length: " + std::to_string(body->second.size()) +
                             "\r\n\r\n" + body->second);
        } else {
            send(client, "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nNot found");
        }
        ::close(client);
    }
    static bool send(int client, const std::string& bytes) {
        return ::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }

    std::map<std::string, std::string> m_bodies;
    std::string m_dripPath;
    int m_dripMs;
    std::string m_dripHead;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false}, m_dripping{false};
    std::vector<std::thread> m_clients;
    std::thread m_thread; // last: it uses everything above
};

// bloomzap-server on a free port of 127.0.0.1, publishing versionText, with an updates folder.
class UpdateServer {
public:
    explicit UpdateServer(const std::string& versionText)
        : m_server({"--version-text", versionText, "--updates", made(updates()).string()}) {}
    bool serving() const { return m_server.serving(); }
    std::string siteRoot() const { return m_server.root(); }
    fs::path updates() const { return m_folder / "updates"; }

private:
    static fs::path made(const fs::path& folder) {
        fs::create_directories(folder);
        return folder;
    }

    TempDir m_folder;
    testsupport::LocalServer m_server;
};

} // namespace updatetest
