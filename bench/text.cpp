// Message text cost on every pixel path this machine has. A message line is ten smoothed draws
// (nine outline passes and the body): MakeMessage does them in one sweep (DrawTextSmoothOutlined);
// drawn one by one, the scratch rendering is kept between them and glyphs are cached. Baselines in
// the same run: the same ten draws re-rendering the scratch every time, and the FreeType work that
// the glyph cache saves (rasterising the doubled line ten times). The summary (ratio_reporter.h)
// prints every case against the FreeType baseline, which no pixel path changes. The doubled line's
// rendering on the one-byte scratch, which each new line costs, is timed on its own too.
#include "bench/ratio_reporter.h"
#include "gfx/bitmap_text.h"
#include "gfx/pixel_ops.h"

#include <benchmark/benchmark.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

namespace {

const std::u32string kLine = U"「こんにちは。今日はいい天気ですね、散歩に行きましょう」";

hk::Font MessageFont() {
    hk::Font f;
    f.face = "ＭＳ ゴシック";
    f.height = 24;
    return f;
}

void DrawOutlinedOneByOne(hk::Bitmap& surface, hk::Font font) {
    font.color = hk::kBlack;
    for (int dy = -2; dy <= 2; dy += 2)
        for (int dx = -2; dx <= 2; dx += 2)
            hk::DrawTextSmooth(surface, 34 + dx, 63 + dy, font, kLine);
    font.color = hk::kWhite;
    hk::DrawTextSmooth(surface, 34, 63, font, kLine);
}

enum class Drawing { OneByOne, OneSweep };

void BM_OutlinedLine(benchmark::State& state, Drawing drawing, hk::PixelPath path) {
    if (!hk::SetPixelPath(path)) {
        state.SkipWithError("path not available");
        return;
    }
    hk::Bitmap surface;
    surface.SetSize(800, 176);
    const hk::Font font = MessageFont();
    for (auto _ : state) {
        if (drawing == Drawing::OneSweep)
            hk::DrawTextSmoothOutlined(surface, 34, 63, font, kLine, hk::kBlack, 2);
        else
            DrawOutlinedOneByOne(surface, font);
        // A different line in between, as the next message would be: the scratch is rebuilt once.
        hk::DrawTextSmooth(surface, 34, 91, font, U"次の行");
        benchmark::ClobberMemory();
    }
    hk::SetPixelPath(hk::BestPixelPath());
}

// The doubled line drawn on the one-byte scratch, as every new line is before it is reduced: the
// glyph blend of the pixel path, with the glyphs cached.
void BM_ScratchLine(benchmark::State& state, hk::PixelPath path) {
    if (!hk::SetPixelPath(path)) {
        state.SkipWithError("path not available");
        return;
    }
    hk::Font big = MessageFont();
    big.height = hk::DoubledFontHeight(big.height);
    const hk::TextSize extent = hk::TextExtent(big, kLine);
    hk::Bitmap scratch;
    scratch.SetSizeGray8(extent.cx / 2 * 2 + 1, extent.cy / 2 * 2 + 1);
    for (auto _ : state) {
        scratch.Fill(hk::kWhite);
        hk::DrawText(scratch, 0, 0, big, kLine);
        benchmark::ClobberMemory();
    }
    hk::SetPixelPath(hk::BestPixelPath());
}

// Baseline: the scratch rendered anew for every one of the ten draws.
void BM_OutlinedLineRenderedEachTime(benchmark::State& state) {
    hk::Bitmap surface;
    surface.SetSize(800, 176);
    hk::Font big = MessageFont();
    big.height = hk::DoubledFontHeight(big.height);
    hk::Bitmap scratch;
    for (auto _ : state) {
        for (int pass = 0; pass < 10; ++pass) {
            const hk::TextSize extent = hk::TextExtent(big, kLine);
            scratch.SetSizeGray8(extent.cx / 2 * 2 + 1, extent.cy / 2 * 2 + 1);
            scratch.Fill(hk::kWhite);
            hk::DrawText(scratch, 0, 0, big, kLine);
            hk::ReduceSmoothText(scratch, surface, 34, 63, pass < 9 ? hk::kBlack : hk::kWhite);
        }
        benchmark::ClobberMemory();
    }
}

// Baseline: FreeType rasterising the doubled line ten times, without any cache.
void BM_FreeTypeTenRasterisations(benchmark::State& state) {
    const hk::ResolvedFace resolved = hk::ResolveFace("ＭＳ ゴシック");
    FT_Library library;
    FT_Init_FreeType(&library);
    FT_Face face;
    if (FT_New_Face(library, resolved.file.c_str(), resolved.index, &face) != 0) {
        state.SkipWithError("cannot open the face");
        return;
    }
    FT_Set_Pixel_Sizes(face, 0, 48);
    for (auto _ : state) {
        for (int pass = 0; pass < 10; ++pass)
            for (char32_t ch : kLine) {
                FT_Load_Char(face, ch, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP);
                FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
                benchmark::DoNotOptimize(face->glyph->bitmap.buffer);
            }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

} // namespace

int main(int argc, char** argv) {
    for (hk::PixelPath path : {hk::PixelPath::Scalar, hk::PixelPath::Sse2, hk::PixelPath::Avx2, hk::PixelPath::Neon}) {
        if (!hk::PixelPathAvailable(path))
            continue;
        const std::string name = hk::PixelPathName(path);
        benchmark::RegisterBenchmark(("OutlinedLine/" + name).c_str(), BM_OutlinedLine, Drawing::OneByOne, path)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("OutlinedLineOneSweep/" + name).c_str(), BM_OutlinedLine, Drawing::OneSweep, path)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("ScratchLine/" + name).c_str(), BM_ScratchLine, path)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("OutlinedLineRenderedEachTime", BM_OutlinedLineRenderedEachTime)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("FreeTypeTenRasterisations", BM_FreeTypeTenRasterisations)
        ->Unit(benchmark::kMicrosecond);
    return bench::RunWithSummary(argc, argv, [](const bench::RatioReporter& times) {
        times.PrintRatios("ratios (time / ten FreeType rasterisations of the line)", "FreeTypeTenRasterisations");
        times.PrintRatios("ratios (time / the scalar path, one by one)", "OutlinedLine/scalar", "OutlinedLine");
        times.PrintRatios("ratios (time / the scalar path's scratch line)", "ScratchLine/scalar", "ScratchLine");
    });
}
