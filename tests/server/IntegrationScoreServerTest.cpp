// bloomzap-server through real HTTP: postings and ranking, refused values, escaping, the version
// text, the installer files, pages, restarts, SIGTERM under load, the rate limit, start-up errors.

#include "ServerHarness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>

namespace {

using namespace harness;

class IntegrationScoreServer : public ::testing::Test {
protected:
    // Starts a server on a free port over `data`, with the extra arguments.
    std::unique_ptr<ServerProcess> start(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"--listen", "127.0.0.1:0", "--data", data.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        auto server = std::make_unique<ServerProcess>(args);
        EXPECT_TRUE(server->waitServing()) << server->log();
        return server;
    }

    TempDir dir;
    fs::path data = dir / "data";
};

TEST_F(IntegrationScoreServer, PostingsComeBackInRankOrderWithEarlierPostingsFirstOnTies) {
    auto server = start();
    for (const auto& [name, score] : std::vector<std::pair<std::string, std::string>>{
             {"Ann", "100"}, {"Bob", "300"}, {"Cid", "100"}, {"Dee", "300"}, {"Eve", "50"}}) {
        ASSERT_EQ(post(server->port(), name, score), 200);
    }
    const std::string html = page(server->port());
    EXPECT_EQ(tableRows(html), (std::vector<Row>{{1, "Bob", "1/5/07", 300},
                                                 {2, "Dee", "1/5/07", 300},
                                                 {3, "Ann", "1/5/07", 100},
                                                 {4, "Cid", "1/5/07", 100},
                                                 {5, "Eve", "1/5/07", 50}}));
    EXPECT_EQ(postedTotal(html), 5);
}

TEST_F(IntegrationScoreServer, TheHighScorePageShowsTheBestHundredOfAll) {
    auto server = start({"--post-limit", "0"});
    for (int i = 1; i <= 105; ++i) {
        ASSERT_EQ(post(server->port(), "P" + std::to_string(i), std::to_string(i)), 200);
    }
    const std::string html = page(server->port());
    const auto rows = tableRows(html);
    ASSERT_EQ(rows.size(), 100u);
    EXPECT_EQ(rows.front(), (Row{1, "P105", "1/5/07", 105}));
    EXPECT_EQ(rows.back(), (Row{100, "P6", "1/5/07", 6}));
    EXPECT_EQ(postedTotal(html), 105);
}

TEST_F(IntegrationScoreServer, NamesAreEscapedOnEveryPageThatShowsThem) {
    auto server = start();
    ASSERT_EQ(post(server->port(), "%3Cb%3E%26%22x", "10"), 200);
    for (const char* target : {"/counter/bloomzap.shtml", "/multiplayer.html"}) {
        const std::string html = page(server->port(), target);
        EXPECT_NE(html.find("&lt;b&gt;&amp;&quot;x"), std::string::npos) << target;
        EXPECT_EQ(html.find("<b>&\"x"), std::string::npos) << target;
    }
}

TEST_F(IntegrationScoreServer, RefusedPostingsGet400AndAreNotStored) {
    auto server = start({"--post-limit", "0"});
    const std::string name33(33, 'n');
    const struct {
        std::string query;
        std::string why;
    } refused[] = {
        {"date=1/5/07&score=5", "all needed"},
        {"name=&date=1/5/07&score=5", "name must be 1 to 32"},
        {"name=" + name33 + "&date=1/5/07&score=5", "name must be 1 to 32"},
        {"name=a%01b&date=1/5/07&score=5", "control"},
        {"name=a%7Fb&date=1/5/07&score=5", "control"},
        {"name=a%C2%85b&date=1/5/07&score=5", "control"},
        {"name=%20%20&date=1/5/07&score=5", "blank"},
        {"name=Bob&date=&score=5", "date must be 1 to 10"},
        {"name=Bob&date=12/31/2007x&score=5", "date must be 1 to 10"},
        {"name=Bob&date=1/5/07&score=-1", "whole number"},
        {"name=Bob&date=1/5/07&score=2147483648", "whole number"},
        {"name=Bob&date=1/5/07&score=12a", "whole number"},
        {"name=Bob&date=1/5/07&score=", "whole number"},
        {"name=Bob&date=1/5/07&score=%2B5", "whole number"},
        {"name=Bob&name=Al&date=1/5/07&score=5", "twice"},
        {"name=Bob&date=1/5/07&score=5&x=1", "Unknown"},
        {"name=B%4&date=1/5/07&score=5", "escape"},
        {"name=Bob&date=1/5/07&score", "Expected"},
        {"", "Expected"},
    };
    for (const auto& [query, why] : refused) {
        const auto reply = get(server->port(), "/cgi-bin/bloomzap.cgi?" + query);
        ASSERT_TRUE(reply) << query;
        EXPECT_EQ(reply->status, 400) << query;
        EXPECT_NE(reply->body.find(why), std::string::npos) << query << ": " << reply->body;
    }
    EXPECT_EQ(postedTotal(page(server->port())), 0);
}

TEST_F(IntegrationScoreServer, AcceptedPostingsAreShownAsTheGameMeantThem) {
    auto server = start({"--post-limit", "0"});
    const struct {
        std::string name, date, score;
        std::string shownName;
    } accepted[] = {
        {std::string(32, 'n'), "1/5/07", "2147483647", std::string(32, 'n')},
        {"Bj%C3%B6rn", "1.5.07", "3", "Björn"},          // UTF-8 stays
        {"Ren%E9", "1-5-07", "2", "René"},               // Latin-1 becomes UTF-8
        {"a%20b%2Bc%3D%23", "12/31/07", "1", "a b+c=#"}, // escaped by the game
        {"x+y", "1/5/07", "0", "x+y"},                   // a literal plus stays a plus
    };
    for (const auto& a : accepted) {
        ASSERT_EQ(post(server->port(), a.name, a.score, a.date), 200) << a.name;
    }
    const auto rows = tableRows(page(server->port()));
    ASSERT_EQ(rows.size(), std::size(accepted));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].name, accepted[i].shownName);
        EXPECT_EQ(rows[i].date, accepted[i].date);
        EXPECT_EQ(std::to_string(rows[i].score), accepted[i].score);
    }
}

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
    const fs::path updates = dir / "updates";
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

TEST_F(IntegrationScoreServer, EveryPageAnswersAndUnknownPathsGet404WithHtml) {
    auto server = start({"--post-limit", "0"});
    for (int i = 1; i <= 12; ++i) {
        ASSERT_EQ(post(server->port(), i == 12 ? "%3Ci%3ETop" : "N" + std::to_string(i),
                       std::to_string(i * 10)),
                  200);
    }
    const auto home = get(server->port(), "/");
    ASSERT_TRUE(home);
    EXPECT_EQ(home->status, 200);
    EXPECT_NE(home->body.find("href=\"counter/bloomzap.shtml\""), std::string::npos);

    const auto rows = tableRows(page(server->port(), "/multiplayer.html"));
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows.front(), (Row{1, "&lt;i&gt;Top", "1/5/07", 120}));
    EXPECT_EQ(rows.back(), (Row{10, "N3", "1/5/07", 30}));

    for (const char* target : {"/nothing", "/counter/other.shtml", "/cgi-bin/other.cgi"}) {
        const auto missing = get(server->port(), target);
        ASSERT_TRUE(missing) << target;
        EXPECT_EQ(missing->status, 404) << target;
        EXPECT_NE(missing->body.find("<html>"), std::string::npos) << target;
    }
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

TEST_F(IntegrationScoreServer, PostingsAreKeptAcrossARestart) {
    auto first = start();
    ASSERT_EQ(post(first->port(), "Keeper", "77"), 200);
    ASSERT_EQ(first->stop(SIGINT), 0);
    auto second = start();
    EXPECT_EQ(tableRows(page(second->port())), (std::vector<Row>{{1, "Keeper", "1/5/07", 77}}));
}

TEST_F(IntegrationScoreServer, EveryAnsweredPostingSurvivesASigtermUnderLoad) {
    auto server = start({"--post-limit", "0"});
    std::atomic<int> answered{0};
    std::atomic<bool> stopping{false};
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; !stopping; ++i) {
                const int status = post(server->port(), "T" + std::to_string(t), std::to_string(i));
                if (status == 200) {
                    ++answered;
                } else if (status == 0) {
                    return; // the server is gone
                }
            }
        });
    }
    while (answered < 200) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const int exitCode = server->stop(SIGTERM);
    stopping = true;
    for (auto& t : posters) {
        t.join();
    }
    EXPECT_EQ(exitCode, 0);
    auto again = start();
    EXPECT_EQ(postedTotal(page(again->port())), answered.load());
}

TEST_F(IntegrationScoreServer, MoreThanTheLimitOfPostingsAMinuteFromOneAddressGet429) {
    for (const auto& [limit, allowed] :
         {std::pair{"", 10}, std::pair{"3", 3}, std::pair{"0", 15}}) {
        TempDir own;
        std::vector<std::string> args{"--listen", "127.0.0.1:0", "--data", (own / "d").string()};
        if (*limit != '\0') {
            args.insert(args.end(), {"--post-limit", limit});
        }
        ServerProcess server(args);
        ASSERT_TRUE(server.waitServing());
        for (int i = 0; i < allowed; ++i) {
            ASSERT_EQ(post(server.port(), "R", std::to_string(i)), 200) << limit << " " << i;
        }
        if (std::string(limit) != "0") {
            const auto refused = get(server.port(), postingTarget("R", "1/5/07", "99"));
            EXPECT_EQ(refused->status, 429) << limit;
            EXPECT_NE(refused->headers.find("Retry-After: 60"), std::string::npos);
        }
        EXPECT_EQ(postedTotal(page(server.port())), allowed) << limit;
    }
}

TEST_F(IntegrationScoreServer, StartUpErrorsEndWithCode2AndCreateNothing) {
    auto running = start();
    const fs::path file = dir / "plain-file";
    std::ofstream(file) << "x";
    const struct {
        std::vector<std::string> args;
        fs::path mustNotExist;
        std::string message;
    } cases[] = {
        {{"--listen", "127.0.0.1:" + std::to_string(running->port()), "--data",
          (dir / "other").string()},
         dir / "other",
         "cannot listen"},
        {{"--listen", "127.0.0.1:0", "--data", (file / "sub").string()}, file / "sub", "data"},
        {{"--listen", "127.0.0.1:0"}, {}, "--data"},
        {{"--listen", "127.0.0.1:0", "--data", data.string(), "--post-limit", "x"},
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
