// The codes of the tasks the frame tick runs, one handler per code. The high bits group them:
// 0x2xxx transitions, 0x6xxx text and choices, 0x70xxxx menus and albums (..01 draws a screen,
// ..02 waits on it), 0x80xxxx restore and waits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hk {

enum class TaskCode : std::uint32_t {
    TASK_SCRIPT = 0x00000000,
    TASK_EFFECT_01 = 0x00002001,
    TASK_EFFECT_11 = 0x00002011,
    TASK_EFFECT_91 = 0x00002091,
    TASK_DISP_MESSAGE = 0x00006001,
    TASK_WAIT_MESSAGE = 0x00006002,
    TASK_WAIT_SELECT = 0x00006802,
    TASK_WAIT_SELECT2 = 0x00006902,
    TASK_DISP_TITLE_MENU = 0x00700101,
    TASK_WAIT_TITLE_MENU = 0x00700102,
    TASK_DISP_ALBUM_MENU = 0x00700201,
    TASK_WAIT_ALBUM_MENU = 0x00700202,
    TASK_DISP_BGM_MENU = 0x00700301,
    TASK_WAIT_BGM_MENU = 0x00700302,
    TASK_DISP_CG_ALBUM_MENU = 0x00700401,
    TASK_WAIT_CG_ALBUM_MENU = 0x00700402,
    TASK_DISP_CG_ALBUM = 0x00700491,
    TASK_WAIT_CG_ALBUM = 0x00700492,
    TASK_DISP_SC_ALBUM_MENU = 0x00700501,
    TASK_WAIT_SC_ALBUM_MENU = 0x00700502,
    TASK_RESTORE_GAME = 0x00800001,
    TASK_WAIT = 0x00800101,
    TASK_WAIT_KEY = 0x00800102,
    TASK_INIT = 0xFFFFFFFF,
};

class Engine;
struct EngineState;

// A task code that every handler reads and only Engine::SetTask writes, so that a trace or a
// breakpoint there sees every change of task.
class TaskSlot {
public:
    constexpr operator TaskCode() const { return m_code; }
    constexpr TaskCode Code() const { return m_code; }

private:
    friend class Engine;
    friend struct EngineState;
    constexpr explicit TaskSlot(TaskCode code) : m_code(code) {}
    TaskSlot& operator=(TaskCode code) {
        m_code = code;
        return *this;
    }

    TaskCode m_code;
};

// "TASK_WAIT_MESSAGE" for a known code, nullopt otherwise.
std::optional<std::string_view> TaskName(TaskCode code);
// Parses a task name or 8 hexadecimal digits.
std::optional<TaskCode> ParseTaskCode(std::string_view text);
// The code as 8 upper-case hexadecimal digits ("00006002").
std::string TaskHex(TaskCode code);

} // namespace hk
