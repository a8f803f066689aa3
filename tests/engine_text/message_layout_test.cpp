// Splitting messages into name and lines, and choices into their lines.
#include "engine/message/message_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hk {
namespace {

// The sets the engine installs at start-up (checked against the engine in message_window_test).
const std::u32string kNoStart = U"、。，．：；！？ーぁぃぅぇぉっゃゅょんァィゥェォッャュョンヵヶ）」』】";
const std::u32string kNoEnd = U"（「『【";

MessageLayout Layout(std::u32string_view text) {
    return LayoutMessage(text, 30, 3, kNoStart, kNoEnd);
}

std::u32string Repeat(char32_t c, std::size_t n) {
    return std::u32string(n, c);
}

using Lines = std::vector<std::u32string>;

TEST(MessageLayoutTest, NameIsEverythingBeforeTheFirstOpeningBracket) {
    MessageLayout m = Layout(U"アリサ「こんにちは」");
    EXPECT_TRUE(m.speech);
    EXPECT_EQ(m.name, U"アリサ");
    EXPECT_EQ(m.lines, Lines{U"「こんにちは」"});

    m = Layout(U"「はい」");
    EXPECT_TRUE(m.speech) << "a speech without a name still indents its continuation lines";
    EXPECT_EQ(m.name, U"");
    EXPECT_EQ(m.lines, Lines{U"「はい」"});

    // Narration with a bracket later on: the words before it become the "name".
    m = Layout(U"彼は「はい」と言った");
    EXPECT_EQ(m.name, U"彼は");
    EXPECT_EQ(m.lines, Lines{U"「はい」と言った"});

    m = Layout(U"ア「い「う");
    EXPECT_EQ(m.name, U"ア");
    EXPECT_EQ(m.lines, Lines{U"「い「う"}) << "only the first bracket splits";

    m = Layout(U"静かな夜だった。");
    EXPECT_FALSE(m.speech);
    EXPECT_EQ(m.name, U"");
    EXPECT_EQ(m.lines, Lines{U"静かな夜だった。"});
}

TEST(MessageLayoutTest, OpeningBracketInTheLastColumnMovesToTheNextLine) {
    // (Narration has no "「" of its own: the first one would split a name off.)
    const std::u32string a29 = Repeat(U'あ', 29);
    MessageLayout m = Layout(a29 + U"『いう』");
    EXPECT_FALSE(m.speech);
    EXPECT_EQ(m.lines, (Lines{a29, U"『いう』"}));

    // In a speech the moved bracket comes after the indent.
    const std::u32string a28 = Repeat(U'あ', 28);
    m = Layout(U"ユキ「" + a28 + U"「え」");
    EXPECT_EQ(m.name, U"ユキ");
    EXPECT_EQ(m.lines, (Lines{U"「" + a28, U"　「え」"}));

    // A bracket that is not in the last column stays where it is.
    m = Layout(Repeat(U'あ', 27) + U"（い）う");
    EXPECT_EQ(m.lines, (Lines{Repeat(U'あ', 27) + U"（い）", U"う"}));
}

TEST(MessageLayoutTest, OneClosingMarkHangsPastTheThirtiethColumn) {
    const std::u32string a30 = Repeat(U'あ', 30);
    MessageLayout m = Layout(a30 + U"。いう");
    ASSERT_EQ(m.lines.size(), 2u);
    EXPECT_EQ(m.lines[0].size(), 31u);
    EXPECT_EQ(m.lines, (Lines{a30 + U"。", U"いう"}));

    m = Layout(a30 + U"。」い");
    EXPECT_EQ(m.lines, (Lines{a30 + U"。", U"」い"})) << "only one character hangs";

    m = Layout(U"「" + Repeat(U'あ', 29) + U"っ" + U"て");
    EXPECT_EQ(m.lines, (Lines{U"「" + Repeat(U'あ', 29) + U"っ", U"　て"}));

    // Nothing hangs after a forced break.
    m = Layout(U"あ/。い");
    EXPECT_EQ(m.lines, (Lines{U"あ", U"。い"}));
}

TEST(MessageLayoutTest, SlashForcesBreaksAndTextPastThreeLinesIsDropped) {
    const std::u32string a30 = Repeat(U'あ', 30);
    // The slash right after a full line is left for the next line, which ends at once.
    MessageLayout m = Layout(a30 + U"/い");
    EXPECT_EQ(m.lines, (Lines{a30, U"", U"い"}));
    m = Layout(U"「" + Repeat(U'あ', 29) + U"/い");
    EXPECT_EQ(m.lines, (Lines{U"「" + Repeat(U'あ', 29), U"　", U"　い"}));

    m = Layout(U"一/二/三/四");
    EXPECT_EQ(m.lines, (Lines{U"一", U"二", U"三"}));

    m = Layout(Repeat(U'か', 100));
    EXPECT_EQ(m.lines, (Lines{Repeat(U'か', 30), Repeat(U'か', 30), Repeat(U'か', 30)}));

    m = Layout(U"");
    EXPECT_EQ(m.lines, Lines{U""}) << "an empty message still has one line";
    m = Layout(U"終わり/");
    EXPECT_EQ(m.lines, Lines{U"終わり"}) << "a trailing slash adds no line";

    // Speech continuation lines are indented by one full-width space.
    m = Layout(U"ミカ「" + Repeat(U'う', 40));
    EXPECT_EQ(m.lines, (Lines{U"「" + Repeat(U'う', 29), U"　" + Repeat(U'う', 11)}));
}

TEST(ChoiceSplitTest, SlashesAndTheLineLimitMakeTheChoices) {
    EXPECT_EQ(SplitChoiceLines(U"はい/いいえ", 30, 4), (Lines{U"はい", U"いいえ"}));
    EXPECT_EQ(SplitChoiceLines(U"一/二/三/四/五", 30, 4), (Lines{U"一", U"二", U"三", U"四"}));
    EXPECT_EQ(SplitChoiceLines(Repeat(U'あ', 35), 30, 4), (Lines{Repeat(U'あ', 30), Repeat(U'あ', 5)}));
    EXPECT_EQ(SplitChoiceLines(Repeat(U'あ', 35), 31, 9), (Lines{Repeat(U'あ', 31), Repeat(U'あ', 4)}));
    EXPECT_EQ(SplitChoiceLines(U"a/b/c/d/e/f/g/h/i/j", 31, 9).size(), 9u);
    EXPECT_EQ(SplitChoiceLines(U"行く/", 30, 4), Lines{U"行く"});
    EXPECT_EQ(SplitChoiceLines(U"/行く", 30, 4), (Lines{U"", U"行く"}));
    EXPECT_EQ(SplitChoiceLines(U"", 30, 4), Lines{U""});
    // No name, no indent and no line-breaking rules in choices.
    EXPECT_EQ(SplitChoiceLines(U"彼女「" + Repeat(U'あ', 27) + U"。", 30, 4),
              (Lines{U"彼女「" + Repeat(U'あ', 27), U"。"}));
}

} // namespace
} // namespace hk
