// The sample-game generator as a whole: reads the demo sources, paints, synthesises and
// assembles everything on a few threads, and writes the game directory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace hk::demo {

struct DemoOptions {
    std::filesystem::path source_dir; // holds scenes/, pictures.txt, music.txt, interface.txt
    std::filesystem::path out_dir;
    int jobs = 2;
    std::function<void(const std::string&)> progress; // optional
};

struct DemoSummary {
    int scenes = 0;
    int graphics = 0;
    int sounds = 0;
    int voices = 0;
};

// Every file of the game by its path relative to the game directory ("GRP.IFP",
// "Sound/M01.ogg", "VOICE/haruka01.ogg"), in a fixed order.
using GameFiles = std::map<std::string, std::vector<std::uint8_t>>;

// Builds all files in memory. Throws std::runtime_error naming the source file and line (or the
// graphic, track or scene) of a mistake in the sources.
GameFiles BuildDemo(const DemoOptions& options, DemoSummary& summary);

// BuildDemo, then writes each file through a temporary file and a rename, so an interrupted run
// never leaves a short archive; files of OUTDIR that the game does not make are left alone.
DemoSummary GenerateDemo(const DemoOptions& options);

} // namespace hk::demo
