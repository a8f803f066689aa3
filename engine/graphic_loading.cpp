// ReadGraphic: the one way pictures enter the game. A graphic of "GRP.IFP" is a colour picture
// and an optional mask picture, placed in a white 800x600 frame and delivered to a slot.
#include "engine/form1.h"

#include "data/ifp_archive.h"
#include "gfx/image_decoder.h"

namespace hk {

namespace {

constexpr const char* kGraphicArchive = "GRP.IFP";

constexpr int kFrameWidth = 800;
constexpr int kFrameHeight = 600;

// Makes `frame` the white 800x600 frame with one stored picture drawn on it at (x, 0). Unknown
// type codes draw nothing.
void FrameStoredPicture(std::uint16_t type, const std::vector<std::uint8_t>& bytes, int x, TABitmap& frame,
                        int number, const char* part) {
    ImageFormat format;
    switch (type) {
    case 11: format = ImageFormat::Bmp; break;
    case 12: format = ImageFormat::Png; break;
    case 13: format = ImageFormat::Jpeg; break;
    default: frame.SetSize(kFrameWidth, kFrameHeight); return;
    }
    TABitmap picture;
    try {
        picture = DecodeImage(bytes, format);
    } catch (const std::exception& e) {
        throw EngineError(std::string("GRP.IFP graphic ") + std::to_string(number) + " (" + part + "): " + e.what());
    }
    // Drawn opaquely: all four bytes of the decoded picture (its fourth byte is 0), cut at the
    // frame's edges. A picture that fills the frame exactly is the frame: nothing to copy, and
    // no second 800x600 surface alive while the game loads.
    if (x == 0 && picture.Width() == kFrameWidth && picture.Height() == kFrameHeight &&
        picture.Format() == PixelFormat::Bgra32) {
        frame = std::move(picture);
        return;
    }
    frame.SetSize(kFrameWidth, kFrameHeight);
    frame.CopyRect(x, 0, picture, 0, 0, picture.Width(), picture.Height());
}

} // namespace

void TForm1::ReadGraphic(int slot, int number, int placement) {
    const int x = placement == 1 ? -200 : placement == 3 ? 200 : 0;
    if (number >= kCgFirst && number <= kCgLast)
        m_state.System.CgSeen[number - kCgFirst] = 1;

    // The colour frame, and the mask frame where the slot uses one or the graphic has one. They
    // live only while loading: the game's memory is its surfaces, not copies of its last picture.
    const bool masked_slot = slot == 1 || slot == 2 || slot == 8 || slot == 10;
    TABitmap colour, mask;
    const IfpEntry entry = ParseIfpEntry(m_state.GrpIndex, number);
    if (entry.type_a != 0 || entry.type_b != 0) {
        const IfpParts parts = ReadIfpParts(m_files, kGraphicArchive, entry, number);
        if (entry.type_a != 0)
            FrameStoredPicture(entry.type_a, parts.a, x, colour, number, "colour");
        if (entry.type_b != 0) {
            FrameStoredPicture(entry.type_b, parts.b, x, mask, number, "mask");
            InvertRect(0, 0, kFrameWidth, kFrameHeight, mask);
        }
    }
    if (!colour.HasImage())
        colour.SetSize(kFrameWidth, kFrameHeight);
    if (masked_slot && !mask.HasImage())
        mask.SetSize(kFrameWidth, kFrameHeight);

    switch (slot) {
    case 0: BgLayer.CopyRect(0, 0, colour, 0, 0, 800, 600); break;
    case 1: colour.CombineMask(mask, CharLayer1); break;
    case 2: colour.CombineMask(mask, CharLayer2); break;
    case 6: colour.BlueToGray8(RuleImage); break;
    case 7: MsgRuleImage.CopyRect(0, 0, colour, 0, 0, 800, 176); break;
    case 8:
        colour.CombineMask(mask, MsgFrameImage);
        ++m_scene_serial; // the message window's backdrop is drawn afresh with the new frame
        break;
    case 9:
        PartsImage.CopyRect(0, 0, colour, 0, 0, 800, 600);
        ++m_parts_serial;
        break;
    case 10: colour.CombineMask(mask, Select2Sheet); break;
    default: break; // slots 3..5 and others deliver nothing
    }
}

} // namespace hk
