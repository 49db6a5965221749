// Helpers for the Daily Bloom and watch tests: servers on a shifted clock, daily tickets dated
// back as if played in real time, the first flowers of a ticket's game, and a fixture that plays,
// posts and sends whole games on either store.

#pragma once

#include "tests/server/GamePlayer.h"
#include "tests/server/ServerHarness.h"

#include "server/TicketSigner.h"

#include "engine/GameRecord.h"
#include "engine/Ticket.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace dailytest {

using namespace harness;

inline constexpr std::int64_t secondsADay = 24 * 60 * 60;
inline const std::string playedDate = "12/7/26";

// Servers started while it lives run their clock `seconds` off the system's.
class ShiftedClock {
public:
    explicit ShiftedClock(std::int64_t seconds) {
        setenv("BLOOMZAP_SERVER_CLOCK_SHIFT", std::to_string(seconds).c_str(), 1);
    }
    ~ShiftedClock() { unsetenv("BLOOMZAP_SERVER_CLOCK_SHIFT"); }
    ShiftedClock(const ShiftedClock&) = delete;
    ShiftedClock& operator=(const ShiftedClock&) = delete;
};

// The shift that puts a server at noon UTC `daysAgo` days before today: in the past, so that
// postings stored now come after its tickets, and at noon, so that a game's ticket dated back by
// the game's length stays on its day.
inline std::int64_t noonShift(int daysAgo) {
    const std::int64_t now = std::time(nullptr);
    return (now / secondsADay - daysAgo) * secondsADay + secondsADay / 2 - now;
}

inline std::string dailyTicket(int port) {
    const auto reply = get(port, "/bloomzap/dailyticket");
    return reply && reply->status == 200 ? reply->body : std::string();
}

// A daily ticket as if issued `seconds` earlier, signed with `key`.
inline std::string dailyIssuedEarlier(const std::string& ticket, const std::string& key,
                                      std::int64_t seconds) {
    const TicketFields fields = parseTicket(ticket).value();
    const std::string signedPart = "2." + fields.id + "." + ticket.substr(35, 16) + "." +
                                   std::to_string(fields.issued - seconds) + "." + fields.day;
    return signedPart + "." + server::TicketSigner(key).mac(signedPart);
}

// The field a game on `ticket` shows once its first lines have come in, one digit a cell.
inline std::string firstFlowers(const std::string& ticket) {
    testsupport::NullBoard board;
    testsupport::NullDisplay display;
    EngineClock clock;
    SeededRandom random(0);
    Game game(board, display, clock, random);
    GameRecorder recorder(game, clock, random);
    std::optional<std::string> unused = ticket;
    recorder.setTickets([&unused] { return std::exchange(unused, std::nullopt); });
    game.setObserver(&recorder);
    game.button_startClick("first");
    clock.advance(10'000);
    std::string field;
    for (int c = 1; c <= rules::fieldSize; ++c) {
        for (int r = 1; r <= rules::fieldSize; ++r) {
            field += static_cast<char>('0' + game.state().cells[c][r]);
        }
    }
    game.setObserver(nullptr);
    return field;
}

class DailyFixture : public ::testing::TestWithParam<Backend>, protected StoreFixture {
protected:
    void SetUp() override {
        std::string why;
        if (!prepare(GetParam(), why)) {
            GTEST_SKIP() << why;
        }
    }

    // Plays a game as `name` on `ticket`, posts it and sends its record to `port`; returns the
    // record and the replay's answer (status, body).
    std::pair<GameRecord, std::optional<Reply>> playAndSend(int port, const std::string& ticket,
                                                            const std::string& name,
                                                            bool biggestGroup = true) {
        gameplayer::Style style;
        style.biggestGroup = biggestGroup;
        GameRecord record = gameplayer::play(ticket, name, playedDate, style).value();
        const std::int64_t back = record.endedAt / 1000 + 60;
        const std::string key = storeTicketKey();
        record.ticket = parseTicket(ticket)->day.empty() ? issuedEarlier(ticket, key, back)
                                                         : dailyIssuedEarlier(ticket, key, back);
        EXPECT_EQ(post(port, name, std::to_string(record.score), playedDate), 200);
        return {record, postBody(port, "/bloomzap/replay", writeRecord(record))};
    }

    std::string query(const std::string& sql) {
        return storeQuery(GetParam(), m_dir / "data", m_cluster, sql);
    }

    // The watch id the store gave `name`'s verified posting of `score`.
    std::int64_t postingId(const std::string& name, int score) {
        const std::string verified =
            GetParam() == Backend::postgresql ? "verified" : "verified = 1";
        return std::stoll(query("SELECT id FROM postings WHERE name = '" + name +
                                "' AND score = " + std::to_string(score) + " AND " + verified));
    }
};

// The watch ids linked from a page, in order.
inline std::vector<std::int64_t> watchIds(const std::string& page) {
    static const std::regex link(R"re(<a href="/bloomzap/watch\?id=(\d+)">)re");
    std::vector<std::int64_t> ids;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), link);
         it != std::sregex_iterator(); ++it) {
        ids.push_back(std::stoll((*it)[1]));
    }
    return ids;
}

} // namespace dailytest
