// Postings through real HTTP on both stores (SQLite and a throwaway PostgreSQL cluster): ranking
// and ties, refused and accepted values, escaping, pages, restarts, SIGTERM under load, the rate
// limit; on PostgreSQL also two processes on one database, a database killed under load and a
// stop while it hangs.

#include "tests/server/ServerHarness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace {

using namespace harness;

class IntegrationScoreStore : public ::testing::TestWithParam<Backend>, protected StoreFixture {
protected:
    void SetUp() override {
        std::string why;
        if (!prepare(GetParam(), why)) {
            GTEST_SKIP() << why;
        }
    }
};

INSTANTIATE_TEST_SUITE_P(Stores, IntegrationScoreStore,
                         ::testing::Values(Backend::sqlite, Backend::postgresql), backendName);

TEST_P(IntegrationScoreStore, PostingsComeBackInRankOrderWithEarlierPostingsFirstOnTies) {
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

TEST_P(IntegrationScoreStore, TheHighScorePageShowsTheBestHundredOfAll) {
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

TEST_P(IntegrationScoreStore, NamesAreEscapedOnEveryPageThatShowsThem) {
    auto server = start();
    ASSERT_EQ(post(server->port(), "%3Cb%3E%26%22x", "10"), 200);
    for (const char* target : {"/counter/bloomzap.shtml", "/multiplayer.html"}) {
        const std::string html = page(server->port(), target);
        EXPECT_NE(html.find("&lt;b&gt;&amp;&quot;x"), std::string::npos) << target;
        EXPECT_EQ(html.find("<b>&\"x"), std::string::npos) << target;
    }
}

TEST_P(IntegrationScoreStore, RefusedPostingsGet400AndAreNotStored) {
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
        {"name=%E3%80%80&date=1/5/07&score=5", "blank"}, // ideographic space
        {"name=%A0%20%A0&date=1/5/07&score=5", "blank"}, // Latin-1 no-break spaces
        {"name=%E2%80%82%E2%80%A8&date=1/5/07&score=5", "blank"},
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

TEST_P(IntegrationScoreStore, AcceptedPostingsAreShownAsTheGameMeantThem) {
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

TEST_P(IntegrationScoreStore, PostingsAreKeptAcrossARestart) {
    auto server = start();
    ASSERT_EQ(post(server->port(), "Keeper", "77"), 200);
    ASSERT_EQ(server->stop(SIGINT), 0);
    ASSERT_TRUE(server->restart()) << server->log();
    EXPECT_EQ(tableRows(page(server->port())), (std::vector<Row>{{1, "Keeper", "1/5/07", 77}}));
}

TEST_P(IntegrationScoreStore, EveryAnsweredPostingSurvivesASigtermUnderLoad) {
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
    ASSERT_TRUE(server->restart()) << server->log();
    EXPECT_EQ(postedTotal(page(server->port())), answered.load());
}

TEST_P(IntegrationScoreStore, AnAnsweredPostingSurvivesASigkillAtOnceAfterItsAnswer) {
    auto server = start({"--post-limit", "0"});
    std::mutex mutex;
    std::vector<std::string> answered;
    std::atomic<bool> killed{false};
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; !killed; ++i) {
                const std::string name = "S" + std::to_string(t) + "x" + std::to_string(i);
                if (post(server->port(), name, std::to_string(i)) == 200) {
                    const std::lock_guard lock(mutex);
                    answered.push_back(name);
                    if (answered.size() == 150) {
                        server->stop(SIGKILL);
                        killed = true;
                    }
                }
            }
        });
    }
    for (auto& t : posters) {
        t.join();
    }
    ASSERT_TRUE(server->restart()) << server->log();
    const std::string html = page(server->port());
    EXPECT_GE(postedTotal(html), static_cast<long>(answered.size()));
    if (GetParam() == Backend::postgresql) {
        const std::string all = "\n" + m_cluster.query("SELECT name FROM postings");
        for (const std::string& name : answered) {
            EXPECT_NE(all.find("\n" + name + "\n"), std::string::npos)
                << name << " was answered but lost";
        }
    }
}

TEST_P(IntegrationScoreStore, GroupCommitKeepsTheOrderAndTheRateLimit) {
    auto server = start({"--trust-proxy", "127.0.0.1", "--post-limit", "5"});
    // Twelve clients post at once from one address: exactly five are taken.
    std::atomic<int> taken{0};
    std::atomic<int> limited{0};
    std::vector<std::thread> crowd;
    for (int t = 0; t < 12; ++t) {
        crowd.emplace_back([&, t] {
            const auto reply = get(server->port(), postingTarget("Crowd", "1/5/07", "1"),
                                   "X-Real-IP: 198.51.100.1\r\n");
            (reply && reply->status == 200 ? taken : limited) += 1;
            (void)t;
        });
    }
    for (auto& t : crowd) {
        t.join();
    }
    EXPECT_EQ(taken, 5);
    EXPECT_EQ(limited, 7);
    // Eight clients, each from its own address, post eight equal scores one after another while
    // the others do the same: each gets five in, and they rank in the order they were posted.
    std::vector<std::thread> clients;
    std::vector<std::vector<int>> statuses(8);
    for (int t = 0; t < 8; ++t) {
        clients.emplace_back([&, t] {
            for (int i = 0; i < 8; ++i) {
                statuses[t].push_back(
                    get(server->port(),
                        postingTarget("C" + std::to_string(t) + "n" + std::to_string(i), "1/5/07",
                                      "100"),
                        "X-Real-IP: 192.0.2." + std::to_string(10 + t) + "\r\n")
                        ->status);
            }
        });
    }
    for (auto& t : clients) {
        t.join();
    }
    for (int t = 0; t < 8; ++t) {
        EXPECT_EQ(statuses[t], (std::vector<int>{200, 200, 200, 200, 200, 429, 429, 429})) << t;
    }
    const auto rows = tableRows(page(server->port()));
    ASSERT_EQ(rows.size(), 45u);
    std::map<char, int> next; // client -> the posting it should show next
    for (std::size_t r = 0; r < 40; ++r) {
        const std::string& name = rows[r].name;
        ASSERT_EQ(name.size(), 4u) << name;
        EXPECT_EQ(name[3] - '0', next[name[1]]++) << "out of order: " << name;
    }
}

TEST_P(IntegrationScoreStore, MoreThanTheLimitOfPostingsAMinuteFromOneAddressGet429) {
    // Each case posts from its own address, given by a trusted proxy header; the last one sends
    // a new header each time to a server that does not trust it, and is limited all the same.
    const struct {
        std::vector<std::string> args;
        int allowed;
        bool limited;
        bool spoofing;
    } cases[] = {
        {{"--trust-proxy", "127.0.0.1"}, 10, true, false},
        {{"--trust-proxy", "127.0.0.1", "--post-limit", "3"}, 3, true, false},
        {{"--trust-proxy", "127.0.0.1", "--post-limit", "0"}, 15, false, false},
        {{"--post-limit", "2"}, 2, true, true},
    };
    long total = 0;
    int client = 0;
    for (const auto& c : cases) {
        auto server = start(c.args);
        ++client;
        const auto from = [&](int i) {
            return "X-Real-IP: 192.0.2." + std::to_string(c.spoofing ? 100 + i : client) + "\r\n";
        };
        for (int i = 0; i < c.allowed; ++i) {
            const auto reply = get(server->port(), postingTarget("R", "1/5/07", "5"), from(i));
            ASSERT_EQ(reply->status, 200) << client << " " << i;
        }
        if (c.limited) {
            const auto refused =
                get(server->port(), postingTarget("R", "1/5/07", "99"), from(c.allowed));
            EXPECT_EQ(refused->status, 429) << client;
            EXPECT_NE(refused->headers.find("Retry-After: 60"), std::string::npos);
        }
        total += c.allowed;
        EXPECT_EQ(postedTotal(page(server->port())), total) << client;
    }
}

TEST_P(IntegrationScoreStore, EveryPageAnswersAndUnknownPathsGet404WithHtml) {
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

class IntegrationPostgres : public ::testing::Test, protected StoreFixture {
protected:
    void SetUp() override {
        std::string why;
        if (!prepare(Backend::postgresql, why)) {
            GTEST_SKIP() << why;
        }
    }
};

TEST_F(IntegrationPostgres, APostingToOneProcessShowsOnTheOtherProcesssPage) {
    auto a = start();
    auto b = start();
    ASSERT_EQ(postedTotal(page(b->port())), 0); // b has rendered its page once
    ASSERT_EQ(post(a->port(), "Shared", "42"), 200);
    std::vector<Row> rows;
    for (int i = 0; i < 1000 && rows.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        rows = tableRows(page(b->port()));
    }
    EXPECT_EQ(rows, (std::vector<Row>{{1, "Shared", "1/5/07", 42}}));
}

TEST_F(IntegrationPostgres, TheRateLimitHoldsAcrossProcesses) {
    auto a = start({"--post-limit", "3"});
    auto b = start({"--post-limit", "3"});
    EXPECT_EQ(post(a->port(), "R", "1"), 200);
    EXPECT_EQ(post(b->port(), "R", "2"), 200);
    EXPECT_EQ(post(a->port(), "R", "3"), 200);
    EXPECT_EQ(post(b->port(), "R", "4"), 429);
    EXPECT_EQ(post(a->port(), "R", "5"), 429);

    // Crowds from one address at both processes at once, their batches in flight together:
    // exactly the limit is taken in all.
    auto c = start({"--post-limit", "5", "--trust-proxy", "127.0.0.1"});
    auto d = start({"--post-limit", "5", "--trust-proxy", "127.0.0.1"});
    std::atomic<int> taken{0};
    std::atomic<int> limited{0};
    std::vector<std::thread> crowd;
    for (int t = 0; t < 24; ++t) {
        crowd.emplace_back([&, t] {
            const auto reply = get((t % 2 == 0 ? c : d)->port(), postingTarget("S", "1/5/07", "1"),
                                   "X-Real-IP: 198.51.100.7\r\n");
            (reply && reply->status == 200 ? taken : limited) += 1;
        });
    }
    for (auto& t : crowd) {
        t.join();
    }
    EXPECT_EQ(taken, 5);
    EXPECT_EQ(limited, 19);
    EXPECT_EQ(m_cluster.query("SELECT count(*) FROM postings WHERE address = '198.51.100.7'"),
              "5\n");

    // The window slides: once the address's postings are a minute old it may post again.
    const auto postFrom = [&](ServerProcess& server) {
        const auto reply =
            get(server.port(), postingTarget("S", "1/5/07", "2"), "X-Real-IP: 198.51.100.7\r\n");
        return reply ? reply->status : 0;
    };
    EXPECT_EQ(postFrom(*c), 429);
    m_cluster.query("UPDATE posting_rate SET stamps = ARRAY(SELECT s - 61000 FROM unnest(stamps)"
                    " AS s) WHERE address = '198.51.100.7'");
    EXPECT_EQ(postFrom(*d), 200);
    EXPECT_EQ(postFrom(*c), 200);
    // An address quiet for a minute is forgotten.
    m_cluster.query("UPDATE posting_rate SET stamps = ARRAY(SELECT s - 61000 FROM unnest(stamps)"
                    " AS s) WHERE address = '198.51.100.7'");
    std::string left = "1\n";
    for (int i = 0; i < 100 && left != "0\n"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        left = m_cluster.query("SELECT count(*) FROM posting_rate WHERE address = '198.51.100.7'");
    }
    EXPECT_EQ(left, "0\n");
    EXPECT_EQ(postFrom(*d), 200);
}

TEST_F(IntegrationPostgres, TheSchemaIsMadeOnceAndADatabaseOfANewerServerIsRefused) {
    auto server = start();
    ASSERT_TRUE(server->restart()); // a second start finds the schema and keeps it
    server->stop();
    // One row per version made, each made once.
    EXPECT_EQ(m_cluster.query("SELECT version FROM bloomzap_schema ORDER BY version"),
              "1\n2\n3\n4\n");
    m_cluster.query("INSERT INTO bloomzap_schema (version) VALUES (5)");
    ServerProcess newer({"--listen", "127.0.0.1:0", "--database", m_cluster.uri()});
    EXPECT_FALSE(newer.waitServing());
    EXPECT_EQ(newer.stop(0), 2);
    EXPECT_NE(newer.log().find("newer server"), std::string::npos) << newer.log();
}

TEST_F(IntegrationPostgres, AKilledDatabaseGives503sAndNoPostingIsLostOrDoubled) {
    auto a = start({"--post-limit", "0"});
    auto b = start({"--post-limit", "0"});
    std::mutex mutex;
    std::map<std::string, int> statusOf; // "name score" -> status
    std::atomic<int> stored{0};
    std::atomic<int> unavailable{0};
    std::atomic<bool> stopping{false};
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t) {
        posters.emplace_back([&, t] {
            const int port = (t % 2 == 0 ? a : b)->port();
            for (int i = 0; !stopping; ++i) {
                const std::string name = "K" + std::to_string(t);
                const int status = post(port, name, std::to_string(i));
                (status == 200 ? stored : unavailable) += status == 200 || status == 503;
                const std::lock_guard lock(mutex);
                statusOf[name + " " + std::to_string(i)] = status;
            }
        });
    }
    // Bounded waits, so a broken server fails the test instead of hanging it.
    const auto waitFor = [](const std::function<bool()>& done) {
        for (int i = 0; i < 3000 && !done(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return done();
    };
    EXPECT_TRUE(waitFor([&] { return stored >= 100; }));
    m_cluster.kill();
    EXPECT_TRUE(waitFor([&] { return unavailable >= 20; }));
    std::string why;
    ASSERT_TRUE(m_cluster.start(why));
    const int storedBefore = stored;
    EXPECT_TRUE(waitFor([&] { return stored >= storedBefore + 100; }));
    stopping = true;
    for (auto& t : posters) {
        t.join();
    }

    std::map<std::string, int> copies;
    std::istringstream rows(m_cluster.query("SELECT name || ' ' || score FROM postings"));
    for (std::string row; std::getline(rows, row);) {
        ++copies[row];
    }
    for (const auto& [posting, count] : copies) {
        EXPECT_EQ(count, 1) << posting << " is stored more than once";
    }
    for (const auto& [posting, status] : statusOf) {
        EXPECT_TRUE(status == 200 || status == 503) << posting << ": " << status;
        if (status == 200) {
            EXPECT_EQ(copies.count(posting), 1u) << posting << " was answered but is lost";
        }
    }
}

TEST_F(IntegrationPostgres, AStoppedDatabaseLeavesTheServerAnsweringAndItRecovers) {
    auto server = start({"--post-limit", "0"});
    ASSERT_EQ(post(server->port(), "Before", "50"), 200);
    ASSERT_EQ(tableRows(page(server->port())).size(), 1u); // rendered once
    ASSERT_EQ(post(server->port(), "Later", "40"), 200);   // so the copy is out of date
    const PgCluster::Hang hung(m_cluster);

    const auto version = get(server->port(), "/bloomzap/bloomzapversion.txt");
    ASSERT_TRUE(version);
    EXPECT_EQ(version->status, 200);
    EXPECT_EQ(version->body, "1.0.0");
    const auto stale = get(server->port(), "/counter/bloomzap.shtml");
    ASSERT_TRUE(stale);
    EXPECT_EQ(stale->status, 200);
    EXPECT_EQ(tableRows(stale->body), (std::vector<Row>{{1, "Before", "1/5/07", 50}}));
    for (int i = 0; i < 3; ++i) {
        const auto refused = get(server->port(), postingTarget("During", "1/5/07", "30"));
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 503);
        EXPECT_NE(refused->headers.find("Retry-After: "), std::string::npos);
    }

    m_cluster.signalAll(SIGCONT);
    int status = 0;
    for (int i = 0; i < 100 && status != 200; ++i) {
        status = post(server->port(), "After", "20");
        if (status != 200) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    EXPECT_EQ(status, 200);
    std::vector<Row> rows;
    for (int i = 0; i < 100 && rows.size() != 3; ++i) {
        rows = tableRows(page(server->port()));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(rows, (std::vector<Row>{{1, "Before", "1/5/07", 50},
                                      {2, "Later", "1/5/07", 40},
                                      {3, "After", "1/5/07", 20}}));
}

// A plain HTTP/1.0 GET of `target`.
std::string plainGet(const std::string& target) {
    return "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
}

// A connection the server has taken, proven by one keep-alive exchange on it; -1 on failure.
int takenConnection(int port) {
    const int fd = connectFrom(port);
    const std::string request =
        "GET /bloomzap/bloomzapversion.txt HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    if (fd >= 0 && send(fd, request.data(), request.size(), MSG_NOSIGNAL) > 0 &&
        testsupport::readReply(fd).rfind("HTTP/1.1 200", 0) == 0) {
        return fd;
    }
    close(fd);
    return -1;
}

TEST_F(IntegrationPostgres, AStopFinishesWhatIsUnderWayAndAnswersWhatComesMeanwhile) {
    const fs::path updates = m_dir / "updates";
    fs::create_directories(updates);
    constexpr std::uintmax_t installerBytes = 64 << 20; // more than the sockets between us hold
    std::ofstream(updates / "bzpsetup.exe").close();
    fs::resize_file(updates / "bzpsetup.exe", installerBytes);
    auto server = start({"--post-limit", "0", "--updates", updates.string()});
    ASSERT_EQ(post(server->port(), "Before", "50"), 200);
    ASSERT_EQ(tableRows(page(server->port())).size(), 1u); // rendered once
    ASSERT_EQ(post(server->port(), "Later", "40"), 200);   // so that copy is out of date
    const int forPosting = takenConnection(server->port());
    const int forPage = takenConnection(server->port());
    ASSERT_GE(forPosting, 0);
    ASSERT_GE(forPage, 0);
    // A download under way, its head read: the stop waits for the rest.
    const int download = connectFrom(server->port());
    const std::string fetch = plainGet("/bloomzap/bzpsetup.exe");
    send(download, fetch.data(), fetch.size(), MSG_NOSIGNAL);
    std::string downloaded;
    char buffer[4096];
    for (ssize_t n = 1; n > 0 && downloaded.find("\r\n\r\n") == std::string::npos;) {
        n = recv(download, buffer, sizeof buffer, 0);
        downloaded.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    }
    ASSERT_EQ(downloaded.rfind("HTTP/1.1 200", 0), 0u) << downloaded;
    // The database hangs as well, so nothing that waits for it may hold the stop.
    const PgCluster::Hang hung(m_cluster);

    server->signal(SIGTERM);
    const std::string version = plainGet("/bloomzap/bloomzapversion.txt");
    const auto patience = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool turnedAway = false;
    while (!turnedAway && std::chrono::steady_clock::now() < patience) {
        turnedAway = exchangeFrom(server->port(), version).empty();
    }
    ASSERT_TRUE(turnedAway) << "new connections are still taken";

    // What would wait is answered at once: a posting is told to come back, a page comes from
    // the last copy.
    const std::string posting =
        exchangeOn(forPosting, plainGet(postingTarget("Late", "1/5/07", "20")));
    EXPECT_EQ(posting.rfind("HTTP/1.1 503", 0), 0u) << posting;
    EXPECT_NE(posting.find("Retry-After: "), std::string::npos) << posting;
    EXPECT_NE(posting.find("The server is stopping; please try again."), std::string::npos);
    const std::string html = exchangeOn(forPage, plainGet("/counter/bloomzap.shtml"));
    EXPECT_EQ(html.rfind("HTTP/1.1 200", 0), 0u) << html;
    EXPECT_EQ(tableRows(html), (std::vector<Row>{{1, "Before", "1/5/07", 50}}));
    // The download is sent to its end.
    downloaded += readToEnd(download);
    close(download);
    EXPECT_EQ(downloaded.size() - downloaded.find("\r\n\r\n") - 4, installerBytes);

    EXPECT_EQ(server->stop(0), 0) << server->log();
    m_cluster.signalAll(SIGCONT);
    ASSERT_TRUE(server->restart()) << server->log();
    EXPECT_EQ(tableRows(page(server->port())).size(), 2u);
}

TEST_F(IntegrationPostgres, AStopThatMayNotWaitAnswersWhatStillWaits) {
    auto server = start({"--post-limit", "0", "--stop-patience", "0"});
    const int forPosting = takenConnection(server->port());
    ASSERT_GE(forPosting, 0);
    const PgCluster::Hang hung(m_cluster);
    // Sent before the stop, this posting waits for the hung database; sent after it, it would
    // not wait at all. Either way it is told that the server stops, and the database's late
    // answer finds nothing to touch.
    std::string reply;
    std::thread waiting(
        [&] { reply = exchangeOn(forPosting, plainGet(postingTarget("Late", "1/5/07", "20"))); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    server->signal(SIGTERM);
    waiting.join();
    EXPECT_EQ(reply.rfind("HTTP/1.1 503", 0), 0u) << reply;
    EXPECT_NE(reply.find("The server is stopping; please try again."), std::string::npos) << reply;
    EXPECT_EQ(server->stop(0), 0) << server->log();
}

} // namespace
