// libFuzzer target: any bytes as a game record, as the score server receives them. Reading never
// fails but by refusing; what was read writes back to the very same text, and the replay of a
// short game stays within its bounds.
#include "engine/GameRecord.h"
#include "engine/GameReplay.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<GameRecord> record = readRecord(text);
    if (!record)
        return 0;
    // One way to write each record: the text read is the text written.
    if (writeRecord(*record) != text)
        std::abort();
    // Bounded by a short clock so that each input stays quick.
    const ReplayResult result = replayGame(*record, 1, 120'000);
    if (result.matches && !result.refusal.empty())
        std::abort();
    return 0;
}
