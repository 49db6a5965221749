#include "server/ReplayCheck.h"

#include "server/PostingCheck.h"

#include "engine/GameRecord.h"
#include "engine/GameReplay.h"
#include "engine/Ticket.h"

#include <exception>

namespace server {

namespace {

ReplayAnswer check(std::string_view body, const TicketSigner& signer, ScoreStore& store,
                   std::int64_t now) {
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
    if (ticket->issued > now + ticketClockSkewSeconds) {
        return {403, "The ticket is dated in the future."};
    }
    if (now - ticket->issued > ticketLifetimeSeconds) {
        return {403, "The ticket has expired."};
    }
    // Checked as a posting's values are, so that the texts compare as they were stored.
    const PostingCheck posted =
        checkPosting(record->name, record->date, std::to_string(record->score));
    if (!posted.values) {
        return {400, "The game record's posting is not valid: " + posted.refusal};
    }
    const ReplayResult replay = replayGame(*record, ticket->seed);
    if (!replay.matches) {
        return {422, "The game does not replay as recorded" +
                         (replay.refusal.empty() ? std::string(".") : ": " + replay.refusal)};
    }
    switch (store.verify(VerifyRequest{*posted.values, ticket->id, ticket->issued * 1000})) {
    case VerifyResult::verified:
        break;
    case VerifyResult::ticketUsed:
        return {409, "The ticket was used before."};
    case VerifyResult::noPosting:
        return {409, "No posting of this game waits to be verified."};
    }
    return {200, "verified"};
}

} // namespace

ReplayAnswer checkReplay(std::string_view body, const TicketSigner& signer, ScoreStore& store,
                         std::int64_t now) {
    try {
        return check(body, signer, store, now);
    } catch (const std::exception&) {
        // The store could not be reached, or memory ran out: nothing was changed.
        return {503, "The score list is not available just now; please try again."};
    }
}

} // namespace server
