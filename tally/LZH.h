#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// LZHUF coder of mode Good: LZSS over a 4096-byte window with a 60-byte look-ahead, matches of 3
// or more found with a binary search tree, literals and match lengths coded with an adaptive
// Huffman tree over 314 symbols, match positions with a fixed code for their upper 6 bits.
class TLZH {
public:
    // Reads up to n bytes into the buffer; returns 0 only at the end of the input.
    using ReadFn = std::function<std::size_t(std::uint8_t*, std::size_t)>;
    using WriteFn = std::function<void(const std::uint8_t*, std::size_t)>;

    enum class TResult {
        Ok,
        Truncated, // the input ended before `length` bytes were decoded
        Overrun,   // a match would reach past `length`: the data is corrupt
    };

    TLZH();

    // Codes everything `read` delivers. Output goes to `write` in chunks.
    void encode(const ReadFn& read, const WriteFn& write);
    // Decodes exactly `length` bytes.
    TResult decode(const ReadFn& read, const WriteFn& write, std::uint64_t length);

    static constexpr int windowSize = 4096;
    static constexpr int lookAhead = 60;
    static constexpr int threshold = 2; // a match must be longer than this
    static constexpr int symbolCount = 256 - threshold + lookAhead; // 314
    static constexpr int tableSize = symbolCount * 2 - 1;
    static constexpr int root = tableSize - 1;
    static constexpr unsigned maxFrequency = 0x8000;

private:
    void startHuffman();
    void rebuild();
    void update(int symbol);

    void initTree();
    void insertNode(int r);
    void deleteNode(int p);

    // Adaptive Huffman tree: leaves are tableSize + symbol in m_parent, children in m_son.
    std::array<unsigned, tableSize + 1> m_freq{};
    std::array<int, tableSize + symbolCount> m_parent{};
    std::array<int, tableSize> m_son{};

    // Binary search trees of the window, one per first byte (roots at windowSize + 1 + byte).
    std::vector<std::uint8_t> m_text;
    std::vector<int> m_left;
    std::vector<int> m_right;
    std::vector<int> m_dad;
    int m_matchPosition = 0;
    int m_matchLength = 0;
};
