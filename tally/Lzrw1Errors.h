#pragma once

#include <stdexcept>
#include <string>

// The compressor's failures that have a fixed text of their own, so that a window can show them
// in the player's language; `other` is any failure whose message is shown as it is.
enum class Lzrw1Failure {
    other,
    openInput, // "Lzrw1 (de)compression : Failed to open input file : <file>"
    noMemory,  // "Lzrw1 (de)compression : Failed to get memory for I/O buffers !"
    readInput, // "Lzrw1 : Error reading from input file : <file>"
    noHeader,  // "<file> : Lzrw1 decompression : this file has no valid header !"
    corrupt,   // "<file> : Lzrw1 decompression : corrupt compressed data !"
    fastSizes, // "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !"
    goodSizes, // "Lzrw1 (decompression LZH) : Original and compressed sizes do not match !"
};

// The fixed text of a failure; subject is the part it names (a file, maybe with the mode after
// it), unused where the text names nothing. Not for `other`.
std::string lzrw1Message(Lzrw1Failure failure, const std::string& subject);

// Every container and I/O failure of the compressor; the message is shown to the player as is,
// or, where failure() is not `other`, as its text in the player's language.
class ELzrw1Exception : public std::runtime_error {
public:
    explicit ELzrw1Exception(const std::string& message) : std::runtime_error(message) {}
    ELzrw1Exception(Lzrw1Failure failure, std::string subject)
        : std::runtime_error(lzrw1Message(failure, subject)), m_failure(failure),
          m_subject(std::move(subject)) {}

    Lzrw1Failure failure() const { return m_failure; }
    const std::string& subject() const { return m_subject; }

private:
    Lzrw1Failure m_failure = Lzrw1Failure::other;
    std::string m_subject;
};

// The block coder could not get its hash table.
class ELzrw1KHCompressor : public ELzrw1Exception {
public:
    using ELzrw1Exception::ELzrw1Exception;
};
