// PNG and JPEG decoding through libpng and libjpeg-turbo, plus format sniffing.
//
// Both libraries report fatal errors by calling a handler that must not return; the only safe
// way out of their C frames is longjmp. Each library call therefore runs inside a small phase
// function that does the setjmp itself and owns no C++ objects: when the library jumps back, the
// phase returns false with the message copied into a plain char buffer, and the C++ caller (whose
// frame the jump never crosses) turns it into an ImageDecodeError and cleans up with RAII.
#include "gfx/image_decoder.h"

#include "gfx/bmp_decoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace hk {

void CheckImageDimensions(const char* format_name, std::int64_t width, std::int64_t height) {
    if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels)
        throw ImageDecodeError(std::string(format_name) + ": size " + std::to_string(width) + " x " +
                               std::to_string(height) + " is outside the accepted range (1.." +
                               std::to_string(kMaxImageSide) + " per side, at most " + std::to_string(kMaxImagePixels) +
                               " pixels)");
}

ImageFormat SniffImageFormat(std::span<const std::uint8_t> data) {
    static constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M')
        return ImageFormat::Bmp;
    if (data.size() >= 8 && std::memcmp(data.data(), kPngSignature, 8) == 0)
        return ImageFormat::Png;
    if (data.size() >= 2 && data[0] == 0xFF && data[1] == 0xD8)
        return ImageFormat::Jpeg;
    return ImageFormat::Unknown;
}

const char* ImageFormatName(ImageFormat format) {
    switch (format) {
    case ImageFormat::Bmp: return "BMP";
    case ImageFormat::Png: return "PNG";
    case ImageFormat::Jpeg: return "JPEG";
    case ImageFormat::Unknown: break;
    }
    return "unknown";
}

namespace {

// ---- PNG ----------------------------------------------------------------------------------

// Plain data only: longjmp may leave any frame that holds it.
struct PngJob {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int channels = 0;
    int bit_depth = 0;
    std::size_t row_bytes = 0;
    char message[256] = {};
};

void PngOnError(png_structp png, png_const_charp message) {
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    std::snprintf(job->message, sizeof job->message, "%s", message ? message : "unknown libpng error");
    png_longjmp(png, 1);
}

void PngOnWarning(png_structp, png_const_charp) {}

void PngOnRead(png_structp png, png_bytep out, std::size_t length) {
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (length > job->size - job->pos)
        png_error(png, "the data ends in the middle of the picture (truncated)");
    std::memcpy(out, job->data + job->pos, length);
    job->pos += length;
}

// Reads the header and sets the transformations that give blue, green, red, 0 per pixel.
bool PngReadHeader(PngJob* job) {
    if (setjmp(png_jmpbuf(job->png)))
        return false;
    png_set_user_limits(job->png, kMaxImageSide, kMaxImageSide);
    png_set_read_fn(job->png, job, PngOnRead);
    png_read_info(job->png, job->info);

    const int colour_type = png_get_color_type(job->png, job->info);
    const int depth = png_get_bit_depth(job->png, job->info);
    if (colour_type == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(job->png);
    if (colour_type == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(job->png);
    if (depth == 16)
        png_set_scale_16(job->png);
    if (colour_type == PNG_COLOR_TYPE_GRAY || colour_type == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(job->png);
    // The picture is drawn opaquely: its own alpha (or tRNS colour key) is dropped.
    png_set_strip_alpha(job->png);
    png_set_bgr(job->png);
    png_set_filler(job->png, 0, PNG_FILLER_AFTER);
    png_set_interlace_handling(job->png);
    png_read_update_info(job->png, job->info);

    job->width = png_get_image_width(job->png, job->info);
    job->height = png_get_image_height(job->png, job->info);
    job->channels = png_get_channels(job->png, job->info);
    job->bit_depth = png_get_bit_depth(job->png, job->info);
    job->row_bytes = png_get_rowbytes(job->png, job->info);
    return true;
}

bool PngReadPixels(PngJob* job, png_bytepp rows) {
    if (setjmp(png_jmpbuf(job->png)))
        return false;
    png_read_image(job->png, rows);
    return true;
}

// ---- JPEG ---------------------------------------------------------------------------------

struct JpegJob {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr error;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    bool created = false;
    char message[JMSG_LENGTH_MAX + 64] = {};
};

// Progressive files may hold any number of scans; a few hundred is already absurd, and without
// a limit a tiny file can keep the decoder busy for minutes.
constexpr int kMaxJpegScans = 500;

JpegJob* JobOf(j_common_ptr cinfo) {
    return static_cast<JpegJob*>(cinfo->client_data);
}

void JpegOnError(j_common_ptr cinfo) {
    JpegJob* job = JobOf(cinfo);
    if (job->message[0] == 0)
        (*cinfo->err->format_message)(cinfo, job->message);
    std::longjmp(job->jump, 1);
}

// Warnings are ignored, except the one that says the data ran out: libjpeg would pad the
// picture with grey, but a cut-off file is damaged data and is reported as such.
void JpegOnMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
        JpegJob* job = JobOf(cinfo);
        std::snprintf(job->message, sizeof job->message, "the data ends in the middle of the picture (truncated)");
        JpegOnError(cinfo);
    }
}

void JpegOnProgress(j_common_ptr cinfo) {
    if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans) {
        JpegJob* job = JobOf(cinfo);
        std::snprintf(job->message, sizeof job->message, "more than %d scans", kMaxJpegScans);
        JpegOnError(cinfo);
    }
}

bool JpegReadHeader(JpegJob* job, const std::uint8_t* data, std::size_t size) {
    job->cinfo.err = jpeg_std_error(&job->error);
    job->cinfo.client_data = job;
    job->error.error_exit = JpegOnError;
    job->error.emit_message = JpegOnMessage;
    if (setjmp(job->jump))
        return false;
    jpeg_create_decompress(&job->cinfo);
    job->created = true;
    job->progress.progress_monitor = JpegOnProgress;
    job->cinfo.progress = &job->progress;
    job->cinfo.mem->max_memory_to_use = 512L * 1024 * 1024;
    jpeg_mem_src(&job->cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&job->cinfo, TRUE);
    const bool cmyk = job->cinfo.jpeg_color_space == JCS_CMYK || job->cinfo.jpeg_color_space == JCS_YCCK;
    job->cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    return true;
}

bool JpegReadPixels(JpegJob* job, JSAMPROW* rows) {
    if (setjmp(job->jump))
        return false;
    jpeg_start_decompress(&job->cinfo);
    if (job->cinfo.output_components != 4) {
        std::snprintf(job->message, sizeof job->message, "unexpected %d output components",
                      job->cinfo.output_components);
        return false;
    }
    while (job->cinfo.output_scanline < job->cinfo.output_height) {
        const JDIMENSION done = job->cinfo.output_scanline;
        if (jpeg_read_scanlines(&job->cinfo, rows + done, job->cinfo.output_height - done) == 0) {
            std::snprintf(job->message, sizeof job->message, "the decoder stopped at row %u", done);
            return false;
        }
    }
    return true;
}

} // namespace

Bitmap DecodePng(std::span<const std::uint8_t> data) {
    PngJob job;
    job.data = data.data();
    job.size = data.size();
    job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, PngOnError, PngOnWarning);
    if (job.png)
        job.info = png_create_info_struct(job.png);
    struct Cleanup {
        PngJob& job;
        ~Cleanup() { png_destroy_read_struct(&job.png, job.info ? &job.info : nullptr, nullptr); }
    } cleanup{job};
    if (!job.png || !job.info)
        throw ImageDecodeError("PNG image: libpng could not be set up");

    if (!PngReadHeader(&job))
        throw ImageDecodeError(std::string("PNG image: ") + job.message);
    CheckImageDimensions("PNG image", job.width, job.height);
    if (job.channels != 4 || job.bit_depth != 8 || job.row_bytes != std::size_t{job.width} * 4)
        throw ImageDecodeError("PNG image: unsupported pixel layout after conversion");

    Bitmap out;
    out.SetSize(static_cast<int>(job.width), static_cast<int>(job.height));
    std::vector<png_bytep> rows(job.height);
    for (png_uint_32 y = 0; y < job.height; ++y)
        rows[y] = out.Row(static_cast<int>(y));
    if (!PngReadPixels(&job, rows.data()))
        throw ImageDecodeError(std::string("PNG image: ") + job.message);
    return out;
}

Bitmap DecodeJpeg(std::span<const std::uint8_t> data) {
    JpegJob job;
    struct Cleanup {
        JpegJob& job;
        ~Cleanup() {
            if (job.created)
                jpeg_destroy_decompress(&job.cinfo);
        }
    } cleanup{job};

    if (!JpegReadHeader(&job, data.data(), data.size()))
        throw ImageDecodeError(std::string("JPEG image: ") + job.message);
    CheckImageDimensions("JPEG image", job.cinfo.image_width, job.cinfo.image_height);

    Bitmap out;
    out.SetSize(static_cast<int>(job.cinfo.image_width), static_cast<int>(job.cinfo.image_height));
    std::vector<JSAMPROW> rows(job.cinfo.image_height);
    for (JDIMENSION y = 0; y < job.cinfo.image_height; ++y)
        rows[y] = out.Row(static_cast<int>(y));
    if (!JpegReadPixels(&job, rows.data()))
        throw ImageDecodeError(std::string("JPEG image: ") + job.message);
    if (job.cinfo.output_width != job.cinfo.image_width || job.cinfo.output_height != job.cinfo.image_height)
        throw ImageDecodeError("JPEG image: output size differs from the header");

    const bool cmyk = job.cinfo.out_color_space == JCS_CMYK;
    // Adobe writes CMYK inverted (0 = full ink); other writers do not.
    const bool inverted = job.cinfo.saw_Adobe_marker;
    for (int y = 0; y < out.Height(); ++y) {
        std::uint8_t* p = out.Row(y);
        for (int x = 0; x < out.Width(); ++x, p += 4) {
            if (cmyk) {
                int c = p[0], m = p[1], yel = p[2], k = p[3];
                if (!inverted)
                    c = 255 - c, m = 255 - m, yel = 255 - yel, k = 255 - k;
                p[0] = static_cast<std::uint8_t>(yel * k / 255);
                p[1] = static_cast<std::uint8_t>(m * k / 255);
                p[2] = static_cast<std::uint8_t>(c * k / 255);
            }
            p[3] = 0;
        }
    }
    return out;
}

Bitmap DecodeImage(std::span<const std::uint8_t> data, ImageFormat format) {
    if (format == ImageFormat::Unknown)
        format = SniffImageFormat(data);
    switch (format) {
    case ImageFormat::Bmp: return DecodeBmp(data);
    case ImageFormat::Png: return DecodePng(data);
    case ImageFormat::Jpeg: return DecodeJpeg(data);
    case ImageFormat::Unknown: break;
    }
    std::string head;
    for (std::size_t i = 0; i < data.size() && i < 4; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", data[i]);
        head += hex;
    }
    throw ImageDecodeError("unrecognised picture data (" + std::to_string(data.size()) + " bytes" +
                           (head.empty() ? std::string() : ", starting" + head) + ")");
}

} // namespace hk
