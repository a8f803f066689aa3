#include "core/task_codes.h"

#include <array>
#include <cstdio>

namespace hk {

namespace {

struct NamedTask {
    TaskCode code;
    std::string_view name;
};

// clang-format off
#define HK_TASK(name) NamedTask{TaskCode::name, #name}
constexpr std::array kTasks = {
    HK_TASK(TASK_SCRIPT),           HK_TASK(TASK_EFFECT_01),          HK_TASK(TASK_EFFECT_11),
    HK_TASK(TASK_EFFECT_91),        HK_TASK(TASK_DISP_MESSAGE),       HK_TASK(TASK_WAIT_MESSAGE),
    HK_TASK(TASK_WAIT_SELECT),      HK_TASK(TASK_WAIT_SELECT2),       HK_TASK(TASK_DISP_TITLE_MENU),
    HK_TASK(TASK_WAIT_TITLE_MENU),  HK_TASK(TASK_DISP_ALBUM_MENU),    HK_TASK(TASK_WAIT_ALBUM_MENU),
    HK_TASK(TASK_DISP_BGM_MENU),    HK_TASK(TASK_WAIT_BGM_MENU),      HK_TASK(TASK_DISP_CG_ALBUM_MENU),
    HK_TASK(TASK_WAIT_CG_ALBUM_MENU), HK_TASK(TASK_DISP_CG_ALBUM),    HK_TASK(TASK_WAIT_CG_ALBUM),
    HK_TASK(TASK_DISP_SC_ALBUM_MENU), HK_TASK(TASK_WAIT_SC_ALBUM_MENU), HK_TASK(TASK_RESTORE_GAME),
    HK_TASK(TASK_WAIT),             HK_TASK(TASK_WAIT_KEY),           HK_TASK(TASK_INIT),
};
// clang-format on
#undef HK_TASK

} // namespace

std::optional<std::string_view> TaskName(TaskCode code) {
    for (const NamedTask& task : kTasks)
        if (task.code == code)
            return task.name;
    return std::nullopt;
}

std::optional<TaskCode> ParseTaskCode(std::string_view text) {
    for (const NamedTask& task : kTasks)
        if (task.name == text)
            return task.code;
    if (text.size() != 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return static_cast<TaskCode>(value);
}

std::string TaskHex(TaskCode code) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(code));
    return text;
}

} // namespace hk
