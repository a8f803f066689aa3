// The sample game as the engine will meet it: generated once by the real `harukaze-tool demo`,
// then checked against the engine's fixed rules (archive layout, labels, message layout, hit
// areas and key colours of the interface pictures, sound formats and loop headers), and made a
// second time to prove that the output depends only on the sources.
#include "data/ifp_archive.h"
#include "data/scene_text.h"
#include "data/script_format.h"
#include "data/shift_jis.h"
#include "gfx/image_decoder.h"
#include "ogg_inspect.h"
#include "sound/alpha_ogg_header.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "tools/demo_pictures.h"
#include "tools/demo_sound.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <unistd.h>

namespace hk {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::ReadFileText;

// Every file under dir, by relative path.
std::map<std::string, std::vector<std::uint8_t>> Tree(const fs::path& dir) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), dir).generic_string()] = ReadFileBytes(entry.path());
        }
    }
    return files;
}

class DemoGameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = fs::temp_directory_path() / ("harukaze-demo-test-" + std::to_string(::getpid()));
        fs::remove_all(s_dir);
        // The first run meets a player's save file and a stale archive from an older version.
        fs::create_directories(s_dir / "first");
        { std::ofstream(s_dir / "first" / "Save03.dat") << "player data"; }
        { std::ofstream(s_dir / "first" / "SCR.IFP") << "an old, broken archive"; }
        const auto result = test::RunTool({"demo", (s_dir / "first").string(), "--quiet"});
        s_status = result.status;
        s_error = result.err;
        if (s_status == 0) {
            s_files = Tree(s_dir / "first");
            s_save = ReadFileText(s_dir / "first" / "Save03.dat");
            s_files.erase("Save03.dat");
        }
    }
    static void TearDownTestSuite() { fs::remove_all(s_dir); }

    void SetUp() override { ASSERT_EQ(s_status, 0) << "harukaze-tool demo failed: " << s_error; }

    static const std::vector<std::uint8_t>& File(const std::string& name) {
        const auto it = s_files.find(name);
        if (it == s_files.end()) {
            ADD_FAILURE() << name << " was not generated";
            static const std::vector<std::uint8_t> empty;
            return empty;
        }
        return it->second;
    }

    static IfpIndex Index(const std::string& archive) {
        const auto& bytes = File(archive);
        std::array<std::uint8_t, kIfpIndexSize> raw{};
        if (bytes.size() >= kIfpPayloadOffset) {
            std::copy(bytes.begin() + kIfpIndexOffset, bytes.begin() + kIfpPayloadOffset, raw.begin());
        }
        return IfpIndex(raw);
    }

    static std::span<const std::uint8_t> Part(const std::string& archive, int number, bool mask = false) {
        const auto& bytes = File(archive);
        const IfpEntry e = Index(archive).Entry(number);
        CheckIfpEntry(e, number, bytes.size(), archive);
        return std::span(bytes).subspan(mask ? e.offset + e.length_a : e.offset, mask ? e.length_b : e.length_a);
    }

    static Bitmap Picture(int number, bool mask = false) { return DecodeImage(Part("GRP.IFP", number, mask)); }

    static std::map<int, ScenePayload> Scenes() {
        std::map<int, ScenePayload> scenes;
        const IfpIndex index = Index("SCR.IFP");
        for (int n = 0; n < kIfpEntryCount; ++n) {
            if (index.Entry(n).type_a == kSceneEntryType) {
                scenes.emplace(n, ParseScenePayload(Part("SCR.IFP", n), n));
            }
        }
        return scenes;
    }

    static inline fs::path s_dir;
    static inline int s_status = -1;
    static inline std::string s_error;
    static inline std::string s_save;
    static inline std::map<std::string, std::vector<std::uint8_t>> s_files;
};

TEST_F(DemoGameTest, SecondRunWritesTheSameBytes) {
    const auto result = test::RunTool({"demo", (s_dir / "second").string(), "--quiet", "--jobs", "1"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto second = Tree(s_dir / "second");
    ASSERT_EQ(second.size(), s_files.size());
    for (const auto& [name, bytes] : s_files) {
        const auto it = second.find(name);
        ASSERT_NE(it, second.end()) << name;
        EXPECT_TRUE(it->second == bytes) << name << " differs between two runs";
    }
}

TEST_F(DemoGameTest, GeneratingKeepsSaveFilesAndReplacesStaleData) {
    EXPECT_EQ(s_save, "player data");
    const IfpIndex index = Index("SCR.IFP");
    EXPECT_EQ(index.Entry(1).type_a, kSceneEntryType);
    EXPECT_FALSE(s_files.contains("SCR.IFP.tmp"));
}

TEST_F(DemoGameTest, CommandLineMistakesAreReported) {
    EXPECT_EQ(test::RunTool({"demo", "--help"}).status, 0);
    EXPECT_EQ(test::RunTool({"demo"}).status, 2);
    EXPECT_EQ(test::RunTool({"demo", "a", "b"}).status, 2);
    EXPECT_EQ(test::RunTool({"demo", "x", "--jobs", "0"}).status, 2);
    const auto missing = test::RunTool({"demo", (s_dir / "none").string(), "--source", (s_dir / "nowhere").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("nowhere"), std::string::npos) << missing.err;
}

TEST_F(DemoGameTest, EveryJumpAndCallFindsItsLabel) {
    const auto scenes = Scenes();
    for (int n = 1; n <= 14; ++n) {
        if (n != 12 && n != 13) {
            EXPECT_TRUE(scenes.contains(n)) << "story scene " << n;
        }
    }
    auto label_step = [&](int scene, const std::string& name) {
        const ScenePayload& p = scenes.at(scene);
        const auto labels = p.Block(SceneBlock::Labels).Texts();
        for (std::size_t i = 0; i < p.code.size(); ++i) {
            const ScriptInstruction& ins = p.code[i];
            if (ins.opcode == static_cast<std::uint8_t>(Opcode::OP_END)) {
                return -1;
            }
            if (ins.opcode == static_cast<std::uint8_t>(Opcode::OP_LABEL) && ins.operand1 >= 0 &&
                static_cast<std::size_t>(ins.operand1) < labels.size() && labels[ins.operand1] == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    int transfers = 0;
    for (const auto& [number, payload] : scenes) {
        const auto jumps = payload.Block(SceneBlock::Jumps).Texts();
        for (const ScriptInstruction& ins : payload.code) {
            if (ins.opcode != static_cast<std::uint8_t>(Opcode::OP_JUMP) &&
                ins.opcode != static_cast<std::uint8_t>(Opcode::OP_CALL)) {
                continue;
            }
            ++transfers;
            ASSERT_LT(static_cast<std::size_t>(ins.operand1), jumps.size()) << "scene " << number;
            const int target = ins.operand2 == 0 ? number : ins.operand2;
            ASSERT_TRUE(scenes.contains(target)) << "scene " << number << " jumps to missing scene " << target;
            EXPECT_GE(label_step(target, jumps[ins.operand1]), 0)
                << "scene " << number << ": label '" << jumps[ins.operand1] << "' not in scene " << target;
            EXPECT_LT(number, 100) << "replay scene " << number << " must not jump into the story";
        }
        ASSERT_FALSE(payload.code.empty());
        EXPECT_EQ(payload.code.back().opcode, static_cast<std::uint8_t>(Opcode::OP_END)) << "scene " << number;
    }
    EXPECT_GT(transfers, 10);
}

// The message window's line breaking: 30 characters a line, three lines, one hanging
// punctuation mark, "/" forcing a break, speech continued under a full-width space.
bool FitsTheWindow(std::u32string text) {
    static const std::u32string no_start = U"、。，．：；！？ーぁぃぅぇぉっゃゅょんァィゥェォッャュョンヵヶ）」』】";
    static const std::u32string no_end = U"（「『【";
    const std::size_t open = text.find(U'「');
    const bool speech = open != std::u32string::npos;
    if (speech) {
        text.erase(0, open);
    }
    for (int line = 0; line < 3; ++line) {
        std::u32string built;
        bool forced = false;
        const std::size_t n = std::min<std::size_t>(30, text.size());
        for (std::size_t i = 0; i < n; ++i) {
            const char32_t c = text.front();
            text.erase(0, 1);
            if (c == U'/') {
                forced = true;
                break;
            }
            built += c;
        }
        if (built.size() == 30 && no_end.find(built.back()) != std::u32string::npos) {
            text.insert(text.begin(), built.back());
        }
        if (!forced && !text.empty() && no_start.find(text.front()) != std::u32string::npos) {
            text.erase(0, 1);
        }
        if (text.empty()) {
            return true;
        }
        if (speech) {
            text.insert(text.begin(), U'　');
        }
    }
    return false;
}

TEST_F(DemoGameTest, EveryMessageFitsAndEveryChoiceFitsItsKind) {
    int messages = 0;
    for (const auto& [number, payload] : Scenes()) {
        const auto texts = payload.Block(SceneBlock::Messages).Texts();
        for (const ScriptInstruction& ins : payload.code) {
            const bool message = ins.opcode == static_cast<std::uint8_t>(Opcode::OP_MESSAGE);
            const bool select = ins.opcode == static_cast<std::uint8_t>(Opcode::OP_SELECT);
            const bool select2 = ins.opcode == static_cast<std::uint8_t>(Opcode::OP_SELECT2);
            if (!message && !select && !select2) {
                continue;
            }
            ASSERT_LT(static_cast<std::size_t>(ins.operand1), texts.size()) << "scene " << number;
            const std::u32string text = SjisToUtf32(texts[ins.operand1]);
            EXPECT_EQ(text.find(U'\uFFFD'), std::u32string::npos) << "scene " << number;
            if (message) {
                ++messages;
                EXPECT_TRUE(FitsTheWindow(text)) << "scene " << number << ": " << SjisToUtf8(texts[ins.operand1]);
                // Text before the first 「 becomes the speaker's name: only names may stand there.
                const std::size_t open = text.find(U'「');
                EXPECT_TRUE(open == std::u32string::npos || open <= 4)
                    << "scene " << number << ": narration with a bracket: " << SjisToUtf8(texts[ins.operand1]);
                continue;
            }
            std::size_t parts = 1;
            std::size_t longest = 0, current = 0;
            for (char32_t c : text) {
                if (c == U'/') {
                    ++parts;
                    current = 0;
                } else {
                    longest = std::max(longest, ++current);
                }
            }
            EXPECT_LE(parts, select ? 4u : 9u) << "scene " << number;
            EXPECT_LE(longest, select ? 30u : 31u) << "scene " << number << ": a choice would split into two";
        }
    }
    EXPECT_GE(messages, 60);
}

TEST_F(DemoGameTest, EveryVoicedLineHasItsVoiceFile) {
    int voiced = 0;
    for (const auto& [number, payload] : Scenes()) {
        const auto voices = payload.Block(SceneBlock::Voices).Texts();
        for (const ScriptInstruction& ins : payload.code) {
            if (ins.opcode != static_cast<std::uint8_t>(Opcode::OP_MESSAGE) || ins.operand2 < 0) {
                continue;
            }
            ASSERT_LT(static_cast<std::size_t>(ins.operand2), voices.size()) << "scene " << number;
            const std::string file = "VOICE/" + voices[ins.operand2] + ".ogg";
            const OggInfo info = InspectOgg(File(file));
            EXPECT_EQ(info.rate, 44100) << file;
            EXPECT_EQ(info.channels, 1) << file;
            EXPECT_GT(info.seconds, 0.3) << file;
            ++voiced;
        }
    }
    EXPECT_GE(voiced, 10);
}

TEST_F(DemoGameTest, EveryPictureTheGameAsksForIsThere) {
    const IfpIndex index = Index("GRP.IFP");
    std::set<int> wanted = {7, 8, 9, 10, 21, 22, 23, 24, 25, 26, 41, 42, 43, 44, 45, 46, 50};
    for (int page = 1; page <= 8; ++page) {
        wanted.insert(50 + page);
        wanted.insert(60 + page);
    }
    const auto book = demo::ParsePictureRecipes(ReadFileText(fs::path(HARUKAZE_DEMO_SOURCE_DIR) / "pictures.txt"), "p");
    for (const demo::CgPlace& place : demo::CgPlaces(book.album)) {
        wanted.insert(place.number);
    }
    EXPECT_EQ(demo::CgPlaces(book.album).size(), 183u);
    for (const auto& [number, payload] : Scenes()) {
        for (const ScriptInstruction& ins : payload.code) {
            if (ins.opcode == static_cast<std::uint8_t>(Opcode::OP_BG) && ins.operand1 != 0) {
                wanted.insert(ins.operand1);
            }
            if (ins.opcode == static_cast<std::uint8_t>(Opcode::OP_CHAR) && ins.operand1 != 0 && ins.operand2 != 0) {
                wanted.insert(ins.operand2);
            }
        }
    }
    for (int number : wanted) {
        const IfpEntry e = index.Entry(number);
        ASSERT_TRUE(e.type_a == 11 || e.type_a == 12 || e.type_a == 13) << "graphic " << number;
        const Bitmap picture = Picture(number);
        EXPECT_GE(picture.Width(), 800) << "graphic " << number;
        if (e.type_b != 0) {
            const Bitmap mask = Picture(number, true);
            EXPECT_EQ(mask.Width(), picture.Width()) << "graphic " << number;
            EXPECT_EQ(mask.Height(), picture.Height()) << "graphic " << number;
        }
    }
    // Characters carry masks; placement 1 shifts them left by 200, so they are 1000 wide or
    // stand on the right of an 800-wide frame.
    for (int number : {201, 221, 241}) {
        EXPECT_NE(index.Entry(number).type_b, 0) << number;
        EXPECT_EQ(Picture(number).Width(), 1000) << number;
    }
}

int Mean(const Bitmap& a, const Bitmap& b, int x0, int y0, int w, int h) {
    long sum = 0;
    for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x) {
            for (int k = 0; k < 3; ++k) {
                sum += std::abs(a.Pixel(x, y)[k] - b.Pixel(x, y)[k]);
            }
        }
    }
    return static_cast<int>(sum / (3L * w * h));
}

TEST_F(DemoGameTest, HighlightSheetsChangeExactlyTheHitAreas) {
    struct Sheet {
        int normal, highlight;
        std::vector<std::array<int, 4>> rects;
    };
    const std::vector<std::array<int, 4>> menu = {
        {640, 370, 130, 40}, {640, 410, 130, 40}, {640, 450, 130, 40}, {640, 490, 130, 41}};
    const std::vector<Sheet> sheets = {
        {21, 22, menu},
        {23, 24, menu},
        {25,
         26,
         {{200, 100, 150, 40},
          {200, 150, 100, 40},
          {200, 190, 130, 40},
          {210, 240, 110, 40},
          {220, 280, 160, 40},
          {240, 320, 130, 40},
          {260, 370, 100, 40},
          {270, 410, 110, 40},
          {290, 450, 110, 40},
          {330, 490, 200, 40},
          {0, 560, 120, 40}}},
        {51, 50, {{20, 560, 80, 30}, {330, 560, 60, 30}, {390, 560, 60, 30}}},
        {61, 50, {{20, 560, 80, 30}, {330, 560, 60, 30}, {390, 560, 60, 30}}},
    };
    for (const Sheet& s : sheets) {
        const Bitmap normal = Picture(s.normal), lit = Picture(s.highlight);
        for (const auto& r : s.rects) {
            EXPECT_GT(Mean(normal, lit, r[0], r[1], r[2], r[3]), 12)
                << "graphic " << s.highlight << " shows no highlight at " << r[0] << "," << r[1];
            // A band just above the entry is the same picture in both (only JPEG noise differs),
            // unless another entry's area lies there.
            const bool shared = std::any_of(s.rects.begin(), s.rects.end(), [&r](const auto& o) {
                return o != r && o[1] < r[1] && o[1] + o[3] > r[1] - 6 && o[0] < r[0] + r[2] && o[0] + o[2] > r[0];
            });
            if (r[1] >= 8 && !shared) {
                EXPECT_LT(Mean(normal, lit, r[0], r[1] - 6, r[2], 4), 6)
                    << "graphics " << s.normal << "/" << s.highlight << " differ outside the entry at " << r[0] << ","
                    << r[1];
            }
        }
    }
}

TEST_F(DemoGameTest, KeyColoursSitWhereTheEngineLooksForThem) {
    const Bitmap parts = Picture(10);
    ASSERT_EQ(parts.Height(), 600);
    const Color window_key = parts.GetColor(0, 424);
    // The floating window's shape: the key colour outside, never inside the text area.
    EXPECT_EQ(parts.GetColor(799, 599), window_key);
    for (int y = 424 + 29; y <= 424 + 161; y += 11) {
        for (int x = 13; x <= 785; x += 17) {
            ASSERT_NE(parts.GetColor(x, y), window_key) << x << "," << y;
        }
    }
    // Eight wait-icon cells, each with its key at the top-left and a different picture.
    std::set<std::vector<Color>> frames;
    for (int f = 0; f < 8; ++f) {
        const Color key = parts.GetColor(32 * f, 32);
        std::vector<Color> cell;
        int drawn = 0;
        for (int y = 32; y < 64; ++y) {
            for (int x = 32 * f; x < 32 * f + 32; ++x) {
                cell.push_back(parts.GetColor(x, y));
                drawn += parts.GetColor(x, y) != key;
            }
        }
        EXPECT_GT(drawn, 100) << "wait icon frame " << f;
        EXPECT_LT(drawn, 32 * 32 - 100) << "wait icon frame " << f;
        frames.insert(cell);
    }
    EXPECT_EQ(frames.size(), 8u);
    // The album's highlight frame: key colour at its own (8, 8), a rim around it.
    const Bitmap album = Picture(50);
    const Color frame_key = album.GetColor(170 + 8, 10 + 8);
    EXPECT_EQ(album.GetColor(170 + 80, 10 + 60), frame_key);
    EXPECT_NE(album.GetColor(170 + 1, 10 + 1), frame_key);
    EXPECT_NE(album.GetColor(170 + 158, 10 + 118), frame_key);
}

TEST_F(DemoGameTest, RulesCoverTheWholeRangeAndDiffer) {
    std::vector<Bitmap> rules;
    for (int number = 41; number <= 46; ++number) {
        Bitmap rule = Picture(number);
        ASSERT_EQ(rule.Width(), 800);
        ASSERT_EQ(rule.Height(), 600);
        int low = 255, high = 0;
        for (int y = 0; y < 600; y += 3) {
            for (int x = 0; x < 800; x += 3) {
                low = std::min<int>(low, rule.Pixel(x, y)[0]);
                high = std::max<int>(high, rule.Pixel(x, y)[0]);
            }
        }
        EXPECT_LE(low, 8) << "rule " << number;
        EXPECT_GE(high, 245) << "rule " << number;
        for (const Bitmap& other : rules) {
            EXPECT_GT(Mean(rule, other, 0, 0, 800, 600), 10) << "rule " << number << " repeats another";
        }
        rules.push_back(std::move(rule));
    }
    // The text reveal: within a line values grow left to right, and each line starts after the last.
    const Bitmap reveal = Picture(7);
    ASSERT_EQ(reveal.Width(), 800);
    EXPECT_LT(reveal.Pixel(40, 70)[0], reveal.Pixel(700, 70)[0]);
    EXPECT_GT(reveal.Pixel(40, 100)[0], reveal.Pixel(700, 70)[0]);
    EXPECT_GT(reveal.Pixel(40, 130)[0], reveal.Pixel(700, 100)[0]);
}

TEST_F(DemoGameTest, MusicLoopsAnInnerSectionWhereTheRecipeSaysSo) {
    const auto tracks = demo::ParseMusicRecipes(ReadFileText(fs::path(HARUKAZE_DEMO_SOURCE_DIR) / "music.txt"), "m");
    ASSERT_EQ(tracks.size(), 10u);
    int with_header = 0;
    for (const demo::MusicTrack& t : tracks) {
        const std::string name =
            std::string("Sound/M") + (t.number < 10 ? "0" : "") + std::to_string(t.number) + ".ogg";
        const auto& file = File(name);
        const OggInfo info = InspectOgg(file);
        EXPECT_EQ(info.channels, 2) << name;
        EXPECT_EQ(info.rate, 44100) << name;
        EXPECT_GT(info.seconds, 15) << name;
        EXPECT_LT(info.seconds, 60) << name;
        const auto loops = ParseAlphaOggHeader(file);
        ASSERT_EQ(loops.has_value(), t.loop_from != 0) << name;
        if (!loops) {
            continue;
        }
        ++with_header;
        const LoopRecord& r = (*loops)[0];
        EXPECT_EQ(r.count, -1) << name;
        EXPECT_GT(r.target, 0.5f) << name << ": the loop should leave an intro";
        EXPECT_GT(r.trigger, r.target + 5) << name;
        EXPECT_LT(r.trigger, info.seconds) << name << ": the trigger must lie inside the stream";
        for (std::size_t k = 1; k < kLoopRecordCount; ++k) {
            EXPECT_EQ((*loops)[k], LoopRecord{}) << name << " record " << k;
        }
    }
    EXPECT_GE(with_header, 3);
    for (int e = 1; e <= demo::kEffectCount; ++e) {
        const std::string name = std::string("Sound/S0") + std::to_string(e) + ".ogg";
        EXPECT_EQ(InspectOgg(File(name)).rate, 44100) << name;
    }
}

TEST(DemoRecipes, MistakesNameTheFileAndLine) {
    auto message = [](auto&& parse) {
        try {
            parse();
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([] { demo::ParseMusicRecipes("track 1\nchords C\nmelody E5:4 G5:4 | C6:16\n", "m.txt"); }),
              "m.txt:3: a melody bar adds up to 8 sixteenths, not 16");
    EXPECT_NE(message([] { demo::ParseMusicRecipes("track 1\nchords C | Xm\n", "m.txt"); }).find("m.txt:2:"),
              std::string::npos);
    EXPECT_NE(message([] { demo::ParseMusicRecipes("track 1\nchords C\nloop 1 4\n", "m.txt"); }).find("loops outside"),
              std::string::npos);
    EXPECT_NE(message([] { demo::ParsePictureRecipes("7 bmp rule x\n7 png rule y\n", "p.txt"); }).find("p.txt:2:"),
              std::string::npos);
    EXPECT_NE(message([] { demo::ParsePictureRecipes("7 gif rule x\n", "p.txt"); }).find("p.txt:1:"),
              std::string::npos);
    EXPECT_NE(message([] { demo::ParseInterface("title.start \xF0\x9F\x98\x80\n", "i.txt"); }).find("i.txt:1:"),
              std::string::npos);
    // "F#5" is a note, not the start of a comment; "# ..." after a blank is one.
    const auto tracks = demo::ParseMusicRecipes("track 2 # the second\nchords D\nmelody F#5:16\n", "m.txt");
    ASSERT_EQ(tracks.size(), 1u);
    ASSERT_EQ(tracks[0].melody.size(), 1u);
    EXPECT_EQ(tracks[0].melody[0].pitch, 78);
}

} // namespace
} // namespace hk
