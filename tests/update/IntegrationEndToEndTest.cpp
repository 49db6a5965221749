// The whole update in a temporary folder: the game, offered another version, clicks UPDATE and
// ends with code 0 without writing its files, and the installer from the maker, with its signed
// statement, puts the new build in its place, keeping the old one as ".BAK"; the new build
// reports its version; the same over https (nginx terminating TLS with a test authority). A
// termination signal during the download leaves the old game in place.

#include "tests/support/DripServer.h"
#include "tests/support/Fakes.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TlsFront.h"
#include "tests/support/UpdateServer.h"
#include "update/InstallerMaker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <set>

namespace {

using namespace testsupport;
using ::testing::HasSubstr;

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

// The version check, the statement and the installer through the site at https or http.
void updateThrough(bool https) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TempDir folder;
    const fs::path program = folder / "bloomzap";
    fs::copy_file(BLOOMZAP_E2E_OLD_PROGRAM, program);
    const std::string oldBytes = readFile(program);
    const std::string newBytes = readFile(BLOOMZAP_E2E_NEW_PROGRAM);
    ASSERT_NE(oldBytes, newBytes);

    UpdateServer server(BLOOMZAP_E2E_NEW_VERSION);
    ASSERT_TRUE(server.serving());
    InstallerMaker::make(BLOOMZAP_E2E_NEW_PROGRAM, BLOOMZAP_E2E_NEW_VERSION, testSecretKey(),
                         server.updates());

    std::optional<testsupport::TlsFront> front;
    std::optional<testsupport::ScopedEnv> trust;
    std::string root = server.siteRoot();
    if (https) {
        front.emplace(std::stoi(root.substr(root.rfind(':') + 1)));
        ASSERT_TRUE(front->running()) << front->log();
        trust.emplace("SSL_CERT_FILE", front->authorityFile());
        root = front->root();
    }
    // The game finds the server through its settings file, as a player's game would.
    const std::string settings = "[bloomzap]\r\nSite=" + root + "\r\n";
    writeFile(folder / "bloomzap.ini", settings);

    EXPECT_EQ(exitCode(spawn({program.string(), "--update"}, folder / "old.out")), 0);
    EXPECT_THAT(readFile(folder / "old.out"), HasSubstr("version " BLOOMZAP_E2E_OLD_VERSION "\n"));
    ASSERT_TRUE(becomes(program, newBytes));
    EXPECT_EQ(readFile(folder / "bloomzap.BAK"), oldBytes);
    // The old program ended at once: settings file untouched, no tally file written.
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder / "")) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"bloomzap", "bloomzap.BAK", "bloomzap.ini",
                                            "bzpsetup.exe", "old.out"}));
    EXPECT_EQ(readFile(folder / "bloomzap.ini"), settings);
    EXPECT_EQ(exitCode(spawn({program.string()}, folder / "new.out")), 0);
    EXPECT_THAT(readFile(folder / "new.out"), HasSubstr("version " BLOOMZAP_E2E_NEW_VERSION "\n"));
}

TEST(IntegrationEndToEnd, UpdateReplacesTheProgramWithTheNewBuild) {
    updateThrough(false);
}

TEST(IntegrationEndToEnd, UpdateOverHttpsReplacesTheProgramWithTheNewBuild) {
    updateThrough(true);
}

TEST(IntegrationEndToEnd, ATerminationSignalDuringTheDownloadLeavesTheProgramInPlace) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        TempDir folder;
        const fs::path program = folder / "bloomzap";
        fs::copy_file(BLOOMZAP_E2E_OLD_PROGRAM, program);
        const std::string oldBytes = readFile(program);
        // A release that never finishes arriving.
        DripServer server({{"/bloomzap/bloomzapversion.txt", BLOOMZAP_E2E_NEW_VERSION},
                           {"/bloomzap/bzpsetup.exe.sig",
                            statementFor(std::string(1 << 20, 'x'), BLOOMZAP_E2E_NEW_VERSION)}},
                          "/bloomzap/bzpsetup.exe", 50);
        writeFile(folder / "bloomzap.ini", "[bloomzap]\r\nSite=" + server.root() + "\r\n");

        const pid_t game = spawn({program.string(), "--update"}, folder / "old.out");
        for (int tries = 0;
             tries < 3000 && !(server.dripping() && fs::exists(folder / "bzpsetup.exe")); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(server.dripping());
        ::kill(game, signal);
        EXPECT_EQ(exitCode(game), 0) << "the game ended as when its window is closed";
        EXPECT_EQ(readFile(program), oldBytes);
        EXPECT_FALSE(fs::exists(folder / "bloomzap.BAK"));
        EXPECT_FALSE(fs::exists(folder / "bzpsetup.exe")) << "no half-downloaded installer";
    }
}

} // namespace
