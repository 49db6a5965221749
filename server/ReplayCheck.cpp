#include "server/ReplayCheck.h"

#include "server/PostingCheck.h"

#include "engine/GameRecord.h"
#include "engine/GameReplay.h"
#include "engine/Ticket.h"

#include <exception>

namespace server {

namespace {

ReplayAnswer refusal(VerifyResult result) {
    if (result == VerifyResult::ticketUsed) {
        return {409, "The ticket was used before."};
    }
    return {409, "No posting of this game waits to be verified."};
}

// Holds a claimed ticket until the scope ends.
class Claim {
public:
    Claim(TicketsInReplay& busy, std::string id) : m_busy(busy), m_id(std::move(id)) {}
    ~Claim() { m_busy.release(m_id); }
    Claim(const Claim&) = delete;
    Claim& operator=(const Claim&) = delete;

private:
    TicketsInReplay& m_busy;
    std::string m_id;
};

constexpr std::int64_t secondsADay = 24 * 60 * 60;

// The day whose list a game on `ticket` enters: its own day, when the ticket was issued on that
// day with that day's seed; else none.
std::string dailyListDay(const TicketFields& ticket, const TicketSigner& signer) {
    if (ticket.day.empty() || dayNumber(ticket.day) != ticket.issued / secondsADay ||
        signer.dailySeed(ticket.day) != ticket.seed) {
        return {};
    }
    return ticket.day;
}

ReplayAnswer check(std::string_view body, const TicketSigner& signer, ScoreStore& store,
                   TicketsInReplay& busy, std::int64_t arrivedMs, RecordKeeping keeping) {
    const std::optional<GameRecord> record = readRecord(body);
    if (!record) {
        return {400, "The game record cannot be read."};
    }
    const std::optional<TicketFields> ticket = parseTicket(record->ticket);
    if (!ticket) {
        return {400, "The game record holds no readable ticket."};
    }
    if (!signer.verifies(ticket->signedPart, ticket->mac)) {
        return {403, "The ticket was not issued by this server."};
    }
    const std::int64_t now = arrivedMs / 1000;
    if (ticket->issued > now + ticketClockSkewSeconds) {
        return {403, "The ticket is dated in the future."};
    }
    if (now - ticket->issued > ticketLifetimeSeconds) {
        return {403, "The ticket has expired."};
    }
    // A game runs on a clock that follows real time, so it cannot have lasted longer than its
    // ticket has existed: a record that claims so was not played as it came.
    if (record->endedAt > arrivedMs - ticket->issued * 1000 + gameClockAllowanceMs) {
        return {422, "The game took longer than the time since its ticket was issued."};
    }
    // Checked as a posting's values are, so that the texts compare as they were stored.
    const PostingCheck posted =
        checkPosting(record->name, record->date, std::to_string(record->score));
    if (!posted.values) {
        return {400, "The game record's posting is not valid: " + posted.refusal};
    }
    keeping.today = arrivedMs / 1000 / secondsADay;
    const VerifyRequest request{*posted.values,
                                ticket->id,
                                ticket->issued * 1000,
                                std::string(body),
                                dailyListDay(*ticket, signer),
                                keeping};
    // A spent ticket or a game nobody posted costs no replay.
    if (const VerifyResult found = store.mayVerify(request); found != VerifyResult::verified) {
        return refusal(found);
    }
    if (!busy.claim(ticket->id)) {
        return {409, "A record of this game is being replayed already."};
    }
    const Claim claimed(busy, ticket->id);
    const ReplayResult replay = replayGame(*record, ticket->seed);
    if (!replay.matches) {
        return {422,
                "The game does not replay as recorded" +
                    (replay.refusal.empty() ? std::string(".") : ": " + replay.refusal),
                true};
    }
    DailyResult daily = DailyResult::none;
    const VerifyResult result = store.verify(request, daily);
    if (result != VerifyResult::verified) {
        // Another record of this game was verified while this one was replayed.
        ReplayAnswer answer = refusal(result);
        answer.replayed = true;
        return answer;
    }
    switch (daily) {
    case DailyResult::counted:
        return {200, "verified\ndaily counted", true};
    case DailyResult::practice:
        return {200, "verified\ndaily practice", true};
    case DailyResult::none:
        break;
    }
    return {200, "verified", true};
}

} // namespace

bool TicketsInReplay::claim(const std::string& id) {
    const std::lock_guard lock(m_mutex);
    return m_ids.insert(id).second;
}

void TicketsInReplay::release(const std::string& id) {
    const std::lock_guard lock(m_mutex);
    m_ids.erase(id);
}

ReplayAnswer checkReplay(std::string_view body, const TicketSigner& signer, ScoreStore& store,
                         TicketsInReplay& busy, std::int64_t arrivedMs, RecordKeeping keeping) {
    try {
        return check(body, signer, store, busy, arrivedMs, keeping);
    } catch (const std::exception&) {
        // The store could not be reached, or memory ran out: nothing was changed.
        return {503, "The score list is not available just now; please try again."};
    }
}

} // namespace server
