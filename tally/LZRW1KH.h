#pragma once

// TLZR, the LZRW1/KH block coder.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// LZRW1/KH block coder: one candidate per position from a 4096-slot hash table, 12-bit offsets,
// 4-bit lengths, a run item for long repeats, and a stored fallback for blocks that do not shrink.
class TLZR {
public:
    static constexpr std::size_t blockSize = 32768;
    // Room past a block that the compressor may write before it finds the block does not shrink.
    static constexpr std::size_t slack = 16;
    static constexpr std::size_t bufferSize = blockSize + slack;
    // The longest block record a writer produces: the flag plus a stored block.
    static constexpr std::size_t maxRecord = blockSize + 1;

    static constexpr std::uint8_t flagCompressed = 0x40;
    static constexpr std::uint8_t flagStored = 0x80;

    // Throws ELzrw1KHCompressor when the hash table cannot be allocated.
    TLZR();

    // Codes n (at most blockSize) bytes of src into dst, which must hold n + slack bytes.
    // Returns the block's length, 1 to n + 1. Reads nothing past src[n - 1].
    std::size_t CompressBlock(const std::uint8_t* src, std::size_t n, std::uint8_t* dst);

    // Decodes a block of len bytes into dst, which must hold blockSize bytes. Returns the decoded
    // length, or nothing when the block is corrupt (truncated item, reference before the start of
    // the output, output over blockSize, record over maxRecord). Never touches memory outside
    // src[0, len) and dst[0, blockSize).
    std::optional<std::size_t> DecompressBlock(const std::uint8_t* src, std::size_t len,
                                               std::uint8_t* dst) const;

private:
    std::vector<std::uint16_t> m_table;
};
