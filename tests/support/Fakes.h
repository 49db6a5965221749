#pragma once

// Stand-ins shared by the tests of the engine, the board view and the sounds: a board and a
// window that take everything and keep nothing, and boards written as text. Those of the tally:
// the tally window's surroundings, and tally texts read back. Those of the update and the
// download: recorders of the offer panel, the version fetch and the process, a scripted
// download, and the tests' key pair.

#include "engine/BoardSurface.h"
#include "engine/GameDisplay.h"
#include "engine/GameState.h"
#include "tally/TallyCalendar.h"
#include "tally/TallyDialogs.h"
#include "tally/TallyDisplay.h"
#include "tally/TallyTable.h"
#include "tally/TallyText.h"
#include "tests/support/TempDir.h"
#include "update/Downloader.h"
#include "update/InstallerLauncher.h"
#include "update/InstallerSignature.h"
#include "update/ProcessControl.h"
#include "update/ReleaseStatement.h"
#include "update/UpdateScreen.h"
#include "update/VersionFetch.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

// The engine's own silent board and window, under the names the tests know.
using NullBoard = NoBoard;
using NullDisplay = NoDisplay;

// A board given by its lowest rows, the last one row 10; empty rows above them. '.' is empty,
// '1' to '6' a colour.
inline std::vector<std::string> bottom(std::initializer_list<std::string> lowest) {
    std::vector<std::string> rows(10 - lowest.size(), "..........");
    rows.insert(rows.end(), lowest);
    return rows;
}

// Puts a board written as ten rows (rows[0] is row 1, the top) into the playing field.
inline void setBoard(GameState& state, const std::vector<std::string>& rows) {
    for (int r = 1; r <= 10; ++r) {
        for (int c = 1; c <= 10; ++c) {
            const char ch = rows.at(r - 1).at(c - 1);
            state.cells[c][r] = ch == '.' ? 0 : ch - '0';
        }
    }
}

// The playing field as ten rows of text, as setBoard reads them.
inline std::vector<std::string> boardRows(const GameState& state) {
    std::vector<std::string> rows;
    for (int r = 1; r <= 10; ++r) {
        std::string row;
        for (int c = 1; c <= 10; ++c) {
            const int v = state.cells[c][r];
            row += v == 0 ? '.' : static_cast<char>('0' + v);
        }
        rows.push_back(row);
    }
    return rows;
}

// The tally's stand-ins.

// The table as tally text.
inline std::string textOf(const TallyTable& table) {
    std::ostringstream out;
    SaveGridToFile(table, out);
    return out.str();
}

// The lines of a tally text without their CR LF. A last line without one is marked, so that it
// differs from any line the writer makes.
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + " <no CR LF>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// A window that only remembers what it was last told to show.
class ShownTally : public TallyDisplay {
public:
    void showTotal(int column, const std::string& text) override { totals.at(column - 1) = text; }
    void showPlace(int place, const TallyPlace& row) override { places.at(place - 1) = row; }

    std::array<std::string, 3> totals;
    std::array<TallyPlace, 10> places;
};

// A calendar stuck on one day.
class FixedCalendar : public TallyCalendar {
public:
    std::string shortDate() override { return today; }
    std::string today = "3/14/24";
};

// Answers every question the same way and keeps what it was asked and told.
class ScriptedDialogs : public TallyDialogs {
public:
    TallyAnswer askReset() override {
        questions.push_back("reset");
        return answer;
    }
    void showReadFailure(const TallyReading& reading) override {
        errors.push_back(reading.message);
    }

    TallyAnswer answer = TallyAnswer::Yes;
    std::vector<std::string> questions;
    std::vector<std::string> errors;
};

// The update's stand-ins.

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
UpdatePublicKey testPublicKey();
UpdateSecretKey testSecretKey();

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

} // namespace testsupport
