// Replays of game records: how long the engine takes to replay long games (median and worst),
// and how many postings with their replays one bloomzap-server process verifies a second.
//
//   replay_bench [--games N] [--port PORT --key FILE --clients C --pairs P]
//
// Without --port only the replay times are measured. With it, the server on 127.0.0.1:PORT
// (started with --post-limit 0 --ticket-limit 0 --ticket-key FILE by bench/server_load.sh replay)
// issues P tickets, P games are played on them beforehand, and then C clients post each score
// and send its record at once; every pair must end in "verified". The games take minutes of game
// time in moments, so each ticket is signed again with the server's key as issued a minute more
// before than its game took: the server takes only games played in real time.

#include "tests/server/GamePlayer.h"
#include "tests/support/LoopbackHttp.h"

#include "engine/GameRecord.h"
#include "engine/GameReplay.h"
#include "engine/Ticket.h"
#include "server/TicketSigner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One HTTP/1.0 exchange on 127.0.0.1; the status, or 0 when it fails.
int exchange(int port, const std::string& request, std::string* body = nullptr) {
    const auto reply = testsupport::exchange(port, request);
    if (reply && body != nullptr) {
        *body = reply->body;
    }
    return reply ? reply->status : 0;
}

std::string randomHex(std::mt19937_64& random, std::size_t digits) {
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < digits; ++i) {
        out += hex[random() % 16];
    }
    return out;
}

struct Played {
    GameRecord record;
    std::uint64_t seed = 0;
};

Played playLong(const std::string& ticket, int index) {
    gameplayer::Style style;
    style.thinkMs = 250;
    style.pauseAt = 60'000;
    style.pauseMs = 5'000;
    const auto record = gameplayer::play(ticket, "Bench" + std::to_string(index), "12/7/26", style);
    if (!record) {
        std::fprintf(stderr, "a game was not recorded\n");
        std::exit(1);
    }
    return Played{*record, parseTicket(ticket)->seed};
}

void replayTimes(int games) {
    std::mt19937_64 random(2026);
    std::vector<Played> played;
    for (int i = 0; i < games; ++i) {
        // Only the seed counts for a replay; the mac is not checked here.
        const std::string ticket = "1." + randomHex(random, 32) + "." + randomHex(random, 16) +
                                   ".1796601600." + std::string(64, '0');
        played.push_back(playLong(ticket, i));
    }
    std::vector<double> times;
    std::vector<std::size_t> sizes;
    std::vector<int> rounds;
    std::int64_t longestGameMs = 0;
    std::size_t longestEvents = 0;
    for (const Played& p : played) {
        const std::string text = writeRecord(p.record);
        sizes.push_back(text.size());
        rounds.push_back(p.record.lastRound);
        longestGameMs = std::max(longestGameMs, p.record.endedAt);
        longestEvents = std::max(longestEvents, p.record.events.size());
        for (int repeat = 0; repeat < 3; ++repeat) {
            const auto start = Clock::now();
            const auto record = readRecord(text);
            const ReplayResult result = replayGame(*record, p.seed);
            times.push_back(msSince(start));
            if (!result.matches) {
                std::fprintf(stderr, "a recorded game did not replay: %s\n",
                             result.refusal.c_str());
                std::exit(1);
            }
        }
    }
    std::sort(times.begin(), times.end());
    std::sort(sizes.begin(), sizes.end());
    std::sort(rounds.begin(), rounds.end());
    std::printf("replay of %d long games (read + replay, 3 runs each):\n", games);
    std::printf("  last round: median %d, most %d; game clock up to %.1f min, up to %zu inputs\n",
                rounds[rounds.size() / 2], rounds.back(), longestGameMs / 60000.0, longestEvents);
    std::printf("  record size: median %zu bytes, largest %zu bytes\n", sizes[sizes.size() / 2],
                sizes.back());
    std::printf("  replay time: median %.2f ms, worst %.2f ms\n", times[times.size() / 2],
                times.back());

    // The most game time a record may take: each game with its pause stretched to just under
    // the replay's bound of a day. What one record can cost the server at most.
    double worstStretched = 0;
    int stretchedReplayed = 0;
    int stretchedTried = 0;
    for (const Played& p : played) {
        GameRecord stretched = p.record;
        // A whole number of every timer's interval, so the ticks after the pause fall as before.
        constexpr std::int64_t everyInterval = 12'000;
        const std::int64_t extra =
            (defaultMaxReplayMs - stretched.endedAt - 60'000) / everyInterval * everyInterval;
        bool afterPause = false; // everything from the first resume on comes `extra` later
        for (RecordedEvent& event : stretched.events) {
            afterPause = afterPause || event.kind == RecordedEvent::Kind::resume;
            if (afterPause) {
                event.at += extra;
            }
        }
        if (!afterPause) {
            continue;
        }
        stretched.endedAt += extra;
        ++stretchedTried;
        const auto start = Clock::now();
        const ReplayResult result = replayGame(stretched, p.seed);
        worstStretched = std::max(worstStretched, msSince(start));
        stretchedReplayed += result.matches ? 1 : 0;
    }
    std::printf("  the same games paused for about 24 h of game time: %d of %d replayed, worst "
                "%.2f ms\n",
                stretchedReplayed, stretchedTried, worstStretched);
}

// `ticket` as issued `seconds` before, signed with `key`.
std::string issuedBefore(const std::string& ticket, const std::string& key, std::int64_t seconds) {
    const TicketFields fields = parseTicket(ticket).value();
    const std::string signedPart = "1." + fields.id + "." + ticket.substr(35, 16) + "." +
                                   std::to_string(fields.issued - seconds);
    return signedPart + "." + server::TicketSigner(key).mac(signedPart);
}

void serverThroughput(int port, const std::string& keyFile, int clients, int pairs) {
    std::ifstream keyText(keyFile);
    std::string keyHex;
    std::getline(keyText, keyHex);
    const std::optional<std::string> key = server::ticketKeyFromText(keyHex);
    if (!key) {
        std::fprintf(stderr, "no ticket key in %s\n", keyFile.c_str());
        std::exit(1);
    }
    std::vector<Played> played;
    for (int i = 0; i < pairs; ++i) {
        std::string body;
        if (exchange(port, "GET /bloomzap/ticket HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n", &body) !=
            200) {
            std::fprintf(stderr, "no ticket from the server\n");
            std::exit(1);
        }
        body.pop_back();
        played.push_back(playLong(body, i));
        GameRecord& record = played.back().record;
        record.ticket = issuedBefore(body, *key, record.endedAt / 1000 + 60);
    }
    std::atomic<int> next{0};
    std::atomic<int> verified{0};
    std::atomic<int> failed{0};
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&] {
            for (int i = next++; i < pairs; i = next++) {
                const GameRecord& r = played[static_cast<std::size_t>(i)].record;
                const std::string posting =
                    "GET /cgi-bin/bloomzap.cgi?name=" + r.name + "&date=" + r.date +
                    "&score=" + std::to_string(r.score) + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
                const std::string text = writeRecord(r);
                const std::string replay = "POST /bloomzap/replay HTTP/1.0\r\nHost: "
                                           "127.0.0.1\r\nContent-Length: " +
                                           std::to_string(text.size()) + "\r\n\r\n" + text;
                if (exchange(port, posting) == 200 && exchange(port, replay) == 200) {
                    ++verified;
                } else {
                    ++failed;
                }
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    const double seconds = msSince(start) / 1000.0;
    std::printf("one server process, %d clients: %d postings + replays verified, %d failed, in "
                "%.2f s: %.0f postings + replays a second\n",
                clients, verified.load(), failed.load(), seconds, verified.load() / seconds);
}

} // namespace

int main(int argc, char** argv) {
    int games = 40;
    int port = 0;
    int clients = 8;
    int pairs = 400;
    std::string keyFile;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (option == "--key") {
            keyFile = argv[i + 1];
        } else if (option == "--games") {
            games = value;
        } else if (option == "--port") {
            port = value;
        } else if (option == "--clients") {
            clients = value;
        } else if (option == "--pairs") {
            pairs = value;
        } else {
            std::fprintf(stderr, "unknown option %s\n", option.c_str());
            return 2;
        }
    }
    if (games > 0) {
        replayTimes(games);
    }
    if (port > 0) {
        serverThroughput(port, keyFile, clients, pairs);
    }
    return 0;
}
