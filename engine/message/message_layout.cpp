// Message layout: a message string becomes the finished picture of the message window in
// MsgTextImage (speaker name, up to three lines under the line-breaking rules, outlined text over
// the window background). Nothing is shown here; the display task reveals the picture.
#include "engine/message/message_layout.h"

#include "engine/message/message_window.h"
#include "engine/screen_layout.h"
#include "gfx/bitmap_text.h"

#include <algorithm>

namespace hk {

namespace {

constexpr char32_t kForcedBreak = U'/';
constexpr char32_t kSpeechOpen = U'「';
constexpr char32_t kIndent = U'　';

constexpr int kTextX = 34;
constexpr int kNameY = 35;
constexpr int kLinePitch = 28;
constexpr int kMessageFontHeight = 24;
constexpr Color kNameColor = 0x0060C0FF; // red 255, green 192, blue 96
constexpr Color kTextColor = kWhite;
constexpr Color kLogColor = 0x00C0C0C0;
constexpr const char* kMessageFace = "ＭＳ ゴシック";

bool Contains(std::u32string_view set, char32_t c) {
    return set.find(c) != std::u32string_view::npos;
}

} // namespace

MessageLayout LayoutMessage(std::u32string_view text, int line_chars, int max_lines, std::u32string_view no_line_start,
                            std::u32string_view no_line_end) {
    MessageLayout layout;
    const std::size_t open = text.find(kSpeechOpen);
    if (open != std::u32string_view::npos) {
        layout.name.assign(text.substr(0, open));
        layout.speech = true;
        text.remove_prefix(open); // the "「" stays as the first character of the speech
    }

    const std::size_t per_line = static_cast<std::size_t>(std::max(line_chars, 0));
    const int lines_wanted = std::max(max_lines, 1);
    // The remaining text is kept back to front, so taking a character from its front is a
    // pop_back and putting one back (or the indent) is a push_back.
    std::u32string rest(text.rbegin(), text.rend());
    for (int k = 1; k <= lines_wanted; ++k) {
        std::u32string line;
        const std::size_t n = std::min(per_line, rest.size());
        bool forced = false;
        for (std::size_t i = 0; i < n; ++i) {
            const char32_t c = rest.back();
            rest.pop_back();
            if (c == kForcedBreak) {
                forced = true;
                break;
            }
            line.push_back(c);
        }
        // An opening bracket does not end a full line: it opens the next one instead.
        if (per_line > 0 && line.size() == per_line && Contains(no_line_end, line.back())) {
            rest.push_back(line.back());
            line.pop_back();
        }
        // A closing mark or small kana does not start a line: one such character hangs.
        if (!forced && !rest.empty() && Contains(no_line_start, rest.back())) {
            line.push_back(rest.back());
            rest.pop_back();
        }
        layout.lines.push_back(std::move(line));
        if (rest.empty())
            break;
        if (layout.speech)
            rest.push_back(kIndent); // continuation lines of a speech sit under its "「"
    }
    return layout;
}

std::vector<std::u32string> SplitChoiceLines(std::u32string_view text, int line_chars, int max_lines) {
    std::vector<std::u32string> lines;
    const std::size_t per_line = static_cast<std::size_t>(std::max(line_chars, 1));
    std::size_t pos = 0;
    while (static_cast<int>(lines.size()) < std::max(max_lines, 1)) {
        std::u32string line;
        for (std::size_t taken = 0; taken < per_line && pos < text.size(); ++taken) {
            const char32_t c = text[pos++];
            if (c == kForcedBreak)
                break;
            line.push_back(c);
        }
        lines.push_back(std::move(line));
        if (pos >= text.size())
            break;
    }
    return lines;
}

void MessageWindow::MakeMessageBackground(Bitmap& out) {
    if (MsgFloatChecked()) {
        // The floating window's own artwork; it has its frame painted in.
        out.CopyRect(0, 0, m_host.Parts(), 0, kMsgWindowTop, kMsgWindowWidth, kMsgWindowHeight);
        return;
    }
    // The frame over the scene's strip is the same for every message shown over one scene
    // picture: it is drawn once after the scene was composed (or the frame loaded), then copied.
    const std::uint64_t scene_serial = m_host.SceneSerial();
    if (m_msg_backdrop.scene_serial != scene_serial || !m_msg_backdrop.picture.HasImage()) {
        m_msg_backdrop.picture.SetSize(kMsgWindowWidth, kMsgWindowHeight);
        m_msg_backdrop.picture.CopyRect(0, 0, m_host.Scene(), 0, kMsgWindowTop, kMsgWindowWidth, kMsgWindowHeight);
        m_msg_frame_image.DrawAlphaOnto(0, 0, kMsgWindowWidth, kMsgWindowHeight, 0, 0, m_msg_backdrop.picture, 255);
        m_msg_backdrop.scene_serial = scene_serial;
    }
    out.CopyRect(0, 0, m_msg_backdrop.picture, 0, 0, kMsgWindowWidth, kMsgWindowHeight);
}

void DrawOutlinedText(Bitmap& surface, int x, int y, int font_height, std::u32string_view text, Color color) {
    Font font;
    font.face = kMessageFace;
    font.height = font_height;
    font.color = color;
    // Nine black passes around the position, two pixels apart (rows outside, columns inside),
    // then the body, blended in one sweep.
    DrawTextSmoothOutlined(surface, x, y, font, text, kBlack, 2);
}

void MessageWindow::MakeMessage(const std::u32string& text) {
    const MessageLayout layout = LayoutMessage(text, m_msg_line_chars, m_msg_max_lines, m_no_line_start, m_no_line_end);
    m_msg_line_count = static_cast<int>(layout.lines.size());

    MakeMessageBackground(m_msg_text_image);

    const Color name_color = m_log_viewing ? kLogColor : kNameColor;
    const Color text_color = m_log_viewing ? kLogColor : kTextColor;
    auto draw = [&](int y, const std::u32string& str, Color color) {
        if (str.empty())
            return;
        if (m_skip_now) {
            // Skipping: one plain draw instead of ten smoothed ones.
            Font font;
            font.face = kMessageFace;
            font.height = kMessageFontHeight;
            font.color = color;
            TextCanvas canvas{&m_msg_text_image, font};
            DrawTextEffect(0, kTextX, y, str, font, kBlack, canvas, m_host.Random(), m_host.TickCount());
            return;
        }
        DrawOutlinedText(m_msg_text_image, kTextX, y, kMessageFontHeight, str, color);
    };
    if (layout.speech)
        draw(kNameY, layout.name, name_color);
    for (std::size_t k = 0; k < layout.lines.size() && k < 3; ++k)
        draw(kNameY + kLinePitch * static_cast<int>(k + 1), layout.lines[k], text_color);
}

} // namespace hk
