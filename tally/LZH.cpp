#include "tally/LZH.h"

#include <algorithm>
#include <cstring>

namespace {

// The coder's own sizes (lookAhead, tableSize, root) are its members; these two serve the rest.
constexpr int window = TLZH::windowSize;
constexpr int nil = window; // "no node" in the search trees
constexpr std::size_t chunkSize = 32768;

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
constexpr PositionCode positions;

struct TruncatedInput {};

class BitWriter {
public:
    explicit BitWriter(const TLZH::WriteFn& write) : m_write(write) { m_chunk.reserve(chunkSize); }

    void put(unsigned value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            putBit((value >> i) & 1u);
        }
    }
    void putBit(unsigned bit) {
        m_byte = static_cast<std::uint8_t>((m_byte << 1) | bit);
        if (++m_filled == 8) {
            emit();
        }
    }
    void finish() {
        if (m_filled > 0) {
            m_byte = static_cast<std::uint8_t>(m_byte << (8 - m_filled));
            emit();
        }
        if (!m_chunk.empty()) {
            m_write(m_chunk.data(), m_chunk.size());
            m_chunk.clear();
        }
    }

private:
    void emit() {
        m_chunk.push_back(m_byte);
        m_byte = 0;
        m_filled = 0;
        if (m_chunk.size() == chunkSize) {
            m_write(m_chunk.data(), m_chunk.size());
            m_chunk.clear();
        }
    }

    const TLZH::WriteFn& m_write;
    std::vector<std::uint8_t> m_chunk;
    std::uint8_t m_byte = 0;
    int m_filled = 0;
};

// Fetches input bytes only when a bit is needed, so it never asks past the coded data.
class BitReader {
public:
    explicit BitReader(const TLZH::ReadFn& read) : m_read(read), m_chunk(4096) {}

    unsigned bit() {
        if (m_left == 0) {
            if (m_position == m_size) {
                m_size = m_read(m_chunk.data(), m_chunk.size());
                m_position = 0;
                if (m_size == 0) {
                    throw TruncatedInput{};
                }
            }
            m_byte = m_chunk[m_position++];
            m_left = 8;
        }
        --m_left;
        return (m_byte >> m_left) & 1u;
    }
    unsigned get(int count) {
        unsigned value = 0;
        for (int i = 0; i < count; ++i) {
            value = (value << 1) | bit();
        }
        return value;
    }

private:
    const TLZH::ReadFn& m_read;
    std::vector<std::uint8_t> m_chunk;
    std::size_t m_size = 0;
    std::size_t m_position = 0;
    std::uint8_t m_byte = 0;
    int m_left = 0;
};

class ByteOutput {
public:
    explicit ByteOutput(const TLZH::WriteFn& write) : m_write(write) { m_chunk.reserve(chunkSize); }
    void put(std::uint8_t c) {
        m_chunk.push_back(c);
        if (m_chunk.size() == chunkSize) {
            flush();
        }
    }
    void flush() {
        if (!m_chunk.empty()) {
            m_write(m_chunk.data(), m_chunk.size());
            m_chunk.clear();
        }
    }

private:
    const TLZH::WriteFn& m_write;
    std::vector<std::uint8_t> m_chunk;
};

class ByteInput {
public:
    explicit ByteInput(const TLZH::ReadFn& read) : m_read(read), m_chunk(chunkSize) {}
    // The next byte, or -1 at the end of the input.
    int get() {
        if (m_position == m_size) {
            if (m_ended) {
                return -1;
            }
            m_size = m_read(m_chunk.data(), m_chunk.size());
            m_position = 0;
            if (m_size == 0) {
                m_ended = true;
                return -1;
            }
        }
        return m_chunk[m_position++];
    }

private:
    const TLZH::ReadFn& m_read;
    std::vector<std::uint8_t> m_chunk;
    std::size_t m_size = 0;
    std::size_t m_position = 0;
    bool m_ended = false;
};

} // namespace

TLZH::TLZH()
    : m_text(window + lookAhead - 1), m_left(window + 257), m_right(window + 257),
      m_dad(window + 1) {}

void TLZH::startHuffman() {
    for (int i = 0; i < symbolCount; ++i) {
        m_freq[i] = 1;
        m_son[i] = i + tableSize;
        m_parent[i + tableSize] = i;
    }
    for (int i = 0, j = symbolCount; j <= root; i += 2, ++j) {
        m_freq[j] = m_freq[i] + m_freq[i + 1];
        m_son[j] = i;
        m_parent[i] = m_parent[i + 1] = j;
    }
    m_freq[tableSize] = 0xFFFFFFFFu; // sentinel that stops the upward search in update()
    m_parent[root] = 0;
}

void TLZH::rebuild() {
    // Keep the leaves, halving their counts, and build the inner nodes again in order.
    int j = 0;
    for (int i = 0; i < tableSize; ++i) {
        if (m_son[i] >= tableSize) {
            m_freq[j] = (m_freq[i] + 1) / 2;
            m_son[j] = m_son[i];
            ++j;
        }
    }
    for (int i = 0, node = symbolCount; node < tableSize; i += 2, ++node) {
        const unsigned f = m_freq[i] + m_freq[i + 1];
        m_freq[node] = f;
        int k = node - 1;
        while (f < m_freq[k]) {
            --k;
        }
        ++k;
        std::move_backward(m_freq.begin() + k, m_freq.begin() + node, m_freq.begin() + node + 1);
        m_freq[k] = f;
        std::move_backward(m_son.begin() + k, m_son.begin() + node, m_son.begin() + node + 1);
        m_son[k] = i;
    }
    for (int i = 0; i < tableSize; ++i) {
        const int k = m_son[i];
        if (k >= tableSize) {
            m_parent[k] = i;
        } else {
            m_parent[k] = m_parent[k + 1] = i;
        }
    }
}

void TLZH::update(int symbol) {
    if (m_freq[root] == maxFrequency) {
        rebuild();
    }
    int c = m_parent[symbol + tableSize];
    do {
        const unsigned k = ++m_freq[c];
        // Keep the counts ordered: move the node past every node it now outweighs.
        int l = c + 1;
        if (k > m_freq[l]) {
            while (k > m_freq[++l]) {
            }
            --l;
            m_freq[c] = m_freq[l];
            m_freq[l] = k;

            const int i = m_son[c];
            m_parent[i] = l;
            if (i < tableSize) {
                m_parent[i + 1] = l;
            }
            const int j = m_son[l];
            m_son[l] = i;
            m_parent[j] = c;
            if (j < tableSize) {
                m_parent[j + 1] = c;
            }
            m_son[c] = j;
            c = l;
        }
        c = m_parent[c];
    } while (c != 0);
}

void TLZH::initTree() {
    for (int i = window + 1; i <= window + 256; ++i) {
        m_right[i] = nil;
    }
    for (int i = 0; i < window; ++i) {
        m_dad[i] = nil;
    }
}

void TLZH::insertNode(int r) {
    int cmp = 1;
    const std::uint8_t* key = &m_text[r];
    int p = window + 1 + key[0];
    m_right[r] = m_left[r] = nil;
    m_matchLength = 0;
    for (;;) {
        if (cmp >= 0) {
            if (m_right[p] == nil) {
                m_right[p] = r;
                m_dad[r] = p;
                return;
            }
            p = m_right[p];
        } else {
            if (m_left[p] == nil) {
                m_left[p] = r;
                m_dad[r] = p;
                return;
            }
            p = m_left[p];
        }
        int i = 1;
        for (; i < lookAhead; ++i) {
            cmp = key[i] - m_text[p + i];
            if (cmp != 0) {
                break;
            }
        }
        if (i > threshold) {
            const int distance = ((r - p) & (window - 1)) - 1;
            if (i > m_matchLength) {
                m_matchPosition = distance;
                m_matchLength = i;
                if (m_matchLength >= lookAhead) {
                    break;
                }
            } else if (i == m_matchLength && distance < m_matchPosition) {
                m_matchPosition = distance; // prefer the nearer copy: shorter position code
            }
        }
    }
    // A full-length match: the new string takes the old node's place in the tree.
    m_dad[r] = m_dad[p];
    m_left[r] = m_left[p];
    m_right[r] = m_right[p];
    m_dad[m_left[p]] = r;
    m_dad[m_right[p]] = r;
    if (m_right[m_dad[p]] == p) {
        m_right[m_dad[p]] = r;
    } else {
        m_left[m_dad[p]] = r;
    }
    m_dad[p] = nil;
}

void TLZH::deleteNode(int p) {
    if (m_dad[p] == nil) {
        return;
    }
    int q;
    if (m_right[p] == nil) {
        q = m_left[p];
    } else if (m_left[p] == nil) {
        q = m_right[p];
    } else {
        q = m_left[p];
        if (m_right[q] != nil) {
            do {
                q = m_right[q];
            } while (m_right[q] != nil);
            m_right[m_dad[q]] = m_left[q];
            m_dad[m_left[q]] = m_dad[q];
            m_left[q] = m_left[p];
            m_dad[m_left[p]] = q;
        }
        m_right[q] = m_right[p];
        m_dad[m_right[p]] = q;
    }
    m_dad[q] = m_dad[p];
    if (m_right[m_dad[p]] == p) {
        m_right[m_dad[p]] = q;
    } else {
        m_left[m_dad[p]] = q;
    }
    m_dad[p] = nil;
}

void TLZH::encode(const ReadFn& read, const WriteFn& write) {
    BitWriter bits(write);
    ByteInput input(read);

    auto encodeSymbol = [&](int symbol) {
        // Collect the path leaf to root, then send it root first.
        std::array<std::uint8_t, tableSize> path;
        int depth = 0;
        for (int k = m_parent[symbol + tableSize]; k != root; k = m_parent[k]) {
            path[depth++] = static_cast<std::uint8_t>(k & 1);
        }
        while (depth > 0) {
            bits.putBit(path[--depth]);
        }
        update(symbol);
    };
    auto encodePosition = [&](int position) {
        const int upper = position >> 6;
        bits.put(positions.code[upper], positions.length[upper]);
        bits.put(static_cast<unsigned>(position & 0x3F), 6);
    };

    startHuffman();
    initTree();
    int s = 0;
    int r = window - lookAhead;
    std::fill(m_text.begin(), m_text.begin() + r, ' ');
    int len = 0;
    for (int c; len < lookAhead && (c = input.get()) >= 0; ++len) {
        m_text[r + len] = static_cast<std::uint8_t>(c);
    }
    for (int i = 1; i <= lookAhead; ++i) {
        insertNode(r - i);
    }
    insertNode(r);

    while (len > 0) {
        m_matchLength = std::min(m_matchLength, len);
        if (m_matchLength <= threshold) {
            m_matchLength = 1;
            encodeSymbol(m_text[r]);
        } else {
            encodeSymbol(255 - threshold + m_matchLength);
            encodePosition(m_matchPosition);
        }
        const int lastMatchLength = m_matchLength;
        int i = 0;
        for (int c; i < lastMatchLength && (c = input.get()) >= 0; ++i) {
            deleteNode(s);
            m_text[s] = static_cast<std::uint8_t>(c);
            if (s < lookAhead - 1) {
                m_text[s + window] =
                    static_cast<std::uint8_t>(c); // mirror so compares run past the end
            }
            s = (s + 1) & (window - 1);
            r = (r + 1) & (window - 1);
            insertNode(r);
        }
        for (; i < lastMatchLength; ++i) {
            deleteNode(s);
            s = (s + 1) & (window - 1);
            r = (r + 1) & (window - 1);
            if (--len > 0) {
                insertNode(r);
            }
        }
    }
    bits.finish();
}

TLZH::TResult TLZH::decode(const ReadFn& read, const WriteFn& write, std::uint64_t length) {
    BitReader bits(read);
    ByteOutput output(write);
    startHuffman();
    int r = window - lookAhead;
    std::fill(m_text.begin(), m_text.begin() + r, ' ');

    try {
        std::uint64_t count = 0;
        while (count < length) {
            int c = m_son[root];
            while (c < tableSize) {
                c = m_son[c + static_cast<int>(bits.bit())];
            }
            c -= tableSize;
            update(c);
            if (c < 256) {
                output.put(static_cast<std::uint8_t>(c));
                m_text[r] = static_cast<std::uint8_t>(c);
                r = (r + 1) & (window - 1);
                ++count;
                continue;
            }

            unsigned code = 0;
            int upper = 0;
            int first = 0;
            for (int bitsUsed = 1;; ++bitsUsed) {
                code = (code << 1) | bits.bit();
                if (bitsUsed < 3) {
                    continue;
                }
                // Canonical code: compare with the first code of this length.
                const unsigned firstCode = positions.code[first];
                if (code - firstCode < static_cast<unsigned>(positions.count[bitsUsed])) {
                    upper = first + static_cast<int>(code - firstCode);
                    break;
                }
                first += positions.count[bitsUsed];
            }
            const int position = (upper << 6) | static_cast<int>(bits.get(6));
            const int from = (r - position - 1) & (window - 1);
            const int matchLength = c - 255 + threshold;
            if (count + static_cast<std::uint64_t>(matchLength) > length) {
                output.flush();
                return TResult::Overrun;
            }
            for (int k = 0; k < matchLength; ++k) {
                const std::uint8_t byte = m_text[(from + k) & (window - 1)];
                output.put(byte);
                m_text[r] = byte;
                r = (r + 1) & (window - 1);
            }
            count += static_cast<std::uint64_t>(matchLength);
        }
    } catch (const TruncatedInput&) {
        output.flush();
        return TResult::Truncated;
    }
    output.flush();
    return TResult::Ok;
}
