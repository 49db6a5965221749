// The update check and the ten steps of UPDATE with recorded panel, download and process:
// the order of the steps, the backup, every way the sequence stops, and what is left on disk.

#include "update/SelfUpdate.h"
#include "UpdateFakes.h"
#include "update/UpdateKey.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using namespace updatetest;

const std::string site = "http://site.test/";
const std::string installerUrl = "http://site.test/bloomzap/bzpsetup.exe";
const std::string oldProgram = "old program";
const std::string installerBytes = "#!/bin/sh\nexit 0\n";

std::string errorMessage() {
    return "message There was an error in the update process. Please download BLOOMZAP "
           "manually from http://site.test/.";
}

class SelfUpdateTest : public ::testing::Test {
protected:
    explicit SelfUpdateTest(std::optional<UpdatePublicKey> key = updatePublicKey())
        : update(screen, fetch, download, process, site, key) {
        writeFile(program(), oldProgram);
    }

    fs::path program() const { return folder.path() / "bloomzap"; }
    fs::path backup() const { return folder.path() / "bloomzap.BAK"; }
    fs::path installer() const { return folder.path() / "bzpsetup.exe"; }
    std::string signature(const std::string& bytes) const {
        return InstallerSignature::sign(bytes, testSecretKey());
    }

    TempFolder folder;
    RecordingScreen screen;
    RecordingFetch fetch;
    ScriptedDownloader download;
    RecordingProcess process;
    SelfUpdate update;
};

TEST_F(SelfUpdateTest, TheSwitchDecidesWhetherTheVersionFileIsFetched) {
    update.startCheck(false, "1.0.0");
    EXPECT_TRUE(fetch.urls.empty());
    update.startCheck(true, "1.0.0");
    EXPECT_EQ(fetch.urls,
              std::vector<std::string>{"http://site.test/bloomzap/bloomzapversion.txt"});
}

TEST_F(SelfUpdateTest, AnyDifferenceFromTheProgramVersionBringsTheOffer) {
    const struct {
        std::string reply;
        bool offer;
    } cases[] = {
        {"1.0.0", false},    {"1.0.0\n", true},
        {"1.0.0\r\n", true}, {" 1.0.0", true},
        {"1.0.1", true},     {"0.9.9", true},
        {"1.0.0-RC", true},  {"<html><body>Not found</body></html>", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        screen.log.clear();
        update.startCheck(true, "1.0.0");
        update.checkupdateDoneString(c.reply);
        EXPECT_EQ(screen.log,
                  c.offer ? std::vector<std::string>{"showOffer"} : std::vector<std::string>{});
    }
    screen.log.clear();
    update.startCheck(true, "1.0.0-rc");
    update.checkupdateDoneString("1.0.0-RC");
    EXPECT_EQ(screen.log, std::vector<std::string>{"showOffer"}) << "letter case counts";
}

TEST_F(SelfUpdateTest, CancelHidesTheOffer) {
    update.button_updatecancelClick();
    EXPECT_EQ(screen.log, std::vector<std::string>{"hideOffer"});
    EXPECT_EQ(update.stage(), SelfUpdate::Stage::Idle);
}

TEST(SelfUpdateNames, BackupAndLocalFileNames) {
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
    EXPECT_EQ(SelfUpdate::localFileName("bzpsetup.exe"), "bzpsetup.exe");
    EXPECT_EQ(SelfUpdate::installerAddress(site), installerUrl);
}

TEST_F(SelfUpdateTest, UpdateRunsItsStepsInOrderAndEndsTheProcess) {
    writeFile(backup(), "an older backup");
    download.replies = {{installerBytes}, {signature(installerBytes)}};
    update.button_updateyesClick(program());

    // Before the download: the program under its backup name, the old backup gone, the
    // installer file created empty.
    EXPECT_FALSE(fs::exists(program()));
    EXPECT_EQ(readFile(backup()), oldProgram);
    EXPECT_EQ(readFile(installer()), "");
    EXPECT_EQ(download.urls, std::vector<std::string>{installerUrl});

    download.finishAll();
    EXPECT_EQ(screen.log, (std::vector<std::string>{
                              "hideButtons", "status Updating. Please Wait...",
                              "status Received " + std::to_string(installerBytes.size()) + " bytes",
                              "status Installing"}));
    EXPECT_EQ(download.urls, (std::vector<std::string>{installerUrl, installerUrl + ".sig"}));
    ASSERT_TRUE(process.started);
    EXPECT_EQ(*process.started, installer());
    EXPECT_EQ(process.startArguments, (std::vector<std::string>{"/SP-", "/silent", "/noicons"}));
    EXPECT_EQ(process.startEnvironment,
              (ProcessControl::Environment{{"BLOOMZAP_UPDATE_TARGET", program().string()},
                                           {"BLOOMZAP_UPDATE_PID", std::to_string(getpid())}}));
    EXPECT_TRUE(process.exited);
    EXPECT_EQ(readFile(installer()), installerBytes);
    EXPECT_NE(fs::status(installer()).permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_EQ(readFile(backup()), oldProgram);
    EXPECT_EQ(update.stage(), SelfUpdate::Stage::Started);
}

TEST_F(SelfUpdateTest, AStoppedUpdateGivesTheProgramItsNameBack) {
    const std::string tampered = installerBytes + "rm -rf ~\n";
    std::string badSignature = signature(installerBytes);
    badSignature[10] ^= 1;
    const struct {
        const char* name;
        std::deque<ScriptedDownloader::Reply> replies;
        bool startSucceeds;
        std::vector<std::string> lastLines;
        std::optional<std::string> installerLeft; // nothing: deleted
    } cases[] = {
        {"installer not found",
         {{"<html>404</html>", DownloadOutcome::HttpFailure}},
         true,
         {"status Download Aborted"},
         "<html>404</html>"},
        {"signature not found",
         {{installerBytes}, {"<html>404</html>", DownloadOutcome::HttpFailure}},
         true,
         {"status Installing", errorMessage()},
         std::nullopt},
        {"installer changed after signing",
         {{tampered}, {signature(installerBytes)}},
         true,
         {"status Installing", errorMessage()},
         std::nullopt},
        {"signature changed",
         {{installerBytes}, {badSignature}},
         true,
         {"status Installing", errorMessage()},
         std::nullopt},
        {"signature of the wrong length",
         {{installerBytes}, {signature(installerBytes) + "\n"}},
         true,
         {"status Installing", errorMessage()},
         std::nullopt},
        {"installer cannot be started",
         {{installerBytes}, {signature(installerBytes)}},
         false,
         {"status Installing", errorMessage()},
         installerBytes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingScreen caseScreen;
        ScriptedDownloader caseDownload;
        RecordingProcess caseProcess;
        caseProcess.startSucceeds = c.startSucceeds;
        caseDownload.replies = c.replies;
        SelfUpdate caseUpdate(caseScreen, fetch, caseDownload, caseProcess, site, testPublicKey());
        caseUpdate.button_updateyesClick(program());
        caseDownload.finishAll();

        ASSERT_GE(caseScreen.log.size(), c.lastLines.size());
        EXPECT_EQ(std::vector<std::string>(caseScreen.log.end() - c.lastLines.size(),
                                           caseScreen.log.end()),
                  c.lastLines);
        EXPECT_EQ(readFile(program()), oldProgram);
        EXPECT_FALSE(fs::exists(backup()));
        EXPECT_EQ(fs::exists(installer()), c.installerLeft.has_value());
        if (c.installerLeft) {
            EXPECT_EQ(readFile(installer()), *c.installerLeft);
        }
        EXPECT_FALSE(caseProcess.exited);
        EXPECT_EQ(caseUpdate.stage(), SelfUpdate::Stage::Stopped);
        fs::remove(installer());
    }
}

class SelfUpdateWithoutKeyTest : public SelfUpdateTest {
protected:
    SelfUpdateWithoutKeyTest() : SelfUpdateTest(std::nullopt) {}
};

TEST_F(SelfUpdateWithoutKeyTest, ABuildWithoutAKeyRefusesEveryInstaller) {
    download.replies = {{installerBytes}};
    update.button_updateyesClick(program());
    download.finishAll();
    EXPECT_EQ(screen.log.back(), errorMessage());
    EXPECT_EQ(download.urls, std::vector<std::string>{installerUrl});
    EXPECT_FALSE(fs::exists(installer()));
    EXPECT_EQ(readFile(program()), oldProgram);
    EXPECT_FALSE(process.started);
}

TEST_F(SelfUpdateTest, FileErrorsGoToTheErrorReportAndStopTheSequence) {
    // A directory in the installer's place cannot be created as a file; a file on a full disk
    // cannot be written (the big body fails while writing, the small one when it is flushed).
    const struct {
        const char* name;
        std::string body;
        bool directory;
        std::string error;
    } cases[] = {
        {"cannot create", "", true,
         "error Cannot create file \"" + installer().string() + "\". Is a directory"},
        {"cannot write", std::string(1 << 20, 'x'), false,
         "error Cannot write to file \"" + installer().string() + "\". No space left on device"},
        {"cannot flush", "x", false,
         "error Cannot write to file \"" + installer().string() + "\". No space left on device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(installer());
        if (c.directory) {
            fs::create_directory(installer());
        } else {
            fs::create_symlink("/dev/full", installer());
        }
        RecordingScreen caseScreen;
        ScriptedDownloader caseDownload;
        caseDownload.replies = {{c.body}};
        SelfUpdate caseUpdate(caseScreen, fetch, caseDownload, process, site, testPublicKey());
        caseUpdate.button_updateyesClick(program());
        caseDownload.finishAll();
        EXPECT_EQ(caseScreen.log, (std::vector<std::string>{
                                      "hideButtons", "status Updating. Please Wait...", c.error}));
        EXPECT_EQ(caseDownload.urls.size(), c.directory ? 0u : 1u);
        EXPECT_EQ(readFile(program()), oldProgram);
        EXPECT_EQ(caseUpdate.stage(), SelfUpdate::Stage::Stopped);
    }
    fs::remove_all(installer());
}

TEST_F(SelfUpdateTest, EndingTheProgramDuringTheDownloadGivesTheProgramItsNameBack) {
    update.button_updateyesClick(program());
    EXPECT_FALSE(fs::exists(program()));
    update.abandon();
    EXPECT_EQ(readFile(program()), oldProgram);
    EXPECT_FALSE(fs::exists(backup()));
    EXPECT_EQ(screen.log.size(), 2u) << "nothing shown while the program ends";
}

} // namespace
