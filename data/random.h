// The engine's random generator: a 32-bit linear congruential generator whose draws depend only on
// its seed and on how many draws came before. The frame tick draws once per tick, so the numbers
// the script draws later depend on how long the player took; nothing seeds it from the clock except
// the decorated-text modes that re-seed on purpose.
#pragma once

#include <cstdint>

namespace hk {

class RandomGenerator {
public:
    // Steps the seed (seed = seed * 0x08088405 + 1, mod 2^32), then returns the high 32 bits of
    // seed * n: a number 0 <= r < n, and 0 for n = 0 (the seed is stepped all the same).
    std::uint32_t Random(std::uint32_t n) {
        m_seed = m_seed * kMultiplier + 1;
        return static_cast<std::uint32_t>((static_cast<std::uint64_t>(m_seed) * n) >> 32);
    }

    std::uint32_t Seed() const { return m_seed; }
    void SetSeed(std::uint32_t seed) { m_seed = seed; }

    static constexpr std::uint32_t kMultiplier = 0x08088405;

private:
    std::uint32_t m_seed = 0;
};

} // namespace hk
