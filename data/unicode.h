// Conversions between the Unicode forms the engine meets: UTF-8 (files, scripts, the platform),
// UTF-16 (save comments) and UTF-32 (message layout, one character per element). Malformed
// input never fails: each bad byte becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace hk {

std::u32string Utf8ToUtf32(std::string_view utf8);
std::string Utf32ToUtf8(std::u32string_view text);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view text);

} // namespace hk
