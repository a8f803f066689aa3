#include "data/shift_jis.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <iconv.h>
#include <stdexcept>

namespace hk {
namespace {

constexpr const char* kCodePage = "CP932";
constexpr const char* kUtf32 = "UTF-32LE";

// Rows of the two-byte table: lead bytes 0x81..0x9F are rows 0..30, 0xE0..0xFC rows 31..59.
constexpr int kLeadRows = 60;

int LeadRow(unsigned char lead) {
    return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31;
}

[[noreturn]] void ThrowNoConverter() {
    throw std::runtime_error("Shift-JIS text cannot be converted: the C library's iconv has no \"CP932\" converter");
}

// Decoding is table driven: the mapping is taken from iconv once, on first use, so every later
// conversion is a lookup with no library call and no shared state. Invalid entries hold U+FFFD.
struct DecodeTables {
    std::array<char32_t, 256> single{};
    std::array<char32_t, kLeadRows * 256> pair{};
};

// Converts exactly the given bytes to one code point; false when iconv rejects them or they do
// not make exactly one character.
bool DecodeWithIconv(iconv_t cd, const unsigned char* bytes, std::size_t count, char32_t& out) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in_buffer[2] = {static_cast<char>(bytes[0]), count > 1 ? static_cast<char>(bytes[1]) : '\0'};
    char out_buffer[16];
    char* in = in_buffer;
    char* out_ptr = out_buffer;
    std::size_t in_left = count;
    std::size_t out_left = sizeof out_buffer;
    if (iconv(cd, &in, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1) || in_left != 0) {
        return false;
    }
    if (sizeof out_buffer - out_left != 4) {
        return false;
    }
    const auto* u = reinterpret_cast<const unsigned char*>(out_buffer);
    out = static_cast<char32_t>(u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<std::uint32_t>(u[3]) << 24));
    return true;
}

DecodeTables BuildDecodeTables() {
    iconv_t cd = iconv_open(kUtf32, kCodePage);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ThrowNoConverter();
    }
    DecodeTables tables;
    tables.single.fill(kSjisReplacement);
    tables.pair.fill(kSjisReplacement);
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        if (IsSjisLeadByte(byte)) {
            for (int t = 0; t < 256; ++t) {
                const auto trail = static_cast<unsigned char>(t);
                if (!IsSjisTrailByte(trail)) {
                    continue;
                }
                const unsigned char bytes[2] = {byte, trail};
                char32_t c;
                if (DecodeWithIconv(cd, bytes, 2, c)) {
                    tables.pair[LeadRow(byte) * 256 + t] = c;
                }
            }
        } else {
            char32_t c;
            if (DecodeWithIconv(cd, &byte, 1, c)) {
                tables.single[b] = c;
            }
        }
    }
    iconv_close(cd);
    return tables;
}

const DecodeTables& Tables() {
    static const DecodeTables tables = BuildDecodeTables();
    return tables;
}

template <typename Emit> void DecodeSjis(std::string_view sjis, Emit&& emit) {
    const DecodeTables& tables = Tables();
    const auto* p = reinterpret_cast<const unsigned char*>(sjis.data());
    const std::size_t n = sjis.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            emit(tables.single[b]);
            ++i;
        } else if (IsSjisLeadByte(b)) {
            // A lead byte without a proper trail byte is one bad character; the byte after it
            // starts afresh, so a broken character never swallows a line end or an ASCII letter.
            if (i + 1 < n && IsSjisTrailByte(p[i + 1])) {
                emit(tables.pair[LeadRow(b) * 256 + p[i + 1]]);
                i += 2;
            } else {
                emit(kSjisReplacement);
                ++i;
            }
        } else {
            emit(tables.single[b]);
            ++i;
        }
    }
}

// The encoder is one iconv descriptor per thread, opened on first use and closed when the thread
// ends. Encoding is rare (tools, typed comments), so it asks iconv character by character, which
// also gives iconv's one-way forms.
class Encoder {
public:
    Encoder() : m_cd(iconv_open(kCodePage, kUtf32)) {}
    ~Encoder() {
        if (Valid()) {
            iconv_close(m_cd);
        }
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Appends the bytes of c; false when code page 932 has no form for it.
    bool Append(std::string& out, char32_t c) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            return true;
        }
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            return false;
        }
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char in_buffer[4] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                             static_cast<char>((c >> 16) & 0xFF), static_cast<char>((c >> 24) & 0xFF)};
        char out_buffer[8];
        char* in = in_buffer;
        char* out_ptr = out_buffer;
        std::size_t in_left = sizeof in_buffer;
        std::size_t out_left = sizeof out_buffer;
        if (iconv(m_cd, &in, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1) || in_left != 0) {
            return false;
        }
        out.append(out_buffer, sizeof out_buffer - out_left);
        return true;
    }

private:
    iconv_t m_cd;
};

Encoder& ThreadEncoder() {
    thread_local Encoder encoder;
    if (!encoder.Valid()) {
        ThrowNoConverter();
    }
    return encoder;
}

std::string CodePointName(char32_t c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
    return buffer;
}

void AppendOrFail(Encoder& encoder, std::string& out, char32_t c, std::size_t position, SjisUnencodable policy) {
    if (encoder.Append(out, c)) {
        return;
    }
    if (policy == SjisUnencodable::Replace) {
        out.push_back('?');
        return;
    }
    throw std::runtime_error("character " + CodePointName(c) + " at position " + std::to_string(position) +
                             " has no Shift-JIS (code page 932) form");
}

// Reads one UTF-8 sequence at p[i]; returns its length, or 0 when the bytes there are not a
// well-formed sequence (overlong forms, surrogates and values past U+10FFFF included).
std::size_t ReadUtf8(const unsigned char* p, std::size_t n, std::size_t i, char32_t& c) {
    const unsigned char b = p[i];
    std::size_t length;
    char32_t minimum;
    if (b < 0x80) {
        c = b;
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        minimum = 0x80;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        minimum = 0x800;
        c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        minimum = 0x10000;
        c = b & 0x07;
    } else {
        return 0;
    }
    if (n - i < length) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((p[i + k] & 0xC0) != 0x80) {
            return 0;
        }
        c = (c << 6) | (p[i + k] & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return 0;
    }
    return length;
}

} // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        c = kSjisReplacement;
    }
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string SjisToUtf8(std::string_view sjis) {
    std::string out;
    out.reserve(sjis.size() * 3 / 2 + 1);
    DecodeSjis(sjis, [&](char32_t c) { AppendUtf8(out, c); });
    return out;
}

std::u32string SjisToUtf32(std::string_view sjis) {
    std::u32string out;
    out.reserve(sjis.size());
    DecodeSjis(sjis, [&](char32_t c) { out.push_back(c); });
    return out;
}

std::string Utf8ToSjis(std::string_view utf8, SjisUnencodable policy) {
    Encoder& encoder = ThreadEncoder();
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::string out;
    out.reserve(n);
    std::size_t i = 0;
    while (i < n) {
        char32_t c;
        const std::size_t length = ReadUtf8(p, n, i, c);
        if (length == 0) {
            if (policy == SjisUnencodable::Throw) {
                throw std::runtime_error("invalid UTF-8 at byte " + std::to_string(i) +
                                         " of a text to convert to Shift-JIS");
            }
            out.push_back('?');
            ++i;
            continue;
        }
        AppendOrFail(encoder, out, c, i, policy);
        i += length;
    }
    return out;
}

std::string Utf32ToSjis(std::u32string_view text, SjisUnencodable policy) {
    Encoder& encoder = ThreadEncoder();
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        AppendOrFail(encoder, out, text[i], i, policy);
    }
    return out;
}

std::vector<std::string> SplitLines(std::string_view block) {
    const std::size_t end = block.find('\0');
    if (end != std::string_view::npos) {
        block = block.substr(0, end);
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < block.size()) {
        const char b = block[i];
        if (b == '\r' || b == '\n') {
            lines.emplace_back(block.substr(start, i - start));
            i += (b == '\r' && i + 1 < block.size() && block[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < block.size()) {
        lines.emplace_back(block.substr(start));
    }
    return lines;
}

} // namespace hk
