// The compressor's container through files and memory: its layout, both modes, refused
// containers with their messages, what a failure leaves of the output, and Advise.
#include "tally/LZRW1.h"
#include "tests/tally/CompressorFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace fs = std::filesystem;

namespace {

// Words and numbers, like a tally text or any other text file.
Bytes textBytes(std::size_t n, std::uint32_t seed) {
    static const char* const words[] = {"Total", "Games",   "Highest", "Level", "Reached",
                                        "Board", "Cleared", "Guest",   "-1000", "\r\n"};
    std::mt19937 random(seed);
    Bytes out;
    while (out.size() < n) {
        const std::string word = random() % 3 == 0 ? std::to_string(random() % 100000)
                                                   : words[random() % std::size(words)];
        out.insert(out.end(), word.begin(), word.end());
        out.push_back(' ');
    }
    out.resize(n);
    return out;
}

// Runs `action`, which must fail with exactly `message`.
template <class Action> void expectError(Action action, const std::string& message) {
    try {
        action();
        ADD_FAILURE() << "no error; expected: " << message;
    } catch (const ELzrw1Exception& e) {
        EXPECT_EQ(std::string(e.what()), message);
    }
}

class Lzrw1Container : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "lzrw1test.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    // Compresses `data` through files; returns the container bytes.
    Bytes compressFile(const Bytes& data, TCompressMode mode) {
        writeBytes(path("plain"), data);
        Tlzrw1 lzrw;
        lzrw.CompressMode = mode;
        lzrw.InputFile = path("plain");
        lzrw.OutputFile = path("packed");
        const std::int64_t written = lzrw.Compress();
        Bytes packed = readBytes(path("packed"));
        EXPECT_EQ(written, static_cast<std::int64_t>(packed.size()));
        return packed;
    }

    // Decompresses a container through files, then in stream mode: both must fail with exactly
    // `message`, leave no output (nor temporary) file and an empty output stream.
    void expectRefused(const Bytes& container, const std::string& message) {
        writeBytes(path("bad"), container);
        Tlzrw1 lzrw;
        lzrw.InputFile = path("bad");
        lzrw.OutputFile = path("out");
        expectError([&] { lzrw.Decompress(); }, message);

        Tlzrw1 stream;
        stream.UseStream = true;
        stream.InputFile = path("bad"); // named in the message, never touched
        stream.OutputFile = path("out");
        stream.inputStream = container;
        stream.outputStream = {1, 2, 3};
        expectError([&] { stream.Decompress(); }, message);
        EXPECT_TRUE(stream.outputStream.empty());
        for (const auto& entry : fs::directory_iterator(m_dir)) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "bad" || name == "plain" || name == "packed") << name;
        }
    }

    fs::path m_dir;
};

TEST_F(Lzrw1Container, EmptyInputGivesElevenBytes) {
    const Bytes packed = compressFile({}, TCompressMode::Fast);
    EXPECT_EQ(packed, Bytes({0x57, 0x52, 0x5A, 0x4C, 0, 0, 0, 0, 0x01, 0x00, 0x80}));

    Tlzrw1 lzrw;
    lzrw.InputFile = path("packed");
    lzrw.OutputFile = path("unpacked");
    EXPECT_EQ(lzrw.Decompress(), 0);
    EXPECT_TRUE(fs::exists(path("unpacked")));
    EXPECT_EQ(fs::file_size(path("unpacked")), 0u);
}

TEST_F(Lzrw1Container, BlockRecordsFollowTheInputLength) {
    // A whole block is followed by the empty last block.
    const Bytes full = compressFile(Bytes(32768, 'a'), TCompressMode::Fast);
    ASSERT_GE(full.size(), 11u);
    EXPECT_EQ(Bytes(full.begin() + 4, full.begin() + 8), Bytes({0x00, 0x80, 0x00, 0x00}));
    EXPECT_EQ(Bytes(full.end() - 3, full.end()), Bytes({0x01, 0x00, 0x80}));
    const std::size_t first = full[8] | full[9] << 8;
    EXPECT_EQ(full.size(), 8u + 2 + first + 3);

    // 40 equal bytes: one 7-byte block.
    EXPECT_EQ(
        compressFile(Bytes(40, 0x33), TCompressMode::Fast),
        Bytes({0x57, 0x52, 0x5A, 0x4C, 40, 0, 0, 0, 7, 0, 0x40, 0x80, 0x00, 0, 0, 0x18, 0x33}));

    // Random data: stored records of 32769 bytes, then a stored remainder.
    const Bytes data = randomBytes(2 * 32768 + 5, 7);
    const Bytes packed = compressFile(data, TCompressMode::Fast);
    ASSERT_EQ(packed.size(), 8u + 2 * (2 + 32769) + 2 + 6);
    EXPECT_EQ(packed[8], 0x01);
    EXPECT_EQ(packed[9], 0x80);
    EXPECT_EQ(packed[10], 0x80);
    EXPECT_EQ(packed[8 + 32771], 0x01);
    EXPECT_EQ(packed[8 + 32771 + 1], 0x80);
    EXPECT_EQ(Bytes(packed.end() - 8, packed.end() - 5), Bytes({0x06, 0x00, 0x80}));

    EXPECT_EQ(compressFile({'a', 'b', 'c'}, TCompressMode::Fast),
              Bytes({0x57, 0x52, 0x5A, 0x4C, 3, 0, 0, 0, 4, 0, 0x80, 0x61, 0x62, 0x63}));
}

TEST_F(Lzrw1Container, RoundTripsAcrossSizesInBothModes) {
    const std::size_t sizes[] = {0,     1,     2,     3,     17,    1000,  32767, 32768,
                                 32769, 65535, 65536, 65537, 98303, 98304, 100000};
    std::uint32_t seed = 100;
    for (const TCompressMode mode : {TCompressMode::Fast, TCompressMode::Good}) {
        for (const std::size_t size : sizes) {
            for (const Bytes& data : {textBytes(size, ++seed), randomBytes(size, ++seed)}) {
                SCOPED_TRACE("mode " + std::to_string(static_cast<int>(mode)) + " size " +
                             std::to_string(size));
                const Bytes packed = compressFile(data, mode);
                ASSERT_GE(packed.size(), 8u);
                EXPECT_EQ(packed[0], mode == TCompressMode::Fast ? 0x57 : 0x21);
                Tlzrw1 lzrw;
                lzrw.InputFile = path("packed");
                lzrw.OutputFile = path("unpacked");
                EXPECT_EQ(lzrw.Decompress(), static_cast<std::int64_t>(size));
                ASSERT_EQ(readBytes(path("unpacked")), data);

                // Stream mode produces the same container and reads it back.
                Tlzrw1 stream;
                stream.UseStream = true;
                stream.CompressMode = mode;
                stream.inputStream = data;
                EXPECT_EQ(stream.Compress(), static_cast<std::int64_t>(packed.size()));
                ASSERT_EQ(stream.outputStream, packed);
                stream.inputStream = packed;
                EXPECT_EQ(stream.Decompress(), static_cast<std::int64_t>(size));
                ASSERT_EQ(stream.outputStream, data);
            }
        }
    }
}

TEST_F(Lzrw1Container, TextShrinks) {
    const Bytes text = textBytes(100000, 3);
    EXPECT_LT(compressFile(text, TCompressMode::Fast).size(), text.size() * 7 / 10);
    EXPECT_LT(compressFile(text, TCompressMode::Good).size(), text.size() / 2);
}

TEST_F(Lzrw1Container, RefusesBadContainersWithTheirMessages) {
    const Bytes good = compressFile(textBytes(70000, 5), TCompressMode::Fast);
    const std::string header =
        path("bad") + " : Lzrw1 decompression : this file has no valid header !";
    const std::string readError = "Lzrw1 : Error reading from input file : " + path("bad");
    const std::string mismatch =
        "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !";
    const std::string corrupt = path("bad") + " : Lzrw1 decompression : corrupt compressed data !";

    Bytes changed = good;
    changed[0] ^= 1;
    expectRefused(changed, header);
    expectRefused({}, readError);
    expectRefused({0x57, 0x52}, readError);
    expectRefused(Bytes(good.begin(), good.begin() + 6), readError);
    expectRefused(Bytes(good.begin(), good.end() - 1), readError);
    expectRefused(Bytes(good.begin(), good.begin() + 8 + 2 + 100), readError);

    Bytes longer = good;
    longer[4] += 1;
    expectRefused(longer, mismatch);
    expectRefused({0x57, 0x52, 0x5A, 0x4C, 1, 0, 0, 0, 1, 0, 0x80}, mismatch);

    // A record longer than any writer makes.
    expectRefused({0x57, 0x52, 0x5A, 0x4C, 0, 0, 0, 0, 0x02, 0x80}, corrupt);
    // A reference before the start of the block's output.
    expectRefused({0x57, 0x52, 0x5A, 0x4C, 3, 0, 0, 0, 5, 0, 0x40, 0x80, 0x00, 0x00, 0x12},
                  corrupt);

    // Mode Good: cut short and overlong.
    const Bytes goodMode = compressFile(textBytes(5000, 6), TCompressMode::Good);
    expectRefused(Bytes(goodMode.begin(), goodMode.begin() + goodMode.size() / 2), readError);
    Bytes overlong = goodMode;
    overlong[4] += 1;
    expectRefused(overlong, readError);
}

TEST_F(Lzrw1Container, AFailureKeepsAnOutputOnlyWhenTheInputWasNeverReached) {
    const Bytes keep = {'k', 'e', 'e', 'p'};
    writeBytes(path("plain"), textBytes(3 * 32768, 4));
    writeBytes(path("bad"), {'n', 'o', 'p', 'e', 0, 0, 0, 0});
    // The input shrinks while it is packed: the read comes up short after the first block.
    const auto shrinkInput = [this] { fs::resize_file(path("plain"), 10); };
    struct Case {
        const char* what;
        bool compress;
        std::string input;
        std::function<void()> afterBlock;
        std::string message;
        bool outputStays;
    };
    const Case cases[] = {
        {"compress, missing input",
         true,
         path("missing"),
         {},
         "Lzrw1 compression : Failed to obtain the size of : " + path("missing"),
         true},
        {"compress, a folder as input",
         true,
         m_dir.string(),
         {},
         "Lzrw1 compression : Failed to obtain the size of : " + m_dir.string(),
         true},
        {"compress, input changes while read", true, path("plain"), shrinkInput,
         "Lzrw1 : Error reading from input file : " + path("plain") + " (LZRW1/KH)", false},
        {"decompress, missing input",
         false,
         path("missing"),
         {},
         "Lzrw1 (de)compression : Failed to open input file : " + path("missing"),
         false},
        {"decompress, bad header",
         false,
         path("bad"),
         {},
         path("bad") + " : Lzrw1 decompression : this file has no valid header !",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(path("existing"), keep);
        Tlzrw1 lzrw;
        lzrw.CompressMode = TCompressMode::Fast;
        lzrw.InputFile = c.input;
        lzrw.OutputFile = path("existing");
        lzrw.onProcessEvents = c.afterBlock;
        expectError([&] { c.compress ? lzrw.Compress() : lzrw.Decompress(); }, c.message);
        EXPECT_EQ(fs::exists(path("existing")), c.outputStays);
        if (c.outputStays) {
            EXPECT_EQ(readBytes(path("existing")), keep);
        }
        // Nor is a temporary file left beside it.
        for (const auto& entry : fs::directory_iterator(m_dir)) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "plain" || name == "bad" || name == "existing") << name;
        }
    }

    // A file unpacked onto itself is the input too: a failure leaves it as it was.
    Tlzrw1 same;
    same.InputFile = path("bad");
    same.OutputFile = path("bad");
    EXPECT_THROW(same.Decompress(), ELzrw1Exception);
    EXPECT_EQ(readBytes(path("bad")), Bytes({'n', 'o', 'p', 'e', 0, 0, 0, 0}));

    // An output that cannot be created is reported as such.
    Tlzrw1 lzrw;
    lzrw.InputFile = path("plain");
    lzrw.OutputFile = path("nofolder/out");
    expectError([&] { lzrw.Compress(); },
                "Lzrw1 (de)compression : Failed to open output file : " + path("nofolder/out"));
}

TEST_F(Lzrw1Container, CompressesAFileInPlace) {
    const Bytes data = textBytes(50000, 8);
    writeBytes(path("same"), data);
    Tlzrw1 lzrw;
    lzrw.CompressMode = TCompressMode::Fast;
    lzrw.InputFile = path("same");
    lzrw.OutputFile = path("same");
    lzrw.Compress();
    lzrw.Decompress();
    EXPECT_EQ(readBytes(path("same")), data);
}

TEST_F(Lzrw1Container, StreamModeReportsProgressPerBlock) {
    Tlzrw1 lzrw;
    lzrw.UseStream = true;
    int events = 0;
    lzrw.onProcessEvents = [&] { ++events; };
    lzrw.CompressMode = TCompressMode::Fast;
    lzrw.inputStream = Bytes(3 * 32768, 'z');
    lzrw.outputStream = {9, 9};
    lzrw.Compress();
    EXPECT_EQ(events, 4); // three full blocks and the empty last one
    EXPECT_EQ(Bytes(lzrw.outputStream.begin(), lzrw.outputStream.begin() + 4),
              Bytes({0x57, 0x52, 0x5A, 0x4C}));
}

TEST_F(Lzrw1Container, AdviseSamplesLargeInputs) {
    Tlzrw1 lzrw;
    lzrw.UseStream = true;
    lzrw.CompressMode = TCompressMode::Auto;

    lzrw.inputStream = textBytes(98303, 1);
    EXPECT_EQ(lzrw.Advise(), TCompressMode::Good);
    EXPECT_EQ(lzrw.caption(), "Lzrw1 recommends GOOD compression :  small file !!");
    // A small file settles the mode for good.
    EXPECT_EQ(lzrw.CompressMode, TCompressMode::Good);
    lzrw.Compress();
    EXPECT_EQ(lzrw.outputStream[0], 0x21);

    lzrw.CompressMode = TCompressMode::Auto;
    lzrw.inputStream = Bytes(200000, 'r');
    EXPECT_EQ(lzrw.Advise(), TCompressMode::Fast);
    EXPECT_EQ(lzrw.caption(), "Lzrw1 recommends FAST compression : 0%.");
    lzrw.Compress();
    EXPECT_EQ(lzrw.outputStream[0], 0x57);

    lzrw.inputStream = randomBytes(200000, 2);
    EXPECT_EQ(lzrw.Advise(), TCompressMode::Good);
    EXPECT_EQ(lzrw.caption(), "Lzrw1 recommends GOOD compression : 100%.");

    // Text at about half its size: the threshold decides.
    lzrw.inputStream = textBytes(200000, 3);
    lzrw.Threshold = 90;
    EXPECT_EQ(lzrw.Advise(), TCompressMode::Fast);
    lzrw.Threshold = 10;
    EXPECT_EQ(lzrw.Advise(), TCompressMode::Good);

    Tlzrw1 files;
    files.InputFile = path("missing");
    expectError([&] { files.Advise(); },
                "Lzrw1 advise : can not get the size of : " + path("missing"));
}

} // namespace
