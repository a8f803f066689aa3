// harukaze-tool demo OUTDIR: generates the sample game from the sources in demo/ (scene texts,
// picture, music and interface recipes) into OUTDIR: SCR.IFP, GRP.IFP, Sound/ and VOICE/. The
// output depends only on those sources, byte for byte; save files in OUTDIR are left alone.
#include "tools/commands.h"
#include "tools/demo_game.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#ifndef HARUKAZE_DEMO_SOURCE_DIR
#define HARUKAZE_DEMO_SOURCE_DIR ""
#endif

namespace hk::tool {

namespace {

constexpr const char* kUsage =
    "usage: harukaze-tool demo OUTDIR [--source DIR] [--jobs N] [--quiet]\n"
    "\n"
    "Generates the sample game into OUTDIR (created if needed): SCR.IFP, GRP.IFP, Sound/M01..M10.ogg,\n"
    "Sound/S01..S08.ogg and VOICE/*.ogg. Everything is made from the sources in DIR (default: the\n"
    "demo/ folder of the source tree this tool was built from): scenes/sceneNNNN.txt in the text form\n"
    "of 'harukaze-tool scr', pictures.txt, music.txt and interface.txt. The same sources always give\n"
    "the same bytes. Save files already in OUTDIR are kept.\n"
    "\n"
    "  --source DIR   where the demo sources are\n"
    "  --jobs N       threads to paint and encode with (default: the machine's processors)\n"
    "  --quiet        print nothing but errors\n";

} // namespace

int RunDemo(int argc, char** argv) {
    demo::DemoOptions options;
    options.source_dir = HARUKAZE_DEMO_SOURCE_DIR;
    options.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    bool quiet = false;
    std::string out;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if ((arg == "--source" || arg == "--jobs") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--source") {
                options.source_dir = value;
            } else {
                try {
                    options.jobs = std::stoi(value);
                } catch (const std::exception&) {
                    options.jobs = 0;
                }
                if (options.jobs < 1 || options.jobs > 64) {
                    std::fprintf(stderr, "harukaze-tool demo: --jobs needs a number 1..64, not '%s'\n", value.c_str());
                    return 2;
                }
            }
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "harukaze-tool demo: unknown option '%s'\n\n%s", arg.c_str(), kUsage);
            return 2;
        } else if (out.empty()) {
            out = arg;
        } else {
            std::fprintf(stderr, "harukaze-tool demo: one output directory only\n\n%s", kUsage);
            return 2;
        }
    }
    if (out.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (options.source_dir.empty() || !std::filesystem::is_directory(options.source_dir / "scenes")) {
        std::fprintf(stderr,
                     "harukaze-tool demo: the demo sources are not at '%s' (no scenes/ folder there); "
                     "pass --source DIR\n",
                     options.source_dir.string().c_str());
        return 1;
    }
    options.out_dir = out;
    if (!quiet) {
        options.progress = [](const std::string& line) { std::printf("%s\n", line.c_str()); };
    }
    const auto start = std::chrono::steady_clock::now();
    const demo::DemoSummary summary = demo::GenerateDemo(options);
    if (!quiet) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("demo: %d scenes, %d graphics, %d sound files, %d voices in %s (%.1f s)\n", summary.scenes,
                    summary.graphics, summary.sounds, summary.voices, out.c_str(), seconds);
    }
    return 0;
}

} // namespace hk::tool
