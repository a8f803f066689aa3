// Small helpers for the pixel tests: pixels as {blue, green, red, fourth}, surfaces filled with
// one pixel or with seeded noise, and a fixture that runs a test on every kernel path.
#pragma once

#include "gfx/bitmap.h"
#include "gfx/pixel_ops.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>

namespace hk::pixel_test {

// Every kernel path there is; a test instantiated over them skips those this machine lacks.
inline constexpr PixelPath kAllPixelPaths[] = {PixelPath::Scalar, PixelPath::Sse2, PixelPath::Avx2, PixelPath::Neon};

// Pins a path for as long as it lives, then goes back to the best one.
class PinnedPixelPath {
public:
    explicit PinnedPixelPath(PixelPath path) : m_pinned(SetPixelPath(path)) {}
    ~PinnedPixelPath() { SetPixelPath(BestPixelPath()); }
    PinnedPixelPath(const PinnedPixelPath&) = delete;
    PinnedPixelPath& operator=(const PinnedPixelPath&) = delete;
    bool Pinned() const { return m_pinned; }

private:
    bool m_pinned;
};

// Runs the body once with every kernel path this machine has, pinned; instantiate it with
//   INSTANTIATE_TEST_SUITE_P(Paths, Suite, ::testing::ValuesIn(kAllPixelPaths), PixelPathTestName);
class PixelPathTest : public ::testing::TestWithParam<PixelPath> {
protected:
    void SetUp() override {
        if (!PixelPathAvailable(GetParam()))
            GTEST_SKIP() << PixelPathName(GetParam()) << " is not available here";
        ASSERT_TRUE(SetPixelPath(GetParam()));
        ASSERT_EQ(ActivePixelPath(), GetParam());
    }
    void TearDown() override { SetPixelPath(BestPixelPath()); }
};

inline std::string PixelPathTestName(const ::testing::TestParamInfo<PixelPath>& info) {
    return PixelPathName(info.param);
}

using Bgra = std::array<int, 4>;

inline void Put(Bitmap& bmp, int x, int y, Bgra px) {
    for (int c = 0; c < 4; ++c)
        bmp.Pixel(x, y)[c] = static_cast<std::uint8_t>(px[c]);
}

inline Bgra Get(const Bitmap& bmp, int x, int y) {
    const std::uint8_t* p = bmp.Pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

inline Bitmap Solid(int w, int h, Bgra px) {
    Bitmap bmp;
    bmp.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            Put(bmp, x, y, px);
    return bmp;
}

inline Bitmap Noise(int w, int h, std::mt19937& rng, bool gray8 = false) {
    Bitmap bmp;
    if (gray8)
        bmp.SetSizeGray8(w, h);
    else
        bmp.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < w * bmp.BytesPerPixel(); ++i)
            bmp.Row(y)[i] = static_cast<std::uint8_t>(rng());
    return bmp;
}

} // namespace hk::pixel_test
