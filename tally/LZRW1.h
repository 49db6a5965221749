#pragma once

// Tlzrw1, the file compressor of the tally container, and TCompressMode, its modes.

#include "tally/LZH.h"
#include "tally/LZRW1KH.h"
#include "tally/Lzrw1Errors.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

enum class TCompressMode { Good = 0, Fast = 1, Auto = 2 };

class Lzrw1Reader;
class Lzrw1Writer;

// File compressor: packs one input into one container (Compress) and back (Decompress), either
// between named files or, with UseStream, between the two memory buffers below. Every failure
// is raised as ELzrw1Exception. A failed Compress or Decompress leaves no output behind: it
// removes OutputFile, also one that was there before, except when Compress could not get at its
// input (then an existing output stays as it was) and when the output is the input itself.
class Tlzrw1 {
public:
    static constexpr std::uint32_t fastIdentifier = 0x4C5A5257; // "WRZL" on disk
    static constexpr std::uint32_t goodIdentifier = 0x4C5A4821; // "!HZL" on disk

    Tlzrw1();
    ~Tlzrw1();
    Tlzrw1(const Tlzrw1&) = delete;
    Tlzrw1& operator=(const Tlzrw1&) = delete;

    bool UseStream = false;
    // Read in file mode; in both modes the name used in messages.
    std::string InputFile;
    // Written in file mode; in both modes the name used in messages.
    std::string OutputFile;
    TCompressMode CompressMode = TCompressMode::Good;
    // Advise picks Fast when the sampled blocks shrink below this percentage.
    int Threshold = 40;
    std::vector<std::uint8_t> inputStream;
    // Replaced on success; empty after a failure.
    std::vector<std::uint8_t> outputStream;
    // Called after each block so a user interface can handle pending events.
    std::function<void()> onProcessEvents;

    // Returns the bytes written, the 8-byte header included.
    std::int64_t Compress();
    // Returns the bytes written.
    std::int64_t Decompress();
    // Recommends Fast or Good for the current input.
    TCompressMode Advise();
    // Progress and result text.
    const std::string& caption() const { return m_caption; }

private:
    struct Buffers;
    // Throws failure as message, or the (de)compression's own noMemory failure when it is null.
    Buffers allocateBuffers(const char* failure) const;
    struct Channel;
    std::unique_ptr<Lzrw1Reader> makeReader() const;
    // Opens the input, then the output of one operation; needSize: the input's size must be
    // known. Throws with the message of whatever could not be opened.
    Channel openChannel(bool needSize);
    // After a failure: no output is left behind, unless the output is the input itself.
    void removeOutput();
    void processEvents();

    void compressFast(Channel& channel, Buffers& buffers);
    void compressGood(Channel& channel);
    // stored: the original size the container's header gives (its low 32 bits).
    std::uint64_t decompressFast(Channel& channel, Buffers& buffers, std::uint32_t stored);
    std::uint64_t decompressGood(Channel& channel, std::uint32_t stored);

    [[noreturn]] void failWrite() const;
    void readExact(Lzrw1Reader& reader, std::uint8_t* buffer, std::size_t n) const;
    void writeAll(Lzrw1Writer& writer, const std::uint8_t* data, std::size_t n) const;

    TLZR m_lzr;
    TLZH m_lzh;
    std::string m_caption;
};
