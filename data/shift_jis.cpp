#include "data/shift_jis.h"

#include "data/cp932_table.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace hk {
namespace {

char32_t DecodePair(unsigned char lead, unsigned char trail) {
    const char16_t c =
        kCp932Pairs[static_cast<std::size_t>(Cp932LeadRow(lead) * kCp932TrailSpan + (trail - kCp932FirstTrail))];
    return c == 0 ? kSjisReplacement : c;
}

template <typename Emit> void DecodeSjis(std::string_view sjis, Emit&& emit) {
    const auto* p = reinterpret_cast<const unsigned char*>(sjis.data());
    const std::size_t n = sjis.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (IsSjisLeadByte(b)) {
            // A lead byte without a proper trail byte is one bad character; the byte after it
            // starts afresh, so a broken character never swallows a line end or an ASCII letter.
            if (i + 1 < n && IsSjisTrailByte(p[i + 1])) {
                emit(DecodePair(b, p[i + 1]));
                i += 2;
            } else {
                emit(kSjisReplacement);
                ++i;
            }
        } else {
            emit(kCp932Single[b]);
            ++i;
        }
    }
}

// The encoding map, built once from the decoding table: each character with the bytes that give
// it (one byte when below 0x100, else lead * 256 + trail). Where several pairs give the same
// character (the NEC and IBM extensions repeat each other and some JIS symbols), code page 932
// writes the JIS X 0208 form first, then NEC row 13, then the IBM extension rows, and the
// NEC-selected IBM rows (0xED, 0xEE) last.
struct EncodeEntry {
    char32_t c;
    std::uint16_t bytes;
};

int PreferenceOf(unsigned char lead) {
    if (lead == 0xED || lead == 0xEE)
        return 3;
    if (lead >= 0xFA)
        return 2;
    return lead == 0x87 ? 1 : 0;
}

std::vector<EncodeEntry> BuildEncodeMap() {
    std::vector<EncodeEntry> entries;
    for (int b = 0x80; b < 0x100; ++b)
        if (kCp932Single[static_cast<std::size_t>(b)] != kSjisReplacement)
            entries.push_back({kCp932Single[static_cast<std::size_t>(b)], static_cast<std::uint16_t>(b)});
    std::vector<std::pair<int, EncodeEntry>> pairs;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsSjisLeadByte(static_cast<unsigned char>(lead)))
            continue;
        for (int trail = kCp932FirstTrail; trail <= 0xFC; ++trail) {
            const char16_t c = kCp932Pairs[static_cast<std::size_t>(
                Cp932LeadRow(static_cast<unsigned char>(lead)) * kCp932TrailSpan + (trail - kCp932FirstTrail))];
            if (c != 0)
                pairs.push_back({PreferenceOf(static_cast<unsigned char>(lead)),
                                 {c, static_cast<std::uint16_t>(lead * 256 + trail)}});
        }
    }
    // Single bytes first, then the pairs by preference and byte order: the first entry of a
    // character is the one kept.
    std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [preference, entry] : pairs)
        entries.push_back(entry);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const EncodeEntry& a, const EncodeEntry& b) { return a.c < b.c; });
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const EncodeEntry& a, const EncodeEntry& b) { return a.c == b.c; }),
                  entries.end());
    // The one-way forms: characters that no byte sequence decodes to but that code page 932 writes
    // as a look-alike.
    constexpr EncodeEntry kOneWay[] = {
        {U'\u00A2', 0x8191}, {U'\u00A3', 0x8192}, {U'\u00A5', 0x5C},   {U'\u00AC', 0x81CA}, {U'\u2014', 0x815C},
        {U'\u2016', 0x8161}, {U'\u203E', 0x7E},   {U'\u2212', 0x817C}, {U'\u301C', 0x8160},
    };
    for (const EncodeEntry& entry : kOneWay) {
        const auto at = std::lower_bound(entries.begin(), entries.end(), entry.c,
                                         [](const EncodeEntry& e, char32_t c) { return e.c < c; });
        if (at == entries.end() || at->c != entry.c)
            entries.insert(at, entry);
    }
    return entries;
}

// Appends the bytes of c; false when code page 932 has no form for it.
bool AppendSjis(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
        return true;
    }
    // The tag characters (U+E0000..U+E007F) mark a language and carry no text: they are left out.
    if (c >= 0xE0000 && c <= 0xE007F)
        return true;
    static const std::vector<EncodeEntry> map = BuildEncodeMap();
    const auto at =
        std::lower_bound(map.begin(), map.end(), c, [](const EncodeEntry& e, char32_t value) { return e.c < value; });
    if (at == map.end() || at->c != c)
        return false;
    if (at->bytes >= 0x100)
        out.push_back(static_cast<char>(at->bytes >> 8));
    out.push_back(static_cast<char>(at->bytes & 0xFF));
    return true;
}

std::string CodePointName(char32_t c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
    return buffer;
}

void AppendOrFail(std::string& out, char32_t c, std::size_t position, SjisUnencodable policy) {
    if (AppendSjis(out, c)) {
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
        AppendOrFail(out, c, i, policy);
        i += length;
    }
    return out;
}

std::string Utf32ToSjis(std::u32string_view text, SjisUnencodable policy) {
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        AppendOrFail(out, text[i], i, policy);
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
