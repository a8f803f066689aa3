// A PlatformEvents that writes down what the platform told it, as one line per call.
#pragma once

#include "engine/host.h"

#include <functional>
#include <string>
#include <vector>

namespace hk::test {

class RecordingSink : public PlatformEvents {
public:
    std::vector<std::string> calls;
    bool allow_close = false;
    std::function<void(std::string_view)> on_popup; // runs inside OnMenuPopup

    void OnMouseDown(WindowId window, MouseButton button, Point p) override {
        calls.push_back("down " + std::to_string(static_cast<int>(window)) + " " +
                        std::to_string(static_cast<int>(button)) + " " + std::to_string(p.x) + "," +
                        std::to_string(p.y));
    }
    void OnMouseWheel(WindowId window, bool up) override {
        calls.push_back("wheel " + std::to_string(static_cast<int>(window)) + (up ? " up" : " down"));
    }
    void OnDelayTimer() override { ++delay_ticks; }
    bool OnCloseQuery() override {
        calls.push_back("close?");
        return allow_close;
    }
    void OnMenuPopup(std::string_view name) override {
        calls.push_back("popup " + std::string(name));
        if (on_popup)
            on_popup(name);
    }
    void OnMenuCommand(std::string_view name) override { calls.push_back("command " + std::string(name)); }
    void OnToggleFullScreen() override { calls.push_back("fullscreen"); }

    int delay_ticks = 0;
};

} // namespace hk::test
