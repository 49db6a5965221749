// The LZRW1/KH block coder: the block format, stored and run items, corrupt blocks, and no
// write past the destination sizes the coders are given.
#include "tally/LZRW1KH.h"
#include "tests/tally/CompressorFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace {

// Straightforward byte-at-a-time coder, kept as the model the fast coder must match byte for byte.
Bytes modelCompress(const Bytes& s) {
    const std::size_t n = s.size();
    std::vector<std::uint16_t> table(4096, 0xFFFF);
    Bytes d(n + 16, 0);
    d[0] = 0x40;
    std::size_t x = 0, y = 3, z = 1;
    unsigned k = 0;
    unsigned c = 0;
    auto at = [&](std::size_t i) -> unsigned { return i < n ? s[i] : 0; };
    while (x < n && y <= n) {
        if (k == 16) {
            d[z] = c >> 8 & 0xFF;
            d[z + 1] = c & 0xFF;
            z = y;
            y += 2;
            k = 0;
        }
        std::size_t r = 1;
        while (r < 4095 && x + r < n && s[x + r] == s[x]) {
            ++r;
        }
        if (r >= 16) {
            d[y] = 0;
            d[y + 1] = (r - 16) >> 8;
            d[y + 2] = (r - 16) & 0xFF;
            d[y + 3] = s[x];
            y += 4;
            x += r;
            c = (c * 2 + 1) & 0xFFFF;
        } else {
            const unsigned h =
                ((((at(x) << 4) ^ at(x + 1)) << 4 ^ at(x + 2)) * 40543u >> 4) & 0xFFF;
            const std::size_t p = table[h];
            table[h] = static_cast<std::uint16_t>(x);
            std::size_t m = 0;
            if (p != 0xFFFF && x - p < 4096) {
                while (m < 18 && x + m < n && s[x + m] == s[p + m]) {
                    ++m;
                }
            }
            if (m >= 3) {
                const std::size_t key = (x - p) * 16 + (m - 3);
                d[y] = key >> 8;
                d[y + 1] = key & 0xFF;
                y += 2;
                x += m;
                c = (c * 2 + 1) & 0xFFFF;
            } else {
                d[y++] = s[x++];
                c = (c * 2) & 0xFFFF;
            }
        }
        ++k;
    }
    c = k == 0 ? 0 : (c << (16 - k)) & 0xFFFF;
    d[z] = c >> 8;
    d[z + 1] = c & 0xFF;
    if (y > n) {
        d[0] = 0x80;
        std::copy(s.begin(), s.end(), d.begin() + 1);
        y = n + 1;
    }
    d.resize(y);
    return d;
}

// Byte-at-a-time decoder with the same rules for refusing a block, kept as the model the fast
// decoder must agree with on any input, corrupt or not.
std::optional<Bytes> modelDecompress(const Bytes& b) {
    const std::size_t len = b.size();
    if (len <= 1) {
        return Bytes();
    }
    if (len > TLZR::maxRecord) {
        return std::nullopt;
    }
    if (b[0] == 0x80) {
        return Bytes(b.begin() + 1, b.end());
    }
    if (len < 3) {
        return Bytes();
    }
    Bytes o;
    std::size_t x = 3;
    unsigned control = b[1] << 8 | b[2];
    unsigned bits = 16;
    while (x < len) {
        if (bits == 0) {
            if (x + 3 > len) {
                return std::nullopt;
            }
            control = b[x] << 8 | b[x + 1];
            x += 2;
            bits = 16;
        }
        if (control & 0x8000) {
            if (x + 2 > len) {
                return std::nullopt;
            }
            const std::size_t offset = b[x] << 4 | b[x + 1] >> 4;
            if (offset == 0) {
                if (x + 4 > len) {
                    return std::nullopt;
                }
                const std::size_t count = (b[x + 1] << 8 | b[x + 2]) + 16;
                if (o.size() + count > TLZR::blockSize) {
                    return std::nullopt;
                }
                o.insert(o.end(), count, b[x + 3]);
                x += 4;
            } else {
                const std::size_t length = (b[x + 1] & 0x0F) + 3;
                if (offset > o.size() || o.size() + length > TLZR::blockSize) {
                    return std::nullopt;
                }
                for (std::size_t i = 0; i < length; ++i) {
                    o.push_back(o[o.size() - offset]);
                }
                x += 2;
            }
        } else {
            if (o.size() + 1 > TLZR::blockSize) {
                return std::nullopt;
            }
            o.push_back(b[x++]);
        }
        control = (control << 1) & 0xFFFF;
        --bits;
    }
    return o;
}

// Bytes after a destination of the size the coders are given; they must stay untouched.
constexpr std::size_t guard = 64;
constexpr std::uint8_t guardByte = 0xEE;

bool guardIntact(const Bytes& buffer, std::size_t size) {
    return std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(size), buffer.end(),
                       [](std::uint8_t b) { return b == guardByte; });
}

// Codes into a destination of exactly n + slack bytes.
Bytes compress(TLZR& coder, const Bytes& src) {
    const std::size_t room = src.size() + TLZR::slack;
    Bytes dst(room + guard, guardByte);
    const std::size_t length = coder.CompressBlock(src.data(), src.size(), dst.data());
    EXPECT_TRUE(guardIntact(dst, room)) << "wrote past n + slack, n = " << src.size();
    dst.resize(length);
    return dst;
}

// Decodes into a destination of exactly blockSize bytes.
std::optional<Bytes> decompress(const TLZR& coder, const Bytes& block) {
    Bytes out(TLZR::blockSize + guard, guardByte);
    const auto n = coder.DecompressBlock(block.data(), block.size(), out.data());
    EXPECT_TRUE(guardIntact(out, TLZR::blockSize)) << "wrote past blockSize";
    if (!n) {
        return std::nullopt;
    }
    out.resize(*n);
    return out;
}

// Text-like data with repeats at many distances, short runs and long runs.
Bytes mixedBytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes out;
    while (out.size() < n) {
        switch (random() % 4) {
        case 0: {
            const std::size_t len = 1 + random() % 30;
            for (std::size_t i = 0; i < len; ++i) {
                out.push_back(static_cast<std::uint8_t>('a' + random() % 6));
            }
            break;
        }
        case 1:
            if (!out.empty()) {
                const std::size_t back = 1 + random() % std::min<std::size_t>(out.size(), 5000);
                const std::size_t len = 1 + random() % 40;
                for (std::size_t i = 0; i < len; ++i) {
                    out.push_back(out[out.size() - back]);
                }
            }
            break;
        case 2:
            out.insert(out.end(), 1 + random() % 5000, static_cast<std::uint8_t>(random()));
            break;
        default:
            out.push_back(static_cast<std::uint8_t>(random()));
        }
    }
    out.resize(n);
    return out;
}

TEST(Lzrw1Block, ShortInputsAreStored) {
    TLZR coder;
    EXPECT_EQ(compress(coder, {}), Bytes({0x80}));
    EXPECT_EQ(compress(coder, {7}), Bytes({0x80, 7}));
    EXPECT_EQ(compress(coder, {7, 7}), Bytes({0x80, 7, 7}));
    EXPECT_EQ(compress(coder, {'a', 'b', 'c'}), Bytes({0x80, 0x61, 0x62, 0x63}));
}

TEST(Lzrw1Block, FortyEqualBytesBecomeOneRunItem) {
    TLZR coder;
    EXPECT_EQ(compress(coder, Bytes(40, 0x5A)), Bytes({0x40, 0x80, 0x00, 0x00, 0x00, 0x18, 0x5A}));
    // The longest run item holds 4095 bytes.
    const Bytes longRun = compress(coder, Bytes(5000, 1));
    EXPECT_EQ(Bytes(longRun.begin(), longRun.begin() + 7),
              Bytes({0x40, 0xC0, 0x00, 0, 0x0F, 0xEF, 1}));
    EXPECT_EQ(decompress(coder, longRun), Bytes(5000, 1));
}

TEST(Lzrw1Block, RandomDataIsStored) {
    TLZR coder;
    const Bytes data = randomBytes(TLZR::blockSize, 1);
    const Bytes block = compress(coder, data);
    ASSERT_EQ(block.size(), TLZR::blockSize + 1);
    EXPECT_EQ(block[0], 0x80);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), block.begin() + 1));
    EXPECT_EQ(decompress(coder, block), data);
}

TEST(Lzrw1Block, DecodesHandMadeItems) {
    TLZR coder;
    // Literal 'x', then offset 1 length 18: the previous byte repeated 18 times.
    EXPECT_EQ(decompress(coder, {0x40, 0x40, 0x00, 'x', 0x00, 0x1F}), Bytes(19, 'x'));
    // Overlapping copy with offset 2 repeats a pattern.
    EXPECT_EQ(decompress(coder, {0x40, 0x20, 0x00, 'a', 'b', 0x00, 0x22}),
              Bytes({'a', 'b', 'a', 'b', 'a', 'b', 'a'}));
    // Any flag other than 0x80 reads as compressed.
    EXPECT_EQ(decompress(coder, {0x00, 0x00, 0x00, 'q'}), Bytes({'q'}));
    // A record of one byte or less is empty whatever it holds.
    EXPECT_EQ(decompress(coder, {0x40}), Bytes());
    EXPECT_EQ(decompress(coder, {}), Bytes());
    // A compressed record that ends inside or right after its first control word holds no item.
    EXPECT_EQ(decompress(coder, {0x40, 0x80}), Bytes());
    EXPECT_EQ(decompress(coder, {0x40, 0x80, 0x00}), Bytes());
    // A run item may hold up to 4111 bytes.
    EXPECT_EQ(decompress(coder, {0x40, 0x80, 0x00, 0x00, 0x0F, 0xFF, 9}), Bytes(4111, 9));
}

TEST(Lzrw1Block, RefusesCorruptBlocks) {
    TLZR coder;
    // Reference before the start of the output.
    EXPECT_FALSE(decompress(coder, {0x40, 0x40, 0x00, 'x', 0x00, 0x20}));
    EXPECT_FALSE(decompress(coder, {0x40, 0x80, 0x00, 0xFF, 0xF0}));
    // Truncated copy and run items, and a control word with no item after it.
    EXPECT_FALSE(decompress(coder, {0x40, 0x80, 0x00, 0x01}));
    EXPECT_FALSE(decompress(coder, {0x40, 0x80, 0x00, 0x00, 0x01, 0x02}));
    Bytes sixteenLiterals = {0x40, 0x00, 0x00};
    sixteenLiterals.insert(sixteenLiterals.end(), 16, 'z');
    EXPECT_TRUE(decompress(coder, sixteenLiterals));
    sixteenLiterals.push_back(0x00);
    EXPECT_FALSE(decompress(coder, sixteenLiterals));
    // Output over a block: eight long runs of 4111 bytes each.
    Bytes runs = {0x40, 0xFF, 0x00};
    for (int i = 0; i < 8; ++i) {
        runs.insert(runs.end(), {0x00, 0x0F, 0xFF, 1});
    }
    EXPECT_FALSE(decompress(coder, runs));
    runs.resize(runs.size() - 4);
    EXPECT_EQ(decompress(coder, runs), Bytes(7 * 4111, 1));
    // Stored records over the largest a writer produces.
    Bytes stored(TLZR::maxRecord + 1, 0);
    stored[0] = 0x80;
    EXPECT_FALSE(decompress(coder, stored));
    stored.pop_back();
    EXPECT_EQ(decompress(coder, stored)->size(), TLZR::blockSize);
}

TEST(Lzrw1Block, MatchesTheModelAndRoundTrips) {
    TLZR coder;
    const std::size_t sizes[] = {3,  4,   5,    15,   16,   17,   18,    19,
                                 31, 100, 1000, 4095, 4096, 4097, 20000, TLZR::blockSize};
    std::uint32_t seed = 0;
    for (const std::size_t size : sizes) {
        for (const Bytes& data : {mixedBytes(size, ++seed), randomBytes(size, ++seed),
                                  Bytes(size, 0), Bytes(size, 'q')}) {
            const Bytes block = compress(coder, data);
            ASSERT_EQ(block, modelCompress(data)) << "size " << size << " seed " << seed;
            ASSERT_LE(block.size(), size + 1);
            ASSERT_EQ(decompress(coder, block), data) << "size " << size << " seed " << seed;
        }
    }
}

TEST(Lzrw1Block, DecoderAgreesWithTheModelOnDamagedBlocks) {
    TLZR coder;
    std::mt19937 random(77);
    std::uint32_t seed = 1000;
    for (int round = 0; round < 300; ++round) {
        const std::size_t size = round % 3 == 0 ? TLZR::blockSize : 1 + random() % 6000;
        Bytes block = compress(coder, mixedBytes(size, ++seed));
        if (block[0] != 0x40) {
            continue;
        }
        // Flipped bytes make references reach before the output, runs overflow the block and
        // items run past the end; a cut makes items truncated.
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) {
            block[1 + random() % (block.size() - 1)] = static_cast<std::uint8_t>(random());
        }
        if (random() % 2 == 0) {
            block.resize(1 + random() % block.size());
        }
        ASSERT_EQ(decompress(coder, block), modelDecompress(block)) << "round " << round;
    }
    // Long runs that leave a group short of room near the block's end.
    Bytes runs = {0x40, 0xFF, 0xFF};
    for (int i = 0; i < 7; ++i) {
        runs.insert(runs.end(), {0x00, 0x0F, 0xFF, 1});
    }
    runs.insert(runs.end(), {0x00, 0x0F, 0x50, 2, 0x00, 0x1F, 0x00, 0x1F});
    for (int i = 0; i < 6; ++i) {
        runs.insert(runs.end(), {0x00, 0x2F});
    }
    runs.insert(runs.end(), 100, 0x00);
    ASSERT_EQ(decompress(coder, runs), modelDecompress(runs));
    runs[runs.size() - 60] = 0x10;
    ASSERT_EQ(decompress(coder, runs), modelDecompress(runs));
}

} // namespace
