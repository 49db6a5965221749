// The whole update in a temporary folder: a program that is offered another version clicks
// UPDATE, ends with code 0, and the signed installer from the maker puts the new build in its
// place, keeping the old one as ".BAK".

#include "InstallerMaker.h"
#include "UpdateFakes.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace updatetest;

// Runs program with arguments, its output into a file; the exit code, or -1 when it did not
// end within a minute (it is then killed).
int runProgram(std::vector<std::string> arguments, const fs::path& output) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = 0;
    const bool started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!started) {
        return -1;
    }
    int status = 0;
    for (int tries = 0; tries < 6000; ++tries) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return -1;
}

// Waits up to thirty seconds for file to hold bytes.
bool becomes(const fs::path& file, const std::string& bytes) {
    for (int tries = 0; tries < 3000; ++tries) {
        if (fs::exists(file) && readFile(file) == bytes) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(IntegrationEndToEnd, UpdateReplacesTheProgramWithTheNewBuild) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TempFolder folder;
    const fs::path program = folder / "bloomzap";
    fs::copy_file(BLOOMZAP_E2E_OLD_PROGRAM, program);
    const std::string oldBytes = readFile(program);
    const std::string newBytes = readFile(BLOOMZAP_E2E_NEW_PROGRAM);
    ASSERT_NE(oldBytes, newBytes);

    UpdateServer server(BLOOMZAP_E2E_NEW_VERSION);
    ASSERT_TRUE(server.serving());
    InstallerMaker::make(BLOOMZAP_E2E_NEW_PROGRAM, testSecretKey(), server.updates());

    EXPECT_EQ(runProgram({program.string(), "--update", server.siteRoot()}, folder / "old.out"), 0);
    EXPECT_EQ(readFile(folder / "old.out"), "version " BLOOMZAP_E2E_OLD_VERSION "\n");
    ASSERT_TRUE(becomes(program, newBytes));
    EXPECT_EQ(readFile(folder / "bloomzap.BAK"), oldBytes);
    EXPECT_EQ(runProgram({program.string()}, folder / "new.out"), 0);
    EXPECT_EQ(readFile(folder / "new.out"), "version " BLOOMZAP_E2E_NEW_VERSION "\n");
}

} // namespace
