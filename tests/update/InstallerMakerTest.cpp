// The installer maker and the installer script it makes: the carried program and its
// signature, the options, where the new program goes, and the wait for the old program.

#include "InstallerMaker.h"
#include "UpdateFakes.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <set>

namespace {

using namespace updatetest;

// Binary bytes, with shell text inside that must never run.
const std::string payload = std::string("\x7f"
                                        "ELF\0\0\nexit 3\n\xff\x00 rm -rf /tmp/x\n",
                                        28) +
                            std::string(70000, '\xaa');

// Starts the installer with the given options and environment additions.
pid_t startInstaller(const fs::path& installer, const std::vector<std::string>& options,
                     const std::vector<std::string>& variables) {
    std::vector<std::string> arguments{installer.string()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** variable = environ; *variable; ++variable) {
        if (std::strncmp(*variable, "BLOOMZAP_", 9) != 0) {
            environment.push_back(*variable);
        }
    }
    environment.insert(environment.end(), variables.begin(), variables.end());
    std::vector<char*> envp;
    for (std::string& variable : environment) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);
    pid_t pid = 0;
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) == 0 ? pid : 0;
}

int exitCode(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A process of the program under the backup name: a copy of sleep, running until killed.
pid_t startOldProgram(const fs::path& backup) {
    fs::copy_file("/bin/sleep", backup, fs::copy_options::overwrite_existing);
    std::string program = backup.string();
    std::string seconds = "600";
    char* argv[] = {program.data(), seconds.data(), nullptr};
    pid_t pid = 0;
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) == 0 ? pid : 0;
}

// True once the installer is pausing in its wait loop (it has a child "sleep").
bool waitsInItsLoop(pid_t installer) {
    for (int tries = 0; tries < 2000; ++tries) {
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string stat = readFile(entry.path() / "stat");
            const auto close = stat.rfind(')');
            if (close == std::string::npos || stat.find("(sleep)") == std::string::npos) {
                continue;
            }
            int parent = 0;
            char state = 0;
            if (std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &parent) == 2 &&
                parent == installer) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class InstallerMakerTest : public ::testing::Test {
protected:
    InstallerMakerTest() {
        writeFile(folder / "new-program", payload);
        InstallerMaker::make(folder / "new-program", testSecretKey(), folder / "updates");
        fs::create_directory(folder / "game");
        fs::copy_file(folder / "updates" / "bzpsetup.exe", installer());
        fs::permissions(installer(), fs::perms::owner_all);
    }
    fs::path installer() const { return folder / "game" / "bzpsetup.exe"; }
    std::set<std::string> leftovers() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder / "game")) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    TempFolder folder;
};

TEST_F(InstallerMakerTest, TheInstallerIsAScriptCarryingTheProgramAndIsSigned) {
    const std::string made = readFile(folder / "updates" / "bzpsetup.exe");
    EXPECT_EQ(made.rfind("#!/bin/sh\n", 0), 0u);
    ASSERT_GT(made.size(), payload.size());
    EXPECT_EQ(made.substr(made.size() - payload.size()), payload);
    EXPECT_TRUE(InstallerSignature::verifyFile(folder / "updates" / "bzpsetup.exe",
                                               readFile(folder / "updates" / "bzpsetup.exe.sig"),
                                               testPublicKey()));
    EXPECT_EQ(InstallerMaker::installer(payload), made);
}

TEST_F(InstallerMakerTest, TheNewProgramTakesTheOldOnesPlaceAndTheBackupStays) {
    const struct {
        const char* name;
        std::string program;
        std::string backup;
        std::vector<std::string> variables;
    } cases[] = {
        {"named by the updater",
         "game.bin",
         "game.BAK",
         {"BLOOMZAP_UPDATE_TARGET=" + (folder / "game" / "game.bin").string(),
          "BLOOMZAP_UPDATE_PID=" + std::to_string(getpid())}},
        {"the program's usual name", "bloomzap", "bloomzap.BAK", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(folder / "game" / c.backup, "old program");
        const pid_t pid = startInstaller(installer(), {"/SP-", "/silent", "/noicons"}, c.variables);
        ASSERT_NE(pid, 0);
        EXPECT_EQ(exitCode(pid), 0);
        EXPECT_EQ(readFile(folder / "game" / c.program), payload);
        EXPECT_EQ(fs::status(folder / "game" / c.program).permissions() & fs::perms::owner_exec,
                  fs::perms::owner_exec);
        EXPECT_EQ(readFile(folder / "game" / c.backup), "old program");
        EXPECT_EQ(leftovers(), (std::set<std::string>{c.backup, "bzpsetup.exe", c.program}));
        fs::remove(folder / "game" / c.program);
        fs::remove(folder / "game" / c.backup);
    }
}

TEST_F(InstallerMakerTest, AnUnknownOptionChangesNothing) {
    writeFile(folder / "game" / "bloomzap", "old program");
    const pid_t pid = startInstaller(installer(), {"/SP-", "/DIR=elsewhere"}, {});
    EXPECT_EQ(exitCode(pid), 2);
    EXPECT_EQ(readFile(folder / "game" / "bloomzap"), "old program");
    EXPECT_EQ(leftovers(), (std::set<std::string>{"bloomzap", "bzpsetup.exe"}));
}

TEST_F(InstallerMakerTest, TheInstallerWaitsUntilTheOldProgramHasEnded) {
    const fs::path program = folder / "game" / "bloomzap";
    for (const bool named : {true, false}) {
        SCOPED_TRACE(named ? "process named by the updater" : "process found by its file");
        const pid_t old = startOldProgram(folder / "game" / "bloomzap.BAK");
        ASSERT_NE(old, 0);
        std::vector<std::string> variables{"BLOOMZAP_UPDATE_TARGET=" + program.string()};
        if (named) {
            variables.push_back("BLOOMZAP_UPDATE_PID=" + std::to_string(old));
        }
        const pid_t pid = startInstaller(installer(), {"/SP-", "/silent", "/noicons"}, variables);
        ASSERT_NE(pid, 0);
        EXPECT_TRUE(waitsInItsLoop(pid));
        EXPECT_FALSE(fs::exists(program)) << "replaced while the old program runs";

        ::kill(old, SIGKILL);
        ::waitpid(old, nullptr, 0);
        EXPECT_EQ(exitCode(pid), 0);
        EXPECT_EQ(readFile(program), payload);
        fs::remove(program);
    }
}

} // namespace
