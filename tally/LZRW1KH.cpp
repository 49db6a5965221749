#include "tally/LZRW1KH.h"

#include "tally/Lzrw1Errors.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace {

constexpr std::uint16_t emptySlot = 0xFFFF;
constexpr std::size_t maxOffset = 4095;
constexpr std::size_t minMatch = 3;
constexpr std::size_t maxMatch = 18;
constexpr std::size_t minRun = 16;
constexpr std::size_t maxRun = 4095;

// Word-wise comparisons count matching bytes from the lowest address, which is the low end of a
// loaded word only on little-endian machines; elsewhere the byte loops do the work.
constexpr bool wordWise = std::endian::native == std::endian::little;

inline std::uint64_t load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline std::uint32_t load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void store64(std::uint8_t* p, std::uint64_t v) {
    std::memcpy(p, &v, sizeof v);
}

inline unsigned hash(const std::uint8_t* p) {
    const std::uint32_t key = ((((std::uint32_t{p[0]} << 4) ^ p[1]) << 4) ^ p[2]);
    return ((key * 40543u) >> 4) & 0x0FFFu;
}

// Most candidates differ in their first bytes: a cheap test before counting the match.
inline bool sameFirstThree(const std::uint8_t* s, std::size_t p, std::size_t x, std::size_t n) {
    if (wordWise && x + 4 <= n) {
        return ((load32(s + p) ^ load32(s + x)) & 0x00FFFFFFu) == 0;
    }
    return s[p] == s[x] && s[p + 1] == s[x + 1] && s[p + 2] == s[x + 2];
}

// Length of the run of s[x] starting at x, at most maxRun - 1 and never past n.
inline std::size_t runLength(const std::uint8_t* s, std::size_t x, std::size_t n) {
    const std::size_t limit = std::min(maxRun, n - x);
    const std::uint8_t v = s[x];
    std::size_t r = 1;
    if constexpr (wordWise) {
        const std::uint64_t pattern = 0x0101010101010101ull * v;
        while (r + 8 <= limit) {
            const std::uint64_t diff = load64(s + x + r) ^ pattern;
            if (diff != 0) {
                return r + static_cast<std::size_t>(std::countr_zero(diff) / 8);
            }
            r += 8;
        }
    }
    while (r < limit && s[x + r] == v) {
        ++r;
    }
    return r;
}

// Number of equal bytes at p and x, at most maxMatch and never past n (p < x).
inline std::size_t matchLength(const std::uint8_t* s, std::size_t p, std::size_t x, std::size_t n) {
    const std::size_t limit = std::min(maxMatch, n - x);
    std::size_t m = 0;
    if constexpr (wordWise) {
        while (m + 8 <= limit) {
            const std::uint64_t diff = load64(s + x + m) ^ load64(s + p + m);
            if (diff != 0) {
                return m + static_cast<std::size_t>(std::countr_zero(diff) / 8);
            }
            m += 8;
        }
    }
    while (m < limit && s[x + m] == s[p + m]) {
        ++m;
    }
    return m;
}

// Copies 16 bytes; the caller guarantees room at both ends.
inline void copy16(std::uint8_t* to, const std::uint8_t* from) {
    std::memcpy(to, from, 16);
}

// Hash of the three bytes at the low end of a little-endian word; equals hash() on them. The
// three shifted bytes are independent terms, which keeps the hash's latency short.
inline unsigned hashWord(std::uint64_t w) {
    const auto v = static_cast<std::uint32_t>(w);
    const std::uint32_t key = ((v << 8) & 0xFF00u) ^ ((v >> 4) & 0x0FF0u) ^ ((v >> 16) & 0xFFu);
    return ((key * 40543u) >> 4) & 0x0FFFu;
}

// Match length at p and x once the first three bytes agree: head is the XOR of the first words.
// Reads 18 bytes at both places.
inline std::size_t wordMatchLength(const std::uint8_t* s, std::size_t p, std::size_t x,
                                   std::uint64_t head) {
    if (head != 0) {
        return static_cast<std::size_t>(std::countr_zero(head) / 8);
    }
    const std::uint64_t middle = load64(s + x + 8) ^ load64(s + p + 8);
    if (middle != 0) {
        return 8 + static_cast<std::size_t>(std::countr_zero(middle) / 8);
    }
    // Bytes 10 to 15 are known equal here, so this word only decides 16 and 17.
    const std::uint64_t tail = load64(s + x + 10) ^ load64(s + p + 10);
    return tail != 0 ? 10 + static_cast<std::size_t>(std::countr_zero(tail) / 8) : maxMatch;
}

// A copy of at most maxMatch bytes from offset bytes back (1 <= offset); writes 24 bytes at out,
// the excess being overwritten by the items that follow.
inline void copyReference(std::uint8_t* out, std::size_t offset) {
    const std::uint8_t* from = out - offset;
    if (offset >= 8) [[likely]] {
        // Each step reads only bytes already final, because offset >= 8.
        store64(out, load64(from));
        store64(out + 8, load64(from + 8));
        store64(out + 16, load64(from + 16));
    } else {
        // The first eight bytes one by one settle the pattern; after that a whole multiple of
        // the offset that is at least 8 lets words copy it on.
        static constexpr std::uint8_t stepFor[8] = {0, 8, 8, 9, 8, 10, 12, 14};
        for (std::size_t i = 0; i < 8; ++i) {
            out[i] = from[i];
        }
        const std::size_t step = stepFor[offset];
        store64(out + 8, load64(out + 8 - step));
        store64(out + 16, load64(out + 16 - step));
    }
}

// Worst case of one group: the control word and 16 run items, plus the 16 bytes a literal copy
// reads at the group's end.
constexpr std::size_t fastInput = 2 + 16 * 4 + 16;
// Worst case of one group without runs: 16 copies of the longest match, and the 24 bytes the
// last one writes.
constexpr std::size_t fastOutput = 16 * maxMatch + 24;

} // namespace

TLZR::TLZR() {
    try {
        m_table.assign(4096, emptySlot);
    } catch (const std::bad_alloc&) {
        throw ELzrw1KHCompressor("LZRW1KH : no memory for HASH table");
    }
}

std::size_t TLZR::CompressBlock(const std::uint8_t* s, std::size_t n, std::uint8_t* d) {
    std::fill(m_table.begin(), m_table.end(), emptySlot);
    // A local pointer: byte stores to d could alias the vector's own pointer, forcing reloads.
    std::uint16_t* const table = m_table.data();
    d[0] = flagCompressed;
    std::size_t x = 0;
    std::size_t y = 3;
    std::size_t z = 1;
    unsigned k = 0;
    std::uint32_t control = 0;
    // The control word goes high byte first into the two bytes kept for it.
    const auto storeControl = [&] {
        d[z] = static_cast<std::uint8_t>(control >> 8);
        d[z + 1] = static_cast<std::uint8_t>(control);
    };
    // After 16 items: the group's control word is complete (its old bits all shifted out), and
    // the next group's goes where the output stands.
    const auto startGroup = [&] {
        storeControl();
        z = y;
        y += 2;
        k = 0;
    };

    if constexpr (wordWise) {
        // While 18 bytes remain, the run test and the match count read whole words without
        // bounds checks. An empty slot holds 0xFFFF, above any position, so x - p wraps and
        // fails the offset test as well.
        const std::size_t wordEnd = n >= maxMatch ? n - maxMatch : 0;
        while (x < wordEnd && y <= n) {
            if (k == 16) [[unlikely]] {
                startGroup();
            }
            ++k;

            const std::uint64_t word = load64(s + x);
            // Sixteen equal bytes: the first nine agree with their neighbours and the next
            // eight repeat the first eight.
            if (word == load64(s + x + 1) && word == load64(s + x + 8)) [[unlikely]] {
                const std::size_t run = runLength(s, x, n);
                const std::size_t count = run - minRun;
                d[y] = 0;
                d[y + 1] = static_cast<std::uint8_t>(count >> 8);
                d[y + 2] = static_cast<std::uint8_t>(count);
                d[y + 3] = static_cast<std::uint8_t>(word);
                y += 4;
                x += run;
                control = (control << 1) | 1u;
                continue;
            }

            const unsigned h = hashWord(word);
            const std::size_t p = table[h];
            table[h] = static_cast<std::uint16_t>(x);
            if (x - p <= maxOffset) {
                const std::uint64_t head = word ^ load64(s + p);
                if ((head & 0x00FFFFFFu) == 0) {
                    // The shortest match is the most common; a branch of its own lets the
                    // next position be known before the count is.
                    const std::size_t m =
                        (head & 0xFF000000u) != 0 ? minMatch : wordMatchLength(s, p, x, head);
                    const std::size_t key = ((x - p) << 4) | (m - minMatch);
                    d[y] = static_cast<std::uint8_t>(key >> 8);
                    d[y + 1] = static_cast<std::uint8_t>(key);
                    y += 2;
                    x += m;
                    control = (control << 1) | 1u;
                    continue;
                }
            }

            d[y++] = static_cast<std::uint8_t>(word);
            ++x;
            control <<= 1;
        }
        control &= 0xFFFFu;
    }

    // The block's last bytes, with every read checked against n.
    while (x < n && y <= n) {
        if (k == 16) {
            startGroup();
        }
        ++k;

        // Cheap first test: most positions do not start a run at all.
        std::size_t run = 1;
        if (x + 1 < n && s[x + 1] == s[x]) {
            run = runLength(s, x, n);
        }
        if (run >= minRun) {
            const std::size_t count = run - minRun;
            d[y] = 0;
            d[y + 1] = static_cast<std::uint8_t>(count >> 8);
            d[y + 2] = static_cast<std::uint8_t>(count);
            d[y + 3] = s[x];
            y += 4;
            x += run;
            control = ((control << 1) | 1u) & 0xFFFFu;
            continue;
        }

        // The last two positions cannot start a match; skipping their hash keeps reads inside.
        if (x + 2 < n) {
            const unsigned h = hash(s + x);
            const std::size_t p = table[h];
            table[h] = static_cast<std::uint16_t>(x);
            if (p != emptySlot && x - p <= maxOffset && sameFirstThree(s, p, x, n)) {
                const std::size_t m = matchLength(s, p, x, n);
                if (m >= minMatch) {
                    const std::size_t key = ((x - p) << 4) | (m - minMatch);
                    d[y] = static_cast<std::uint8_t>(key >> 8);
                    d[y + 1] = static_cast<std::uint8_t>(key);
                    y += 2;
                    x += m;
                    control = ((control << 1) | 1u) & 0xFFFFu;
                    continue;
                }
            }
        }

        d[y++] = s[x++];
        control = (control << 1) & 0xFFFFu;
    }

    // The last group's unused bits are 0.
    control = k == 0 ? 0 : (control << (16 - k)) & 0xFFFFu;
    storeControl();

    if (y > n) {
        d[0] = flagStored;
        if (n > 0) {
            std::memcpy(d + 1, s, n);
        }
        return n + 1;
    }
    return y;
}

std::optional<std::size_t> TLZR::DecompressBlock(const std::uint8_t* b, std::size_t len,
                                                 std::uint8_t* o) const {
    if (len <= 1) {
        return 0;
    }
    if (len > maxRecord) {
        return std::nullopt;
    }
    if (b[0] == flagStored) {
        std::memcpy(o, b + 1, len - 1);
        return len - 1;
    }
    if (len < 3) {
        // The first control word ends the record, so there is no item to decode.
        return 0;
    }

    std::size_t x = 1;
    std::size_t y = 0;
    std::uint32_t control = 0;
    unsigned bits = 0;

    // Whole groups while the input holds the largest possible group and the output has room for
    // one without runs: no item needs its own bounds check then, only the references and runs
    // their validity checks. The flags sit at the top of a word with a stop bit below them, so
    // counting leading zeros gives the literals before the next copy or the group's end.
    while (x + fastInput <= len && y + fastOutput <= blockSize) {
        std::uint32_t flags =
            (std::uint32_t{b[x]} << 24) | (std::uint32_t{b[x + 1]} << 16) | 0x8000u;
        x += 2;
        for (;;) {
            if ((flags & 0x80000000u) == 0) {
                // At most 16 literals: copy 16 and let the next items overwrite the excess.
                const unsigned literals = static_cast<unsigned>(std::countl_zero(flags));
                copy16(o + y, b + x);
                x += literals;
                y += literals;
                flags <<= literals;
            }
            if (flags == 0x80000000u) {
                break;
            }
            flags <<= 1;

            const std::size_t high = b[x];
            const std::size_t low = b[x + 1];
            const std::size_t offset = (high << 4) | (low >> 4);
            // One test for both a reference before the output and offset 0, the run item.
            if (offset - 1 < y) [[likely]] {
                const std::size_t length = (low & 0x0Fu) + minMatch;
                copyReference(o + y, offset);
                y += length;
                x += 2;
                continue;
            }
            if (offset != 0) {
                return std::nullopt;
            }
            const std::size_t count = ((low << 8) | b[x + 2]) + minRun;
            if (y + count > blockSize) {
                return std::nullopt;
            }
            std::memset(o + y, b[x + 3], count);
            y += count;
            x += 4;
            if (y + fastOutput > blockSize) {
                // No room left for the rest of the group: the careful loop takes over with the
                // flags not yet used, the stop bit taken out.
                const int stop = std::countr_zero(flags);
                bits = static_cast<unsigned>(31 - stop);
                control = (flags & ~(1u << stop)) >> 16;
                break;
            }
        }
    }
    if (x == 1) {
        control = (std::uint32_t{b[1]} << 8) | b[2];
        x = 3;
        bits = 16;
    }

    while (x < len) {
        if (bits == 0) {
            // A writer always follows a control word with at least one item.
            if (x + 3 > len) {
                return std::nullopt;
            }
            control = (std::uint32_t{b[x]} << 8) | b[x + 1];
            x += 2;
            bits = 16;
        }

        if ((control & 0x8000u) == 0) {
            // Take every literal up to the next copy item in one go.
            std::size_t literals =
                static_cast<std::size_t>(std::countl_zero(static_cast<std::uint16_t>(control)));
            literals = std::min({literals, std::size_t{bits}, len - x});
            if (y + literals > blockSize) {
                return std::nullopt;
            }
            if (x + 16 <= len && y + 16 <= blockSize) {
                copy16(o + y, b + x);
            } else {
                std::memcpy(o + y, b + x, literals);
            }
            x += literals;
            y += literals;
            bits -= static_cast<unsigned>(literals);
            control = (control << literals) & 0xFFFFu;
            continue;
        }

        if (x + 2 > len) {
            return std::nullopt;
        }
        const std::size_t offset = (std::size_t{b[x]} << 4) | (b[x + 1] >> 4);
        if (offset == 0) {
            if (x + 4 > len) {
                return std::nullopt;
            }
            const std::size_t count = ((std::size_t{b[x + 1]} << 8) | b[x + 2]) + minRun;
            if (y + count > blockSize) {
                return std::nullopt;
            }
            std::memset(o + y, b[x + 3], count);
            y += count;
            x += 4;
        } else {
            const std::size_t length = (b[x + 1] & 0x0Fu) + minMatch;
            if (offset > y || y + length > blockSize) {
                return std::nullopt;
            }
            if (y + 24 <= blockSize) {
                copyReference(o + y, offset);
            } else {
                std::uint8_t* out = o + y;
                const std::uint8_t* from = out - offset;
                for (std::size_t i = 0; i < length; ++i) {
                    out[i] = from[i];
                }
            }
            y += length;
            x += 2;
        }
        control = (control << 1) & 0xFFFFu;
        --bits;
    }
    return y;
}
