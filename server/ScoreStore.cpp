#include "server/ScoreStore.h"

#include <future>

namespace server {

AddResult ScoreStore::add(const PostingValues& posting, const std::string& address,
                          int perMinuteLimit, std::chrono::milliseconds patience) {
    auto promise = std::make_shared<std::promise<AddOutcome>>();
    std::future<AddOutcome> outcome = promise->get_future();
    submit(PostingRequest{posting, address, perMinuteLimit, StoreClock::now() + patience},
           [promise](const AddOutcome& o) { promise->set_value(o); });
    const AddOutcome result = outcome.get();
    if (result.unavailable) {
        throw StoreUnavailable(result.problem);
    }
    return result.result;
}

} // namespace server
