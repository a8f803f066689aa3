#include "engine/saves/record_checks.h"

#include <cstdint>
#include <initializer_list>
#include <span>

namespace hk {

namespace {

// "メッセージ速度が 7 で、1～3 の範囲を外れていました", or empty when `value` is in range.
std::string OutOfRange(const std::string& what, std::int64_t value, std::int64_t low, std::int64_t high) {
    if (value >= low && value <= high)
        return {};
    return what + "が " + std::to_string(value) + " で、" + std::to_string(low) + "～" + std::to_string(high) +
           " の範囲を外れていました";
}

// Bytes the game never fills: any other value means the file was not written by it.
std::string NotBlank(std::span<const std::uint8_t> bytes, std::size_t offset) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] != 0)
            return "使われていない " + std::to_string(offset + i) + " バイト目が 0 ではなく " +
                   std::to_string(bytes[i]) + " でした";
    return {};
}

template <typename Record, std::size_t N> std::string Blank(const Record& record, const std::uint8_t (&field)[N]) {
    const auto* base = reinterpret_cast<const std::uint8_t*>(&record);
    return NotBlank(field, static_cast<std::size_t>(field - base));
}

template <typename Record> std::string Blank(const Record& record, const std::uint8_t& field) {
    const auto* base = reinterpret_cast<const std::uint8_t*>(&record);
    return NotBlank({&field, 1}, static_cast<std::size_t>(&field - base));
}

// The first problem found, in file order.
std::string First(std::initializer_list<std::string> problems) {
    for (const std::string& problem : problems)
        if (!problem.empty())
            return problem;
    return {};
}

std::string CgFlags(const SystemData& data) {
    for (int i = 0; i < kCgCount; ++i)
        if (data.CgSeen[i] > 1)
            return OutOfRange("CG " + std::to_string(kCgFirst + i) + " 番を見たかどうかの印", data.CgSeen[i], 0, 1);
    return {};
}

// Only scenes 0..14 keep read-marks; the block after them stays as the first start wrote it.
std::string UnusedReadMarks(const SystemData& data) {
    const auto& block = data.ReadMarks[kReadMarkBlocks - 1];
    for (int i = 0; i < kReadMarkBlockBytes; ++i)
        if (block[i] != 0)
            return "既読の印を使わない場面 " + std::to_string(kReadMarkBlocks - 1) + " の領域に印がありました";
    return {};
}

// Everything after the first 0 unit is 0: the comment is stored zero-padded.
std::string CommentPadding(const GameData& data) {
    int i = 0;
    while (i < kSaveCommentUnits && data.SaveComment[i] != 0)
        ++i;
    for (; i < kSaveCommentUnits; ++i)
        if (data.SaveComment[i] != 0)
            return "コメントの終わりより後ろに文字が残っていました";
    return {};
}

} // namespace

std::string SystemDataProblem(const SystemData& data) {
    // The settings are written only by the settings dialog, whose controls cannot leave these
    // ranges, and by the defaults of a first start.
    return First({CgFlags(data), UnusedReadMarks(data), Blank(data, data.Reserved1),
                  OutOfRange("メッセージ速度", data.TextSpeed, 1, 3),
                  OutOfRange("画面効果の設定", data.EffectsOn, 0, 1), Blank(data, data.Reserved2),
                  OutOfRange("ボイスの音量", data.VoiceVolume, 0, 100), OutOfRange("BGMの音量", data.BgmVolume, 0, 100),
                  OutOfRange("効果音の音量", data.SeVolume, 0, 100),
                  OutOfRange("オート送りの待ち時間（秒）", data.AutoDelay, 1, 20), Blank(data, data.Reserved3),
                  OutOfRange("フルスクリーンの設定", data.FullScreen, 0, 1), Blank(data, data.Reserved4)});
}

std::string GameDataProblem(const GameData& data) {
    // The flags are stored as 0 or 1 whatever the script passes; a call nests at most 16 deep.
    return First({OutOfRange("使用中の印", data.SlotInUse, 0, 1), Blank(data, data.Reserved1),
                  OutOfRange("呼び出しの深さ", data.ReturnDepth, 0, kReturnTableSize), Blank(data, data.Reserved2),
                  OutOfRange("BGMのループの印", data.BgmLoop, 0, 1), Blank(data, data.Reserved3),
                  OutOfRange("マウスカーソル表示の印", data.CursorShown, 0, 1),
                  OutOfRange("右クリックメニューの印", data.ContextMenuOn, 0, 1),
                  OutOfRange("補助の印", data.AuxFlag, 0, 1), Blank(data, data.Reserved4), CommentPadding(data),
                  Blank(data, data.Reserved5)});
}

bool IsSoundSystemFile(const void* bytes, std::size_t size) {
    // The record is packed (alignment 1), so any byte address holds one.
    return size == sizeof(SystemData) && SystemDataProblem(*static_cast<const SystemData*>(bytes)).empty();
}

bool IsSoundSlotFile(const void* bytes, std::size_t size) {
    return size == sizeof(GameData) && GameDataProblem(*static_cast<const GameData*>(bytes)).empty();
}

} // namespace hk
