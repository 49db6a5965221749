// The update check and the steps of UPDATE with recorded panel, download and process: the
// order of the steps, the backup, every way the sequence stops, and what is left on disk.

#include "update/SelfUpdate.h"
#include "tests/update/Fakes.h"
#include "update/UpdateKey.h"

#include <gtest/gtest.h>

namespace {

using namespace updatetest;
using Lines = std::vector<std::string>;
using Reply = ScriptedDownloader::Reply;

const std::string site = "http://site.test/";
const std::string installerUrl = "http://site.test/bloomzap/bzpsetup.exe";
const std::string oldProgram = "old program";
const std::string installerBytes = "#!/bin/sh\nexit 0\n";
const std::string refused = "message There was an error in the update process. Please download "
                            "BLOOMZAP manually from http://site.test/.";

std::string signature(const std::string& bytes) {
    return InstallerSignature::sign(bytes, testSecretKey());
}

class SelfUpdateTest : public ::testing::Test {
protected:
    SelfUpdateTest() { writeFile(program(), oldProgram); }

    // UPDATE with the download answering replies, to its end.
    void runUpdate(std::deque<Reply> replies,
                   std::optional<UpdatePublicKey> key = updatePublicKey()) {
        SelfUpdate update(m_screen, m_fetch, m_download, m_process, site, key);
        m_download.replies = std::move(replies);
        update.button_updateyesClick(program());
        m_download.finishAll();
        m_stage = update.stage();
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
    m_download.replies = {{installerBytes}, {signature(installerBytes)}};
    update.button_updateyesClick(program());
    // Before the download: the program under its backup name, the installer file empty.
    EXPECT_FALSE(fs::exists(program()));
    EXPECT_EQ(readFile(backup()), oldProgram);
    EXPECT_EQ(readFile(installer()), "");

    m_download.finishAll();
    EXPECT_EQ(m_screen.log, (Lines{"hideButtons", "status Updating. Please Wait...",
                                   "status Received 17 bytes", "status Installing"}));
    EXPECT_EQ(m_download.urls, (Lines{installerUrl, installerUrl + ".sig"}));
    EXPECT_EQ(m_process.started, installer());
    EXPECT_EQ(m_process.startArguments, (Lines{"/SP-", "/silent", "/noicons"}));
    EXPECT_EQ(m_process.startEnvironment,
              (ProcessControl::Environment{{"BLOOMZAP_UPDATE_TARGET", program().string()},
                                           {"BLOOMZAP_UPDATE_PID", std::to_string(getpid())}}));
    EXPECT_TRUE(m_process.exited);
    EXPECT_EQ(readFile(installer()), installerBytes);
    EXPECT_NE(fs::status(installer()).permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_EQ(update.stage(), SelfUpdate::Stage::Started);
}

TEST_F(SelfUpdateTest, AStoppedUpdateGivesTheProgramItsNameBack) {
    const auto failed = DownloadOutcome::HttpFailure;
    const struct {
        const char* name;
        std::deque<Reply> replies;
        bool withKey, startSucceeds;
        std::string lastLine;
        std::optional<std::string> installerLeft; // nothing: deleted
    } cases[] = {
        {"installer not found",
         {{"<html>404</html>", failed}},
         true,
         true,
         "status Download Aborted",
         "<html>404</html>"},
        {"signature not found",
         {{installerBytes}, {"<html>404</html>", failed}},
         true,
         true,
         refused,
         std::nullopt},
        {"signature with a line break",
         {{installerBytes}, {signature(installerBytes) + "\n"}},
         true,
         true,
         refused,
         std::nullopt},
        {"a build without a key", {{installerBytes}}, false, true, refused, std::nullopt},
        {"installer cannot be started",
         {{installerBytes}, {signature(installerBytes)}},
         true,
         false,
         refused,
         installerBytes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_process.startSucceeds = c.startSucceeds;
        runUpdate(c.replies, c.withKey ? updatePublicKey() : std::nullopt);
        EXPECT_EQ(m_screen.log.back(), c.lastLine);
        EXPECT_EQ(readFile(program()), oldProgram);
        EXPECT_FALSE(fs::exists(backup()));
        EXPECT_EQ(fs::exists(installer()), c.installerLeft.has_value());
        EXPECT_EQ(readFile(installer()), c.installerLeft.value_or(""));
        EXPECT_FALSE(m_process.exited);
        EXPECT_EQ(m_stage, SelfUpdate::Stage::Stopped);
        fs::remove(installer());
    }
}

TEST_F(SelfUpdateTest, ErrorsGoToTheErrorReportAndStopTheSequence) {
    // A folder in the installer's place cannot be created as a file; on a full disk the big
    // body fails while it is written, the small one when it is flushed; a download that cannot
    // start throws.
    const std::string full = "\". No space left on device";
    const struct {
        const char* name;
        std::string body;
        std::string error;
    } cases[] = {
        {"cannot create", "",
         "error Cannot create file \"" + installer().string() + "\". Is a directory"},
        {"cannot write", std::string(1 << 20, 'x'),
         "error Cannot write to file \"" + installer().string() + full},
        {"cannot flush", "x", "error Cannot write to file \"" + installer().string() + full},
        {"cannot start", "-", "error Thread creation failed."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_screen.log.clear();
        fs::remove_all(installer());
        m_download.cannotStart = c.body == "-";
        if (c.body.empty()) {
            fs::create_directory(installer());
        } else if (!m_download.cannotStart) {
            fs::create_symlink("/dev/full", installer());
        }
        runUpdate({{c.body}});
        EXPECT_EQ(m_screen.log, (Lines{"hideButtons", "status Updating. Please Wait...", c.error}));
        EXPECT_EQ(readFile(program()), oldProgram);
        EXPECT_EQ(m_stage, SelfUpdate::Stage::Stopped);
    }
    EXPECT_EQ(m_download.urls.size(), 2u) << "nothing is fetched when the file cannot be made";
}

TEST_F(SelfUpdateTest, EndingTheProgramDuringTheDownloadGivesTheProgramItsNameBack) {
    SelfUpdate update(m_screen, m_fetch, m_download, m_process, site, updatePublicKey());
    update.button_updateyesClick(program());
    EXPECT_FALSE(fs::exists(program()));
    update.abandon();
    EXPECT_EQ(readFile(program()), oldProgram);
    EXPECT_EQ(m_screen.log.size(), 2u) << "nothing shown while the program ends";
}

} // namespace
