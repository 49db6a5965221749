#include "tally/LZRW1.h"

#include "tally/Lzrw1Reader.h"
#include "tally/Lzrw1Writer.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <system_error>
#include <unistd.h>

namespace {

constexpr std::uint64_t smallFile = 0x18000; // Advise: below this, always Good

void putLittle32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

std::uint32_t getLittle32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

} // namespace

std::string lzrw1Message(Lzrw1Failure failure, const std::string& subject) {
    switch (failure) {
    case Lzrw1Failure::openInput:
        return "Lzrw1 (de)compression : Failed to open input file : " + subject;
    case Lzrw1Failure::noMemory:
        return "Lzrw1 (de)compression : Failed to get memory for I/O buffers !";
    case Lzrw1Failure::readInput:
        return "Lzrw1 : Error reading from input file : " + subject;
    case Lzrw1Failure::noHeader:
        return subject + " : Lzrw1 decompression : this file has no valid header !";
    case Lzrw1Failure::corrupt:
        return subject + " : Lzrw1 decompression : corrupt compressed data !";
    case Lzrw1Failure::fastSizes:
        return "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !";
    case Lzrw1Failure::goodSizes:
        return "Lzrw1 (decompression LZH) : Original and compressed sizes do not match !";
    case Lzrw1Failure::other:
        break;
    }
    return subject;
}

// The two per-operation I/O buffers, each a block plus the coders' slack.
struct Tlzrw1::Buffers {
    std::unique_ptr<std::uint8_t[]> in;
    std::unique_ptr<std::uint8_t[]> out;
};

// The input and the output of one operation, both open.
struct Tlzrw1::Channel {
    std::unique_ptr<Lzrw1Reader> reader;
    std::unique_ptr<Lzrw1Writer> writer;
    std::uint64_t size = 0; // of the input; 0 when it could not be determined
};

Tlzrw1::Tlzrw1() = default;
Tlzrw1::~Tlzrw1() = default;

Tlzrw1::Buffers Tlzrw1::allocateBuffers(const char* failure) const {
    Buffers buffers;
    buffers.in.reset(new (std::nothrow) std::uint8_t[TLZR::bufferSize]);
    buffers.out.reset(new (std::nothrow) std::uint8_t[TLZR::bufferSize]);
    if (!buffers.in || !buffers.out) {
        throw failure == nullptr ? ELzrw1Exception(Lzrw1Failure::noMemory, {})
                                 : ELzrw1Exception(failure);
    }
    return buffers;
}

std::unique_ptr<Lzrw1Reader> Tlzrw1::makeReader() const {
    if (UseStream) {
        return std::make_unique<Lzrw1Reader>(inputStream);
    }
    return std::make_unique<Lzrw1Reader>(InputFile);
}

Tlzrw1::Channel Tlzrw1::openChannel(bool needSize) {
    Channel channel;
    channel.reader = makeReader();
    const auto size = channel.reader->size();
    if (needSize && !size) {
        throw ELzrw1Exception("Lzrw1 compression : Failed to obtain the size of : " + InputFile);
    }
    channel.size = size.value_or(0);
    if (!channel.reader->open()) {
        throw ELzrw1Exception(Lzrw1Failure::openInput, InputFile);
    }
    if (UseStream) {
        channel.writer = std::make_unique<Lzrw1Writer>(outputStream);
    } else {
        channel.writer = std::make_unique<Lzrw1Writer>(OutputFile);
    }
    if (!channel.writer->open()) {
        throw ELzrw1Exception("Lzrw1 (de)compression : Failed to open output file : " + OutputFile);
    }
    return channel;
}

void Tlzrw1::removeOutput() {
    if (UseStream) {
        outputStream.clear();
        return;
    }
    if (OutputFile.empty()) {
        return;
    }
    // Packing a file onto itself: the output is the input, which a failure leaves as it was.
    std::error_code error;
    if (!InputFile.empty() && std::filesystem::equivalent(InputFile, OutputFile, error)) {
        return;
    }
    // unlink, not remove: a folder given as the output stays.
    ::unlink(OutputFile.c_str());
}

void Tlzrw1::processEvents() {
    if (onProcessEvents) {
        onProcessEvents();
    }
}

void Tlzrw1::failWrite() const {
    throw ELzrw1Exception("Lzrw1 : Error writing to output file : " + OutputFile);
}

void Tlzrw1::readExact(Lzrw1Reader& reader, std::uint8_t* buffer, std::size_t n) const {
    if (reader.read(buffer, n) != n) {
        throw ELzrw1Exception(Lzrw1Failure::readInput, InputFile);
    }
}

void Tlzrw1::writeAll(Lzrw1Writer& writer, const std::uint8_t* data, std::size_t n) const {
    if (!writer.write(data, n)) {
        failWrite();
    }
}

std::int64_t Tlzrw1::Compress() {
    if (UseStream) {
        outputStream.clear();
    }
    const TCompressMode mode = CompressMode == TCompressMode::Auto ? Advise() : CompressMode;
    Buffers buffers = allocateBuffers(nullptr);
    // Failing to open a file leaves an existing output as it was; any later failure removes it.
    Channel channel = openChannel(true);
    try {
        m_caption = "Lzrw1 compressing : " + InputFile;
        const std::uint64_t size = channel.size;
        // Stored blocks are the worst case: 3 bytes more per block, and the empty last block.
        channel.writer->reserve(size + (size / TLZR::blockSize) * 3 + 16);
        std::uint8_t header[8];
        putLittle32(header, mode == TCompressMode::Fast ? fastIdentifier : goodIdentifier);
        // The field holds the low 32 bits; a reader compares the same bits.
        putLittle32(header + 4, static_cast<std::uint32_t>(size));
        writeAll(*channel.writer, header, sizeof header);

        if (mode == TCompressMode::Fast) {
            compressFast(channel, buffers);
        } else {
            compressGood(channel);
        }
        if (!channel.writer->commit()) {
            failWrite();
        }
        m_caption = "Lzrw1 compressed " + InputFile + " : " + std::to_string(size) + " -> " +
                    std::to_string(channel.writer->written()) + " bytes";
        return static_cast<std::int64_t>(channel.writer->written());
    } catch (...) {
        // Whatever failed goes on to the caller unchanged; only the half-written output goes.
        channel.writer.reset();
        removeOutput();
        throw;
    }
}

void Tlzrw1::compressFast(Channel& channel, Buffers& buffers) {
    Lzrw1Reader& reader = *channel.reader;
    Lzrw1Writer& writer = *channel.writer;
    const std::uint64_t expected = channel.size;
    std::uint64_t bytesIn = 0;
    std::size_t got;
    do {
        got = reader.read(buffers.in.get(), TLZR::blockSize);
        if (reader.failed()) {
            throw ELzrw1Exception(Lzrw1Failure::readInput, InputFile + " (LZRW1/KH)");
        }
        bytesIn += got;
        const std::size_t length = m_lzr.CompressBlock(buffers.in.get(), got, buffers.out.get());
        const std::uint8_t record[2] = {static_cast<std::uint8_t>(length),
                                        static_cast<std::uint8_t>(length >> 8)};
        writeAll(writer, record, sizeof record);
        writeAll(writer, buffers.out.get(), length);
        processEvents();
    } while (got == TLZR::blockSize);
    // A file that changed size while being read would give a container that cannot be read.
    if (bytesIn != expected) {
        throw ELzrw1Exception(Lzrw1Failure::readInput, InputFile + " (LZRW1/KH)");
    }
}

void Tlzrw1::compressGood(Channel& channel) {
    Lzrw1Reader& reader = *channel.reader;
    Lzrw1Writer& writer = *channel.writer;
    const std::uint64_t expected = channel.size;
    std::uint64_t bytesIn = 0;
    m_lzh.encode(
        [&](std::uint8_t* buffer, std::size_t n) {
            const std::size_t got = reader.read(buffer, n);
            if (reader.failed()) {
                throw ELzrw1Exception(Lzrw1Failure::readInput, InputFile + " (LZH)");
            }
            bytesIn += got;
            return got;
        },
        [&](const std::uint8_t* data, std::size_t n) {
            writeAll(writer, data, n);
            processEvents();
        });
    if (bytesIn != expected) {
        throw ELzrw1Exception(Lzrw1Failure::readInput, InputFile + " (LZH)");
    }
}

std::int64_t Tlzrw1::Decompress() {
    if (UseStream) {
        outputStream.clear();
    }
    Buffers buffers = allocateBuffers(nullptr);
    // Whatever fails, no output file is left behind, not even one that was there before.
    try {
        Channel channel = openChannel(false);
        m_caption = "Lzrw1 decompressing : " + InputFile;

        std::uint8_t word[4];
        readExact(*channel.reader, word, 4);
        const std::uint32_t identifier = getLittle32(word);
        if (identifier != fastIdentifier && identifier != goodIdentifier) {
            throw ELzrw1Exception(Lzrw1Failure::noHeader, InputFile);
        }
        readExact(*channel.reader, word, 4);
        const std::uint32_t stored = getLittle32(word);
        const std::uint64_t total = identifier == fastIdentifier
                                        ? decompressFast(channel, buffers, stored)
                                        : decompressGood(channel, stored);
        if (!channel.writer->commit()) {
            failWrite();
        }
        m_caption = "Lzrw1 decompressed " + InputFile + " : " + std::to_string(total) + " bytes";
        return static_cast<std::int64_t>(total);
    } catch (...) {
        // As above: the failure goes on unchanged, the half-written output does not stay.
        removeOutput();
        throw;
    }
}

std::uint64_t Tlzrw1::decompressFast(Channel& channel, Buffers& buffers, std::uint32_t stored) {
    Lzrw1Reader& reader = *channel.reader;
    Lzrw1Writer& writer = *channel.writer;
    std::uint8_t word[2];
    writer.reserve(std::min<std::uint64_t>(stored, channel.size * 1100)); // runs expand ~1000x
    std::uint64_t total = 0;
    std::size_t decoded;
    do {
        readExact(reader, word, 2);
        const std::size_t length = std::size_t{word[0]} | (std::size_t{word[1]} << 8);
        if (length > TLZR::maxRecord) {
            throw ELzrw1Exception(Lzrw1Failure::corrupt, InputFile);
        }
        readExact(reader, buffers.in.get(), length);
        const auto result = m_lzr.DecompressBlock(buffers.in.get(), length, buffers.out.get());
        if (!result) {
            throw ELzrw1Exception(Lzrw1Failure::corrupt, InputFile);
        }
        decoded = *result;
        writeAll(writer, buffers.out.get(), decoded);
        total += decoded;
        processEvents();
    } while (decoded == TLZR::blockSize);
    if (static_cast<std::uint32_t>(total) != stored) {
        throw ELzrw1Exception(Lzrw1Failure::fastSizes, {});
    }
    return total;
}

std::uint64_t Tlzrw1::decompressGood(Channel& channel, std::uint32_t stored) {
    Lzrw1Reader& reader = *channel.reader;
    Lzrw1Writer& writer = *channel.writer;
    const TLZH::TResult result = m_lzh.decode(
        [&](std::uint8_t* buffer, std::size_t n) {
            const std::size_t got = reader.read(buffer, n);
            if (reader.failed()) {
                throw ELzrw1Exception(Lzrw1Failure::readInput, InputFile);
            }
            return got;
        },
        [&](const std::uint8_t* data, std::size_t n) {
            writeAll(writer, data, n);
            processEvents();
        },
        stored);
    if (result == TLZH::TResult::Truncated) {
        throw ELzrw1Exception(Lzrw1Failure::readInput, InputFile);
    }
    if (result == TLZH::TResult::Overrun) {
        throw ELzrw1Exception(Lzrw1Failure::goodSizes, {});
    }
    return stored;
}

TCompressMode Tlzrw1::Advise() {
    auto reader = makeReader();
    const auto size = reader->size();
    if (!size) {
        throw ELzrw1Exception("Lzrw1 advise : can not get the size of : " + InputFile);
    }
    if (*size < smallFile) {
        CompressMode = TCompressMode::Good;
        m_caption = "Lzrw1 recommends GOOD compression :  small file !!";
        return TCompressMode::Good;
    }
    Buffers buffers = allocateBuffers("Lzrw1 advise : Error getting I/O buffers");
    if (!reader->open()) {
        throw ELzrw1Exception("Lzrw1 advise : can open input file : " + InputFile);
    }
    std::uint64_t read = 0;
    std::uint64_t coded = 0;
    for (const std::uint64_t offset : {*size / 3, 2 * *size / 3}) {
        const std::uint64_t start = offset & ~std::uint64_t{TLZR::blockSize - 1};
        if (!reader->seek(start)) {
            throw ELzrw1Exception("Lzrw1 advise : read error on input file : " + InputFile);
        }
        const std::size_t got = reader->read(buffers.in.get(), TLZR::blockSize);
        if (reader->failed()) {
            throw ELzrw1Exception("Lzrw1 advise : read error on input file : " + InputFile);
        }
        read += got;
        coded += m_lzr.CompressBlock(buffers.in.get(), got, buffers.out.get());
        processEvents();
    }
    if (read == 0) {
        // The file shrank since its size was taken; nothing to judge by.
        throw ELzrw1Exception("Lzrw1 advise : read error on input file : " + InputFile);
    }
    const bool fast = coded < read * static_cast<std::uint64_t>(std::max(Threshold, 0)) / 100;
    m_caption = std::string(fast ? "Lzrw1 recommends FAST compression : "
                                 : "Lzrw1 recommends GOOD compression : ") +
                std::to_string(coded * 100 / read) + "%.";
    return fast ? TCompressMode::Fast : TCompressMode::Good;
}
