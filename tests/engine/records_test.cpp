// The save records against their files, byte by byte.
#include "core/records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace hk::test {
namespace {

template <typename T> std::vector<std::uint8_t> BytesOf(const T& record) {
    std::vector<std::uint8_t> bytes(sizeof record);
    std::memcpy(bytes.data(), &record, sizeof record);
    return bytes;
}

TEST(RecordsTest, GameDataFieldsLandAtTheirFileOffsets) {
    GameData g{};
    g.SlotInUse = 1;
    g.ScenarioVars[0] = 0x1234; // variable 1
    g.ScenarioVars[511] = -2;   // variable 512
    g.CurrentScene = 0x0102;
    g.ScriptStep = -1;
    g.ReturnTable[0] = {7, 0x0403};  // entry 1
    g.ReturnTable[15] = {9, 0x0605}; // entry 16
    g.ReturnDepth = 16;
    g.LayerGraphic[2] = 0x0A0B0C0D;
    g.LayerPlacement[1] = 3;
    g.CurrentBgm = 9;
    g.BgmLoop = 1;
    g.CursorShown = 1;
    g.ContextMenuOn = 1;
    g.AuxFlag = 1;
    g.SaveComment[0] = u'テ';
    g.SaveComment[23] = 0x0041;
    const auto b = BytesOf(g);

    // clang-format off
    EXPECT_EQ(b[0], 0x01);                               // SlotInUse
    EXPECT_EQ(b[2], 0x34); EXPECT_EQ(b[3], 0x12);        // variable 1 at 2*1
    EXPECT_EQ(b[1024], 0xFE); EXPECT_EQ(b[1025], 0xFF);  // variable 512 at 2*512
    EXPECT_EQ(b[1026], 0x02); EXPECT_EQ(b[1027], 0x01);  // CurrentScene
    EXPECT_EQ(b[1028], 0xFF); EXPECT_EQ(b[1031], 0xFF);  // ScriptStep -1
    EXPECT_EQ(b[1032], 0x07); EXPECT_EQ(b[1034], 0x03);  // entry 1 at 1028 + 4*1
    EXPECT_EQ(b[1092], 0x09); EXPECT_EQ(b[1095], 0x06);  // entry 16 at 1028 + 4*16
    EXPECT_EQ(b[1096], 0x10);                            // ReturnDepth
    EXPECT_EQ(b[1116], 0x0D); EXPECT_EQ(b[1119], 0x0A);  // LayerGraphic[2]
    EXPECT_EQ(b[1124], 0x03);                            // LayerPlacement[2]
    EXPECT_EQ(b[1128], 0x09);                            // CurrentBgm
    EXPECT_EQ(b[1132], 0x01);                            // BgmLoop
    EXPECT_EQ(b[1152], 0x01); EXPECT_EQ(b[1153], 0x01); EXPECT_EQ(b[1154], 0x01);
    EXPECT_EQ(b[1158], 0xC6); EXPECT_EQ(b[1159], 0x30);  // U+30C6 テ
    EXPECT_EQ(b[1204], 0x41); EXPECT_EQ(b[1205], 0x00);  // 24th unit
    EXPECT_EQ(b[1206], 0x00); EXPECT_EQ(b[1207], 0x00);  // reserved tail
    // clang-format on
}

} // namespace
} // namespace hk::test
