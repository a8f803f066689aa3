#include "data/shift_jis.h"

#include <gtest/gtest.h>

#if __has_include(<iconv.h>)
#include <iconv.h>
#endif

#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace hk {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s.push_back(static_cast<char>(v));
    }
    return s;
}

TEST(ShiftJis, DecodesMicrosoftMappingOfKnownCharacters) {
    EXPECT_EQ(SjisToUtf32("Ab~\\"), U"Ab~\\");                    // 0x5C and 0x7E stay ASCII in code page 932
    EXPECT_EQ(SjisToUtf32(Bytes({0x82, 0xA0})), U"\u3042");       // あ
    EXPECT_EQ(SjisToUtf32(Bytes({0xB1, 0xDF})), U"\uFF71\uFF9F"); // half-width ｱ ﾟ
    EXPECT_EQ(SjisToUtf32(Bytes({0x87, 0x40})), U"\u2460");       // ① (NEC row 13)
    EXPECT_EQ(SjisToUtf32(Bytes({0xFA, 0x40})), U"\u2170");       // ⅰ (IBM extension)
    // Where Microsoft's table differs from plain Shift-JIS: full-width forms, not U+2212/U+301C.
    EXPECT_EQ(SjisToUtf32(Bytes({0x81, 0x7C})), U"\uFF0D");
    EXPECT_EQ(SjisToUtf32(Bytes({0x81, 0x60})), U"\uFF5E");
    EXPECT_EQ(SjisToUtf8(Bytes({0x95, 0x5C, 0x8E, 0xA6})), "表示");
}

TEST(ShiftJis, TrailByte5CBelongsToItsCharacter) {
    // 表 is 0x95 0x5C; the 0x5C is not a backslash, the one after it is.
    EXPECT_EQ(SjisToUtf32(Bytes({0x95, 0x5C, 0x5C, 0x95, 0x5C})), U"\u8868\\\u8868");
    EXPECT_EQ(Utf8ToSjis("表\\"), Bytes({0x95, 0x5C, 0x5C}));
}

TEST(ShiftJis, InvalidBytesBecomeReplacementAndDecodingGoesOn) {
    const std::u32string r(1, kSjisReplacement);
    for (int b : {0x80, 0xA0, 0xFD, 0xFE, 0xFF}) {
        EXPECT_EQ(SjisToUtf32(Bytes({'a', b, 'b'})), U"a" + r + U"b") << "byte " << b;
    }
    // A lead byte at the end, or before a byte that cannot follow it, is one bad character; the
    // next byte still counts, so a broken character never swallows a line end.
    EXPECT_EQ(SjisToUtf32(Bytes({'a', 0x82})), U"a" + r);
    EXPECT_EQ(SjisToUtf32(Bytes({0x82, '\n', 'b'})), r + U"\nb");
    EXPECT_EQ(SjisToUtf32(Bytes({0x82, ' ', 0x82, 0xA0})), r + U" \u3042");
    // A well-formed but unassigned pair is one bad character of two bytes.
    EXPECT_EQ(SjisToUtf32(Bytes({0x85, 0x40, 'c'})), r + U"c");
    EXPECT_EQ(SjisToUtf8(Bytes({0xFF})), "\xEF\xBF\xBD");
}

// Every lead byte with every trail byte, framed by ASCII: decoding never crashes, never eats the
// frame, each assigned pair is one character, and encoding gives the pair back wherever the
// mapping is one-to-one (and at least the same character where several pairs share it).
TEST(ShiftJis, ExhaustiveSweepOverAllBytePairs) {
    std::map<char32_t, std::vector<int>> sources;
    int assigned = 0;
    for (int lead = 0; lead < 256; ++lead) {
        for (int trail = 0; trail < 256; ++trail) {
            const std::string pair = Bytes({lead, trail});
            const std::u32string decoded = SjisToUtf32("<" + pair + ">");
            ASSERT_GE(decoded.size(), 3u);
            ASSERT_EQ(decoded.front(), U'<');
            ASSERT_EQ(decoded.back(), U'>');
            const std::u32string inner = decoded.substr(1, decoded.size() - 2);
            std::string utf8;
            for (char32_t c : inner) {
                AppendUtf8(utf8, c);
            }
            ASSERT_EQ(SjisToUtf8(pair), utf8) << lead << " " << trail;
            const bool two_byte = IsSjisLeadByte(lead) && IsSjisTrailByte(trail);
            if (!two_byte) {
                ASSERT_EQ(inner.size(), 2u) << lead << " " << trail;
                ASSERT_EQ(inner, SjisToUtf32(Bytes({lead})) + SjisToUtf32(Bytes({trail})));
                continue;
            }
            ASSERT_EQ(inner.size(), 1u) << lead << " " << trail;
            if (inner[0] == kSjisReplacement) {
                continue;
            }
            ++assigned;
            sources[inner[0]].push_back(lead * 256 + trail);
            const std::string encoded = Utf32ToSjis(inner);
            ASSERT_EQ(SjisToUtf32(encoded), inner) << lead << " " << trail;
        }
    }
    // Code page 932 assigns 9,604 pairs (7,724 JIS, NEC and IBM characters and the 1,880 private-use
    // characters of rows 0xF0..0xF9); they make 9,206 code points, of which 8,810 have one pair only
    // (the others are NEC/IBM duplicates).
    EXPECT_EQ(assigned, 9604);
    EXPECT_EQ(sources.size(), 9206u);
    int one_to_one = 0;
    for (const auto& [c, pairs] : sources) {
        if (pairs.size() == 1) {
            ++one_to_one;
            const std::string encoded = Utf32ToSjis(std::u32string(1, c));
            ASSERT_EQ(encoded, Bytes({pairs[0] >> 8, pairs[0] & 0xFF})) << std::hex << static_cast<unsigned>(c);
        }
    }
    EXPECT_EQ(one_to_one, 8810);
    // Single bytes: ASCII and half-width katakana map one to one.
    for (int b = 0; b < 256; ++b) {
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) {
            const std::u32string c = SjisToUtf32(Bytes({b}));
            ASSERT_EQ(c.size(), 1u);
            ASSERT_NE(c[0], kSjisReplacement) << b;
            ASSERT_EQ(Utf32ToSjis(c), Bytes({b}));
        }
    }
}

TEST(ShiftJis, EncodesOneWayFormsAndRefusesTheRest) {
    EXPECT_EQ(Utf8ToSjis("a\u00A5b"), "a\\b");            // YEN SIGN
    EXPECT_EQ(Utf8ToSjis("\u2212"), Bytes({0x81, 0x7C})); // MINUS SIGN
    EXPECT_EQ(Utf8ToSjis("ＨＡＲＵＫＡＺＥ").size(), 16u);

    try {
        Utf8ToSjis("ok \U0001F600");
        FAIL() << "an emoji has no code page 932 form";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("U+1F600"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("position 3"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Utf8ToSjis("ok \U0001F600!", SjisUnencodable::Replace), "ok ?!");
    EXPECT_EQ(Utf32ToSjis(U"\xD800x", SjisUnencodable::Replace), "?x");
    EXPECT_THROW(Utf32ToSjis(U"\x110000"), std::runtime_error);
}

TEST(ShiftJis, InvalidUtf8IsRefusedOrReplaced) {
    const std::string bad[] = {
        "\xC0\x80",         // overlong NUL
        "\x80",             // stray continuation byte
        "\xE3\x81",         // cut short
        "\xED\xA0\x80",     // surrogate
        "\xF4\x90\x80\x80", // past U+10FFFF
    };
    for (const std::string& text : bad) {
        EXPECT_THROW(Utf8ToSjis("a" + text), std::runtime_error);
        const std::string replaced = Utf8ToSjis("a" + text + "b", SjisUnencodable::Replace);
        EXPECT_EQ(replaced.front(), 'a');
        EXPECT_EQ(replaced.back(), 'b');
        EXPECT_EQ(replaced.find_first_not_of("a?b"), std::string::npos) << replaced;
    }
}

TEST(ShiftJis, ConvertsFromSeveralThreadsAtOnce) {
    const std::string sjis = Bytes({0x95, 0x5C, 0x8E, 0xA6, 'x', 0x82, 0xA0});
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i) {
                if (Utf8ToSjis(SjisToUtf8(sjis)) != sjis) {
                    ++failures[t];
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

#if __has_include(<iconv.h>)
// The conversions are the engine's own, so that every build (the browser's too) reads the game's
// texts alike; where the C library has a "CP932" converter they must agree with it everywhere.
std::string IconvConvert(iconv_t cd, const std::string& in, bool& ok) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string input = in;
    char out_buffer[16];
    char* in_ptr = input.data();
    char* out_ptr = out_buffer;
    std::size_t in_left = input.size();
    std::size_t out_left = sizeof out_buffer;
    ok = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<std::size_t>(-1) && in_left == 0;
    return std::string(out_buffer, sizeof out_buffer - out_left);
}

TEST(ShiftJis, AgreesWithTheCLibraryOnEveryCharacterBothWays) {
    iconv_t decoder = iconv_open("UTF-32LE", "CP932");
    iconv_t encoder = iconv_open("CP932", "UTF-32LE");
    if (decoder == reinterpret_cast<iconv_t>(-1) || encoder == reinterpret_cast<iconv_t>(-1))
        GTEST_SKIP() << "this C library has no CP932 converter to compare with";
    int decode_mismatches = 0;
    for (int lead = 0; lead < 256; ++lead) {
        const bool pair = IsSjisLeadByte(static_cast<unsigned char>(lead));
        for (int trail = pair ? 0x40 : -1; trail <= (pair ? 0xFC : -1); ++trail) {
            if (pair && !IsSjisTrailByte(static_cast<unsigned char>(trail)))
                continue;
            const std::string bytes = pair ? Bytes({lead, trail}) : Bytes({lead});
            bool ok = false;
            const std::string utf32 = IconvConvert(decoder, bytes, ok);
            char32_t expected = kSjisReplacement;
            if (ok && utf32.size() == 4)
                std::memcpy(&expected, utf32.data(), 4);
            if (SjisToUtf32(bytes) != std::u32string(1, expected) && ++decode_mismatches <= 5)
                ADD_FAILURE() << "bytes " << std::hex << lead << " " << trail << " decode to "
                              << static_cast<unsigned>(SjisToUtf32(bytes)[0]) << ", iconv gives "
                              << static_cast<unsigned>(expected);
        }
    }
    int encode_mismatches = 0;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        std::string utf32(4, '\0');
        std::memcpy(utf32.data(), &c, 4);
        bool ok = false;
        const std::string expected = IconvConvert(encoder, utf32, ok);
        const std::string ours = Utf32ToSjis(std::u32string(1, c), SjisUnencodable::Replace);
        if (ours != (ok ? expected : "?") && ++encode_mismatches <= 5)
            ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c) << " encodes differently from iconv";
    }
    EXPECT_EQ(decode_mismatches, 0);
    EXPECT_EQ(encode_mismatches, 0);
    iconv_close(decoder);
    iconv_close(encoder);
}
#endif

TEST(SplitLines, EndsLinesAtCrLfOrCrLfAndStopsAtNul) {
    struct Case {
        std::string block;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"one", {"one"}},
        {"one\r\ntwo", {"one", "two"}},
        {"one\ntwo\n", {"one", "two"}},
        {"one\rtwo\r", {"one", "two"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}}, // LF then CR: two line ends
        {"\n", {""}},
        {"a\r\r\n", {"a", ""}},
        {std::string("a\nb\0c\nd", 7), {"a", "b"}},
        {std::string("\0abc", 4), {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitLines(c.block), c.lines) << '"' << c.block << '"';
    }
}

TEST(SplitLines, KeepsShiftJisBytesIntact) {
    const std::string line1 = Bytes({0x95, 0x5C, 0x5C, 'n'}); // 表\n as text, not a line end
    const std::string line2 = Bytes({0x82, 0xA0});
    EXPECT_EQ(SplitLines(line1 + "\r\n" + line2), (std::vector<std::string>{line1, line2}));
}

} // namespace
} // namespace hk
