#include "tools/soundgen/Wave.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace {

void put16(std::ofstream& out, std::uint16_t v) {
    out.put(static_cast<char>(v & 0xFF));
    out.put(static_cast<char>(v >> 8));
}

void put32(std::ofstream& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

} // namespace

Wave::Wave(int sampleRate, int bitsPerSample, double seconds)
    : m_rate(sampleRate), m_bits(bitsPerSample),
      m_samples(static_cast<std::size_t>(std::lround(seconds * sampleRate)), 0.0) {}

void Wave::normalise(double peak) {
    double loudest = 0;
    for (const double s : m_samples) {
        loudest = std::max(loudest, std::abs(s));
    }
    if (loudest > 0) {
        for (double& s : m_samples) {
            s *= peak / loudest;
        }
    }
}

void Wave::fadeEdges(double fadeInSeconds, double fadeOutSeconds) {
    const auto in = static_cast<std::size_t>(fadeInSeconds * m_rate);
    const auto out = static_cast<std::size_t>(fadeOutSeconds * m_rate);
    const std::size_t n = m_samples.size();
    for (std::size_t i = 0; i < std::min(in, n); ++i) {
        m_samples[i] *= static_cast<double>(i) / static_cast<double>(in);
    }
    for (std::size_t i = 0; i < std::min(out, n); ++i) {
        m_samples[n - 1 - i] *= static_cast<double>(i) / static_cast<double>(out);
    }
}

void Wave::write(const std::filesystem::path& file) const {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) {
        throw std::runtime_error("cannot create " + file.string());
    }
    const std::uint32_t bytesPerSample = static_cast<std::uint32_t>(m_bits / 8);
    const auto dataBytes = static_cast<std::uint32_t>(m_samples.size() * bytesPerSample);
    const std::uint32_t pad = dataBytes & 1u; // chunks are word-aligned

    out.write("RIFF", 4);
    put32(out, 4 + (8 + 16) + (8 + dataBytes + pad));
    out.write("WAVE", 4);
    out.write("fmt ", 4);
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, static_cast<std::uint32_t>(m_rate));
    put32(out, static_cast<std::uint32_t>(m_rate) * bytesPerSample);
    put16(out, static_cast<std::uint16_t>(bytesPerSample));
    put16(out, static_cast<std::uint16_t>(m_bits));
    out.write("data", 4);
    put32(out, dataBytes);
    for (const double s : m_samples) {
        const double v = std::clamp(s, -1.0, 1.0);
        if (m_bits == 8) {
            out.put(static_cast<char>(static_cast<std::uint8_t>(std::lround(128 + v * 127))));
        } else {
            put16(out,
                  static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767))));
        }
    }
    if (pad) {
        out.put(static_cast<char>(m_bits == 8 ? 128 : 0));
    }
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}
