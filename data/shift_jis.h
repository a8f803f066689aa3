// Shift-JIS (Microsoft code page 932) conversion for the game's texts, and the splitting of the
// archives' text blocks into lines. Every text in the archives is code page 932; the engine keeps
// lines as raw bytes and converts them only where it lays text out or shows it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hk {

// What a converter puts in place of bytes that are not valid code page 932: each stray or
// unmapped character becomes U+FFFD and decoding carries on with the next byte.
inline constexpr char32_t kSjisReplacement = U'\uFFFD';

// Code page 932 bytes -> UTF-8. Never fails; invalid bytes become U+FFFD.
std::string SjisToUtf8(std::string_view sjis);

// Code page 932 bytes -> one element per character (what message layout works on). Never fails;
// invalid bytes become U+FFFD.
std::u32string SjisToUtf32(std::string_view sjis);

// What to do with a character that code page 932 cannot hold (or with invalid UTF-8 input).
enum class SjisUnencodable {
    Throw = 0,   // std::runtime_error naming the character and its byte position
    Replace = 1, // write '?' (0x3F) instead, as Windows does, and carry on
};

// UTF-8 -> code page 932 bytes. Besides the one-to-one characters this accepts the usual
// one-way forms (U+00A5 YEN SIGN -> 0x5C, U+2212 MINUS SIGN -> 0x817C, ...).
std::string Utf8ToSjis(std::string_view utf8, SjisUnencodable policy = SjisUnencodable::Throw);

// One element per character -> code page 932 bytes; same rules as Utf8ToSjis.
std::string Utf32ToSjis(std::u32string_view text, SjisUnencodable policy = SjisUnencodable::Throw);

// The code point of one character -> UTF-8 bytes appended to out (invalid code points become
// U+FFFD).
void AppendUtf8(std::string& out, char32_t c);

// True for the bytes that start a two-byte character (0x81..0x9F, 0xE0..0xFC). A byte after a
// lead byte belongs to that character even when it is 0x5C ('\') or another ASCII value.
constexpr bool IsSjisLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
constexpr bool IsSjisTrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// Splits a text block into lines of raw bytes: a line ends at CR, LF or CR LF, the last line needs
// no terminator (a terminator at the very end adds no empty line), and a NUL byte ends the block.
// Terminator bytes never occur inside a two-byte character, so this is safe on Shift-JIS.
std::vector<std::string> SplitLines(std::string_view block);

} // namespace hk
