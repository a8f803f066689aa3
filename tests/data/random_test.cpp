#include "data/random.h"

#include <gtest/gtest.h>

namespace hk {
namespace {

// The first draws from seed 0, worked by hand (M = 0x08088405):
//   draw 1: seed 0 * M + 1 = 1; 1 * 100 >> 32 = 0.
//   draw 2: seed 1 * M + 1 = 0x08088406 = 134,775,814; 134,775,814 * 100 / 2^32 = 3.14 -> 3.
//   draw 3: seed (M + 1) * M + 1 = M^2 + M + 1 (mod 2^32). With M = 0x0808 * 2^16 + 0x8405,
//           M^2 = 0x8405^2 + 2 * 0x0808 * 0x8405 * 2^16 = 0x44152819 + 0x08489050 * 2^16
//                 = 0x44152819 + 0x90500000 = 0xD4652819 (mod 2^32);
//           + M + 1 = 0xDC6DAC1F = 3,698,175,007; * 100 / 2^32 = 86.1 -> 86.
TEST(RandomGenerator, FirstDrawsFromSeedZero) {
    RandomGenerator rng;
    EXPECT_EQ(rng.Seed(), 0u);
    EXPECT_EQ(rng.Random(100), 0u);
    EXPECT_EQ(rng.Seed(), 1u);
    EXPECT_EQ(rng.Random(100), 3u);
    EXPECT_EQ(rng.Seed(), 0x08088406u);
    EXPECT_EQ(rng.Random(100), 86u);
    EXPECT_EQ(rng.Seed(), 0xDC6DAC1Fu);
}

TEST(RandomGenerator, EveryDrawStepsTheSeedAndStaysBelowItsBound) {
    RandomGenerator rng;
    rng.SetSeed(0xDC6DAC1F);
    // 0xDC6DAC1F * M + 1 = 0x33DC589C; a draw below 0 is 0 but still steps.
    EXPECT_EQ(rng.Random(0), 0u);
    EXPECT_EQ(rng.Seed(), 0x33DC589Cu);
    // 0x4D60AE66 * M + 1 = 0xFFFFFFFF (mod 2^32), the largest stepped seed: a draw below n gives
    // (2^32 - 1) * n >> 32 = n - 1, the top of the range and never n itself.
    for (std::uint32_t n : {1u, 2u, 7u, 1000u, 0xFFFFFFFFu}) {
        rng.SetSeed(0x4D60AE66);
        EXPECT_EQ(rng.Random(n), n - 1);
    }
    // A draw below 2^32 - 1 is the stepped seed minus one (s * (2^32 - 1) >> 32 = s - 1).
    rng.SetSeed(1);
    EXPECT_EQ(rng.Random(0xFFFFFFFFu), 0x08088406u - 1);
}

} // namespace
} // namespace hk
