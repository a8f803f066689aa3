// Pictures of "GRP.IFP": the BMP, PNG and JPEG decoders on their own, and ReadGraphic with a
// colour picture and a mask picture taken from the input, delivered to any slot with any
// placement.
//
// Input: one mode byte (bits 0-1: format given to the decoder, 0 = sniff; bit 2: also through
// ReadGraphic), for ReadGraphic four more bytes (colour type, mask type, slot, placement) and two
// bytes of the split point between colour and mask picture; then the picture bytes.
#include "fuzz_game.h"

#include "data/ifp_archive.h"
#include "gfx/image_decoder.h"

#include <cstdio>
#include <cstdlib>

using namespace hk;

namespace {

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "finding: %s\n", what);
    std::abort();
}

std::uint16_t PictureType(std::uint8_t b) {
    switch (b & 7) {
    case 0: return 0;
    case 1: return 11;
    case 2: return 12;
    case 3: return 13;
    case 4: return 11;
    case 5: return 12;
    case 6: return 13;
    default: return b; // codes the engine does not draw
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ByteReader in({data, size});
    const std::uint8_t mode = in.Byte();
    const std::uint8_t colour_type = in.Byte(), mask_type = in.Byte(), slot = in.Byte(), placement = in.Byte();
    const std::uint16_t split = in.U16();
    const auto bytes = in.Rest();

    const auto format = static_cast<ImageFormat>(mode & 3);
    try {
        const Bitmap picture = DecodeImage(bytes, format);
        if (picture.Width() < 1 || picture.Height() < 1 || picture.Width() > kMaxImageSide ||
            picture.Height() > kMaxImageSide)
            Finding("a decoder returned a picture outside the size limits");
    } catch (const ImageDecodeError&) {
    }

    if ((mode & 4) == 0)
        return 0;
    static fuzz::FuzzSession game;
    static const bool started = game.Start();
    if (!started)
        Finding("the base game does not start");

    const std::size_t cut = bytes.empty() ? 0 : split % (bytes.size() + 1);
    IfpWriter writer;
    const std::uint16_t type_a = PictureType(colour_type);
    const std::uint16_t type_b = PictureType(mask_type);
    if (type_a != 0 || type_b != 0) {
        // A picture with only a mask still has an (empty) colour part: type A 0 means "no item"
        // to the writer, so an unused code stands in.
        writer.Add(100, type_a != 0 ? type_a : 99, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut),
                   type_b, std::vector<std::uint8_t>(bytes.begin() + cut, bytes.end()));
    }
    const std::vector<std::uint8_t> archive = writer.Bytes();
    game.files->Put("GRP.IFP", archive);
    Engine& engine = game.session->TheEngine();
    engine.TheStage().ReadGraphicIndex();
    const int target = slot % 12;
    try {
        engine.TheStage().ReadGraphic(target, 100, placement % 5);
    } catch (const std::exception&) {
        return 0;
    }
    const Bitmap* delivered = target == 1   ? &engine.TheStage().CharLayer1()
                              : target == 2 ? &engine.TheStage().CharLayer2()
                                            : nullptr;
    if (delivered && (delivered->Width() != 800 || delivered->Height() != 600))
        Finding("a character layer is not 800x600 after loading");
    return 0;
}
