// Deterministic damage for decoder tests: every prefix of a good file, then seeded runs of a few
// changed bytes. Each damaged copy must decode or throw ImageDecodeError; anything else (another
// exception, a crash, a sanitizer report) fails the test.
#pragma once

#include "gfx/image_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace hk {

inline void ExpectOnlyCleanFailures(const std::vector<std::uint8_t>& good, ImageFormat format, int rounds,
                                    std::uint32_t seed) {
    auto attempt = [&](const std::vector<std::uint8_t>& data, const char* what, std::size_t n) {
        try {
            Bitmap out = DecodeImage(data, format);
            ASSERT_GT(out.Width(), 0) << what << " " << n;
        } catch (const ImageDecodeError& e) {
            ASSERT_NE(std::string(e.what()), "") << what << " " << n;
        } catch (const std::exception& e) {
            FAIL() << what << " " << n << ": unexpected exception " << e.what();
        }
    };
    for (std::size_t len = 0; len < good.size(); ++len)
        attempt(std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(len)), "prefix",
                len);
    std::mt19937 rng(seed);
    for (int r = 0; r < rounds; ++r) {
        std::vector<std::uint8_t> data = good;
        const int changes = 1 + static_cast<int>(rng() % 4);
        for (int c = 0; c < changes; ++c)
            data[rng() % data.size()] = static_cast<std::uint8_t>(rng());
        attempt(data, "round", static_cast<std::size_t>(r));
    }
}

} // namespace hk
