// Every input saved under tests/corpus/<harness>/ goes through its harness once more. A harness
// aborts on a finding, so a fault that comes back fails (or crashes) this program; under the
// sanitizer build it is caught at the faulty access itself.
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#define HARNESS(name) extern "C" int Replay_fuzz_##name(const std::uint8_t* data, std::size_t size);
HARNESS(scene_payload)
HARNESS(scene_exec)
HARNESS(graphic)
HARNESS(ogg)
HARNESS(save_files)
#undef HARNESS

namespace hk::test {
namespace {

namespace fs = std::filesystem;
using Harness = int (*)(const std::uint8_t*, std::size_t);

int ReplayAll(const char* kind, Harness harness) {
    const fs::path dir = fs::path(HARUKAZE_SOURCE_DIR) / "tests" / "corpus" / kind;
    int replayed = 0;
    if (!fs::exists(dir))
        return 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::vector<std::uint8_t> bytes = ReadFileBytes(entry.path());
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(harness(bytes.data(), bytes.size()), 0);
        ++replayed;
    }
    return replayed;
}

TEST(SavedFindings, ReplayThroughTheirHarness) {
    int total = 0;
    total += ReplayAll("scene_payload", Replay_fuzz_scene_payload);
    total += ReplayAll("scene_exec", Replay_fuzz_scene_exec);
    total += ReplayAll("graphic", Replay_fuzz_graphic);
    total += ReplayAll("ogg", Replay_fuzz_ogg);
    total += ReplayAll("save_files", Replay_fuzz_save_files);
    EXPECT_GT(total, 0);
}

} // namespace
} // namespace hk::test
