// Doubles for the update tests: recorders of the panel and the process, a scripted download,
// the test key pair, child processes and the real server with an updates folder.

#pragma once

#include "tests/support/ServerProcess.h"
#include "update/InstallerSignature.h"
#include "update/UpdateCalls.h"

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <deque>
#include <filesystem>
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
