#pragma once

#include <stdexcept>

// Every container and I/O failure of the compressor; the message is shown to the player as is.
class ELzrw1Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The block coder could not get its hash table.
class ELzrw1KHCompressor : public ELzrw1Exception {
public:
    using ELzrw1Exception::ELzrw1Exception;
};
