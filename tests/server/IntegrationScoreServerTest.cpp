// bloomzap-server through real HTTP, apart from storage: the version text, the installer files,
// which methods each path takes, the request log, an over-long request line and start-up errors.

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

TEST_F(IntegrationScoreServer, EachPathTakesItsOwnMethodsAndNoOtherPathIsFound) {
    auto server = start();
    // Status and body; a HEAD's answer has no body.
    const auto ask = [&](const std::string& method, const std::string& target) {
        const auto reply = harness::exchange(server->port(), method + " " + target +
                                                                 " HTTP/1.0\r\nHost: "
                                                                 "127.0.0.1\r\nContent-Length: "
                                                                 "0\r\n\r\n");
        return reply ? std::to_string(reply->status) + " " + reply->body : "no answer";
    };
    const std::string onlyGetAndHead = "405 Only GET and HEAD are answered here.\n";
    EXPECT_EQ(ask("POST", postingTarget("A", "1/5/07", "5")), "405 Scores are posted with GET.\n");
    EXPECT_EQ(ask("HEAD", postingTarget("A", "1/5/07", "5")), "405 ");
    EXPECT_EQ(ask("DELETE", "/bloomzap/ticket"), "405 Tickets are fetched with GET.\n");
    EXPECT_EQ(ask("GET", "/bloomzap/replay"), "405 Game records are sent with POST.\n");
    for (const char* path :
         {"/counter/bloomzap.shtml", "/multiplayer.html", "/", "/bloomzap/bloomzapversion.txt",
          "/bloomzap/bzpsetup.exe", "/no/such/path"}) {
        EXPECT_EQ(ask("PUT", path), onlyGetAndHead) << path;
    }
    // Paths match whole, the query aside.
    EXPECT_EQ(ask("GET", "/counter/bloomzap.shtml?from=game").substr(0, 4), "200 ");
    EXPECT_EQ(ask("HEAD", "/multiplayer.html"), "200 ");
    EXPECT_EQ(ask("GET", "/").substr(0, 4), "200 ");
    EXPECT_EQ(ask("GET", "/bloomzap/bloomzapversion.txt?x"), "200 1.0.0");
    for (const char* path : {"/counter/bloomzap.shtml/", "/cgi-bin/bloomzap.cgi/x?name=A",
                             "/bloomzap/ticketx", "//", "/bloomzap/"}) {
        EXPECT_EQ(ask("GET", path).substr(0, 4), "404 ") << path;
    }
    EXPECT_EQ(ask("HEAD", "/no/such/path"), "404 ");
    // The posting path takes a posting, whose store answer comes back through the wait.
    EXPECT_EQ(ask("GET", postingTarget("A", "1/5/07", "5")), "200 Score received.\n");
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
