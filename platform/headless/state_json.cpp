#include "platform/headless/state_json.h"

#include "engine/engine.h"
#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace hk {

namespace {

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

template <typename T> std::string Array(const T* values, int count) {
    std::string out = "[";
    for (int i = 0; i < count; ++i) {
        if (i)
            out += ",";
        out += std::to_string(values[i]);
    }
    return out + "]";
}

std::string ForwardSlashes(std::string path) {
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

} // namespace

std::string EngineStateJson(Engine& engine, HeadlessPlatform& platform) {
    const EngineState& s = engine.State();
    const GameData& g = s.Game;
    const SystemData& sys = s.System;
    const MessageWindow& m = engine.Message();
    std::ostringstream o;
    auto num = [&](const char* key, long long value) { o << "  " << Quote(key) << ": " << value << ",\n"; };
    auto flag = [&](const char* key, bool value) { num(key, value ? 1 : 0); };

    o << "{\n";
    o << "  \"TaskCode\": " << Quote(TaskHex(s.Task)) << ",\n";
    num("CurrentScene", g.CurrentScene);
    num("ScriptStep", g.ScriptStep);
    num("ReturnDepth", g.ReturnDepth);
    num("MsgNumber", m.MsgNumber());
    num("VoiceNumber", m.VoiceNumber());
    num("ChoiceCount", m.ChoiceCount());
    num("LogCursor", m.LogCursor());
    num("AlbumPage", engine.Menus().Albums().Page());
    flag("GamePlaying", engine.Script().GamePlaying());
    flag("MsgWindowVisible", m.MsgWindowVisible());
    flag("LogViewing", m.LogViewing());
    flag("SkipNow", m.SkipNow());
    flag("SkipMode", m.SkipMode());
    flag("ReadSkipMode", m.ReadSkipMode());
    flag("AutoMode", m.AutoMode());
    flag("CursorShown", g.CursorShown);
    flag("ContextMenuOn", g.ContextMenuOn);
    flag("AuxFlag", g.AuxFlag);
    flag("FloatChecked", engine.Message().MsgFloatChecked());
    flag("FloatVisible", platform.IsWindowVisible(WindowId::Float));
    flag("DebugVisible", engine.Debug().Visible());
    flag("TimerEnabled", engine.FrameTimerEnabled());
    o << "  \"ScenarioVars\": " << Array(g.ScenarioVars, kVariableCount) << ",\n";
    o << "  \"SystemVars\": " << Array(sys.SystemVars, kVariableCount) << ",\n";

    o << "  \"ReturnTable\": [";
    const int depth = std::clamp<int>(g.ReturnDepth, 0, kReturnTableSize);
    for (int k = 1; k <= depth; ++k) {
        if (k > 1)
            o << ",";
        o << "[" << g.ReturnTable[k - 1].Scene << "," << g.ReturnTable[k - 1].Step << "]";
    }
    o << "],\n";
    o << "  \"LayerGraphic\": " << Array(g.LayerGraphic, 3) << ",\n";
    o << "  \"LayerPlacement\": " << Array(g.LayerPlacement, 2) << ",\n";

    o << "  \"SceneTable\": [";
    bool first = true;
    const auto& queue = engine.Script().SceneTable();
    for (int i = 1; i <= kSceneTableSize; ++i) {
        if (queue[i] == 0)
            continue;
        o << (first ? "" : ",") << queue[i];
        first = false;
    }
    o << "],\n";

    o << "  \"CgSeen\": [";
    first = true;
    for (int gnum = kCgFirst; gnum <= kCgLast; ++gnum) {
        if (!sys.CgSeen[gnum - kCgFirst])
            continue;
        o << (first ? "" : ",") << gnum;
        first = false;
    }
    o << "],\n";

    o << "  \"MsgLog\": [";
    for (int i = 0; i < kMsgLogSize; ++i) {
        const MsgLogEntry& e = m.MsgLog()[i];
        o << (i ? ",\n    " : "\n    ") << "{\"text\": " << Quote(e.Text) << ", \"voice\": " << e.VoiceIndex
          << ", \"file\": " << Quote(ForwardSlashes(e.File)) << "}";
    }
    o << "\n  ],\n";

    o << "  \"Settings\": {\"TextSpeed\": " << sys.TextSpeed << ", \"EffectsOn\": " << int{sys.EffectsOn}
      << ", \"FullScreen\": " << int{sys.FullScreen} << ", \"VoiceVolume\": " << sys.VoiceVolume
      << ", \"BgmVolume\": " << sys.BgmVolume << ", \"SeVolume\": " << sys.SeVolume
      << ", \"AutoDelay\": " << sys.AutoDelay << "},\n";

    o << "  \"Channels\": [";
    const auto channels = engine.Sound().ChannelViews();
    for (std::size_t i = 0; i < channels.size(); ++i)
        o << (i ? ", " : "") << "{\"status\": " << channels[i].status << ", \"level\": " << channels[i].level
          << ", \"file\": " << Quote(ForwardSlashes(channels[i].file)) << "}";
    o << "],\n";
    o << "  \"Clock\": " << platform.TickCount() << "\n";
    o << "}\n";
    return o.str();
}

} // namespace hk
