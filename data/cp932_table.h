// The code page 932 (Microsoft's Shift-JIS) decoding table, generated from the C library's iconv
// by scripts/make-cp932-table.py, so that every build converts the game's texts alike without a
// converter of its own C library.
#pragma once

#include <array>

namespace hk {

// Rows of the two-byte table: lead bytes 0x81..0x9F are rows 0..30, 0xE0..0xFC rows 31..59.
inline constexpr int kCp932LeadRows = 60;
// Columns: trail bytes 0x40..0xFC.
inline constexpr int kCp932FirstTrail = 0x40;
inline constexpr int kCp932TrailSpan = 0xFC - 0x40 + 1;

constexpr int Cp932LeadRow(unsigned char lead) {
    return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31;
}

// The character of each single byte; U+FFFD for the lead bytes and the bytes with none.
extern const std::array<char16_t, 256> kCp932Single;
// The character of each lead/trail pair, at Cp932LeadRow(lead) * kCp932TrailSpan +
// (trail - kCp932FirstTrail); 0 where the pair is not a character.
extern const std::array<char16_t, kCp932LeadRows * kCp932TrailSpan> kCp932Pairs;

} // namespace hk
