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
    void Encode(const ReadFn& read, const WriteFn& write);
    // Decodes exactly `length` bytes.
    TResult Decode(const ReadFn& read, const WriteFn& write, std::uint64_t length);

    static constexpr int WindowSize = 4096;
    static constexpr int LookAhead = 60;
    static constexpr int Threshold = 2; // a match must be longer than this
    static constexpr int SymbolCount = 256 - Threshold + LookAhead; // 314
    static constexpr int TableSize = SymbolCount * 2 - 1;
    static constexpr int Root = TableSize - 1;
    static constexpr unsigned MaxFrequency = 0x8000;

private:
    void StartHuffman();
    void Rebuild();
    void Update(int symbol);

    void InitTree();
    void InsertNode(int r);
    void DeleteNode(int p);

    // Adaptive Huffman tree: leaves are TableSize + symbol in parent_, children in son_.
    std::array<unsigned, TableSize + 1> freq_{};
    std::array<int, TableSize + SymbolCount> parent_{};
    std::array<int, TableSize> son_{};

    // Binary search trees of the window, one per first byte (roots at WindowSize + 1 + byte).
    std::vector<std::uint8_t> text_;
    std::vector<int> left_;
    std::vector<int> right_;
    std::vector<int> dad_;
    int matchPosition_ = 0;
    int matchLength_ = 0;
};
