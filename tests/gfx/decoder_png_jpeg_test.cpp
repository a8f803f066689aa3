// PNG and JPEG decoding from memory: every PNG colour type and depth the game could ship, alpha
// dropped, JPEG colour and grey, format sniffing, and damaged data turned into ImageDecodeError.
// Test pictures are encoded here with libpng and libjpeg.
#include "gfx/image_decoder.h"

#include "gfx/decoder_mutation.h"

#include <gtest/gtest.h>

#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

namespace hk {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Bgra = std::array<int, 4>;

Bgra Get(const Bitmap& bmp, int x, int y) {
    const std::uint8_t* p = bmp.Pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

std::string ErrorOf(const Bytes& data, ImageFormat format = ImageFormat::Unknown) {
    try {
        DecodeImage(data, format);
    } catch (const ImageDecodeError& e) {
        return e.what();
    }
    return "(no error)";
}

// ---- encoders ----

struct PngInput {
    int width = 0;
    int height = 0;
    int colour_type = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    std::vector<Bytes> rows = {}; // stored rows, 16-bit samples big-endian
    std::vector<png_color> palette = {};
    Bytes palette_alpha = {};
    bool interlaced = false;
};

void SinkWrite(png_structp png, png_bytep data, std::size_t n) {
    auto* sink = static_cast<Bytes*>(png_get_io_ptr(png));
    sink->insert(sink->end(), data, data + n);
}
void SinkFlush(png_structp) {}

// The setjmp frame holds only plain pointers.
bool WritePng(const PngInput* in, png_bytepp rows, Bytes* sink) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, sink, SinkWrite, SinkFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(in->width), static_cast<png_uint_32>(in->height), in->depth,
                 in->colour_type, in->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!in->palette.empty())
        png_set_PLTE(png, info, in->palette.data(), static_cast<int>(in->palette.size()));
    if (!in->palette_alpha.empty())
        png_set_tRNS(png, info, in->palette_alpha.data(), static_cast<int>(in->palette_alpha.size()), nullptr);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

Bytes EncodePng(PngInput in) {
    std::vector<png_bytep> rows;
    for (Bytes& r : in.rows)
        rows.push_back(r.data());
    Bytes out;
    EXPECT_TRUE(WritePng(&in, rows.data(), &out));
    return out;
}

// Encodes 8-bit RGB (components 3) or grey (1) pixels.
Bytes EncodeJpeg(int width, int height, int components, const Bytes& pixels, int quality = 100) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + cinfo.next_scanline * width * components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

// ---- PNG ----

TEST(PngDecoder, RgbAndRgbaComeOutAsOpaqueBgr) {
    Bytes rgb = EncodePng({.width = 2, .height = 1, .rows = {{10, 20, 30, 40, 50, 60}}});
    Bitmap a = DecodePng(rgb);
    ASSERT_EQ(a.Width(), 2);
    ASSERT_EQ(a.Height(), 1);
    EXPECT_EQ(Get(a, 0, 0), (Bgra{30, 20, 10, 0}));
    EXPECT_EQ(Get(a, 1, 0), (Bgra{60, 50, 40, 0}));

    // Alpha is dropped, not composited: a fully clear pixel keeps its colour.
    Bytes rgba = EncodePng(
        {.width = 2, .height = 1, .colour_type = PNG_COLOR_TYPE_RGB_ALPHA, .rows = {{1, 2, 3, 0, 200, 100, 50, 128}}});
    Bitmap b = DecodePng(rgba);
    EXPECT_EQ(Get(b, 0, 0), (Bgra{3, 2, 1, 0}));
    EXPECT_EQ(Get(b, 1, 0), (Bgra{50, 100, 200, 0}));
}

TEST(PngDecoder, PaletteAndGreyDepthsExpandToEightBits) {
    // 2-bit palette with a transparency table: the colours stay, the transparency goes.
    std::vector<png_color> pal = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
    Bytes paletted = EncodePng({.width = 4,
                                .height = 1,
                                .colour_type = PNG_COLOR_TYPE_PALETTE,
                                .depth = 2,
                                .rows = {{0x1B}},
                                .palette = pal,
                                .palette_alpha = {0, 128}}); // 00 01 10 11
    Bitmap p = DecodePng(paletted);
    EXPECT_EQ(Get(p, 0, 0), (Bgra{0, 0, 255, 0}));
    EXPECT_EQ(Get(p, 1, 0), (Bgra{0, 255, 0, 0}));
    EXPECT_EQ(Get(p, 2, 0), (Bgra{255, 0, 0, 0}));
    EXPECT_EQ(Get(p, 3, 0), (Bgra{7, 8, 9, 0}));

    // 1-bit grey: 1 is white. 4-bit grey: 5 scales to 5 * 17 = 85.
    Bitmap g1 = DecodePng(EncodePng(
        {.width = 3, .height = 1, .colour_type = PNG_COLOR_TYPE_GRAY, .depth = 1, .rows = {{0xA0}}})); // 1 0 1
    EXPECT_EQ(Get(g1, 0, 0), (Bgra{255, 255, 255, 0}));
    EXPECT_EQ(Get(g1, 1, 0), (Bgra{0, 0, 0, 0}));
    Bitmap g4 = DecodePng(
        EncodePng({.width = 2, .height = 1, .colour_type = PNG_COLOR_TYPE_GRAY, .depth = 4, .rows = {{0x5F}}}));
    EXPECT_EQ(Get(g4, 0, 0), (Bgra{85, 85, 85, 0}));
    EXPECT_EQ(Get(g4, 1, 0), (Bgra{255, 255, 255, 0}));

    // Grey with alpha (the mask pictures of the game could be stored this way).
    Bitmap ga =
        DecodePng(EncodePng({.width = 1, .height = 1, .colour_type = PNG_COLOR_TYPE_GRAY_ALPHA, .rows = {{77, 0}}}));
    EXPECT_EQ(Get(ga, 0, 0), (Bgra{77, 77, 77, 0}));
}

TEST(PngDecoder, SixteenBitSamplesAreRoundedToEightBits) {
    // Big-endian samples: 0xFFFF -> 255, 0x0000 -> 0, 0x1234 -> round(4660 * 255 / 65535) = 18,
    // 0x8080 -> 128, 0x807F -> round(32895 * 255 / 65535) = 128, 0xC000 -> round(191.25) = 191.
    Bytes rgb16 = EncodePng({.width = 2,
                             .height = 1,
                             .depth = 16,
                             .rows = {{0xFF, 0xFF, 0x00, 0x00, 0x12, 0x34, 0x80, 0x80, 0x80, 0x7F, 0x00, 0x00}}});
    Bitmap a = DecodePng(rgb16);
    EXPECT_EQ(Get(a, 0, 0), (Bgra{18, 0, 255, 0}));
    EXPECT_EQ(Get(a, 1, 0), (Bgra{0, 128, 128, 0}));

    Bytes grey16 = EncodePng({.width = 1,
                              .height = 1,
                              .colour_type = PNG_COLOR_TYPE_GRAY_ALPHA,
                              .depth = 16,
                              .rows = {{0xC0, 0x00, 0x00, 0x00}}});
    EXPECT_EQ(Get(DecodePng(grey16), 0, 0), (Bgra{191, 191, 191, 0}));
}

TEST(PngDecoder, InterlacedEqualsProgressive) {
    PngInput in{.width = 9, .height = 7};
    for (int y = 0; y < in.height; ++y) {
        Bytes row;
        for (int x = 0; x < in.width; ++x) {
            row.push_back(static_cast<std::uint8_t>(x * 25));
            row.push_back(static_cast<std::uint8_t>(y * 30));
            row.push_back(static_cast<std::uint8_t>(x * y));
        }
        in.rows.push_back(row);
    }
    Bitmap plain = DecodePng(EncodePng(in));
    in.interlaced = true;
    Bitmap adam7 = DecodePng(EncodePng(in));
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x) {
            ASSERT_EQ(Get(adam7, x, y), Get(plain, x, y)) << x << "," << y;
            ASSERT_EQ(Get(plain, x, y), (Bgra{x * y, y * 30, x * 25, 0}));
        }
}

// Offsets in a minimal PNG: signature (8), IHDR length (4) and type (4), then width at 16, height
// at 20, and the IHDR CRC at 29.
TEST(PngDecoder, DamagedDataGivesClearErrors) {
    const Bytes good = EncodePng({.width = 4, .height = 4, .rows = std::vector<Bytes>(4, Bytes(12, 0x55))});
    ASSERT_NO_THROW(DecodePng(good));

    for (std::size_t cut : {std::size_t{0}, std::size_t{7}, std::size_t{20}, std::size_t{40}, good.size() - 20}) {
        const std::string msg =
            ErrorOf(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)), ImageFormat::Png);
        EXPECT_EQ(msg.rfind("PNG image: ", 0), 0u) << "cut at " << cut << ": " << msg;
    }

    Bytes bad_crc = good;
    bad_crc[29] ^= 0xFF;
    EXPECT_NE(ErrorOf(bad_crc).find("CRC"), std::string::npos) << ErrorOf(bad_crc);

    // A header claiming 20000 x 20000 is refused before any pixel storage exists.
    Bytes huge = good;
    huge[18] = 0x4E, huge[19] = 0x20; // width 20000
    huge[22] = 0x4E, huge[23] = 0x20; // height 20000
    const std::string huge_msg = ErrorOf(huge);
    EXPECT_EQ(huge_msg.rfind("PNG image: ", 0), 0u) << huge_msg;

    // 16000 x 16000 is within the per-side limit but over the pixel budget. The CRC is fixed up
    // so that it is our limit, not the checksum, that speaks.
    Bytes wide = good;
    wide[18] = 0x3E, wide[19] = 0x80, wide[22] = 0x3E, wide[23] = 0x80;
    const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, wide.data() + 12, 17));
    for (int i = 0; i < 4; ++i)
        wide[29 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    EXPECT_NE(ErrorOf(wide).find("outside the accepted range"), std::string::npos) << ErrorOf(wide);

    // Damaged compressed data inside IDAT.
    Bytes garbled = good;
    for (std::size_t i = 41; i < garbled.size() - 16; ++i)
        garbled[i] = static_cast<std::uint8_t>(i * 37);
    EXPECT_EQ(ErrorOf(garbled).rfind("PNG image: ", 0), 0u);
}

// ---- JPEG ----

TEST(JpegDecoder, ColourAndGreyDecodeCloseToTheSource) {
    // 13 x 7 is not a multiple of the 8 x 8 blocks; a flat colour survives quality 100 almost exactly.
    Bytes rgb;
    for (int i = 0; i < 13 * 7; ++i)
        rgb.insert(rgb.end(), {200, 100, 50});
    Bitmap c = DecodeJpeg(EncodeJpeg(13, 7, 3, rgb));
    ASSERT_EQ(c.Width(), 13);
    ASSERT_EQ(c.Height(), 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) {
            const Bgra px = Get(c, x, y);
            ASSERT_NEAR(px[0], 50, 3);
            ASSERT_NEAR(px[1], 100, 3);
            ASSERT_NEAR(px[2], 200, 3);
            ASSERT_EQ(px[3], 0);
        }

    Bitmap g = DecodeJpeg(EncodeJpeg(8, 8, 1, Bytes(64, 77)));
    const Bgra gp = Get(g, 3, 3);
    EXPECT_NEAR(gp[0], 77, 1);
    EXPECT_EQ(gp[0], gp[1]);
    EXPECT_EQ(gp[1], gp[2]);
    EXPECT_EQ(gp[3], 0);
}

TEST(JpegDecoder, DamagedDataGivesClearErrors) {
    Bytes pixels;
    for (int i = 0; i < 32 * 32; ++i)
        pixels.insert(pixels.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 7), 9});
    const Bytes good = EncodeJpeg(32, 32, 3, pixels, 80);
    ASSERT_NO_THROW(DecodeJpeg(good));

    // Cut inside the compressed data: libjpeg would pad with grey; we report it.
    const std::string cut = ErrorOf(Bytes(good.begin(), good.end() - 100));
    EXPECT_NE(cut.find("truncated"), std::string::npos) << cut;
    EXPECT_EQ(ErrorOf(Bytes{0xFF, 0xD8}).rfind("JPEG image: ", 0), 0u);
    EXPECT_EQ(ErrorOf(Bytes{}, ImageFormat::Jpeg).rfind("JPEG image: ", 0), 0u);

    // Patch the frame header to 60000 x 60000: refused after the header, before the pixels.
    Bytes huge = good;
    for (std::size_t i = 2; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = 0xEA, huge[i + 6] = 0x60, huge[i + 7] = 0xEA, huge[i + 8] = 0x60;
            break;
        }
    EXPECT_NE(ErrorOf(huge).find("outside the accepted range"), std::string::npos) << ErrorOf(huge);
}

TEST(ImageFormats, SniffingAndDispatch) {
    EXPECT_EQ(SniffImageFormat(Bytes{'B', 'M'}), ImageFormat::Bmp);
    EXPECT_EQ(SniffImageFormat(Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}), ImageFormat::Png);
    EXPECT_EQ(SniffImageFormat(Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A}), ImageFormat::Unknown);
    EXPECT_EQ(SniffImageFormat(Bytes{0xFF, 0xD8}), ImageFormat::Jpeg);
    EXPECT_EQ(SniffImageFormat(Bytes{'B'}), ImageFormat::Unknown);
    EXPECT_EQ(SniffImageFormat(Bytes{}), ImageFormat::Unknown);

    // Dispatch by sniffing, and the format the caller names wins over the bytes.
    const Bytes png = EncodePng({.width = 1, .height = 1, .rows = {{1, 2, 3}}});
    EXPECT_EQ(DecodeImage(png).GetColor(0, 0), MakeColor(1, 2, 3));
    EXPECT_EQ(ErrorOf(png, ImageFormat::Bmp).rfind("BMP image: ", 0), 0u);
    EXPECT_EQ(ErrorOf(Bytes{1, 2, 3, 4, 5}), "unrecognised picture data (5 bytes, starting 01 02 03 04)");
    EXPECT_EQ(ErrorOf(Bytes{}), "unrecognised picture data (0 bytes)");
}

TEST(ImageFormats, DamagedCopiesOfGoodPngAndJpegNeverCrash) {
    PngInput paletted{.width = 5,
                      .height = 3,
                      .colour_type = PNG_COLOR_TYPE_PALETTE,
                      .depth = 4,
                      .rows = std::vector<Bytes>(3, Bytes{0x01, 0x23, 0x40}),
                      .palette = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}}};
    ExpectOnlyCleanFailures(EncodePng(paletted), ImageFormat::Png, 2000, 5);
    PngInput interlaced{.width = 6,
                        .height = 5,
                        .colour_type = PNG_COLOR_TYPE_RGB_ALPHA,
                        .depth = 16,
                        .rows = std::vector<Bytes>(5, Bytes(6 * 8, 0x3C)),
                        .interlaced = true};
    ExpectOnlyCleanFailures(EncodePng(interlaced), ImageFormat::Png, 2000, 6);

    Bytes pixels;
    for (int i = 0; i < 16 * 16; ++i)
        pixels.insert(pixels.end(), {static_cast<std::uint8_t>(i), 90, static_cast<std::uint8_t>(255 - i)});
    ExpectOnlyCleanFailures(EncodeJpeg(16, 16, 3, pixels, 75), ImageFormat::Jpeg, 2000, 7);
}

} // namespace
} // namespace hk
