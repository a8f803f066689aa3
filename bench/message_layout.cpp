// Cost of laying out one message (MakeMessage: window background, name and three outlined lines,
// ten smoothed draws per string) against one full-screen BlendOnto, the per-tick work of a fade,
// measured in the same run. A message is laid out once when it is shown, so it should cost about
// what one frame of a fade costs. The summary prints each case as a ratio to that baseline.
#include "bench/ratio_reporter.h"
#include "data/shift_jis.h"
#include "engine/message/message_window.h"
#include "tests/support/message_recorder.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// Two different messages, used in turn, so no iteration finds the previous one's text ready.
const std::u32string kMessages[2] = {
    U"アリサ「今日は朝から雨が降っていて、駅までの道はすっかり水たまりだらけだった。傘を忘れた私は、"
    U"仕方なく本屋の軒先で雨宿りをすることにした」",
    U"ユキ「ねえ、明日の約束は覚えてる？　駅前の喫茶店で、十時に待ち合わせだよ。遅れたら、"
    U"今度こそケーキをおごってもらうからね。それと、この前借りた本も忘れずに持ってきてほしいな」",
};

// The message window with the surfaces and layout settings that start-up would give it, on the
// unit tests' recording host (a scene to draw over, no game files).
struct LayoutBench {
    hk::test::RecordingMessageHost host;
    hk::MessageWindow window{host};

    LayoutBench() {
        window.SetLineRules(30, 3, U"、。，．：；！？ーぁぃぅぇぉっゃゅょんァィゥェォッャュョンヵヶ）」』】",
                            U"（「『【");
        for (int y = 0; y < 600; ++y)
            host.scene.FillRect(0, y, 800, 1, hk::MakeColor(y / 3, 90, 255 - y / 3));
        window.CreateSurfaces();
        // A frame whose inside is half clear, as the game's frame is.
        window.MsgFrameImage().SetSize(800, 176);
        window.MsgFrameImage().Fill(0x00402010);
        for (int y = 0; y < 176; ++y)
            for (int x = 0; x < 800; ++x)
                window.MsgFrameImage().Pixel(x, y)[3] = (x < 8 || x >= 792 || y < 16 || y >= 168) ? 0 : 128;
    }
};

void BM_BlendOntoFullScreen(benchmark::State& state) {
    hk::Bitmap src, dest;
    src.SetSize(800, 600);
    dest.SetSize(800, 600);
    src.Fill(0x00336699);
    dest.Fill(0x00CCAA88);
    std::uint16_t alpha = 0;
    for (auto _ : state) {
        src.BlendOnto(0, 0, 800, 600, 0, 0, dest, alpha);
        alpha = static_cast<std::uint16_t>((alpha + 37) & 0xFF);
        benchmark::ClobberMemory();
    }
}

void BM_MakeMessage(benchmark::State& state, bool skipping) {
    LayoutBench bench;
    bench.window.SetSkipNow(skipping ? 1 : 0);
    int turn = 0;
    for (auto _ : state) {
        bench.window.MakeMessage(kMessages[turn]);
        turn ^= 1;
        benchmark::ClobberMemory();
    }
    for (const std::u32string& text : kMessages) {
        bench.window.MakeMessage(text);
        if (bench.window.MsgLineCount() != 3)
            state.SkipWithError("the messages should fill three lines");
    }
}

// As the message instruction does it: the scene's Shift-JIS line converted, then laid out.
void BM_MakeMessageFromShiftJis(benchmark::State& state) {
    LayoutBench bench;
    const std::string sjis[2] = {hk::Utf32ToSjis(kMessages[0]), hk::Utf32ToSjis(kMessages[1])};
    int turn = 0;
    for (auto _ : state) {
        bench.window.MakeMessage(hk::SjisToUtf32(sjis[turn]));
        turn ^= 1;
        benchmark::ClobberMemory();
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("BlendOntoFullScreen", BM_BlendOntoFullScreen)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("MakeMessage/Outlined", BM_MakeMessage, false)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("MakeMessage/Skipping", BM_MakeMessage, true)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("MakeMessage/FromShiftJis", BM_MakeMessageFromShiftJis)->Unit(benchmark::kMicrosecond);
    return bench::RunWithSummary(argc, argv, [](const bench::RatioReporter& times) {
        times.PrintRatios("ratios (time / one full-screen BlendOnto)", "BlendOntoFullScreen");
    });
}
