#pragma once

// Bytes, files and the compressor in memory, for the compressor and tally tests.

#include "tally/LZRW1.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline Bytes randomBytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes out(n);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(random());
    }
    return out;
}

inline Bytes readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

// Compresses a text in memory in mode Fast, as the tally is stored.
inline Bytes pack(const std::string& text) {
    Tlzrw1 doit;
    doit.UseStream = true;
    doit.CompressMode = TCompressMode::Fast;
    doit.inputStream.assign(text.begin(), text.end());
    doit.Compress();
    return doit.outputStream;
}

inline std::string unpack(const Bytes& container) {
    Tlzrw1 doit;
    doit.UseStream = true;
    doit.inputStream = container;
    doit.Decompress();
    return std::string(doit.outputStream.begin(), doit.outputStream.end());
}
