// ReadGraphic: the one way pictures enter the game. A graphic of "GRP.IFP" is a colour picture
// and an optional mask picture, placed in a white 800x600 frame and delivered to a slot.
#include "engine/stage/stage.h"

#include "core/engine_error.h"
#include "data/ifp_archive.h"
#include "engine/screen_layout.h"
#include "gfx/image_decoder.h"

#include <algorithm>

namespace hk {

namespace {

constexpr const char* kGraphicArchive = "GRP.IFP";
// How far a character placed left or right sits from the middle.
constexpr int kPlacementShift = 200;
// Every picture is placed in a frame the size of the screen.
constexpr int kFrameWidth = kScreenWidth;
constexpr int kFrameHeight = kScreenHeight;

// One stored picture, decoded; an empty bitmap for a type code that is not a picture format.
Bitmap DecodeStoredPicture(std::uint16_t type, const std::vector<std::uint8_t>& bytes, int number, const char* part) {
    ImageFormat format;
    switch (type) {
    case 11: format = ImageFormat::Bmp; break;
    case 12: format = ImageFormat::Png; break;
    case 13: format = ImageFormat::Jpeg; break;
    default: return Bitmap();
    }
    try {
        return DecodeImage(bytes, format);
    } catch (const std::exception& e) {
        throw EngineError(std::string("GRP.IFP graphic ") + std::to_string(number) + " (" + part + "): " + e.what());
    }
}

// The picture drawn opaquely (all four bytes; its fourth byte is 0) at (x, 0) on a white 800x600
// frame, cut at the frame's edges. A picture that fills the frame exactly is the frame.
Bitmap Framed(Bitmap picture, int x) {
    if (x == 0 && picture.Width() == kFrameWidth && picture.Height() == kFrameHeight &&
        picture.Format() == PixelFormat::Bgra32)
        return picture;
    Bitmap frame;
    frame.SetSize(kFrameWidth, kFrameHeight);
    frame.CopyRect(x, 0, picture, 0, 0, picture.Width(), picture.Height());
    return frame;
}

// Makes `dest` (a surface no larger than the frame) what its part of Framed(picture, x) would be,
// without making the frame: white, and the picture where it lies.
void DrawFramed(const Bitmap& picture, int x, Bitmap& dest) {
    const int w = dest.Width(), h = dest.Height();
    const bool drawn = picture.HasImage() && picture.Format() == PixelFormat::Bgra32;
    const int x0 = drawn ? std::clamp(x, 0, w) : 0;
    const int x1 = drawn ? static_cast<int>(std::clamp<std::int64_t>(std::int64_t{x} + picture.Width(), x0, w)) : 0;
    const int y1 = drawn ? std::min(picture.Height(), h) : 0;
    dest.FillRect(0, 0, x0, h, kWhite);
    dest.FillRect(x1, 0, w - x1, h, kWhite);
    dest.FillRect(x0, y1, x1 - x0, h - y1, kWhite);
    if (drawn)
        dest.CopyRect(x, 0, picture, 0, 0, picture.Width(), picture.Height());
}

} // namespace

void Stage::ReadGraphicIndex() {
    m_files.ReadAt(kGraphicArchive, 16, m_grp_index.data(), m_grp_index.size());
}

void Stage::ReadGraphic(int slot, int number, int placement) {
    const int x = placement == kPlaceLeft ? -kPlacementShift : placement == kPlaceRight ? kPlacementShift : 0;
    if (number >= kCgFirst && number <= kCgLast)
        m_host.NoteCgShown(number);

    // Both pictures are decoded before any slot changes: a damaged one leaves the slot as it was.
    Bitmap colour_picture, mask_picture;
    const IfpEntry entry = ParseIfpEntry(m_grp_index, number);
    if (entry.type_a != 0 || entry.type_b != 0) {
        const IfpParts parts = ReadIfpParts(m_files, kGraphicArchive, entry, number);
        if (entry.type_a != 0)
            colour_picture = DecodeStoredPicture(entry.type_a, parts.a, number, "colour");
        if (entry.type_b != 0)
            mask_picture = DecodeStoredPicture(entry.type_b, parts.b, number, "mask");
    }

    // The background, the message rule and the parts sheet take the colour frame as it is: it is
    // drawn straight into them, with no 800x600 frame made on the way (the game loads these
    // often, and making a frame costs more than drawing it).
    Bitmap* plain = slot == kBackgroundSlot ? &m_bg_layer
                    : slot == kMsgRuleSlot  ? m_host.SlotSurface(slot)
                    : slot == kPartsSlot    ? &m_parts_image
                                            : nullptr;
    const int plain_height = slot == kMsgRuleSlot ? kMsgWindowHeight : kFrameHeight;
    if (plain && plain->Format() == PixelFormat::Bgra32 && plain->Width() == kFrameWidth &&
        plain->Height() == plain_height) {
        DrawFramed(colour_picture, x, *plain);
        if (slot == kPartsSlot) {
            ++m_parts_serial;
            m_parts_source = {number, placement};
        }
        return;
    }

    // The frames live only while loading: the game's memory is its surfaces, not copies of its
    // last picture. The mask frame is made where the slot uses one or the graphic has one.
    const bool masked_slot =
        slot == kCharacterSlot1 || slot == kCharacterSlot2 || slot == kMsgFrameSlot || slot == kChoiceSheetSlot;
    const Bitmap colour = Framed(std::move(colour_picture), x);
    Bitmap mask;
    if (entry.type_b != 0 || masked_slot) {
        mask = Framed(std::move(mask_picture), x);
        if (entry.type_b != 0)
            InvertRect(0, 0, kFrameWidth, kFrameHeight, mask);
    }

    // The message window's surfaces are the host's.
    Bitmap* const other =
        slot == kMsgRuleSlot || slot == kMsgFrameSlot || slot == kChoiceSheetSlot ? m_host.SlotSurface(slot) : nullptr;
    switch (slot) {
    case kBackgroundSlot: m_bg_layer.CopyRect(0, 0, colour, 0, 0, kScreenWidth, kScreenHeight); break;
    case kCharacterSlot1: colour.CombineMask(mask, m_char_layer1); break;
    case kCharacterSlot2: colour.CombineMask(mask, m_char_layer2); break;
    case kRuleSlot: colour.BlueToGray8(m_rule_image); break;
    case kMsgRuleSlot:
        if (other)
            other->CopyRect(0, 0, colour, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
        break;
    case kMsgFrameSlot:
        if (other)
            colour.CombineMask(mask, *other);
        ++m_scene_serial; // the message window's backdrop is drawn afresh with the new frame
        break;
    case kPartsSlot:
        m_parts_image.CopyRect(0, 0, colour, 0, 0, kScreenWidth, kScreenHeight);
        ++m_parts_serial;
        m_parts_source = {number, placement};
        break;
    case kChoiceSheetSlot:
        if (other)
            colour.CombineMask(mask, *other);
        break;
    default: break; // slots 3..5 and others deliver nothing
    }
}

} // namespace hk
