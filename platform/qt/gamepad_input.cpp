#include "platform/qt/gamepad_input.h"

#include <SDL.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <vector>

namespace hk {

namespace {

qint64 SteadyMs() {
    return QDeadlineTimer::current().deadline();
}

} // namespace

GamepadInput::GamepadInput() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Pads are read whether or not a window of SDL's has the focus (the game has none).
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    m_available = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    if (!m_available) {
        std::fprintf(stderr, "harukaze: no gamepads: %s\n", SDL_GetError());
        return;
    }
    m_map.on_key = [this](Key key, bool down) {
        QMetaObject::invokeMethod(
            this,
            [this, key, down] {
                if (on_key)
                    on_key(key, down);
            },
            Qt::QueuedConnection);
    };
    m_map.on_action = [this](PadAction action) {
        QMetaObject::invokeMethod(
            this,
            [this, action] {
                if (on_action)
                    on_action(action);
            },
            Qt::QueuedConnection);
    };
    m_poll.setInterval(kFallbackMs);
    connect(&m_poll, &QTimer::timeout, this, [this] { Poll(); });
    // A pad plugged in shows as a new device node; SDL hears of it a little later.
    if (QDir(QStringLiteral("/dev/input")).exists())
        m_devices.addPath(QStringLiteral("/dev/input"));
    connect(&m_devices, &QFileSystemWatcher::directoryChanged, this, [this] {
        m_watch_until = SteadyMs() + kPlugWatchMs;
        Poll();
    });
    // The pads connected at the start are announced as added.
    Poll();
}

GamepadInput::~GamepadInput() {
    m_fifo_notifier.reset();
    if (m_fifo >= 0)
        ::close(m_fifo);
    if (!m_available)
        return;
    for (const auto& [id, controller] : m_pads)
        SDL_GameControllerClose(controller);
    m_pads.clear();
    if (m_virtual) {
        SDL_JoystickClose(m_virtual);
        SDL_JoystickDetachVirtual(m_virtual_index);
    }
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void GamepadInput::PollIfDue() {
    if (m_poll.isActive() && SteadyMs() - m_last_poll >= kPollMs)
        Poll();
}

void GamepadInput::Poll() {
    if (!m_available || m_polling)
        return;
    m_polling = true;
    m_last_poll = SteadyMs();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_CONTROLLERDEVICEADDED: Open(event.cdevice.which); break;
        case SDL_CONTROLLERDEVICEREMOVED: Close(event.cdevice.which); break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            if (m_pads.count(event.cbutton.which) != 0)
                if (const auto button = PadButtonFromIndex(event.cbutton.button))
                    m_map.Button(event.cbutton.which, *button, event.type == SDL_CONTROLLERBUTTONDOWN);
            break;
        case SDL_CONTROLLERAXISMOTION:
            if (m_pads.count(event.caxis.which) != 0)
                if (const auto axis = PadAxisFromIndex(event.caxis.axis))
                    m_map.Axis(event.caxis.which, *axis, event.caxis.value);
            break;
        default: break; // the joystick's own events, the sound's devices: not ours
        }
    }
    m_polling = false;
    UpdateTimer();
}

void GamepadInput::Open(int device_index) {
    SDL_GameController* controller = SDL_GameControllerOpen(device_index);
    if (!controller)
        return;
    const int id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
    if (!m_pads.emplace(id, controller).second)
        SDL_GameControllerClose(controller); // already open: SDL counts opens
}

void GamepadInput::Close(int instance_id) {
    const auto it = m_pads.find(instance_id);
    if (it == m_pads.end())
        return;
    SDL_GameControllerClose(it->second);
    m_pads.erase(it);
    // Whatever it held is let go, so that no key stays down with the pad gone.
    m_map.Remove(instance_id);
}

void GamepadInput::UpdateTimer() {
    // Restarted at every poll: it fires only when nothing else has polled for its interval.
    if (!m_pads.empty() || SteadyMs() < m_watch_until)
        m_poll.start();
    else
        m_poll.stop();
}

bool GamepadInput::OpenVirtualPad(const std::string& path) {
    if (!m_available)
        return false;
    // Read and write, so that the FIFO never reads as ended while no writer has it open.
    m_fifo = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_fifo < 0)
        return false;
    m_fifo_notifier = std::make_unique<QSocketNotifier>(m_fifo, QSocketNotifier::Read);
    connect(m_fifo_notifier.get(), &QSocketNotifier::activated, this, [this] { ReadVirtualPad(); });
    return true;
}

void GamepadInput::ReadVirtualPad() {
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(m_fifo, buffer, sizeof buffer);
        if (n <= 0)
            break;
        m_fifo_buffer.append(buffer, static_cast<std::size_t>(n));
    }
    // A line longer than this is nonsense: dropped rather than kept growing.
    if (m_fifo_buffer.size() > 4096 && m_fifo_buffer.find('\n') == std::string::npos)
        m_fifo_buffer.clear();
    for (std::size_t end; (end = m_fifo_buffer.find('\n')) != std::string::npos;) {
        const std::string line = m_fifo_buffer.substr(0, end);
        m_fifo_buffer.erase(0, end + 1);
        // Each line is seen by SDL on its own, as a real pad's events are, however fast they come.
        VirtualCommand(line);
        Poll();
    }
}

void GamepadInput::VirtualCommand(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    if (words.empty())
        return;
    const auto bad = [&line](const char* why) {
        std::fprintf(stderr, "harukaze: virtual pad: %s: %s\n", why, line.c_str());
    };
    if (words[0] == "plug" && words.size() == 1) {
        if (m_virtual)
            return bad("already plugged in");
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = static_cast<Uint16>(kPadAxisCount);
        desc.nbuttons = static_cast<Uint16>(kPadButtonCount);
        desc.button_mask = (1u << kPadButtonCount) - 1;
        desc.axis_mask = (1u << kPadAxisCount) - 1;
        desc.name = "Harukaze virtual pad";
        m_virtual_index = SDL_JoystickAttachVirtualEx(&desc);
        if (m_virtual_index < 0)
            return bad(SDL_GetError());
        m_virtual = SDL_JoystickOpen(m_virtual_index);
        if (!m_virtual) {
            SDL_JoystickDetachVirtual(m_virtual_index);
            return bad(SDL_GetError());
        }
        // Triggers at rest: the lowest value of the joystick's axis.
        SDL_JoystickSetVirtualAxis(m_virtual, static_cast<int>(PadAxis::TriggerLeft), SDL_JOYSTICK_AXIS_MIN);
        SDL_JoystickSetVirtualAxis(m_virtual, static_cast<int>(PadAxis::TriggerRight), SDL_JOYSTICK_AXIS_MIN);
    } else if (words[0] == "unplug" && words.size() == 1) {
        if (!m_virtual)
            return bad("not plugged in");
        SDL_JoystickClose(m_virtual);
        m_virtual = nullptr;
        // The index it was attached at may have moved as other devices came and went.
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickIsVirtual(i)) {
                SDL_JoystickDetachVirtual(i);
                break;
            }
        m_virtual_index = -1;
    } else if (words[0] == "button" && words.size() == 3 && (words[2] == "down" || words[2] == "up")) {
        const auto button = PadButtonNamed(words[1]);
        if (!button || !m_virtual)
            return bad(m_virtual ? "unknown button" : "not plugged in");
        SDL_JoystickSetVirtualButton(m_virtual, static_cast<int>(*button), words[2] == "down" ? 1 : 0);
    } else if (words[0] == "axis" && words.size() == 3) {
        const auto axis = PadAxisNamed(words[1]);
        char* end = nullptr;
        const long value = std::strtol(words[2].c_str(), &end, 10);
        const bool trigger = axis == PadAxis::TriggerLeft || axis == PadAxis::TriggerRight;
        if (!axis || *end != '\0' || value < (trigger ? 0 : -32768) || value > 32767 || !m_virtual)
            return bad(m_virtual ? "bad axis or value" : "not plugged in");
        // A trigger's 0..32767 spans the whole joystick axis.
        const long raw = trigger ? value * 2 - 32768 : value;
        SDL_JoystickSetVirtualAxis(m_virtual, static_cast<int>(*axis), static_cast<Sint16>(raw));
    } else {
        bad("unknown command");
    }
}

} // namespace hk
