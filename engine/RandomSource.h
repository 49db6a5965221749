#pragma once

// Where new flowers come from. SeededRandom is our own generator (PCG32, XSH RR) with our own
// mapping to 1..colorcount, so a seed gives the same game with every compiler and library.

#include <cstdint>

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A uniformly random flower colour from 1 to colorcount (colorcount >= 1).
    virtual int newFlower(int colorcount) = 0;
};

class SeededRandom : public RandomSource {
public:
    explicit SeededRandom(std::uint64_t seed, std::uint64_t stream = 54);
    int newFlower(int colorcount) override;
    // Starts over as if made with this seed (and the same stream).
    void reseed(std::uint64_t seed);
    // The next raw 32-bit output.
    std::uint32_t next();

private:
    std::uint64_t m_state = 0;
    std::uint64_t m_increment = 0;
};
