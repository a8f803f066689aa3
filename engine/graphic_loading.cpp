// ReadGraphic: the one way pictures enter the game. A graphic of "GRP.IFP" is a colour picture
// and an optional mask picture, placed in a white 800x600 frame and delivered to a slot.
#include "engine/engine.h"

#include "data/ifp_archive.h"
#include "gfx/image_decoder.h"

namespace hk {

namespace {

constexpr const char* kGraphicArchive = "GRP.IFP";
// How far a character placed left or right sits from the middle.
constexpr int kPlacementShift = 200;

// Decodes one stored picture onto the frame at (x, 0). Unknown type codes draw nothing.
void DrawStoredPicture(std::uint16_t type, const std::vector<std::uint8_t>& bytes, int x, TABitmap& frame,
                       int number, const char* part) {
    ImageFormat format;
    switch (type) {
    case 11: format = ImageFormat::Bmp; break;
    case 12: format = ImageFormat::Png; break;
    case 13: format = ImageFormat::Jpeg; break;
    default: return;
    }
    TABitmap picture;
    try {
        picture = DecodeImage(bytes, format);
    } catch (const std::exception& e) {
        throw EngineError(std::string("GRP.IFP graphic ") + std::to_string(number) + " (" + part + "): " + e.what());
    }
    // Drawn opaquely: all four bytes of the decoded picture (its fourth byte is 0), cut at the
    // frame's edges.
    frame.CopyRect(x, 0, picture, 0, 0, picture.Width(), picture.Height());
}

} // namespace

void Engine::ReadGraphic(int slot, int number, int placement) {
    const int x = placement == kPlaceLeft ? -kPlacementShift : placement == kPlaceRight ? kPlacementShift : 0;
    if (number >= kCgFirst && number <= kCgLast)
        m_state.System.CgSeen[number - kCgFirst] = 1;

    // The two frames are kept between loads: SetSize clears them, and the game loads pictures
    // often enough that allocating 3.8 MB afresh each time shows (ReadGraphic never nests).
    TABitmap& colour = m_graphic_colour;
    TABitmap& mask = m_graphic_mask;
    colour.SetSize(kScreenWidth, kScreenHeight);
    mask.SetSize(kScreenWidth, kScreenHeight);

    const IfpEntry entry = ParseIfpEntry(m_state.GrpIndex, number);
    if (entry.type_a != 0 || entry.type_b != 0) {
        const IfpParts parts = ReadIfpParts(m_files, kGraphicArchive, entry, number);
        if (entry.type_a != 0)
            DrawStoredPicture(entry.type_a, parts.a, x, colour, number, "colour");
        if (entry.type_b != 0) {
            DrawStoredPicture(entry.type_b, parts.b, x, mask, number, "mask");
            InvertRect(0, 0, kScreenWidth, kScreenHeight, mask);
        }
    }

    switch (slot) {
    case kBackgroundSlot:
        BgLayer.CopyRect(0, 0, colour, 0, 0, kScreenWidth, kScreenHeight);
        break;
    case kCharacterSlot1:
        colour.CombineMask(mask, CharLayer1);
        break;
    case kCharacterSlot2:
        colour.CombineMask(mask, CharLayer2);
        break;
    case kRuleSlot:
        colour.BlueToGray8(RuleImage);
        break;
    case kMsgRuleSlot:
        MsgRuleImage.CopyRect(0, 0, colour, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
        break;
    case kMsgFrameSlot:
        colour.CombineMask(mask, MsgFrameImage);
        break;
    case kPartsSlot:
        PartsImage.CopyRect(0, 0, colour, 0, 0, kScreenWidth, kScreenHeight);
        break;
    case kChoiceSheetSlot:
        colour.CombineMask(mask, Select2Sheet);
        break;
    default: break; // slots 3..5 and others deliver nothing
    }
}

} // namespace hk
