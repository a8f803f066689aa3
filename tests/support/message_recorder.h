// A message window host for unit tests: it owns the scene, the screen, the parts sheet and the
// two windows' surfaces, takes its input, settings and script lists from public fields the test
// sets, and records what the window asks of it (tasks, voices, locks, presents) in order.
#pragma once

#include "engine/message/message_host.h"
#include "engine/screen_layout.h"

#include <string>
#include <vector>

namespace hk::test {

class RecordingMessageHost : public MessageHost {
public:
    RecordingMessageHost() {
        scene.SetSize(kScreenWidth, kScreenHeight);
        screen.SetSize(kScreenWidth, kScreenHeight);
        parts.SetSize(kScreenWidth, kScreenHeight);
        main_window.SetSize(kScreenWidth, kScreenHeight);
        float_window.SetSize(kMsgWindowWidth, kMsgWindowHeight);
    }

    // What the window reads.
    Bitmap scene, screen, parts, main_window, float_window;
    std::uint64_t scene_serial = 1;
    MessageInput input;
    int text_speed = 3;
    int auto_delay = 1;
    bool context_menu_on = true;
    std::vector<std::string> message_texts; // Shift-JIS
    std::vector<std::string> voice_names;
    std::uint32_t now = 0;
    TaskCode task = TaskCode::TASK_SCRIPT;
    RandomGenerator random;

    // What it did.
    std::vector<std::string> calls; // "voice VOICE\a.ogg", "stop voice", "task 0x..", "lock 25", ...
    int input_lock = 0;
    int answer = 0;
    int presents = 0; // whole screen or rectangles
    bool float_visible = false;
    Point cursor_set{-1, -1};

    // The calls whose text starts with `prefix`.
    std::vector<std::string> Calls(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& c : calls)
            if (c.rfind(prefix, 0) == 0)
                out.push_back(c);
        return out;
    }

    const Bitmap& Scene() override { return scene; }
    std::uint64_t SceneSerial() override { return scene_serial; }
    Bitmap& Screen() override { return screen; }
    const Bitmap& Parts() override { return parts; }
    void LoadParts() override { calls.push_back("load parts"); }
    void PresentScreen() override {
        main_window.CopyRect(0, 0, screen, 0, 0, kScreenWidth, kScreenHeight);
        ++presents;
    }
    void PresentRect(const Bitmap& source, int x, int y) override {
        main_window.CopyRect(x, y, source, 0, 0, source.Width(), source.Height());
        ++presents;
    }
    Bitmap& WindowSurface(WindowId window) override { return window == WindowId::Float ? float_window : main_window; }
    void Invalidate(WindowId) override { ++presents; }
    void InvalidateRect(WindowId, int, int, int, int) override { ++presents; }
    void ShowWindow(WindowId window, bool visible) override {
        if (window == WindowId::Float)
            float_visible = visible;
    }
    bool IsWindowVisible(WindowId window) override { return window == WindowId::Float && float_visible; }
    void PlaceFloatWindow() override {}
    void ApplyFloatRegion(const WindowShape&) override { calls.push_back("float region"); }
    void StartFloatDrag() override { calls.push_back("drag"); }
    void Sleep(std::uint32_t) override {}
    std::uint32_t TickCount() override { return now; }
    RandomGenerator& Random() override { return random; }
    void PlayVoice(const std::string& path) override { calls.push_back("voice " + path); }
    void StopVoice() override { calls.push_back("stop voice"); }
    const std::vector<std::string>& MessageTexts() override { return message_texts; }
    const std::vector<std::string>& VoiceNames() override { return voice_names; }
    int CurrentScene() override { return 1; }
    void SetChoiceAnswer(int choice) override { answer = choice; }
    int TextSpeed() override { return text_speed; }
    int AutoDelay() override { return auto_delay; }
    bool ContextMenuOn() override { return context_menu_on; }
    MessageInput InputNow() override { return input; }
    void SetInputLock(int ticks) override {
        input_lock = ticks;
        calls.push_back("lock " + std::to_string(ticks));
    }
    void SpendHeldKeys() override { calls.push_back("spend keys"); }
    void LatchMouseDown(MouseButton) override { calls.push_back("latch"); }
    void SetCurPos(int x, int y) override { cursor_set = {x, y}; }
    void SetFloatCurPos(int x, int y) override { cursor_set = {x, y}; }
    TaskCode CurrentTask() override { return task; }
    void ChangeTask(TaskCode next) override {
        task = next;
        calls.push_back("task " + std::to_string(static_cast<std::uint32_t>(next)));
    }
    void AttachContextMenu() override {}
    void DetachContextMenu() override { calls.push_back("detach menu"); }
    void NoteWaitIcon(int, std::uint32_t) override {}
};

} // namespace hk::test
