#include "engine/RandomSource.h"

namespace {
constexpr std::uint64_t multiplier = 6364136223846793005ULL;
}

SeededRandom::SeededRandom(std::uint64_t seed, std::uint64_t stream)
    : m_increment((stream << 1U) | 1U) {
    reseed(seed);
}

void SeededRandom::reseed(std::uint64_t seed) {
    m_state = 0;
    next();
    m_state += seed;
    next();
}

std::uint32_t SeededRandom::next() {
    const std::uint64_t old = m_state;
    m_state = old * multiplier + m_increment;
    const auto xorshifted = static_cast<std::uint32_t>(((old >> 18U) ^ old) >> 27U);
    const auto rot = static_cast<std::uint32_t>(old >> 59U);
    return (xorshifted >> rot) | (xorshifted << ((32U - rot) & 31U));
}

int SeededRandom::newFlower(int colorcount) {
    if (colorcount <= 1) {
        return 1;
    }
    // Unbiased: outputs below the threshold would favour the low values and are drawn again.
    const auto bound = static_cast<std::uint32_t>(colorcount);
    const std::uint32_t threshold = (std::uint32_t{0} - bound) % bound;
    for (;;) {
        const std::uint32_t r = next();
        if (r >= threshold) {
            return static_cast<int>(r % bound) + 1;
        }
    }
}
