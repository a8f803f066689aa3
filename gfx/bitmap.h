// Bitmap: the engine's one picture type. 32 bits per pixel in the byte order blue, green, red,
// fourth byte (a transparency value for DrawAlphaOnto: 0 opaque, 255 clear), rows top to bottom
// with a fixed stride; or, for the rule image of the wipes, one byte per pixel (Gray8).
// Surfaces never reallocate behind the caller's back: only SetSize, Assign and the format
// changes below touch the storage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hk {

// Colours are 0x00BBGGRR values, as the game's data and scripts write them.
using Color = std::uint32_t;
constexpr std::uint8_t ColorRed(Color c) {
    return static_cast<std::uint8_t>(c & 0xFF);
}
constexpr std::uint8_t ColorGreen(Color c) {
    return static_cast<std::uint8_t>((c >> 8) & 0xFF);
}
constexpr std::uint8_t ColorBlue(Color c) {
    return static_cast<std::uint8_t>((c >> 16) & 0xFF);
}
constexpr Color MakeColor(int r, int g, int b) {
    return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline constexpr Color kWhite = 0x00FFFFFF;
inline constexpr Color kBlack = 0x00000000;

enum class PixelFormat : std::uint8_t { Bgra32 = 0, Gray8 = 1 };

class Bitmap {
public:
    Bitmap() = default;

    // Forces 32 bits, then sets the size; new pixels are white and opaque (a fresh canvas).
    // Negative sizes count as 0.
    void SetSize(int width, int height);
    bool HasImage() const { return m_width > 0; }
    // Becomes a copy of other, forced to 32 bits (a Gray8 source becomes grey pixels).
    void Assign(const Bitmap& other);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    PixelFormat Format() const { return m_format; }
    int BytesPerPixel() const { return m_format == PixelFormat::Gray8 ? 1 : 4; }
    std::size_t Stride() const { return m_stride; }

    std::uint8_t* Row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * m_stride; }
    const std::uint8_t* Row(int y) const { return m_pixels.data() + static_cast<std::size_t>(y) * m_stride; }
    std::uint8_t* Pixel(int x, int y) { return Row(y) + static_cast<std::size_t>(x) * BytesPerPixel(); }
    const std::uint8_t* Pixel(int x, int y) const { return Row(y) + static_cast<std::size_t>(x) * BytesPerPixel(); }

    // Colour of a 32-bit pixel as 0x00BBGGRR (the fourth byte is not part of it).
    Color GetColor(int x, int y) const;
    // Brush fill: blue, green, red from the colour, fourth byte 0. Clipped to the surface.
    void FillRect(int x, int y, int w, int h, Color color);
    void Fill(Color color) { FillRect(0, 0, m_width, m_height, color); }
    // Plain copy of all four bytes of src's rectangle (sx, sy, w, h) to (dx, dy), clipped to both.
    void CopyRect(int dx, int dy, const Bitmap& src, int sx, int sy, int w, int h);

    // Turns the surface into the one-byte-per-pixel form of the given size (all zero).
    void SetSizeGray8(int width, int height);

    // The three ways of putting this surface (the source) onto another. All take the destination
    // rectangle (dx, dy, w, h), the source origin (sx, sy), then the destination and the weight.
    // The rectangle is clipped to the destination, and also to the source (and rule image), so a
    // caller's slip shows as unchanged pixels, never as a read outside a surface. Both surfaces
    // must be 32-bit; otherwise, or when either is empty, nothing is drawn. Allocation-free.
    // A surface drawn onto itself gives a defined result only for the identical rectangle.
    //
    // Cross-fade, all four bytes: dest = (src * alpha + dest * (256 - alpha)) >> 8.
    // alpha is 0..256; larger values count as 256.
    void BlendOnto(int dx, int dy, int w, int h, int sx, int sy, Bitmap& dest, std::uint16_t alpha) const;
    // Transparency draw, blue/green/red only; the source's fourth byte A is its transparency:
    // l = ((256 - A) * opacity) >> 8, dest = (src * l + dest * (256 - l)) >> 8. The destination's
    // fourth byte is kept. opacity is 0..256 (the engine draws with 255); larger counts as 256.
    void DrawAlphaOnto(int dx, int dy, int w, int h, int sx, int sy, Bitmap& dest, std::uint16_t opacity) const;
    // Rule-image wipe: rule is a Gray8 surface read at the destination's own coordinates. With
    // R = 2^softness and T = progress * (R + 256) >> 8, a pixel with rule value r is unchanged while
    // T < r, fully the source once T - r > R, and (src * d + dest * (R - d)) >> softness in between
    // (d = T - r), on all four bytes. softness is 1..8 (clamped into that range). T is at most
    // 65,535: a progress beyond that scale saturates rather than wrapping back to the start.
    void RuleBlendOnto(int dx, int dy, int w, int h, int sx, int sy, const Bitmap& rule, Bitmap& dest,
                       std::uint16_t progress, std::uint16_t softness) const;

    // output = this surface's colour with the mask's blue byte as the fourth byte; output takes this
    // surface's size and is 32-bit. Pixels the mask does not cover get fourth byte 0 (opaque).
    // output may be this surface or the mask.
    void CombineMask(const Bitmap& mask, Bitmap& output) const;
    // output = one byte per pixel, this surface's blue byte (the grey level of a grey picture).
    // output may be this surface.
    void BlueToGray8(Bitmap& output) const;

private:
    std::vector<std::uint8_t> m_pixels;
    int m_width = 0;
    int m_height = 0;
    std::size_t m_stride = 0;
    PixelFormat m_format = PixelFormat::Bgra32;
};

// Inverts blue, green and red (the grey byte of a Gray8 surface) in the rectangle, cut at the
// surface's edges; the fourth byte is kept.
void InvertRect(int x, int y, int w, int h, Bitmap& surface);

} // namespace hk
