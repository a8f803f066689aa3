// The two records the game stores whole in its save files, byte for byte and little-endian:
// SystemData is "Save00.dat" (settings and everything that outlives a play-through), GameData is
// one slot file "SaveNN.dat" (a game in progress). Their layouts are fixed by the files players
// already have, so every field's offset is checked at compile time.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace hk {

inline constexpr int kVariableCount = 512; // variables 1..512 in each bank
inline constexpr int kCgFirst = 401;       // CG flags cover graphics 401..699
inline constexpr int kCgLast = 699;
inline constexpr int kCgCount = kCgLast - kCgFirst + 1;
inline constexpr int kReadMarkBlocks = 16; // scenes 0..15; only 0..14 are ever marked
inline constexpr int kReadMarkBlockBytes = 16384;
inline constexpr int kReturnTableSize = 16;  // call stack entries 1..16
inline constexpr int kSaveCommentUnits = 24; // UTF-16 code units
inline constexpr int kSlotCount = 30;

#pragma pack(push, 1)

// Save00.dat, 263,496 bytes.
//   offset   size        field
//        0   512 x i16   SystemVars (variable n at 2*(n-1))
//     1024   299 x u8    CgSeen (graphic g at 623 + g)
//     1323   16 x 16384  ReadMarks (scene s at 1323 + 16384*s, message m bit m%8 of byte m/8)
//   263467   1           reserved
//   263468   i32         TextSpeed (1 slow, 2 standard, 3 fast)
//   263472   u8          EffectsOn
//   263473   3           reserved
//   263476   i32         VoiceVolume 0..100
//   263480   i32         BgmVolume 0..100
//   263484   i32         SeVolume 0..100
//   263488   i32         AutoDelay seconds 1..20
//   263492   u8          reserved
//   263493   u8          FullScreen
//   263494   2           reserved
struct SystemData {
    std::int16_t SystemVars[kVariableCount];
    std::uint8_t CgSeen[kCgCount];
    std::uint8_t ReadMarks[kReadMarkBlocks][kReadMarkBlockBytes];
    std::uint8_t Reserved1;
    std::int32_t TextSpeed;
    std::uint8_t EffectsOn;
    std::uint8_t Reserved2[3];
    std::int32_t VoiceVolume;
    std::int32_t BgmVolume;
    std::int32_t SeVolume;
    std::int32_t AutoDelay;
    std::uint8_t Reserved3;
    std::uint8_t FullScreen;
    std::uint8_t Reserved4[2];
};

static_assert(sizeof(SystemData) == 263496);
static_assert(offsetof(SystemData, SystemVars) == 0);
static_assert(offsetof(SystemData, CgSeen) == 1024);
static_assert(offsetof(SystemData, ReadMarks) == 1323);
static_assert(offsetof(SystemData, Reserved1) == 263467);
static_assert(offsetof(SystemData, TextSpeed) == 263468);
static_assert(offsetof(SystemData, EffectsOn) == 263472);
static_assert(offsetof(SystemData, VoiceVolume) == 263476);
static_assert(offsetof(SystemData, BgmVolume) == 263480);
static_assert(offsetof(SystemData, SeVolume) == 263484);
static_assert(offsetof(SystemData, AutoDelay) == 263488);
static_assert(offsetof(SystemData, Reserved3) == 263492);
static_assert(offsetof(SystemData, FullScreen) == 263493);
static_assert(offsetof(SystemData, Reserved4) == 263494);

struct ReturnEntry {
    std::int16_t Scene;
    std::int16_t Step; // low 16 bits of the caller's ScriptStep
};

// One slot file, 1,208 bytes (also PeekData, the scratch copy the menus read slots into).
//   offset  size        field
//        0  u8          SlotInUse
//        1  1           reserved
//        2  512 x i16   ScenarioVars (variable n at 2*n)
//     1026  i16         CurrentScene
//     1028  i32         ScriptStep
//     1032  16 x 2xi16  ReturnTable entries 1..16 (entry k at 1028 + 4*k)
//     1096  i16         ReturnDepth
//     1098  10          reserved
//     1108  3 x i32     LayerGraphic[0..2]
//     1120  2 x i32     LayerPlacement[1..2]
//     1128  i32         CurrentBgm
//     1132  u8          BgmLoop
//     1133  3           reserved
//     1136  2 x i32     SE restore numbers, channels 1 and 2
//     1144  2 x i32     SE restore loop flags, channels 1 and 2
//     1152  u8          CursorShown
//     1153  u8          ContextMenuOn
//     1154  u8          AuxFlag
//     1155  3           reserved
//     1158  24 x u16    SaveComment (UTF-16, zero-padded)
//     1206  2           reserved
struct GameData {
    std::uint8_t SlotInUse;
    std::uint8_t Reserved1;
    std::int16_t ScenarioVars[kVariableCount];
    std::int16_t CurrentScene;
    std::int32_t ScriptStep;
    ReturnEntry ReturnTable[kReturnTableSize];
    std::int16_t ReturnDepth;
    std::uint8_t Reserved2[10];
    std::int32_t LayerGraphic[3];
    std::int32_t LayerPlacement[2];
    std::int32_t CurrentBgm;
    std::uint8_t BgmLoop;
    std::uint8_t Reserved3[3];
    std::int32_t SeRestoreNumber[2];
    std::int32_t SeRestoreLoop[2];
    std::uint8_t CursorShown;
    std::uint8_t ContextMenuOn;
    std::uint8_t AuxFlag;
    std::uint8_t Reserved4[3];
    std::uint16_t SaveComment[kSaveCommentUnits];
    std::uint8_t Reserved5[2];
};

#pragma pack(pop)

static_assert(sizeof(GameData) == 1208);
static_assert(offsetof(GameData, SlotInUse) == 0);
static_assert(offsetof(GameData, ScenarioVars) == 2);
static_assert(offsetof(GameData, CurrentScene) == 1026);
static_assert(offsetof(GameData, ScriptStep) == 1028);
static_assert(offsetof(GameData, ReturnTable) == 1032);
static_assert(offsetof(GameData, ReturnDepth) == 1096);
static_assert(offsetof(GameData, Reserved2) == 1098);
static_assert(offsetof(GameData, LayerGraphic) == 1108);
static_assert(offsetof(GameData, LayerPlacement) == 1120);
static_assert(offsetof(GameData, CurrentBgm) == 1128);
static_assert(offsetof(GameData, BgmLoop) == 1132);
static_assert(offsetof(GameData, SeRestoreNumber) == 1136);
static_assert(offsetof(GameData, SeRestoreLoop) == 1144);
static_assert(offsetof(GameData, CursorShown) == 1152);
static_assert(offsetof(GameData, ContextMenuOn) == 1153);
static_assert(offsetof(GameData, AuxFlag) == 1154);
static_assert(offsetof(GameData, SaveComment) == 1158);
static_assert(offsetof(GameData, Reserved5) == 1206);

// The records are stored as raw bytes; this build only runs where that is little-endian.
static_assert(std::endian::native == std::endian::little, "save files are little-endian");

} // namespace hk
