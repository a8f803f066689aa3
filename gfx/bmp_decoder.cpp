#include "gfx/bmp_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>

namespace hk {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiJpeg = 4;
constexpr std::uint32_t kBiPng = 5;
constexpr std::uint32_t kBiAlphaBitfields = 6;

constexpr std::size_t kFileHeaderSize = 14;

[[noreturn]] void Fail(const std::string& what) {
    throw ImageDecodeError("BMP image: " + what);
}

std::uint16_t U16(std::span<const std::uint8_t> d, std::size_t at) {
    return static_cast<std::uint16_t>(d[at] | (d[at + 1] << 8));
}
std::uint32_t U32(std::span<const std::uint8_t> d, std::size_t at) {
    return static_cast<std::uint32_t>(d[at]) | (static_cast<std::uint32_t>(d[at + 1]) << 8) |
           (static_cast<std::uint32_t>(d[at + 2]) << 16) | (static_cast<std::uint32_t>(d[at + 3]) << 24);
}

// One colour channel described by a bit mask, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (m == 0)
            return;
        shift = std::countr_zero(m);
        bits = std::bit_width(m >> shift);
    }
    std::uint8_t Get(std::uint32_t pixel) const {
        if (bits == 0)
            return 0;
        const std::uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8)
            return static_cast<std::uint8_t>(v >> (bits - 8));
        const std::uint32_t max = (1u << bits) - 1;
        return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
};

struct Header {
    std::int64_t width = 0;
    std::int64_t height = 0; // always positive here; top_down says the row order
    bool top_down = false;
    int bpp = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colours_used = 0;
    std::size_t palette_at = 0;
    std::size_t palette_entry = 4;
    std::uint32_t masks[3] = {0, 0, 0};
    bool has_masks = false;
};

// The fields of the info header, whose layout depends on its size: the OS/2 1.x core header (12
// bytes) or the Windows and OS/2 2.x ones (16 and 40 on), with the colour masks where they lie.
Header ReadInfoHeader(std::span<const std::uint8_t> d) {
    const std::uint32_t info_size = U32(d, kFileHeaderSize);
    Header h;
    std::size_t after_info = kFileHeaderSize + info_size;
    if (info_size == 12) {
        if (d.size() < after_info)
            Fail("truncated core header");
        h.width = U16(d, 18);
        h.height = U16(d, 20);
        h.bpp = U16(d, 24);
        h.palette_entry = 3;
    } else if (info_size == 16 || info_size >= 40) {
        // 16 and 64 are the OS/2 2.x headers: the same first fields, and compression codes 0..2 agree.
        if (info_size > d.size() - kFileHeaderSize)
            Fail("info header of " + std::to_string(info_size) + " bytes passes the end of the data");
        h.width = static_cast<std::int32_t>(U32(d, 18));
        const std::int64_t height = static_cast<std::int32_t>(U32(d, 22));
        h.top_down = height < 0;
        h.height = height < 0 ? -height : height;
        h.bpp = U16(d, 28);
        if (info_size >= 40) {
            h.compression = U32(d, 30);
            h.colours_used = U32(d, 46);
        }
        if (info_size == 64 && h.compression > kBiRle4)
            Fail("OS/2 compression " + std::to_string(h.compression) + " is not supported");
        if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
            h.has_masks = true;
            std::size_t masks_at = kFileHeaderSize + 40;
            if (info_size < 52) {
                // The masks follow a plain 40-byte header.
                masks_at = after_info;
                after_info += h.compression == kBiAlphaBitfields ? 16 : 12;
            }
            if (masks_at + 12 > d.size())
                Fail("colour masks pass the end of the data");
            for (int i = 0; i < 3; ++i)
                h.masks[i] = U32(d, masks_at + 4 * static_cast<std::size_t>(i));
        }
    } else {
        Fail("unsupported info header size " + std::to_string(info_size));
    }
    h.palette_at = after_info;
    return h;
}

// Each compression allows only some bit depths; the embedded formats are not read at all.
void CheckCompression(const Header& h) {
    switch (h.compression) {
    case kBiRgb:
        if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 16 && h.bpp != 24 && h.bpp != 32)
            Fail("unsupported bit depth " + std::to_string(h.bpp));
        break;
    case kBiRle8:
        if (h.bpp != 8)
            Fail("RLE8 compression with " + std::to_string(h.bpp) + " bits per pixel");
        break;
    case kBiRle4:
        if (h.bpp != 4)
            Fail("RLE4 compression with " + std::to_string(h.bpp) + " bits per pixel");
        break;
    case kBiBitfields:
    case kBiAlphaBitfields:
        if (h.bpp != 16 && h.bpp != 32)
            Fail("bit-field masks with " + std::to_string(h.bpp) + " bits per pixel");
        break;
    case kBiJpeg:
    case kBiPng: Fail("embedded JPEG or PNG data is not supported");
    default: Fail("unknown compression " + std::to_string(h.compression));
    }
}

Header ReadHeader(std::span<const std::uint8_t> d) {
    if (d.size() < kFileHeaderSize + 4)
        Fail("file of " + std::to_string(d.size()) + " bytes is too short for the headers");
    if (d[0] != 'B' || d[1] != 'M')
        Fail("missing 'BM' signature");
    const Header h = ReadInfoHeader(d);
    if (h.width <= 0 || h.height <= 0)
        Fail("empty or negative size " + std::to_string(h.width) + " x " + std::to_string(h.height));
    CheckImageDimensions("BMP image", h.width, h.height);
    CheckCompression(h);
    return h;
}

// The colour table as ready-made 32-bit pixels. Indices past its end read as black.
std::array<std::uint32_t, 256> ReadPalette(std::span<const std::uint8_t> d, const Header& h, std::size_t pixels_at) {
    std::array<std::uint32_t, 256> palette{};
    if (h.bpp > 8)
        return palette;
    const std::uint32_t full = 1u << h.bpp;
    std::uint32_t count = (h.colours_used == 0 || h.colours_used > full) ? full : h.colours_used;
    // Some writers store fewer entries than the depth allows and say so only through the pixel
    // offset; the table never reaches into the pixels.
    if (pixels_at > h.palette_at)
        count =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(count, (pixels_at - h.palette_at) / h.palette_entry));
    const std::uint64_t end = h.palette_at + std::uint64_t{count} * h.palette_entry;
    if (end > d.size())
        Fail("colour table of " + std::to_string(count) + " entries at offset " + std::to_string(h.palette_at) +
             " passes the end of the data (" + std::to_string(d.size()) + " bytes)");
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = h.palette_at + std::size_t{i} * h.palette_entry;
        palette[i] = static_cast<std::uint32_t>(d[at]) | (static_cast<std::uint32_t>(d[at + 1]) << 8) |
                     (static_cast<std::uint32_t>(d[at + 2]) << 16);
    }
    return palette;
}

void PutPixel(Bitmap& out, int x, int y, std::uint32_t bgr) {
    std::uint8_t* p = out.Pixel(x, y);
    p[0] = static_cast<std::uint8_t>(bgr);
    p[1] = static_cast<std::uint8_t>(bgr >> 8);
    p[2] = static_cast<std::uint8_t>(bgr >> 16);
    p[3] = 0;
}

// Bytes an uncompressed picture needs. The last row need not carry its padding; some writers
// leave it off.
std::uint64_t StrideOf(const Header& h) {
    return (static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(h.bpp) + 31) / 32 * 4;
}

void CheckUncompressedSize(std::span<const std::uint8_t> d, std::size_t pixels_at, const Header& h) {
    const std::uint64_t row_bytes = (static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(h.bpp) + 7) / 8;
    const std::uint64_t needed = StrideOf(h) * static_cast<std::uint64_t>(h.height - 1) + row_bytes;
    if (pixels_at > d.size() || needed > d.size() - pixels_at)
        Fail("pixel data truncated: " + std::to_string(needed) + " bytes needed at offset " +
             std::to_string(pixels_at) + ", " + std::to_string(d.size() > pixels_at ? d.size() - pixels_at : 0) +
             " present");
}

void DecodeUncompressed(std::span<const std::uint8_t> d, std::size_t pixels_at, const Header& h,
                        const std::array<std::uint32_t, 256>& palette, Bitmap& out) {
    const std::uint64_t stride = StrideOf(h);
    std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (h.bpp == 32)
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    if (h.has_masks)
        std::copy(std::begin(h.masks), std::end(h.masks), masks);
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
    const bool plain32 = h.bpp == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;

    const int width = static_cast<int>(h.width);
    const int height = static_cast<int>(h.height);
    for (int file_row = 0; file_row < height; ++file_row) {
        const std::uint8_t* src = d.data() + pixels_at + stride * static_cast<std::uint64_t>(file_row);
        const int y = h.top_down ? file_row : height - 1 - file_row;
        std::uint8_t* dst = out.Row(y);
        switch (h.bpp) {
        case 1:
        case 4:
        case 8: {
            const int per_byte = 8 / h.bpp;
            const unsigned index_mask = (1u << h.bpp) - 1;
            for (int x = 0; x < width; ++x) {
                const int shift = 8 - h.bpp * (x % per_byte + 1);
                const unsigned index = (src[x / per_byte] >> shift) & index_mask;
                PutPixel(out, x, y, palette[index]);
            }
            break;
        }
        case 16:
        case 32:
            for (int x = 0; x < width; ++x, dst += 4) {
                if (plain32) {
                    std::memcpy(dst, src + 4 * x, 3);
                } else {
                    const std::uint8_t* s = h.bpp == 16 ? src + 2 * x : src + 4 * x;
                    std::uint32_t px = static_cast<std::uint32_t>(s[0] | (s[1] << 8));
                    if (h.bpp == 32)
                        px |= static_cast<std::uint32_t>(s[2]) << 16 | static_cast<std::uint32_t>(s[3]) << 24;
                    dst[0] = blue.Get(px);
                    dst[1] = green.Get(px);
                    dst[2] = red.Get(px);
                }
                dst[3] = 0;
            }
            break;
        case 24:
            for (int x = 0; x < width; ++x, dst += 4) {
                std::memcpy(dst, src + 3 * x, 3);
                dst[3] = 0;
            }
            break;
        }
    }
}

// RLE4 and RLE8: runs of one index (RLE4: two alternating nibbles), absolute runs, and the escape
// codes end-of-line, end-of-bitmap and delta. A run or a delta that passes the end of its row is
// clipped there, and the rest of that row's codes until the next end-of-line draw nothing: some
// writers (ImageMagick among them) encode the row's padding too, and the common readers accept
// that. Rows only move down, so the first code that reaches below the last row ends the picture.
// Every code consumes at least two bytes and draws at most 255 pixels, so the work is bounded by the
// data's size.
void DecodeRle(std::span<const std::uint8_t> d, std::size_t pixels_at, const Header& h,
               const std::array<std::uint32_t, 256>& palette, Bitmap& out) {
    if (pixels_at >= d.size())
        Fail("pixel data offset " + std::to_string(pixels_at) + " is past the end of the data (" +
             std::to_string(d.size()) + " bytes)");
    const char* name = h.bpp == 8 ? "RLE8" : "RLE4";
    const int width = static_cast<int>(h.width);
    const int height = static_cast<int>(h.height);
    out.Fill(
        MakeColor(static_cast<int>(palette[0] >> 16), static_cast<int>(palette[0] >> 8), static_cast<int>(palette[0])));

    auto where = [&](int x, int y) {
        return std::string(name) + " data at offset " + std::to_string(pixels_at) + ", row " + std::to_string(y) +
               ", column " + std::to_string(x) + ": ";
    };
    auto put = [&](int x, int y, unsigned index) {
        PutPixel(out, x, h.top_down ? y : height - 1 - y, palette[index & 0xFF]);
    };
    // Pixels of a run that still fit in the row from column x (0 once the row is full).
    auto fitting = [&](int x, unsigned count) { return std::min(static_cast<int>(count), width - x); };

    std::size_t pos = pixels_at;
    int x = 0, y = 0; // 0 <= x <= width
    while (y < height) {
        if (d.size() - pos < 2)
            Fail(where(x, y) + "the data ends before the end-of-bitmap code");
        const unsigned count = d[pos];
        const unsigned value = d[pos + 1];
        pos += 2;
        if (count > 0) {
            const int n = fitting(x, count);
            for (int i = 0; i < n; ++i)
                put(x + i, y, h.bpp == 8 ? value : ((i & 1) ? (value & 0x0F) : (value >> 4)));
            x += n;
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return;
        case 2: // delta
            if (d.size() - pos < 2)
                Fail(where(x, y) + "the delta code is cut off");
            x = std::min(x + d[pos], width);
            y += d[pos + 1];
            pos += 2;
            break;
        default: { // absolute run of `value` indices, padded to a 16-bit boundary
            const std::size_t bytes = h.bpp == 8 ? value : (value + 1) / 2;
            const std::size_t padded = bytes + (bytes & 1);
            if (d.size() - pos < bytes)
                Fail(where(x, y) + "an absolute run is cut off by the end of the data");
            const int n = fitting(x, value);
            for (int i = 0; i < n; ++i) {
                const std::uint8_t b = d[pos + static_cast<std::size_t>(h.bpp == 8 ? i : i / 2)];
                put(x + i, y, h.bpp == 8 ? b : ((i & 1) ? (b & 0x0F) : (b >> 4)));
            }
            x += n;
            pos += std::min(padded, d.size() - pos);
            break;
        }
        }
    }
}

} // namespace

Bitmap DecodeBmp(std::span<const std::uint8_t> data) {
    const Header h = ReadHeader(data);
    const std::size_t pixels_at = U32(data, 10);
    const auto palette = ReadPalette(data, h, pixels_at);

    Bitmap out;
    if (h.compression == kBiRle8 || h.compression == kBiRle4) {
        out.SetSize(static_cast<int>(h.width), static_cast<int>(h.height));
        DecodeRle(data, pixels_at, h, palette, out);
    } else {
        CheckUncompressedSize(data, pixels_at, h);
        out.SetSize(static_cast<int>(h.width), static_cast<int>(h.height));
        DecodeUncompressed(data, pixels_at, h, palette, out);
    }
    return out;
}

} // namespace hk
