#pragma once

#include "server/ScoreStore.h"

#include <cstddef>
#include <memory>
#include <string>

namespace server {

class Route;
struct RenderedPages;
struct ReplayJob;
struct ReadJob;

// One request from its first line to its last byte sent: what its head said, how much of its
// body came, what it waits for and how it was answered.
struct Request {
    std::string target; // as sent, escapes undecoded
    std::string requestLine;
    std::string address;   // as logged
    std::string clientKey; // whom it counts against for the per-address limits
    int status = 0;
    std::size_t bytes = 0;
    Route* waitingOn = nullptr; // the route that answers it when its wait ends
    bool headersSeen = false;
    std::size_t bodyBytes = 0;
    StoreClock::time_point headAt; // when its head was in
    bool tooLarge = false;         // a body that grew past its limit: dropped, then 413
    bool underWay = false;         // counted among the requests under way until it completes
    bool givenUp = false;          // its wait was ended by a stop, not by its answer
    // Set by a store thread before the connection is resumed.
    AddOutcome outcome;
    bool highScorePage = true;
    std::shared_ptr<const RenderedPages> pages; // the copy to serve; null: none could be rendered
    // A game record (POST of the replay path): its body as it arrives, then its replay.
    bool replayPost = false;
    std::string record;
    std::shared_ptr<ReplayJob> replay;
    // The daily page or a kept game record, as read for it.
    std::shared_ptr<ReadJob> read;
};

} // namespace server
