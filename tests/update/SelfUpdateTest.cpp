// The update check and the steps of UPDATE with recorded panel, download and process: the
// order of the steps, the release statement's checks, every way the sequence stops, what is
// left on disk, and that exactly the checked bytes are started.

#include "update/SelfUpdate.h"
#include "tests/support/Fakes.h"
#include "update/InstallerMaker.h"
#include "update/UpdateKey.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <set>

namespace {

using namespace testsupport;
using Lines = std::vector<std::string>;
using Reply = ScriptedDownloader::Reply;

const std::string site = "http://site.test/";
const std::string installerUrl = "http://site.test/bloomzap/bzpsetup.exe";
const std::string statementUrl = installerUrl + ".sig";
const std::string oldProgram = "old program";
const std::string installerBytes = "#!/bin/sh\nexit 0\n";
const std::string refused = "message failed, from http://site.test/";

class SelfUpdateTest : public ::testing::Test {
protected:
    SelfUpdateTest() { writeFile(program(), oldProgram); }

    // The game at 1.0.0 offered `offered`, then UPDATE with the download answering replies, to
    // its end.
    void runUpdate(std::deque<Reply> replies,
                   std::optional<UpdatePublicKey> key = updatePublicKey(),
                   const std::string& offered = "1.0.1") {
        SelfUpdate update(m_screen, m_fetch, m_download, m_process, site, key);
        update.startCheck(true, "1.0.0");
        update.checkupdateDoneString(offered);
        m_screen.log.clear();
        m_download.replies = std::move(replies);
        update.button_updateyesClick(program());
        m_download.finishAll();
        m_stage = update.stage();
    }
    std::set<std::string> folderNames() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_folder / "")) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }
    fs::path program() const { return m_folder / "bloomzap"; }
    fs::path backup() const { return m_folder / "bloomzap.BAK"; }
    fs::path installer() const { return m_folder / "bzpsetup.exe"; }

    TempDir m_folder;
    RecordingScreen m_screen;
    RecordingFetch m_fetch;
    ScriptedDownloader m_download;
    RecordingProcess m_process;
    SelfUpdate::Stage m_stage = SelfUpdate::Stage::Idle;
};

TEST_F(SelfUpdateTest, AnyDifferenceFromTheProgramVersionBringsTheOffer) {
    const struct {
        bool switchOn;
        std::string version, reply;
        bool offer;
    } cases[] = {
        {true, "1.0.0", "1.0.0", false},      {true, "1.0.0", "1.0.0\n", true},
        {true, "1.0.0", " 1.0.0", true},      {true, "1.0.0", "0.9.9", true},
        {true, "1.0.0-rc", "1.0.0-RC", true}, {true, "1.0.0", "<html>Not found</html>", true},
        {false, "1.0.0", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        RecordingScreen caseScreen;
        RecordingFetch caseFetch;
        SelfUpdate update(caseScreen, caseFetch, m_download, m_process, site, std::nullopt);
        update.startCheck(c.switchOn, c.version);
        EXPECT_EQ(caseFetch.urls,
                  c.switchOn ? Lines{"http://site.test/bloomzap/bloomzapversion.txt"} : Lines{});
        if (c.switchOn) {
            update.checkupdateDoneString(c.reply);
        }
        EXPECT_EQ(caseScreen.log, c.offer ? Lines{"showOffer"} : Lines{});
        update.button_updatecancelClick();
        EXPECT_EQ(caseScreen.log.back(), "hideOffer");
    }
}

TEST(SelfUpdateNames, TheBackupNameReplacesTheExtension) {
    const std::pair<const char*, const char*> backups[] = {
        {"/games/bloomzap", "/games/bloomzap.BAK"},
        {"/games/bloomzap.exe", "/games/bloomzap.BAK"},
        {"/games.d/bloomzap", "/games.d/bloomzap.BAK"},
        {"/games/bloomzap.x86.bin", "/games/bloomzap.x86.BAK"},
    };
    for (const auto& [program, backup] : backups) {
        EXPECT_EQ(SelfUpdate::backupName(program), fs::path(backup)) << program;
    }
    EXPECT_EQ(SelfUpdate::localFileName(installerUrl), "bzpsetup.exe");
}

TEST_F(SelfUpdateTest, UpdateRunsItsStepsInOrderAndEndsTheProcess) {
    writeFile(backup(), "an older backup");
    SelfUpdate update(m_screen, m_fetch, m_download, m_process, site, updatePublicKey());
    update.startCheck(true, "1.0.0");
    update.checkupdateDoneString("1.0.1");
    m_download.replies = {{statementFor(installerBytes, "1.0.1")}, {installerBytes}};
    update.button_updateyesClick(program());
    // While the download runs the program keeps its name and nothing unchecked is on disk.
    EXPECT_EQ(readFile(program()), oldProgram);
    EXPECT_FALSE(fs::exists(installer()));

    m_download.finishAll();
    EXPECT_EQ(m_screen.log, (Lines{"showOffer", "hideButtons", "status updating",
                                   "status received 17", "status installing"}));
    EXPECT_EQ(m_download.urls, (Lines{statementUrl, installerUrl}));
    EXPECT_EQ(m_process.started, installer());
    EXPECT_EQ(m_process.startedBytes, installerBytes);
    EXPECT_EQ(m_process.startArguments, (Lines{"/SP-", "/silent", "/noicons"}));
    EXPECT_EQ(m_process.startEnvironment,
              (ProcessControl::Environment{{"BLOOMZAP_UPDATE_TARGET", program().string()},
                                           {"BLOOMZAP_UPDATE_PID", std::to_string(getpid())}}));
    EXPECT_TRUE(m_process.exited);
    // Renamed only now, just before the start; the older backup replaced.
    EXPECT_FALSE(fs::exists(program()));
    EXPECT_EQ(readFile(backup()), oldProgram);
    EXPECT_EQ(readFile(installer()), installerBytes);
    EXPECT_EQ(fs::status(installer()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(update.stage(), SelfUpdate::Stage::Started);
}

TEST_F(SelfUpdateTest, OnlyASignedStatementOfTheOfferedNewerReleaseAndItsExactBytesAreStarted) {
    const auto failed = DownloadOutcome::HttpFailure;
    const std::string good = statementFor(installerBytes, "1.0.1");
    std::string tampered = good;
    tampered.replace(tampered.find("1.0.1"), 5, "1.0.2");
    const struct {
        const char* name;
        std::deque<Reply> replies;
        std::string offered = "1.0.1";
        bool withKey = true, startSucceeds = true;
        std::string lastLine = refused;
        std::optional<std::string> installerLeft = std::nullopt; // nothing: deleted
    } cases[] = {
        {"older release", {{statementFor(installerBytes, "0.9.9")}}, "0.9.9"},
        {"same release", {{statementFor(installerBytes, "1.0.0")}}, "1.0.0\n"},
        {"another version than offered", {{statementFor(installerBytes, "1.0.2")}}},
        {"another product", {{statementFor(installerBytes, "1.0.1", "otherzap")}}},
        {"statement changed after signing", {{tampered}}, "1.0.2"},
        {"statement signed by another key",
         {{ReleaseStatementText::write(
             {"bloomzap", "1.0.1", installerBytes.size(), Sha256Stream::of(installerBytes)},
             InstallerSignature::generateKeys().second)}}},
        {"offer with a line break", {{good}}, "1.0.1\n"},
        {"a build without a key", {{good}}, "1.0.1", false},
        {"statement too long", {{good + std::string(5000, '#')}}},
        {"installer changed", {{good}, {"#!/bin/sh\nexit 1\n"}}},
        {"installer shorter", {{good}, {installerBytes.substr(1)}}},
        {"installer longer than stated", {{good}, {installerBytes + "rm -rf ~\n"}}},
        {"statement not found",
         {{"<html>404</html>", failed}},
         "1.0.1",
         true,
         true,
         "status aborted"},
        {"installer not found",
         {{good}, {"<html>404</html>", failed}},
         "1.0.1",
         true,
         true,
         "status aborted",
         "<html>404</html>"},
        {"installer cannot be started",
         {{good}, {installerBytes}},
         "1.0.1",
         true,
         false,
         refused,
         installerBytes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_process = RecordingProcess();
        m_process.startSucceeds = c.startSucceeds;
        runUpdate(c.replies, c.withKey ? updatePublicKey() : std::nullopt, c.offered);
        EXPECT_EQ(m_screen.log.back(), c.lastLine);
        EXPECT_EQ(readFile(program()), oldProgram);
        EXPECT_FALSE(fs::exists(backup()));
        EXPECT_EQ(fs::exists(installer()), c.installerLeft.has_value());
        EXPECT_EQ(readFile(installer()), c.installerLeft.value_or(""));
        EXPECT_EQ(m_process.started.has_value(), !c.startSucceeds);
        EXPECT_FALSE(m_process.exited);
        EXPECT_EQ(m_stage, SelfUpdate::Stage::Stopped);
        fs::remove(installer());
    }
}

TEST_F(SelfUpdateTest, WhatStandsAtTheInstallersPathIsRemovedNeverFollowed) {
    const fs::path outside = m_folder / "outside";
    fs::create_directory(outside);
    writeFile(outside / "precious", "precious");
    const std::string good = statementFor(installerBytes, "1.0.1");
    for (const bool link : {true, false}) {
        SCOPED_TRACE(link ? "a symbolic link" : "an old file");
        if (link) {
            fs::create_symlink(outside / "precious", installer());
        } else {
            writeFile(installer(), "an old installer, much longer than the new one");
        }
        m_process = RecordingProcess();
        runUpdate({{good}, {installerBytes}});
        EXPECT_TRUE(m_process.exited);
        EXPECT_FALSE(fs::is_symlink(installer()));
        EXPECT_EQ(readFile(installer()), installerBytes);
        EXPECT_EQ(readFile(outside / "precious"), "precious");
        fs::rename(backup(), program());
    }
}

TEST_F(SelfUpdateTest, ErrorsGoToTheErrorReportAndStopTheSequence) {
    // A folder in the installer's place cannot be replaced by a file; a file size limit fails
    // the write as a full disk would; a download that cannot start throws.
    const std::string body(1 << 20, 'x');
    const std::string good = statementFor(body, "1.0.1");
    const struct {
        const char* name;
        std::string error;
    } cases[] = {
        {"cannot create", "error cannot create [" + installer().string() + "] Is a directory"},
        {"cannot write", "error cannot write [" + installer().string() + "] File too large"},
        {"cannot start", "error other [] Thread creation failed."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(installer());
        const std::string name = c.name;
        m_download.cannotStart = name == "cannot start";
        if (name == "cannot create") {
            fs::create_directory(installer());
        }
        rlimit previous{};
        ::getrlimit(RLIMIT_FSIZE, &previous);
        if (name == "cannot write") {
            ::signal(SIGXFSZ, SIG_IGN);
            rlimit small = previous;
            small.rlim_cur = 65536;
            ::setrlimit(RLIMIT_FSIZE, &small);
        }
        runUpdate({{good}, {body}});
        ::setrlimit(RLIMIT_FSIZE, &previous);
        EXPECT_EQ(m_screen.log, (Lines{"hideButtons", "status updating", c.error}));
        EXPECT_EQ(readFile(program()), oldProgram);
        // Nothing half-written is left; a folder in the way is not the update's to remove.
        const std::set<std::string> left = name == "cannot create"
                                               ? std::set<std::string>{"bloomzap", "bzpsetup.exe"}
                                               : std::set<std::string>{"bloomzap"};
        EXPECT_EQ(folderNames(), left);
        EXPECT_EQ(m_stage, SelfUpdate::Stage::Stopped);
        fs::remove_all(installer());
    }
}

TEST_F(SelfUpdateTest, EndingTheProgramDuringTheDownloadLeavesTheProgramAndNoPartialInstaller) {
    for (const bool statementIn : {false, true}) {
        SCOPED_TRACE(statementIn ? "during the installer" : "during the statement");
        SelfUpdate update(m_screen, m_fetch, m_download, m_process, site, updatePublicKey());
        update.startCheck(true, "1.0.0");
        update.checkupdateDoneString("1.0.1");
        m_download.replies = {{statementFor(installerBytes, "1.0.1")}};
        update.button_updateyesClick(program());
        if (statementIn) {
            m_download.finishAll(); // the installer's request now waits
            EXPECT_TRUE(fs::exists(installer()));
        }
        EXPECT_TRUE(update.downloading());
        update.abandon();
        EXPECT_EQ(folderNames(), (std::set<std::string>{"bloomzap"}));
        EXPECT_EQ(readFile(program()), oldProgram);
        m_download = ScriptedDownloader();
    }
}

TEST_F(SelfUpdateTest, APackagedBuildOffersButLeavesInstallingToThePackageManager) {
    SelfUpdate update(m_screen, m_fetch, m_download, m_process, site, std::nullopt,
                      SelfUpdate::Installing::ByPackageManager);
    update.startCheck(true, "1.0.0");
    update.checkupdateDoneString("1.0.1");
    update.button_updateyesClick(program());
    EXPECT_EQ(m_screen.log, (Lines{"showOffer", "message by the package manager", "hideOffer"}));
    EXPECT_TRUE(m_download.urls.empty());
    EXPECT_EQ(folderNames(), (std::set<std::string>{"bloomzap"}));
    EXPECT_FALSE(m_process.started);
}

// True once file holds bytes, waiting up to thirty seconds.
bool becomes(const fs::path& file, const std::string& bytes) {
    for (int tries = 0; tries < 3000; ++tries) {
        if (fs::exists(file) && readFile(file) == bytes) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST_F(SelfUpdateTest, AFileSwappedInAfterTheCheckCannotRun) {
    writeFile(m_folder / "new-bloomzap", "new program");
    InstallerMaker::make(m_folder / "new-bloomzap", "1.0.1", testSecretKey(), m_folder / "made");
    const std::string made = readFile(m_folder / "made" / "bzpsetup.exe");
    const fs::path marker = m_folder / "swapped-ran";
    m_process.really = true;
    m_process.beforeStart = [&] {
        // Another process puts its own runnable file at the installer's path.
        writeFile(m_folder / "evil", "#!/bin/sh\necho ran >'" + marker.string() +
                                         "'\ncp /bin/sh '" + program().string() + "'\n");
        fs::permissions(m_folder / "evil", fs::perms::owner_all);
        fs::rename(m_folder / "evil", installer());
    };
    runUpdate({{readFile(m_folder / "made" / "bzpsetup.exe.sig")}, {made}});
    EXPECT_TRUE(m_process.exited);
    EXPECT_EQ(m_process.startedBytes, made);
    EXPECT_TRUE(becomes(program(), "new program"));
    EXPECT_FALSE(fs::exists(marker));
}

} // namespace
