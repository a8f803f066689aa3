// The text side of the message window: how a message splits into a speaker name and lines under
// the Japanese line-breaking rules, and how a choice text splits into its choices. Pure
// functions on wide strings (one element per character); drawing is MessageWindow::MakeMessage's.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hk {

struct MessageLayout {
    std::u32string name;               // the speaker, possibly empty
    bool speech = false;               // a name was split off (the text opens with "「")
    std::vector<std::u32string> lines; // 1..max_lines lines; an empty text gives one empty line
};

// Splits the name off at the first "「" and breaks the rest into at most max_lines lines of
// line_chars characters: "/" forces a break, a character of no_line_end does not end a full
// line, one character of no_line_start hangs at the end of a line, and continuation lines of a
// speech are indented by a full-width space. Text beyond the last line is dropped.
MessageLayout LayoutMessage(std::u32string_view text, int line_chars, int max_lines, std::u32string_view no_line_start,
                            std::u32string_view no_line_end);

// Splits a "/"-separated choice text into at most max_lines lines of at most line_chars
// characters (a longer choice continues as a choice of its own). At least one line.
std::vector<std::u32string> SplitChoiceLines(std::u32string_view text, int line_chars, int max_lines);

} // namespace hk
