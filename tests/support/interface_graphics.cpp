#include "support/interface_graphics.h"

#include "gfx/png_writer.h"

namespace hk::test {

Bitmap MakePicture(int width, int height, const std::function<Color(int, int)>& fn) {
    Bitmap picture;
    picture.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.FillRect(x, y, 1, 1, fn(x, y));
    return picture;
}

Bitmap MakePartsSheet() {
    return MakePicture(800, 600, [](int x, int y) -> Color {
        if (y >= 424) {
            const bool panel = x >= 12 && x < 788 && y >= 424 + 12 && y < 600 - 8;
            return panel ? kFloatPanel : kFloatKey;
        }
        if (y >= 32 && y < 64 && x < 256) {
            const int f = x / 32;
            const int sx = 32 * f + 4 + 2 * f;
            return x >= sx && x < sx + 6 && y >= 40 && y < 46 ? kIconInk : kIconKey;
        }
        return 0x00808080;
    });
}

ArchiveBuilder InterfaceGraphics() {
    ArchiveBuilder grp;
    // A scene with some structure: blue to orange from left to right, darker towards the bottom.
    const Bitmap background = MakePicture(800, 600, [](int x, int y) {
        const int shade = 255 - y / 4;
        return MakeColor(x * shade / 800, 96 * shade / 255, (800 - x) * shade / 800);
    });
    grp.Add(kBackground, 12, EncodePng(background));
    // The reveal runs from left to right.
    grp.Add(7, 12, EncodePng(MakePicture(800, 176, [](int x, int) {
                const int grey = x * 255 / 799;
                return MakeColor(grey, grey, grey);
            })));
    // Frame: clear above y 8, an opaque light border, a half-clear dark inside.
    const Bitmap frame = MakePicture(800, 176, [](int x, int y) -> Color {
        const bool border = x < 8 || x >= 792 || y < 16 || y >= 168;
        return border ? 0x00E0D0C0 : 0x00401808;
    });
    const Bitmap frame_mask = MakePicture(800, 176, [](int x, int y) -> Color {
        if (y < 8)
            return kBlack;
        const bool border = x < 8 || x >= 792 || y < 16 || y >= 168;
        return border ? kWhite : 0x00808080;
    });
    grp.Add(8, 12, EncodePng(frame), 12, EncodePng(frame_mask));
    // The full-screen choice overlay: a dark veil, darker in the middle band.
    const Bitmap veil = MakePicture(800, 600, [](int, int) { return 0x00100404; });
    const Bitmap veil_mask =
        MakePicture(800, 600, [](int x, int) { return x >= 100 && x < 700 ? 0x00A0A0A0 : 0x00404040; });
    grp.Add(9, 12, EncodePng(veil), 12, EncodePng(veil_mask));
    grp.Add(10, 12, EncodePng(MakePartsSheet()));
    return grp;
}

} // namespace hk::test
