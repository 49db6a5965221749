// The installer maker and the installer script it makes: the carried program and its signed
// statement, the options, where the new program goes, the wait for the old program, and the
// old program put back when the installer fails.

#include "update/InstallerMaker.h"
#include "tests/support/Fakes.h"
#include "tests/support/ServerProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

using namespace testsupport;
using Names = std::set<std::string>;

// Binary bytes, with shell text inside that must never run.
const std::string payload = std::string("\x7f"
                                        "ELF\0\0\nexit 3\n\xff\x00 rm -rf /tmp/x\n",
                                        28) +
                            std::string(70000, '\xaa');

class InstallerMakerTest : public ::testing::Test {
protected:
    InstallerMakerTest() {
        writeFile(m_folder / "new-program", payload);
        InstallerMaker::make(m_folder / "new-program", "1.2.3", testSecretKey(),
                             m_folder / "updates");
        fs::create_directory(m_folder / "game");
        fs::copy_file(m_folder / "updates" / "bzpsetup.exe", game("bzpsetup.exe"));
    }
    fs::path game(const std::string& name) const { return m_folder / "game" / name; }
    // Starts the installer with these environment variables and options.
    pid_t startInstaller(std::vector<std::string> variables,
                         const std::vector<std::string>& options = {"/SP-", "/silent",
                                                                    "/noicons"}) {
        variables.insert(variables.begin(), "/usr/bin/env");
        variables.push_back(game("bzpsetup.exe").string());
        variables.insert(variables.end(), options.begin(), options.end());
        return spawn(variables, m_folder / "installer.log");
    }
    Names leftovers() const {
        Names names;
        for (const auto& entry : fs::directory_iterator(m_folder / "game")) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    TempDir m_folder;
};

TEST_F(InstallerMakerTest, TheInstallerIsASignedScriptCarryingTheProgram) {
    const std::string made = readFile(game("bzpsetup.exe"));
    EXPECT_EQ(made.rfind("#!/bin/sh\n", 0), 0u);
    ASSERT_GT(made.size(), payload.size());
    EXPECT_EQ(made.substr(made.size() - payload.size()), payload);
    const ReleaseStatementReading statement = ReleaseStatementText::read(
        readFile(m_folder / "updates" / "bzpsetup.exe.sig"), testPublicKey());
    ASSERT_TRUE(statement.statement) << statement.error;
    EXPECT_EQ(statement.statement->product, "bloomzap");
    EXPECT_EQ(statement.statement->version, "1.2.3");
    EXPECT_EQ(statement.statement->size, made.size());
    EXPECT_EQ(statement.statement->sha256, Sha256Stream::of(made));

    // A version the game could not order is refused before anything is written.
    EXPECT_THROW(InstallerMaker::make(m_folder / "new-program", "1.2.4-beta", testSecretKey(),
                                      m_folder / "other"),
                 std::invalid_argument);
    EXPECT_FALSE(fs::exists(m_folder / "other"));
}

TEST_F(InstallerMakerTest, AFailingInstallerPutsTheOldProgramBackAndSaysWhy) {
    // No room for the new program: a file size limit below its size, as a full disk.
    writeFile(game("bloomzap.BAK"), "old program");
    const pid_t pid = spawn({"/bin/sh", "-c", "ulimit -f 64 && exec \"$@\"", "sh", "/usr/bin/env",
                             "BLOOMZAP_UPDATE_TARGET=" + game("bloomzap").string(),
                             game("bzpsetup.exe").string(), "/SP-", "/silent", "/noicons"},
                            m_folder / "installer.log");
    EXPECT_EQ(exitCode(pid), 1);
    EXPECT_EQ(readFile(game("bloomzap")), "old program");
    EXPECT_EQ(leftovers(), (Names{"bloomzap", "bzpsetup.exe", "bzpsetup.log"}));
    const std::string log = readFile(game("bzpsetup.log"));
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find("cannot unpack the new program"), std::string::npos) << log;
    EXPECT_NE(log.find("the old program was put back"), std::string::npos) << log;
}

TEST_F(InstallerMakerTest, TheNewProgramTakesTheOldOnesPlaceAndTheBackupStays) {
    const struct {
        const char* name;
        std::string program, backup;
        std::vector<std::string> variables, options;
        int exitCode;
    } cases[] = {
        {"named by the updater",
         "game.bin",
         "game.BAK",
         {"BLOOMZAP_UPDATE_TARGET=" + game("game.bin").string(),
          "BLOOMZAP_UPDATE_PID=" + std::to_string(getpid())},
         {"/SP-", "/silent", "/noicons"},
         0},
        {"the program's usual name", "bloomzap", "bloomzap.BAK", {}, {}, 0},
        {"an unknown option", "bloomzap", "bloomzap.BAK", {}, {"/SP-", "/DIR=elsewhere"}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(game(c.backup), "old program");
        EXPECT_EQ(exitCode(startInstaller(c.variables, c.options)), c.exitCode);
        if (c.exitCode == 0) {
            EXPECT_EQ(readFile(game(c.program)), payload);
            EXPECT_EQ(fs::status(game(c.program)).permissions() & fs::perms::owner_exec,
                      fs::perms::owner_exec);
            EXPECT_EQ(leftovers(), (Names{c.backup, "bzpsetup.exe", c.program}));
        } else {
            EXPECT_EQ(leftovers(), (Names{c.backup, "bzpsetup.exe"}));
        }
        EXPECT_EQ(readFile(game(c.backup)), "old program");
        fs::remove(game(c.program));
        fs::remove(game(c.backup));
    }
}

// True once the installer pauses in its wait loop (it has a child "sleep").
bool waitsInItsLoop(pid_t installer) {
    for (int tries = 0; tries < 2000; ++tries) {
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string stat = readFile(entry.path() / "stat");
            const auto close = stat.rfind(") ");
            int parent = 0;
            if (stat.find(" (sleep) ") != std::string::npos && close != std::string::npos &&
                std::sscanf(stat.c_str() + close + 2, "%*c %d", &parent) == 1 &&
                parent == installer) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST_F(InstallerMakerTest, TheInstallerWaitsUntilTheOldProgramHasEnded) {
    // The old program: a copy of sleep running under the backup name.
    fs::copy_file("/bin/sleep", game("bloomzap.BAK"));
    for (const bool named : {true, false}) {
        SCOPED_TRACE(named ? "process named by the updater" : "process found by its file");
        const pid_t old = spawn({game("bloomzap.BAK").string(), "600"}, m_folder / "old.log");
        std::vector<std::string> variables{"BLOOMZAP_UPDATE_TARGET=" + game("bloomzap").string()};
        if (named) {
            variables.push_back("BLOOMZAP_UPDATE_PID=" + std::to_string(old));
        }
        const pid_t pid = startInstaller(variables);
        EXPECT_TRUE(waitsInItsLoop(pid));
        EXPECT_FALSE(fs::exists(game("bloomzap"))) << "replaced while the old program runs";
        ::kill(old, SIGKILL);
        exitCode(old);
        EXPECT_EQ(exitCode(pid), 0);
        EXPECT_EQ(readFile(game("bloomzap")), payload);
        fs::remove(game("bloomzap"));
    }
}

} // namespace
