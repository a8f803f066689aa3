// Start-up and shutdown of the main form: FormCreate in the game's exact order, the close
// question, and the release of everything at the end.
#include "engine/engine.h"

#include <filesystem>

namespace hk {

namespace {

constexpr const char* kCloseQuestion = "ゲームを終了しますか？";

} // namespace

Engine::Engine(Platform& platform, GameFiles& files)
    : m_script_wiring(*this, platform, m_state, m_stage, m_message, m_sound),
      m_stage_wiring(*this, platform, m_state, m_message, m_input),
      m_message_wiring(*this, platform, m_state, m_stage, m_script, m_input, m_sound),
      m_script(m_script_wiring, files, m_state.Game, m_state.System), m_stage(m_stage_wiring, files),
      m_message(m_message_wiring), m_platform(platform), m_files(files), m_saves(files), m_input(platform),
      m_debug(platform, files, m_state, m_script, m_message, m_input),
      m_sound(platform, files,
              [this](SoundCues::DebugLine line, const std::string& text) {
                  DebugForm& window = m_debug.Window;
                  (line == SoundCues::DebugLine::BgmLabel ? window.BgmLabel : window.BgmFileLabel) = text;
              }),
      m_menu_wiring(*this, m_state, platform, m_input, m_script, m_message, m_stage, m_sound, m_tick_serial),
      m_menus(m_menu_wiring, m_stage), m_command_wiring(*this, m_timer_usable),
      m_commands(m_command_wiring, platform, m_state, m_saves, m_script, m_message, m_stage, m_sound) {}

Engine::~Engine() {
    FormDestroy();
}

void Engine::ReportError(const std::exception& error) {
    std::string for_player;
    if (const auto* file_error = dynamic_cast<const FileError*>(&error))
        for_player = file_error->ForPlayer();
    else if (const auto* engine_error = dynamic_cast<const EngineError*>(&error))
        for_player = engine_error->ForPlayer();
    if (for_player.empty()) {
        // A fault in the game's data (a scene, a picture) that only a report can explain.
        for_player = "ゲームのデータに、このプログラムでは先へ進めないところがありました。\n"
                     "ゲームのフォルダ「" +
                     GameFolderForPlayer().string() +
                     "」のファイルが元のディスクのとおりか確かめてください。"
                     "直らないときは、端末から harukaze を起動し、エラー出力に出る英語の文面を添えてお知らせ"
                     "ください。";
    }
    m_platform.ReportError({std::move(for_player), error.what()});
}

std::filesystem::path Engine::GameFolderForPlayer() const {
    std::error_code ec;
    auto where = std::filesystem::absolute(m_files.Root(), ec).lexically_normal();
    if (!where.has_filename() && where.has_relative_path())
        where = where.parent_path(); // "/home/aki/" (from ".") reads as "/home/aki"
    return where;
}

bool Engine::FormCreate() {
    m_platform.SetEventSink(this);
    // The 10 ms timer is a component of the form: it runs from creation on.
    m_platform.SetDelayTimerEnabled(true);
    try {
        // 1. The window's client area is 800x600 (the platform's business); the cursor stays
        //    hidden over it until the script shows it.
        m_state.Game.CursorShown = 0;
        m_platform.SetCursorVisible(false);
        // 2. WindowList: nothing to remember on this platform (full screen is a window state).
        // 3-4. Album contents: the album book holds them from its construction on.
        // 5. The scene string lists start empty.
        m_script.ClearSceneLists();
        // 6. The archives' read-only attribute has no equivalent here, and players' files keep
        //    their permissions: the pauses around that step are the platform's to keep or skip.
        m_platform.PauseForSystemStep(500);
        m_platform.PauseForSystemStep(500);
        // 7. Both archive indexes.
        ReadArchiveIndexes();
        // 8. Surfaces. The frame and the choice overlay are loaded whole into their slots a moment
        //    later, which gives them the loaded pictures' size: nothing needs them before.
        m_stage.CreateSurfaces();
        m_message.CreateSurfaces();
        // 9. Message rule, message frame, parts sheet and choice sheet (slots 9 and 10 crossed).
        m_stage.ReadGraphic(kMsgRuleSlot, kMsgRuleGraphic, kPlaceCentre);
        m_stage.ReadGraphic(kMsgFrameSlot, kMsgFrameGraphic, kPlaceCentre);
        m_stage.ReadGraphic(kPartsSlot, kPartsGraphic, kPlaceCentre);
        m_stage.ReadGraphic(kChoiceSheetSlot, kChoiceSheetGraphic, kPlaceCentre);
        // 10. Line-breaking rules of the message layout.
        m_message.SetLineRules(kMsgLineChars, kMsgMaxLines,
                               U"、。，．：；！？ーぁぃぅぇぉっゃゅょんァィゥェォッャュョンヵヶ）」』】", U"（「『【");
        // 11-12. The system file, created with the default settings on the first start (or taken
        //        from its last good copy when it is damaged or gone).
        if (const std::string notice = m_saves.LoadSystemFile(m_state.System); !notice.empty())
            m_platform.ShowMessage(notice);
        // 13. Full screen as the player left it.
        if (m_state.System.FullScreen != 0)
            m_platform.SetFullScreen(true);
        // 14. Every slot file exists from the first start on.
        for (int n = 1; n <= kSlotCount; ++n)
            if (!m_saves.CheckSaveFile(n))
                m_saves.CreateSaveFile(n, m_state.Game);
        // 15.
        m_script.ClearReturnTbl();
        m_message.ClearMsgLog();
        m_script.ClearScenarioFlg();
        // 16. Scene 1 starts at its first instruction on the tick after TaskInit.
        m_script.Begin(1);
        SetTask(TaskCode::TASK_INIT);
        // 17-18. Decoder, player and the streaming output.
        m_sound.CreateSoundObjects();
        // 19. From here on everything happens in the frame tick.
        m_timer_usable = true;
        SetFrameTimerEnabled(true);
        return true;
    } catch (const std::exception& error) {
        ReportError(error);
        return false;
    }
}

void Engine::ReadArchiveIndexes() {
    // Name every missing archive at once, so one message tells the player all that is wrong.
    std::string missing, missing_for_player;
    int missing_count = 0;
    for (const char* name : {"GRP.IFP", "SCR.IFP"}) {
        if (!m_files.Exists(name)) {
            missing += std::string(missing.empty() ? "" : " and ") + "\"" + name + "\"";
            missing_for_player += std::string("「") + name + "」";
            ++missing_count;
        }
    }
    if (missing_count > 0) {
        const std::filesystem::path where = GameFolderForPlayer();
        throw EngineError(std::string(missing_count > 1 ? "The game archives " : "The game archive ") + missing +
                              (missing_count > 1 ? " were" : " was") + " not found in \"" + where.string() +
                              "\". Start the game from the folder that holds its data files.",
                          "ゲームのデータ" + missing_for_player + "が、フォルダ「" + where.string() +
                              "」に見つかりませんでした。\nゲームを閉じて、SCR.IFP と GRP.IFP があるフォルダを"
                              "「harukaze フォルダ」と指定するか、そのフォルダで起動し直してください。"
                              "このフォルダには何も書き込んでいません。");
    }
    m_stage.ReadGraphicIndex();
    m_script.ReadSceneIndex();
}

bool Engine::FormCloseQuery() {
    SetFrameTimerEnabled(false);
    const bool can_close = m_commands.Ask(kCloseQuestion);
    if (!can_close && m_timer_usable)
        SetFrameTimerEnabled(true);
    return can_close;
}

void Engine::FormClose() {
    SetFrameTimerEnabled(false);
    m_platform.Sleep(100);
    // A start-up that failed before the system file was read holds an empty record: writing it
    // would wipe the player's settings, flags and read-marks, so only a record that came from
    // the file (or was just created) goes back.
    if (m_saves.SystemFileInUse())
        m_saves.CreateSystemFile(m_state.System);
    // Leaving full screen changes no display mode here; the pauses around it are the platform's.
    m_platform.PauseForSystemStep(100);
    if (m_state.System.FullScreen != 0)
        m_platform.SetFullScreen(false);
    m_platform.PauseForSystemStep(100);
}

bool Engine::RequestClose() {
    if (m_closed)
        return true;
    if (!FormCloseQuery())
        return false;
    m_closed = true;
    try {
        FormClose();
    } catch (const std::exception& error) {
        ReportError(error);
    }
    return true;
}

void Engine::FormDestroy() {
    if (m_destroyed)
        return;
    m_destroyed = true;
    m_platform.SetDelayTimerEnabled(false);
    m_sound.ReleaseSoundObjects();
}

bool Engine::OnCloseQuery() {
    return RequestClose();
}

} // namespace hk
