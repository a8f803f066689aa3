// Save records for tests: their bytes as a file holds them, a saved game, and files of the right
// length filled with noise.
#pragma once

#include "core/records.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace hk::test {

using Bytes = std::vector<std::uint8_t>;

template <typename Record> Bytes BytesOf(const Record& record) {
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&record);
    return Bytes(raw, raw + sizeof record);
}

// A game saved with `comment` at the first step of scene 1.
inline GameData SavedGame(const std::u16string& comment) {
    GameData game{};
    game.SlotInUse = 1;
    game.CurrentScene = 1;
    game.ScriptStep = 1;
    for (std::size_t i = 0; i < comment.size() && i < kSaveCommentUnits; ++i)
        game.SaveComment[i] = comment[i];
    return game;
}

// `size` bytes drawn from a generator seeded with `seed`: the same bytes for the same seed.
inline Bytes NoiseBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    Bytes bytes(size);
    for (std::uint8_t& b : bytes)
        b = static_cast<std::uint8_t>(byte(generator));
    return bytes;
}

} // namespace hk::test
