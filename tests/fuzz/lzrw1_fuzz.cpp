// libFuzzer target: feeds arbitrary bytes to the block decoder and the container reader, and
// checks that whatever they hold survives a round trip through both coders.
#include "tally/LZRW1.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TLZR coder;
    static std::vector<std::uint8_t> out(TLZR::bufferSize);
    const auto decoded = coder.DecompressBlock(data, size, out.data());
    if (decoded && *decoded > TLZR::blockSize) {
        std::abort();
    }

    Tlzrw1 lzrw;
    lzrw.UseStream = true;
    lzrw.InputFile = "fuzz";
    lzrw.inputStream.assign(data, data + size);
    try {
        lzrw.Decompress();
    } catch (const ELzrw1Exception&) {
        if (!lzrw.outputStream.empty()) {
            std::abort();
        }
    }

    // Any input must come back unchanged from both methods.
    const std::vector<std::uint8_t> original(data, data + size);
    for (const TCompressMode mode : {TCompressMode::Fast, TCompressMode::Good}) {
        Tlzrw1 round;
        round.UseStream = true;
        round.CompressMode = mode;
        round.inputStream = original;
        round.Compress();
        round.inputStream.swap(round.outputStream);
        round.Decompress();
        if (round.outputStream != original) {
            std::abort();
        }
    }
    return 0;
}
