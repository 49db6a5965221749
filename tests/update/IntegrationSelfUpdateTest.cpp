// UPDATE against the real bloomzap-server with a signed installer from the maker: started when
// it verifies, refused when it or its signature was changed, "Download Aborted" for a missing
// installer or an unknown host.

#include "InstallerMaker.h"
#include "UpdateFakes.h"
#include "update/SelfUpdate.h"

#include <gtest/gtest.h>

namespace {

using namespace updatetest;

const std::string oldProgram = "old program";

class IntegrationSelfUpdate : public ::testing::Test {
protected:
    IntegrationSelfUpdate() {
        writeFile(program(), oldProgram);
        writeFile(folder / "new-bloomzap", "new program\n");
    }

    // Runs UPDATE against siteRoot to its end.
    void runUpdate(const std::string& siteRoot) {
        SelfUpdate update(screen, fetch, download, process, siteRoot, testPublicKey());
        update.button_updateyesClick(program());
        download.finishAll();
    }
    void makeInstaller() {
        InstallerMaker::make(folder / "new-bloomzap", testSecretKey(), server.updates());
    }
    fs::path program() const { return folder / "bloomzap"; }
    fs::path installer() const { return folder / "bzpsetup.exe"; }
    fs::path served() const { return server.updates() / "bzpsetup.exe"; }

    TempFolder folder;
    UpdateServer server{"1.0.1"};
    RecordingScreen screen;
    RecordingFetch fetch;
    BlockingDownloader download;
    RecordingProcess process;
};

TEST_F(IntegrationSelfUpdate, ASignedInstallerIsDownloadedAndStarted) {
    ASSERT_TRUE(server.serving());
    makeInstaller();
    runUpdate(server.siteRoot());
    ASSERT_TRUE(process.started);
    EXPECT_TRUE(process.exited);
    EXPECT_EQ(readFile(installer()), readFile(served()));
    EXPECT_EQ(readFile(folder / "bloomzap.BAK"), oldProgram);
    EXPECT_EQ(screen.log.back(), "status Installing");
}

TEST_F(IntegrationSelfUpdate, AChangedInstallerOrSignatureIsRefused) {
    ASSERT_TRUE(server.serving());
    const std::string refused = "message There was an error in the update process. Please "
                                "download BLOOMZAP manually from " +
                                server.siteRoot() + ".";
    const struct {
        const char* name;
        fs::path file;
        std::size_t at;
    } cases[] = {
        {"installer", "bzpsetup.exe", 200},
        {"signature", "bzpsetup.exe.sig", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        makeInstaller();
        std::string bytes = readFile(server.updates() / c.file);
        bytes[c.at] ^= 1;
        writeFile(server.updates() / c.file, bytes);
        screen.log.clear();
        runUpdate(server.siteRoot());
        EXPECT_EQ(screen.log.back(), refused);
        EXPECT_FALSE(process.started);
        EXPECT_FALSE(fs::exists(installer()));
        EXPECT_EQ(readFile(program()), oldProgram);
    }
}

TEST_F(IntegrationSelfUpdate, AMissingInstallerOrUnknownHostEndsInDownloadAborted) {
    ASSERT_TRUE(server.serving());
    std::string notFoundPage;
    HttpDownload().run(server.siteRoot() + "bloomzap/bzpsetup.exe",
                       [&](const char* data, std::size_t size) {
                           notFoundPage.append(data, size);
                           return true;
                       });
    ASSERT_NE(notFoundPage.find("Not found"), std::string::npos);
    const struct {
        const char* name;
        std::string siteRoot;
        std::string left;
    } cases[] = {
        {"not found", server.siteRoot(), notFoundPage},
        {"unknown host", "http://bloomzap-update.invalid/", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        screen.log.clear();
        runUpdate(c.siteRoot);
        EXPECT_EQ(screen.log.back(), "status Download Aborted");
        EXPECT_EQ(readFile(installer()), c.left);
        EXPECT_EQ(readFile(program()), oldProgram);
        EXPECT_FALSE(fs::exists(folder / "bloomzap.BAK"));
    }
}

} // namespace
