#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

// A mono recording under construction: samples in -1..1 at a fixed rate, written as an
// uncompressed PCM wave file of 8 or 16 bits.
class Wave {
public:
    Wave(int sampleRate, int bitsPerSample, double seconds);

    int sampleRate() const { return m_rate; }
    std::size_t size() const { return m_samples.size(); }
    double time(std::size_t i) const { return static_cast<double>(i) / m_rate; }

    // Mixes a value into sample i.
    void add(std::size_t i, double value) { m_samples[i] += value; }

    // Scales the whole recording so its loudest sample reaches `peak`.
    void normalise(double peak);

    // Short fades at both ends, so playback never starts or stops with a click.
    void fadeEdges(double fadeInSeconds, double fadeOutSeconds);

    void write(const std::filesystem::path& file) const;

private:
    int m_rate;
    int m_bits;
    std::vector<double> m_samples;
};
