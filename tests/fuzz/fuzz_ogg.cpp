// Sound files: Ogg Vorbis with and without the "ALPHAOGG" loop header, opened by OggData from
// memory, played (once or looping) through the loop records, sought, re-levelled and mixed with
// a second channel by OggPlayer. A damaged file must be refused with EOggData or play as
// silence; decoding must always come back (no endless wrap) and stay inside its buffers.
//
// Input: one mode byte (bit 0: put a loop header in front, built from the next 192 bytes; bit 1:
// loop; bits 2..4: blocks to decode; bit 5: seek before playing, to the next byte in tenths of a
// second; bit 6: a second channel plays the same file), one volume byte, then the file.
#include "sound/ogg_data.h"
#include "sound/ogg_player.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

using namespace hk;

namespace {

// Small buffers: more blocks per input, the same code paths as the engine's 163,840 bytes.
constexpr std::uint32_t kBuffer = 16384;

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "finding: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static VorbisLibrary dll;
    static OggData first(dll, kBuffer), second(dll, kBuffer);
    static OggPlayer player(kBuffer, 10);

    std::span<const std::uint8_t> in(data, size);
    auto take = [&in](std::size_t n) {
        n = std::min(n, in.size());
        auto part = in.first(n);
        in = in.subspan(n);
        return part;
    };
    const auto head = take(2);
    const std::uint8_t mode = head.size() > 0 ? head[0] : 0;
    const std::uint8_t volume = head.size() > 1 ? head[1] : 255;

    std::vector<std::uint8_t> file;
    if (mode & 1) {
        static const char kMagic[8] = {'A', 'L', 'P', 'H', 'A', 'O', 'G', 'G'};
        file.assign(kMagic, kMagic + 8);
        const auto records = take(192);
        file.insert(file.end(), records.begin(), records.end());
        file.resize(200, 0);
    }
    double seek_to = -1.0;
    if (mode & 0x20) {
        const auto b = take(1);
        seek_to = b.empty() ? 0.0 : b[0] / 10.0;
    }
    file.insert(file.end(), in.begin(), in.end());

    player.SetData(1, nullptr);
    player.SetData(3, nullptr);
    try {
        first.LoadFromStream(file);
    } catch (const EOggData&) {
        if (first.Status() != 0)
            Finding("a refused file left the decoder loaded");
        return 0;
    }
    if (first.Status() != 1)
        Finding("a loaded file is not in the loaded state");
    if (mode & 0x40) {
        try {
            second.LoadFromStream(file);
        } catch (const EOggData&) {
            Finding("the same file opened once and was refused the second time");
        }
        player.SetData(3, &second);
        player.Play(3, false);
    }
    player.SetData(1, &first);
    player.SetVolume(1, static_cast<float>(volume) / 255.0f);
    if (seek_to >= 0)
        first.Seek(seek_to);
    player.Play(1, (mode & 2) != 0);

    const int blocks = 1 + ((mode >> 2) & 7);
    for (int i = 0; i < blocks; ++i) {
        player.NextBlock();
        const std::uint8_t* block = player.BlockPointer();
        // Touch every byte of the block: a half-filled buffer must still be all written.
        unsigned sum = 0;
        for (std::uint32_t k = 0; k < player.BlockSize(); ++k)
            sum += block[k];
        (void)sum;
    }
    player.Stop(1);
    player.Stop(3);
    first.Close();
    second.Close();
    return 0;
}
