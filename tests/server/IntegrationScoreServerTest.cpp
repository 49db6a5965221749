// bloomzap-server through real HTTP, apart from storage: the version text, the installer files,
// the request log, an over-long request line and start-up errors.

#include "tests/server/ServerHarness.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using namespace harness;

class IntegrationScoreServer : public SqliteServerTest {};

TEST_F(IntegrationScoreServer, TheVersionTextIsServedByteForByte) {
    for (const std::string text : {"", "1.0.0", "2.0.0-beta\n"}) {
        auto server = text.empty() ? start() : start({"--version-text", text});
        const auto reply = get(server->port(), "/bloomzap/bloomzapversion.txt");
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 200);
        EXPECT_EQ(reply->body, text.empty() ? "1.0.0" : text);
    }
}

TEST_F(IntegrationScoreServer, TheInstallerAndItsSignatureComeFromTheUpdatesFolder) {
    const fs::path updates = m_dir / "updates";
    fs::create_directories(updates);
    std::string installer = "#!/bin/sh\n";
    installer += std::string("\0\1\2\xff", 4) + std::string(100000, 'x');
    std::ofstream(updates / "bzpsetup.exe", std::ios::binary) << installer;
    {
        auto server = start({"--updates", updates.string()});
        const auto exe = get(server->port(), "/bloomzap/bzpsetup.exe");
        ASSERT_TRUE(exe);
        EXPECT_EQ(exe->status, 200);
        EXPECT_EQ(exe->body, installer);
        EXPECT_EQ(get(server->port(), "/bloomzap/bzpsetup.exe.sig")->status, 404);
        std::ofstream(updates / "bzpsetup.exe.sig", std::ios::binary) << std::string(64, '\x5a');
        const auto sig = get(server->port(), "/bloomzap/bzpsetup.exe.sig");
        EXPECT_EQ(sig->status, 200);
        EXPECT_EQ(sig->body, std::string(64, '\x5a'));
        EXPECT_EQ(get(server->port(), "/bloomzap/other.exe")->status, 404);
    }
    auto withoutUpdates = start();
    EXPECT_EQ(get(withoutUpdates->port(), "/bloomzap/bzpsetup.exe")->status, 404);
}

TEST_F(IntegrationScoreServer, EachRequestIsLoggedInTheCommonLogFormat) {
    auto server = start();
    ASSERT_TRUE(get(server->port(), "/bloomzap/bloomzapversion.txt"));
    ASSERT_EQ(server->stop(SIGTERM), 0);
    EXPECT_TRUE(std::regex_search(
        server->log(),
        std::regex(
            R"(\n127\.0\.0\.1 - - \[\d\d/[A-Z][a-z]{2}/\d{4}:\d\d:\d\d:\d\d [+-]\d{4}\] "GET /bloomzap/bloomzapversion\.txt HTTP/1\.0" 200 5\n)")))
        << server->log();
}

TEST_F(IntegrationScoreServer, ARequestLineOverEightKibibytesIsRefused) {
    auto server = start();
    const auto reply = get(server->port(), postingTarget(std::string(8200, 'a'), "1/5/07", "5"));
    ASSERT_TRUE(reply);
    EXPECT_GE(reply->status, 400);
    EXPECT_EQ(postedTotal(page(server->port())), 0);
}

TEST_F(IntegrationScoreServer, StartUpErrorsEndWithCode2AndCreateNothing) {
    auto running = start();
    const fs::path file = m_dir / "plain-file";
    std::ofstream(file) << "x";
    const struct {
        std::vector<std::string> args;
        fs::path mustNotExist;
        std::string message;
    } cases[] = {
        {{"--listen", "127.0.0.1:" + std::to_string(running->port()), "--data",
          (m_dir / "other").string()},
         m_dir / "other",
         "cannot listen"},
        {{"--listen", "127.0.0.1:0", "--data", (file / "sub").string()}, file / "sub", "data"},
        {{"--listen", "127.0.0.1:0", "--database",
          "postgresql://nobody@/none?host=" + (m_dir / "no-socket").string()},
         {},
         "PostgreSQL"},
        {{"--listen", "127.0.0.1:0"}, {}, "--data"},
        {{"--listen", "127.0.0.1:0", "--data", m_data.string(), "--post-limit", "x"},
         {},
         "--post-limit"},
    };
    for (const auto& c : cases) {
        ServerProcess failing(c.args);
        EXPECT_FALSE(failing.waitServing());
        EXPECT_EQ(failing.stop(0), 2);
        EXPECT_NE(failing.log().find(c.message), std::string::npos) << failing.log();
        if (!c.mustNotExist.empty()) {
            EXPECT_FALSE(fs::exists(c.mustNotExist)) << c.mustNotExist;
        }
    }
}

} // namespace
