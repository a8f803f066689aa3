#include "tools/demo_scenes.h"

#include "data/ifp_archive.h"
#include "data/scene_text.h"
#include "data/shift_jis.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace hk::demo {

namespace {

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// "scene0012.txt" -> 12; -1 for any other name.
int SceneNumberOf(const std::string& name) {
    if (name.size() != 13 || !name.starts_with("scene") || !name.ends_with(".txt")) {
        return -1;
    }
    int n = 0;
    for (int i = 5; i < 9; ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return -1;
        }
        n = n * 10 + (name[i] - '0');
    }
    return n < kIfpEntryCount ? n : -1;
}

} // namespace

std::vector<Scene> LoadSceneTexts(const std::filesystem::path& dir) {
    std::vector<std::pair<int, std::filesystem::path>> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const int n = SceneNumberOf(entry.path().filename().string());
        if (n >= 0 && entry.is_regular_file()) {
            files.emplace_back(n, entry.path());
        }
    }
    // Directory order differs between file systems; the archive must not.
    std::sort(files.begin(), files.end());
    std::vector<Scene> scenes;
    for (const auto& [n, path] : files) {
        scenes.push_back({n, AssembleScene(ReadText(path), path.filename().string())});
    }
    if (scenes.empty()) {
        throw std::runtime_error("no sceneNNNN.txt files in " + dir.string());
    }
    return scenes;
}

std::string ReplaySceneText(int scene, int picture, int music, const std::string& caption_utf8) {
    std::string quoted;
    for (char c : caption_utf8) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    std::ostringstream s;
    s << "; scene " << scene << ": a short replay of one memory for the scene album\n"
      << "system cursor, 1\n"
      << "char 0\n"
      << "bg " << picture << "\n"
      << "bgm " << music << ", 1\n"
      << "effect 1, 800\n"
      << "message \"" << quoted << "\"\n"
      << "bg 100\n"
      << "effect 1, 600\n"
      << "end\n";
    return s.str();
}

std::vector<std::uint8_t> BuildSceneArchive(const std::vector<Scene>& scenes) {
    IfpWriter writer;
    IfpHeader header{};
    const char tag[] = "HARUKAZE SCR";
    std::copy(tag, tag + sizeof tag - 1, header.begin());
    writer.SetHeader(header);
    for (const Scene& s : scenes) {
        writer.Add(s.number, kSceneEntryType, BuildScenePayload(s.payload));
    }
    return writer.Bytes();
}

std::vector<VoicedLine> CollectVoicedLines(const std::vector<Scene>& scenes) {
    std::map<std::string, VoicedLine> found;
    for (const Scene& s : scenes) {
        const auto voices = s.payload.Block(SceneBlock::Voices).Texts();
        const auto messages = s.payload.Block(SceneBlock::Messages).Texts();
        for (const ScriptInstruction& ins : s.payload.code) {
            if (ins.opcode != static_cast<std::uint8_t>(Opcode::OP_MESSAGE) || (ins.flags & 0x3F) != 0 ||
                ins.operand2 < 0) {
                continue;
            }
            const auto v = static_cast<std::size_t>(ins.operand2);
            const auto m = static_cast<std::size_t>(ins.operand1);
            if (v >= voices.size() || m >= messages.size() || found.contains(voices[v])) {
                continue;
            }
            VoicedLine line;
            line.name = voices[v];
            line.text = SjisToUtf32(messages[m]);
            if (const auto open = line.text.find(U'「'); open != std::u32string::npos) {
                line.speaker = line.text.substr(0, open);
            }
            found.emplace(line.name, line);
        }
    }
    std::vector<VoicedLine> out;
    for (auto& [name, line] : found) {
        out.push_back(line);
    }
    return out;
}

std::map<int, int> GraphicsUsed(const std::vector<Scene>& scenes) {
    std::map<int, int> used;
    for (const Scene& s : scenes) {
        for (const ScriptInstruction& ins : s.payload.code) {
            int g = 0;
            if (ins.opcode == static_cast<std::uint8_t>(Opcode::OP_BG) && (ins.flags & 0x03) == 0) {
                g = ins.operand1;
            } else if (ins.opcode == static_cast<std::uint8_t>(Opcode::OP_CHAR) && (ins.flags & 0x0C) == 0) {
                g = ins.operand2;
            }
            if (g > 0) {
                used.emplace(g, s.number);
            }
        }
    }
    return used;
}

} // namespace hk::demo
