#include "platform/headless/headless_platform.h"

#include "sound/audio_device.h"

namespace hk {

namespace {

// Where the headless windows sit on the virtual screen: the main window's client area centred.
constexpr Point kMainClientOrigin{(HeadlessPlatform::kScreen.width - 800) / 2,
                                  (HeadlessPlatform::kScreen.height - 600) / 2};

} // namespace

HeadlessPlatform::HeadlessPlatform() {
    m_main_surface.SetSize(800, 600);
    m_main_surface.Fill(kBlack);
    m_float_surface.SetSize(800, 176);
    m_float_surface.Fill(kBlack);
    m_debug_surface.SetSize(624, 199);
    m_positions[WindowId::Main] = kMainClientOrigin;
    m_positions[WindowId::Float] = Point{kMainClientOrigin.x, kMainClientOrigin.y + 424};
    m_positions[WindowId::Debug] = Point{0, 0};
    m_visible[WindowId::Main] = true;
    m_cursor = kMainClientOrigin;
}

HeadlessPlatform::~HeadlessPlatform() = default;

void HeadlessPlatform::AdvanceClock(std::uint32_t ms) {
    m_clock += ms;
    AdvanceAudio(ms);
    if (m_clock_listener)
        m_clock_listener(ms);
}

void HeadlessPlatform::SetDelayTimerEnabled(bool enabled) {
    if (enabled && !m_delay_enabled)
        m_delay_next = m_clock + 10;
    m_delay_enabled = enabled;
}

void HeadlessPlatform::QueueMouseDown(WindowId window, MouseButton button, Point client) {
    Event event;
    event.kind = Event::Kind::MouseDown;
    event.window = window;
    event.button = button;
    event.point = client;
    m_events.push_back(std::move(event));
}

void HeadlessPlatform::QueueWheel(WindowId window, bool up) {
    Event event;
    event.kind = Event::Kind::Wheel;
    event.window = window;
    event.up = up;
    m_events.push_back(std::move(event));
}

void HeadlessPlatform::QueueClose() {
    Event event;
    event.kind = Event::Kind::Close;
    m_events.push_back(std::move(event));
}

void HeadlessPlatform::PressDebugButton(int button) {
    Event event;
    event.kind = Event::Kind::DebugButton;
    event.debug_button = button;
    m_events.push_back(std::move(event));
}

void HeadlessPlatform::QueueMenu(std::vector<std::string> path) {
    Event event;
    event.kind = Event::Kind::Menu;
    event.path = std::move(path);
    m_events.push_back(std::move(event));
}

void HeadlessPlatform::SetKeyDown(Key key, bool down) {
    if (down)
        m_keys.insert(key);
    else
        m_keys.erase(key);
}

void HeadlessPlatform::MoveCursorToClient(WindowId window, Point client) {
    m_cursor = ClientToScreen(window, client);
}

Point HeadlessPlatform::ClientToScreen(WindowId window, Point client) {
    const Point origin = m_positions[window];
    return Point{origin.x + client.x, origin.y + client.y};
}

Point HeadlessPlatform::ScreenToClient(WindowId window, Point screen) {
    const Point origin = m_positions[window];
    return Point{screen.x - origin.x, screen.y - origin.y};
}

Bitmap& HeadlessPlatform::ClientSurface(WindowId window) {
    switch (window) {
    case WindowId::Float: return m_float_surface;
    case WindowId::Debug: return m_debug_surface;
    default: return m_main_surface;
    }
}

void HeadlessPlatform::Fault(std::string message) {
    if (m_script_fault.empty())
        m_script_fault = std::move(message);
}

std::vector<std::string> HeadlessPlatform::TakeErrors() {
    std::vector<std::string> errors;
    for (ErrorReport& report : TakeErrorReports())
        errors.push_back(std::move(report.detail));
    return errors;
}

std::vector<Platform::ErrorReport> HeadlessPlatform::TakeErrorReports() {
    std::vector<ErrorReport> errors;
    errors.swap(m_errors);
    return errors;
}

std::vector<std::string> HeadlessPlatform::TakeMessages() {
    std::vector<std::string> messages;
    messages.swap(m_messages);
    return messages;
}

void HeadlessPlatform::ProcessMessages() {
    // Events are taken one at a time: a handler may open a modal dialog, whose own loop would
    // process messages again.
    ++m_processing_depth;
    while (!m_events.empty() && m_sink) {
        Event event = std::move(m_events.front());
        m_events.pop_front();
        if (event.kind != Event::Kind::Menu)
            m_open_popup = nullptr;
        switch (event.kind) {
        case Event::Kind::MouseDown:
            // A right click with a context menu attached also opens the menu; headless, the
            // choice in it comes from a later `menu` command.
            m_sink->OnMouseDown(event.window, event.button, event.point);
            break;
        case Event::Kind::Wheel: m_sink->OnMouseWheel(event.window, event.up); break;
        case Event::Kind::Close: m_sink->OnCloseQuery(); break;
        case Event::Kind::DebugButton: m_sink->OnDebugButton(event.debug_button); break;
        case Event::Kind::Menu:
            if (m_open_popup) {
                Menu* open = m_open_popup;
                m_open_popup = nullptr;
                RunMenu(*open, event.path);
            } else if (m_attached_menu) {
                RunMenu(*m_attached_menu, event.path);
            } else {
                Fault("no pop-up menu is attached to the main window");
            }
            break;
        }
    }
    if (m_delay_enabled && m_sink) {
        while (static_cast<std::int32_t>(m_clock - m_delay_next) >= 0) {
            m_delay_next += 10;
            m_sink->OnDelayTimer();
        }
    }
    --m_processing_depth;
}

void HeadlessPlatform::RunMenu(Menu& menu, const std::vector<std::string>& path) {
    m_sink->OnMenuPopup(menu.name);
    std::vector<MenuItem>* level = &menu.items;
    for (std::size_t i = 0; i < path.size(); ++i) {
        MenuItem* item = nullptr;
        for (MenuItem& candidate : *level)
            if (candidate.name == path[i] && !candidate.separator)
                item = &candidate;
        if (!item) {
            Fault("the menu has no item " + path[i]);
            return;
        }
        if (!item->enabled) {
            Fault("the menu item " + path[i] + " is disabled");
            return;
        }
        if (!item->items.empty()) {
            m_sink->OnMenuPopup(item->name);
            // The submenu handler may have rebuilt the items; look the next one up afresh.
            level = &item->items;
            if (i + 1 == path.size())
                return; // opened a submenu and chose nothing
            continue;
        }
        if (i + 1 != path.size()) {
            Fault("the menu item " + path[i] + " has no submenu");
            return;
        }
        m_sink->OnMenuCommand(item->name);
        return;
    }
}

void HeadlessPlatform::PopupMenu(Menu& menu, Point screen) {
    // Headless, a menu the game pops up itself stays open after this call returns; the next
    // `menu` command chooses in it, and any other input closes it, as a click elsewhere would.
    m_last_popup = screen;
    m_open_popup = &menu;
    m_sink->OnMenuPopup(menu.name);
}

std::optional<HeadlessPlatform::DialogAnswer> HeadlessPlatform::TakeAnswer(DialogAnswer::Kind kind,
                                                                           const char* dialog_name) {
    if (m_dialog_answers.empty() || (m_dialog_answers.front().kind != kind && !m_dialog_answers.front().any_kind)) {
        Fault(std::string("the ") + dialog_name + " dialog opened with no queued answer");
        return std::nullopt;
    }
    DialogAnswer answer = std::move(m_dialog_answers.front());
    m_dialog_answers.pop_front();
    if (answer.any_kind)
        answer.ok = false;
    return answer;
}

void HeadlessPlatform::ShowQueryForm(QueryForm& form) {
    const auto answer = TakeAnswer(DialogAnswer::Kind::Query, "question");
    if (answer && answer->ok)
        form.OkButtonClick();
    else
        form.CancelButtonClick();
}

void HeadlessPlatform::ShowCommentForm(CommentForm& form) {
    m_comment_prefill = form.CommentEdit;
    const auto answer = TakeAnswer(DialogAnswer::Kind::Comment, "comment");
    if (answer && answer->ok) {
        form.CommentEdit = answer->comment;
        form.OkButtonClick();
    } else {
        form.CancelButtonClick();
    }
}

void HeadlessPlatform::ShowConfigForm(ConfigForm& form) {
    const auto answer = TakeAnswer(DialogAnswer::Kind::Config, "settings");
    if (!answer)
        return;
    for (const auto& [field, value] : answer->config_fields)
        if (!form.SetControl(field, value))
            Fault("the settings dialog has no control for " + field);
    // "back" leaves with "戻る"; "close" with the close box, which stores nothing more.
    if (answer->config_back)
        form.OkButtonClick();
}

} // namespace hk
