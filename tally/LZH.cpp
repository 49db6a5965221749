#include "LZH.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int N = TLZH::WindowSize;
constexpr int F = TLZH::LookAhead;
constexpr int Nil = N; // "no node" in the search trees
constexpr int T = TLZH::TableSize;
constexpr int R = TLZH::Root;
constexpr std::size_t ChunkSize = 32768;

// Fixed prefix code for the upper 6 bits of a match position: near positions get short codes.
// Code lengths per upper value form a complete canonical code (1 of 3 bits, 3 of 4, 8 of 5,
// 12 of 6, 24 of 7, 16 of 8).
struct PositionCode {
    std::array<std::uint8_t, 64> length{};
    std::array<std::uint8_t, 64> code{};
    std::array<int, 9> count{};

    constexpr PositionCode() {
        for (int u = 0; u < 64; ++u) {
            length[u] = u < 1 ? 3 : u < 4 ? 4 : u < 12 ? 5 : u < 24 ? 6 : u < 48 ? 7 : 8;
            ++count[length[u]];
        }
        unsigned next = 0;
        int previous = length[0];
        for (int u = 0; u < 64; ++u) {
            next <<= (length[u] - previous);
            previous = length[u];
            code[u] = static_cast<std::uint8_t>(next++);
        }
    }
};
constexpr PositionCode Positions;

struct TruncatedInput {};

class BitWriter {
public:
    explicit BitWriter(const TLZH::WriteFn& write) : write_(write) { chunk_.reserve(ChunkSize); }

    void Put(unsigned value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            PutBit((value >> i) & 1u);
        }
    }
    void PutBit(unsigned bit) {
        byte_ = static_cast<std::uint8_t>((byte_ << 1) | bit);
        if (++filled_ == 8) {
            Emit();
        }
    }
    void Finish() {
        if (filled_ > 0) {
            byte_ = static_cast<std::uint8_t>(byte_ << (8 - filled_));
            Emit();
        }
        if (!chunk_.empty()) {
            write_(chunk_.data(), chunk_.size());
            chunk_.clear();
        }
    }

private:
    void Emit() {
        chunk_.push_back(byte_);
        byte_ = 0;
        filled_ = 0;
        if (chunk_.size() == ChunkSize) {
            write_(chunk_.data(), chunk_.size());
            chunk_.clear();
        }
    }

    const TLZH::WriteFn& write_;
    std::vector<std::uint8_t> chunk_;
    std::uint8_t byte_ = 0;
    int filled_ = 0;
};

// Fetches input bytes only when a bit is needed, so it never asks past the coded data.
class BitReader {
public:
    explicit BitReader(const TLZH::ReadFn& read) : read_(read), chunk_(4096) {}

    unsigned Bit() {
        if (left_ == 0) {
            if (position_ == size_) {
                size_ = read_(chunk_.data(), chunk_.size());
                position_ = 0;
                if (size_ == 0) {
                    throw TruncatedInput{};
                }
            }
            byte_ = chunk_[position_++];
            left_ = 8;
        }
        --left_;
        return (byte_ >> left_) & 1u;
    }
    unsigned Get(int count) {
        unsigned value = 0;
        for (int i = 0; i < count; ++i) {
            value = (value << 1) | Bit();
        }
        return value;
    }

private:
    const TLZH::ReadFn& read_;
    std::vector<std::uint8_t> chunk_;
    std::size_t size_ = 0;
    std::size_t position_ = 0;
    std::uint8_t byte_ = 0;
    int left_ = 0;
};

class ByteOutput {
public:
    explicit ByteOutput(const TLZH::WriteFn& write) : write_(write) { chunk_.reserve(ChunkSize); }
    void Put(std::uint8_t c) {
        chunk_.push_back(c);
        if (chunk_.size() == ChunkSize) {
            Flush();
        }
    }
    void Flush() {
        if (!chunk_.empty()) {
            write_(chunk_.data(), chunk_.size());
            chunk_.clear();
        }
    }

private:
    const TLZH::WriteFn& write_;
    std::vector<std::uint8_t> chunk_;
};

class ByteInput {
public:
    explicit ByteInput(const TLZH::ReadFn& read) : read_(read), chunk_(ChunkSize) {}
    // The next byte, or -1 at the end of the input.
    int Get() {
        if (position_ == size_) {
            if (ended_) {
                return -1;
            }
            size_ = read_(chunk_.data(), chunk_.size());
            position_ = 0;
            if (size_ == 0) {
                ended_ = true;
                return -1;
            }
        }
        return chunk_[position_++];
    }

private:
    const TLZH::ReadFn& read_;
    std::vector<std::uint8_t> chunk_;
    std::size_t size_ = 0;
    std::size_t position_ = 0;
    bool ended_ = false;
};

} // namespace

TLZH::TLZH() : text_(N + F - 1), left_(N + 257), right_(N + 257), dad_(N + 1) {}

void TLZH::StartHuffman() {
    for (int i = 0; i < SymbolCount; ++i) {
        freq_[i] = 1;
        son_[i] = i + T;
        parent_[i + T] = i;
    }
    for (int i = 0, j = SymbolCount; j <= R; i += 2, ++j) {
        freq_[j] = freq_[i] + freq_[i + 1];
        son_[j] = i;
        parent_[i] = parent_[i + 1] = j;
    }
    freq_[T] = 0xFFFFFFFFu; // sentinel that stops the upward search in Update
    parent_[R] = 0;
}

void TLZH::Rebuild() {
    // Keep the leaves, halving their counts, and build the inner nodes again in order.
    int j = 0;
    for (int i = 0; i < T; ++i) {
        if (son_[i] >= T) {
            freq_[j] = (freq_[i] + 1) / 2;
            son_[j] = son_[i];
            ++j;
        }
    }
    for (int i = 0, node = SymbolCount; node < T; i += 2, ++node) {
        const unsigned f = freq_[i] + freq_[i + 1];
        freq_[node] = f;
        int k = node - 1;
        while (f < freq_[k]) {
            --k;
        }
        ++k;
        std::move_backward(freq_.begin() + k, freq_.begin() + node, freq_.begin() + node + 1);
        freq_[k] = f;
        std::move_backward(son_.begin() + k, son_.begin() + node, son_.begin() + node + 1);
        son_[k] = i;
    }
    for (int i = 0; i < T; ++i) {
        const int k = son_[i];
        if (k >= T) {
            parent_[k] = i;
        } else {
            parent_[k] = parent_[k + 1] = i;
        }
    }
}

void TLZH::Update(int symbol) {
    if (freq_[R] == MaxFrequency) {
        Rebuild();
    }
    int c = parent_[symbol + T];
    do {
        const unsigned k = ++freq_[c];
        // Keep the counts ordered: move the node past every node it now outweighs.
        int l = c + 1;
        if (k > freq_[l]) {
            while (k > freq_[++l]) {
            }
            --l;
            freq_[c] = freq_[l];
            freq_[l] = k;

            const int i = son_[c];
            parent_[i] = l;
            if (i < T) {
                parent_[i + 1] = l;
            }
            const int j = son_[l];
            son_[l] = i;
            parent_[j] = c;
            if (j < T) {
                parent_[j + 1] = c;
            }
            son_[c] = j;
            c = l;
        }
        c = parent_[c];
    } while (c != 0);
}

void TLZH::InitTree() {
    for (int i = N + 1; i <= N + 256; ++i) {
        right_[i] = Nil;
    }
    for (int i = 0; i < N; ++i) {
        dad_[i] = Nil;
    }
}

void TLZH::InsertNode(int r) {
    int cmp = 1;
    const std::uint8_t* key = &text_[r];
    int p = N + 1 + key[0];
    right_[r] = left_[r] = Nil;
    matchLength_ = 0;
    for (;;) {
        if (cmp >= 0) {
            if (right_[p] == Nil) {
                right_[p] = r;
                dad_[r] = p;
                return;
            }
            p = right_[p];
        } else {
            if (left_[p] == Nil) {
                left_[p] = r;
                dad_[r] = p;
                return;
            }
            p = left_[p];
        }
        int i = 1;
        for (; i < F; ++i) {
            cmp = key[i] - text_[p + i];
            if (cmp != 0) {
                break;
            }
        }
        if (i > Threshold) {
            const int distance = ((r - p) & (N - 1)) - 1;
            if (i > matchLength_) {
                matchPosition_ = distance;
                matchLength_ = i;
                if (matchLength_ >= F) {
                    break;
                }
            } else if (i == matchLength_ && distance < matchPosition_) {
                matchPosition_ = distance; // prefer the nearer copy: shorter position code
            }
        }
    }
    // A full-length match: the new string takes the old node's place in the tree.
    dad_[r] = dad_[p];
    left_[r] = left_[p];
    right_[r] = right_[p];
    dad_[left_[p]] = r;
    dad_[right_[p]] = r;
    if (right_[dad_[p]] == p) {
        right_[dad_[p]] = r;
    } else {
        left_[dad_[p]] = r;
    }
    dad_[p] = Nil;
}

void TLZH::DeleteNode(int p) {
    if (dad_[p] == Nil) {
        return;
    }
    int q;
    if (right_[p] == Nil) {
        q = left_[p];
    } else if (left_[p] == Nil) {
        q = right_[p];
    } else {
        q = left_[p];
        if (right_[q] != Nil) {
            do {
                q = right_[q];
            } while (right_[q] != Nil);
            right_[dad_[q]] = left_[q];
            dad_[left_[q]] = dad_[q];
            left_[q] = left_[p];
            dad_[left_[p]] = q;
        }
        right_[q] = right_[p];
        dad_[right_[p]] = q;
    }
    dad_[q] = dad_[p];
    if (right_[dad_[p]] == p) {
        right_[dad_[p]] = q;
    } else {
        left_[dad_[p]] = q;
    }
    dad_[p] = Nil;
}

void TLZH::Encode(const ReadFn& read, const WriteFn& write) {
    BitWriter bits(write);
    ByteInput input(read);

    auto encodeSymbol = [&](int symbol) {
        // Collect the path leaf to root, then send it root first.
        std::array<std::uint8_t, TableSize> path;
        int depth = 0;
        for (int k = parent_[symbol + T]; k != R; k = parent_[k]) {
            path[depth++] = static_cast<std::uint8_t>(k & 1);
        }
        while (depth > 0) {
            bits.PutBit(path[--depth]);
        }
        Update(symbol);
    };
    auto encodePosition = [&](int position) {
        const int upper = position >> 6;
        bits.Put(Positions.code[upper], Positions.length[upper]);
        bits.Put(static_cast<unsigned>(position & 0x3F), 6);
    };

    StartHuffman();
    InitTree();
    int s = 0;
    int r = N - F;
    std::fill(text_.begin(), text_.begin() + r, ' ');
    int len = 0;
    for (int c; len < F && (c = input.Get()) >= 0; ++len) {
        text_[r + len] = static_cast<std::uint8_t>(c);
    }
    for (int i = 1; i <= F; ++i) {
        InsertNode(r - i);
    }
    InsertNode(r);

    while (len > 0) {
        matchLength_ = std::min(matchLength_, len);
        if (matchLength_ <= Threshold) {
            matchLength_ = 1;
            encodeSymbol(text_[r]);
        } else {
            encodeSymbol(255 - Threshold + matchLength_);
            encodePosition(matchPosition_);
        }
        const int lastMatchLength = matchLength_;
        int i = 0;
        for (int c; i < lastMatchLength && (c = input.Get()) >= 0; ++i) {
            DeleteNode(s);
            text_[s] = static_cast<std::uint8_t>(c);
            if (s < F - 1) {
                text_[s + N] = static_cast<std::uint8_t>(c); // mirror so compares run past the end
            }
            s = (s + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            InsertNode(r);
        }
        for (; i < lastMatchLength; ++i) {
            DeleteNode(s);
            s = (s + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            if (--len > 0) {
                InsertNode(r);
            }
        }
    }
    bits.Finish();
}

TLZH::TResult TLZH::Decode(const ReadFn& read, const WriteFn& write, std::uint64_t length) {
    BitReader bits(read);
    ByteOutput output(write);
    StartHuffman();
    int r = N - F;
    std::fill(text_.begin(), text_.begin() + r, ' ');

    try {
        std::uint64_t count = 0;
        while (count < length) {
            int c = son_[R];
            while (c < T) {
                c = son_[c + static_cast<int>(bits.Bit())];
            }
            c -= T;
            Update(c);
            if (c < 256) {
                output.Put(static_cast<std::uint8_t>(c));
                text_[r] = static_cast<std::uint8_t>(c);
                r = (r + 1) & (N - 1);
                ++count;
                continue;
            }

            unsigned code = 0;
            int upper = 0;
            int first = 0;
            for (int bitsUsed = 1;; ++bitsUsed) {
                code = (code << 1) | bits.Bit();
                if (bitsUsed < 3) {
                    continue;
                }
                // Canonical code: compare with the first code of this length.
                const unsigned firstCode = Positions.code[first];
                if (code - firstCode < static_cast<unsigned>(Positions.count[bitsUsed])) {
                    upper = first + static_cast<int>(code - firstCode);
                    break;
                }
                first += Positions.count[bitsUsed];
            }
            const int position = (upper << 6) | static_cast<int>(bits.Get(6));
            const int from = (r - position - 1) & (N - 1);
            const int matchLength = c - 255 + Threshold;
            if (count + static_cast<std::uint64_t>(matchLength) > length) {
                output.Flush();
                return TResult::Overrun;
            }
            for (int k = 0; k < matchLength; ++k) {
                const std::uint8_t byte = text_[(from + k) & (N - 1)];
                output.Put(byte);
                text_[r] = byte;
                r = (r + 1) & (N - 1);
            }
            count += static_cast<std::uint64_t>(matchLength);
        }
    } catch (const TruncatedInput&) {
        output.Flush();
        return TResult::Truncated;
    }
    output.Flush();
    return TResult::Ok;
}
