#include "LZRW1.h"

#include "Lzrw1Reader.h"
#include "Lzrw1Writer.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <system_error>
#include <unistd.h>

namespace {

constexpr std::uint64_t SmallFile = 0x18000; // Advise: below this, always Good

const std::string ReadError = "Lzrw1 : Error reading from input file : ";

void PutLittle32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

std::uint32_t GetLittle32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

} // namespace

// The two per-operation I/O buffers, each a block plus the coders' slack.
struct Tlzrw1::Buffers {
    std::unique_ptr<std::uint8_t[]> in;
    std::unique_ptr<std::uint8_t[]> out;
};

// The input and the output of one operation, both open.
struct Tlzrw1::Channel {
    std::unique_ptr<TLzrw1Reader> reader;
    std::unique_ptr<TLzrw1Writer> writer;
    std::uint64_t size = 0; // of the input; 0 when it could not be determined
};

Tlzrw1::Tlzrw1() = default;
Tlzrw1::~Tlzrw1() = default;

Tlzrw1::Buffers Tlzrw1::AllocateBuffers(const char* failure) const {
    Buffers buffers;
    buffers.in.reset(new (std::nothrow) std::uint8_t[TLZR::BufferSize]);
    buffers.out.reset(new (std::nothrow) std::uint8_t[TLZR::BufferSize]);
    if (!buffers.in || !buffers.out) {
        throw ELzrw1Exception(failure);
    }
    return buffers;
}

std::unique_ptr<TLzrw1Reader> Tlzrw1::MakeReader() const {
    if (UseStream) {
        return std::make_unique<TLzrw1Reader>(InputStream);
    }
    return std::make_unique<TLzrw1Reader>(InputFile);
}

Tlzrw1::Channel Tlzrw1::OpenChannel(bool needSize) {
    Channel channel;
    channel.reader = MakeReader();
    const auto size = channel.reader->Size();
    if (needSize && !size) {
        throw ELzrw1Exception("Lzrw1 compression : Failed to obtain the size of : " + InputFile);
    }
    channel.size = size.value_or(0);
    if (!channel.reader->Open()) {
        throw ELzrw1Exception("Lzrw1 (de)compression : Failed to open input file : " + InputFile);
    }
    if (UseStream) {
        channel.writer = std::make_unique<TLzrw1Writer>(OutputStream);
    } else {
        channel.writer = std::make_unique<TLzrw1Writer>(OutputFile);
    }
    if (!channel.writer->Open()) {
        throw ELzrw1Exception("Lzrw1 (de)compression : Failed to open output file : " + OutputFile);
    }
    return channel;
}

void Tlzrw1::RemoveOutput() {
    if (UseStream) {
        OutputStream.clear();
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

void Tlzrw1::ProcessEvents() {
    if (OnProcessEvents) {
        OnProcessEvents();
    }
}

void Tlzrw1::FailWrite() const {
    throw ELzrw1Exception("Lzrw1 : Error writing to output file : " + OutputFile);
}

void Tlzrw1::ReadExact(TLzrw1Reader& reader, std::uint8_t* buffer, std::size_t n) const {
    if (reader.Read(buffer, n) != n) {
        throw ELzrw1Exception(ReadError + InputFile);
    }
}

void Tlzrw1::WriteAll(TLzrw1Writer& writer, const std::uint8_t* data, std::size_t n) const {
    if (!writer.Write(data, n)) {
        FailWrite();
    }
}

std::int64_t Tlzrw1::Compress() {
    if (UseStream) {
        OutputStream.clear();
    }
    const TCompressMode mode = CompressMode == TCompressMode::Auto ? Advise() : CompressMode;
    Buffers buffers =
        AllocateBuffers("Lzrw1 (de)compression : Failed to get memory for I/O buffers !");
    // Failing to open a file leaves an existing output as it was; any later failure removes it.
    Channel channel = OpenChannel(true);
    try {
        caption_ = "Lzrw1 compressing : " + InputFile;
        const std::uint64_t size = channel.size;
        // Stored blocks are the worst case: 3 bytes more per block, and the empty last block.
        channel.writer->Reserve(size + (size / TLZR::BlockSize) * 3 + 16);
        std::uint8_t header[8];
        PutLittle32(header, mode == TCompressMode::Fast ? FastIdentifier : GoodIdentifier);
        // The field holds the low 32 bits; a reader compares the same bits.
        PutLittle32(header + 4, static_cast<std::uint32_t>(size));
        WriteAll(*channel.writer, header, sizeof header);

        if (mode == TCompressMode::Fast) {
            CompressFast(channel, buffers);
        } else {
            CompressGood(channel);
        }
        if (!channel.writer->Commit()) {
            FailWrite();
        }
        caption_ = "Lzrw1 compressed " + InputFile + " : " + std::to_string(size) + " -> " +
                   std::to_string(channel.writer->Written()) + " bytes";
        return static_cast<std::int64_t>(channel.writer->Written());
    } catch (...) {
        channel.writer.reset();
        RemoveOutput();
        throw;
    }
}

void Tlzrw1::CompressFast(Channel& channel, Buffers& buffers) {
    TLzrw1Reader& reader = *channel.reader;
    TLzrw1Writer& writer = *channel.writer;
    const std::uint64_t expected = channel.size;
    std::uint64_t bytesIn = 0;
    std::size_t got;
    do {
        got = reader.Read(buffers.in.get(), TLZR::BlockSize);
        if (reader.Failed()) {
            throw ELzrw1Exception(ReadError + InputFile + " (LZRW1/KH)");
        }
        bytesIn += got;
        const std::size_t length = lzr_.CompressBlock(buffers.in.get(), got, buffers.out.get());
        const std::uint8_t record[2] = {static_cast<std::uint8_t>(length),
                                        static_cast<std::uint8_t>(length >> 8)};
        WriteAll(writer, record, sizeof record);
        WriteAll(writer, buffers.out.get(), length);
        ProcessEvents();
    } while (got == TLZR::BlockSize);
    // A file that changed size while being read would give a container that cannot be read.
    if (bytesIn != expected) {
        throw ELzrw1Exception(ReadError + InputFile + " (LZRW1/KH)");
    }
}

void Tlzrw1::CompressGood(Channel& channel) {
    TLzrw1Reader& reader = *channel.reader;
    TLzrw1Writer& writer = *channel.writer;
    const std::uint64_t expected = channel.size;
    std::uint64_t bytesIn = 0;
    lzh_.Encode(
        [&](std::uint8_t* buffer, std::size_t n) {
            const std::size_t got = reader.Read(buffer, n);
            if (reader.Failed()) {
                throw ELzrw1Exception(ReadError + InputFile + " (LZH)");
            }
            bytesIn += got;
            return got;
        },
        [&](const std::uint8_t* data, std::size_t n) {
            WriteAll(writer, data, n);
            ProcessEvents();
        });
    if (bytesIn != expected) {
        throw ELzrw1Exception(ReadError + InputFile + " (LZH)");
    }
}

std::int64_t Tlzrw1::Decompress() {
    if (UseStream) {
        OutputStream.clear();
    }
    Buffers buffers =
        AllocateBuffers("Lzrw1 (de)compression : Failed to get memory for I/O buffers !");
    // Whatever fails, no output file is left behind, not even one that was there before.
    try {
        Channel channel = OpenChannel(false);
        caption_ = "Lzrw1 decompressing : " + InputFile;

        std::uint8_t word[4];
        ReadExact(*channel.reader, word, 4);
        const std::uint32_t identifier = GetLittle32(word);
        if (identifier != FastIdentifier && identifier != GoodIdentifier) {
            throw ELzrw1Exception(InputFile +
                                  " : Lzrw1 decompression : this file has no valid header !");
        }
        const std::uint64_t total = identifier == FastIdentifier ? DecompressFast(channel, buffers)
                                                                 : DecompressGood(channel);
        if (!channel.writer->Commit()) {
            FailWrite();
        }
        caption_ = "Lzrw1 decompressed " + InputFile + " : " + std::to_string(total) + " bytes";
        return static_cast<std::int64_t>(total);
    } catch (...) {
        RemoveOutput();
        throw;
    }
}

std::uint64_t Tlzrw1::DecompressFast(Channel& channel, Buffers& buffers) {
    TLzrw1Reader& reader = *channel.reader;
    TLzrw1Writer& writer = *channel.writer;
    std::uint8_t word[4];
    ReadExact(reader, word, 4);
    const std::uint32_t stored = GetLittle32(word);
    writer.Reserve(std::min<std::uint64_t>(stored, channel.size * 1100)); // runs expand ~1000x
    std::uint64_t total = 0;
    std::size_t decoded;
    do {
        ReadExact(reader, word, 2);
        const std::size_t length = std::size_t{word[0]} | (std::size_t{word[1]} << 8);
        if (length > TLZR::MaxRecord) {
            throw ELzrw1Exception(InputFile + " : Lzrw1 decompression : corrupt compressed data !");
        }
        ReadExact(reader, buffers.in.get(), length);
        const auto result = lzr_.DecompressBlock(buffers.in.get(), length, buffers.out.get());
        if (!result) {
            throw ELzrw1Exception(InputFile + " : Lzrw1 decompression : corrupt compressed data !");
        }
        decoded = *result;
        WriteAll(writer, buffers.out.get(), decoded);
        total += decoded;
        ProcessEvents();
    } while (decoded == TLZR::BlockSize);
    if (static_cast<std::uint32_t>(total) != stored) {
        throw ELzrw1Exception(
            "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !");
    }
    return total;
}

std::uint64_t Tlzrw1::DecompressGood(Channel& channel) {
    TLzrw1Reader& reader = *channel.reader;
    TLzrw1Writer& writer = *channel.writer;
    std::uint8_t word[4];
    ReadExact(reader, word, 4);
    const std::uint32_t stored = GetLittle32(word);
    const TLZH::TResult result = lzh_.Decode(
        [&](std::uint8_t* buffer, std::size_t n) {
            const std::size_t got = reader.Read(buffer, n);
            if (reader.Failed()) {
                throw ELzrw1Exception(ReadError + InputFile);
            }
            return got;
        },
        [&](const std::uint8_t* data, std::size_t n) {
            WriteAll(writer, data, n);
            ProcessEvents();
        },
        stored);
    if (result == TLZH::TResult::Truncated) {
        throw ELzrw1Exception(ReadError + InputFile);
    }
    if (result == TLZH::TResult::Overrun) {
        throw ELzrw1Exception(
            "Lzrw1 (decompression LZH) : Original and compressed sizes do not match !");
    }
    return stored;
}

TCompressMode Tlzrw1::Advise() {
    auto reader = MakeReader();
    const auto size = reader->Size();
    if (!size) {
        throw ELzrw1Exception("Lzrw1 advise : can not get the size of : " + InputFile);
    }
    if (*size < SmallFile) {
        CompressMode = TCompressMode::Good;
        caption_ = "Lzrw1 recommends GOOD compression :  small file !!";
        return TCompressMode::Good;
    }
    Buffers buffers = AllocateBuffers("Lzrw1 advise : Error getting I/O buffers");
    if (!reader->Open()) {
        throw ELzrw1Exception("Lzrw1 advise : can open input file : " + InputFile);
    }
    std::uint64_t read = 0;
    std::uint64_t coded = 0;
    for (const std::uint64_t offset : {*size / 3, 2 * *size / 3}) {
        const std::uint64_t start = offset & ~std::uint64_t{TLZR::BlockSize - 1};
        if (!reader->Seek(start)) {
            throw ELzrw1Exception("Lzrw1 advise : read error on input file : " + InputFile);
        }
        const std::size_t got = reader->Read(buffers.in.get(), TLZR::BlockSize);
        if (reader->Failed()) {
            throw ELzrw1Exception("Lzrw1 advise : read error on input file : " + InputFile);
        }
        read += got;
        coded += lzr_.CompressBlock(buffers.in.get(), got, buffers.out.get());
        ProcessEvents();
    }
    if (read == 0) {
        // The file shrank since its size was taken; nothing to judge by.
        throw ELzrw1Exception("Lzrw1 advise : read error on input file : " + InputFile);
    }
    const bool fast = coded < read * static_cast<std::uint64_t>(std::max(Threshold, 0)) / 100;
    caption_ = std::string(fast ? "Lzrw1 recommends FAST compression : "
                                : "Lzrw1 recommends GOOD compression : ") +
               std::to_string(coded * 100 / read) + "%.";
    return fast ? TCompressMode::Fast : TCompressMode::Good;
}
