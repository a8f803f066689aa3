// Writes the seed corpus of every harness: scenes, pictures, sound files and save files made the
// way the tests make them, the saved damaged inputs of tests/corpus, and, when a generated sample
// game is given, its scenes, pictures and sounds.
//
//   make_seeds OUT_DIR [--corpus DIR] [--demo GAME_DIR]
//
// OUT_DIR gets one folder per harness (scene_payload, scene_exec, graphic, ogg, save_files). Each
// seed starts with the mode bytes its harness reads (see the harness's opening comment).
#include "fuzz_game.h"

#include "core/records.h"
#include "data/ifp_archive.h"
#include "data/scene_text.h"
#include "gfx/png_writer.h"
#include "support/ogg_fixtures.h"
#include "tools/demo_image_files.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace hk;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

class SeedWriter {
public:
    explicit SeedWriter(fs::path dir) : m_dir(std::move(dir)) { fs::create_directories(m_dir); }
    void Write(const std::string& name, const Bytes& bytes) {
        std::ofstream out(m_dir / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        ++m_count;
    }
    int Count() const { return m_count; }

private:
    fs::path m_dir;
    int m_count = 0;
};

Bytes Cat(std::initializer_list<std::uint8_t> head, const Bytes& tail) {
    Bytes out(head);
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

Bytes ReadFile(const fs::path& path, std::size_t limit) {
    std::ifstream in(path, std::ios::binary);
    Bytes bytes(std::istreambuf_iterator<char>(in), {});
    if (bytes.size() > limit)
        bytes.resize(limit);
    return bytes;
}

// Scenes in the text form, covering every kind of instruction.
const char* const kScenes[] = {
    "    let s1, 5\n    add s2, s1, 7\n    sub s3, s2, 30000\n    mul s4, s3, 300\n    div s5, s4, 0\n"
    "    mod g6, s5, -3\n    let gs7, 4\n    wait 0\n    end\n",
    "    let s1, 5\n    if_eq 1, s1, 5\n        let s2, 1\n    else 1\n        let s2, 2\n    endif 1\n"
    "    if_gt 2, s1, 9\n    endif 2\n    end\n",
    "top:\n    bg 100\n    char 101, 1, 1\n    effect 1, 300, 0\n    effect 41, 100, 12\n    wait 20\n"
    "    message \"「こんにちは」\", \"v01\"\n    message \"表示\"\n    jump top\n    end\n",
    "    call sub, 2\n    select \"はい/いいえ\", 1\n    select2 \"右/左/上\", 2\n    system cursor, 1\n"
    "    system auxflag, 5\n    system random, 6\n    bgm 1, 1\n    se 1, 2, 0\n    end\nsub:\n    return\n",
};

void SceneSeeds(SeedWriter& payload_seeds, SeedWriter& exec_seeds) {
    int n = 0;
    for (const char* text : kScenes) {
        const ScenePayload scene = AssembleScene(text, "seed");
        const Bytes payload = BuildScenePayload(scene);
        payload_seeds.Write("scene" + std::to_string(n), Cat({0}, payload));
        // The same scene through a damaged index entry: offset past the end, length too long.
        payload_seeds.Write("scene" + std::to_string(n) + "_entry",
                            Cat({1, 21, 0, 0x10, 0x80, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0}, payload));
        Bytes code;
        code.resize(scene.code.size() * kInstructionSize);
        for (std::size_t i = 0; i < scene.code.size(); ++i)
            EncodeInstruction(scene.code[i], code.data() + i * kInstructionSize);
        exec_seeds.Write("scene" + std::to_string(n), Cat({0}, code));
        exec_seeds.Write("scene" + std::to_string(n) + "_clicks", Cat({6, 1, 1, 2, 4, 8, 16}, code));
        ++n;
    }
}

void PictureSeeds(SeedWriter& seeds, const fs::path& corpus) {
    Bitmap picture;
    picture.SetSize(12, 9);
    picture.Fill(MakeColor(200, 120, 40));
    picture.FillRect(3, 2, 4, 4, MakeColor(10, 20, 30));
    Bitmap mask;
    mask.SetSize(12, 9);
    mask.Fill(kWhite);
    mask.FillRect(0, 0, 6, 9, kBlack);
    const Bytes png = EncodePng(picture), bmp = demo::EncodeBmp(picture), jpeg = demo::EncodeJpeg(picture, 80);
    const Bytes mask_png = EncodePng(mask);
    // Decoders alone (sniffed and named), then ReadGraphic: colour type, mask type, slot,
    // placement, split point.
    seeds.Write("png", Cat({0, 0, 0, 0, 0, 0, 0}, png));
    seeds.Write("bmp", Cat({1, 0, 0, 0, 0, 0, 0}, bmp));
    seeds.Write("jpeg", Cat({3, 0, 0, 0, 0, 0, 0}, jpeg));
    Bytes with_mask = png;
    with_mask.insert(with_mask.end(), mask_png.begin(), mask_png.end());
    const auto split = static_cast<std::uint16_t>(png.size());
    seeds.Write(
        "graphic_png_mask_slot1",
        Cat({6, 2, 2, 1, 1, static_cast<std::uint8_t>(split), static_cast<std::uint8_t>(split >> 8)}, with_mask));
    seeds.Write("graphic_bmp_slot6", Cat({5, 1, 0, 6, 0, 0xFF, 0xFF}, bmp));
    seeds.Write("graphic_jpeg_slot10", Cat({7, 3, 0, 10, 3, 0xFF, 0xFF}, jpeg));
    int n = 0;
    for (const auto& entry : fs::directory_iterator(corpus / "images")) {
        if (entry.path().extension() == ".py")
            continue;
        seeds.Write("corpus" + std::to_string(n++), Cat({0, 0, 0, 0, 0, 0, 0}, ReadFile(entry.path(), 1 << 16)));
    }
    // Run-length-encoded bitmaps as ImageMagick writes them, and every RLE escape code.
    n = 0;
    for (const auto& entry : fs::directory_iterator(corpus / "bmp_rle")) {
        if (entry.path().extension() != ".bmp")
            continue;
        seeds.Write("rle" + std::to_string(n++), Cat({1, 0, 0, 0, 0, 0, 0}, ReadFile(entry.path(), 1 << 16)));
    }
}

void SoundSeeds(SeedWriter& seeds) {
    using test::ToneSpec;
    const Bytes stereo = test::OggTone(ToneSpec{2, 44100, 0.3});
    const Bytes mono = test::OggTone(ToneSpec{1, 44100, 0.3});
    const Bytes slow = test::OggTone(ToneSpec{2, 22050, 0.2});
    seeds.Write("stereo", Cat({0x00, 255}, stereo));
    seeds.Write("stereo_loop", Cat({0x1E, 128}, stereo));
    seeds.Write("mono_two_channels", Cat({0x4C, 255}, mono));
    seeds.Write("other_rate", Cat({0x04, 255}, slow));
    // The loop header inside the file, and one the harness builds from the input.
    seeds.Write("header_in_file", Cat({0x1E, 200}, test::WithLoopHeader(stereo, test::OneLoop(0.05f, 0.2f, -1))));
    seeds.Write("header_in_file_count2",
                Cat({0x1E, 255}, test::WithLoopHeader(mono, test::OneLoop(0.1f, 0.15f, 2, 15))));
    const auto header = MakeAlphaOggHeader(test::OneLoop(0.0f, 0.1f, 3));
    Bytes built = Cat({0x3F, 255, 0}, Bytes(header.begin() + 8, header.end()));
    built.insert(built.end(), stereo.begin(), stereo.end());
    seeds.Write("header_built", built);
}

void SaveSeeds(SeedWriter& seeds) {
    GameData game{};
    game.SlotInUse = 1;
    game.CurrentScene = 1;
    game.ScriptStep = 1;
    game.ReturnDepth = 1;
    game.ReturnTable[0] = {2, 0};
    game.LayerGraphic[0] = 100;
    game.LayerGraphic[1] = 101;
    game.LayerPlacement[0] = 1;
    game.CurrentBgm = 1;
    game.BgmLoop = 1;
    game.CursorShown = 1;
    game.ContextMenuOn = 1;
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&game);
    const Bytes slot(raw, raw + sizeof game);
    seeds.Write("slot", Cat({0, 0}, slot));
    seeds.Write("slot_startup", Cat({2, 0}, slot));
    seeds.Write("empty_slot", Cat({0, 0}, Bytes(sizeof game, 0)));
    // Settings patched at the end of the system file: TextSpeed 9, volumes out of range.
    seeds.Write("settings", Cat({2,    1,   0x2C, 0x05, 0x04, 0,    28, 9, 0, 0, 0, 7, 0,    0, 0, 0xFF, 0xFF, 0xFF,
                                 0xFF, 200, 0,    0,    0,    0x80, 0,  0, 0, 0, 0, 0, 0x80, 0, 9, 0,    0},
                                slot));
    seeds.Write("short_system_file", Cat({3, 0, 0x10, 0x27, 0, 0}, slot));
    seeds.Write("short_slot", Cat({0, 0}, Bytes(slot.begin(), slot.begin() + 600)));
    // A fresh start over a damaged folder: the system file cut to 1,000 bytes beside a whole copy
    // (263,496 = 0x40548), missing beside it, a folder, unreadable; the slot a folder, unreadable.
    seeds.Write("cut_file_whole_copy", Cat({0x07, 0, 0xE8, 0x03, 0, 0, 0x48, 0x05, 0x04, 0}, slot));
    seeds.Write("missing_file_whole_copy", Cat({0x0E, 0}, slot));
    seeds.Write("folder_file", Cat({0x12, 0}, slot));
    seeds.Write("unreadable_file_whole_copy", Cat({0x26, 0}, slot));
    seeds.Write("folder_slot", Cat({0x42, 0}, slot));
    seeds.Write("unreadable_slot", Cat({0x86, 0}, slot));
}

void DemoSeeds(const fs::path& game, SeedWriter& payload_seeds, SeedWriter& exec_seeds, SeedWriter& image_seeds,
               SeedWriter& ogg_seeds) {
    if (fs::exists(game / "SCR.IFP")) {
        IfpArchive scr(game / "SCR.IFP");
        const IfpIndex index = scr.ReadIndex();
        for (int n = 0; n < kIfpEntryCount; ++n) {
            const IfpEntry entry = index.Entry(n);
            if (entry.type_a != kSceneEntryType)
                continue;
            const Bytes payload = scr.ReadPartA(entry, n);
            payload_seeds.Write("demo_scene" + std::to_string(n), Cat({0}, payload));
            try {
                const ScenePayload scene = ParseScenePayload(payload, n);
                Bytes code(scene.code.size() * kInstructionSize);
                for (std::size_t i = 0; i < scene.code.size(); ++i)
                    EncodeInstruction(scene.code[i], code.data() + i * kInstructionSize);
                exec_seeds.Write("demo_scene" + std::to_string(n), Cat({4, 0, 1, 0, 2}, code));
            } catch (const std::exception&) {
            }
        }
    }
    if (fs::exists(game / "GRP.IFP")) {
        IfpArchive grp(game / "GRP.IFP");
        const IfpIndex index = grp.ReadIndex();
        int kept = 0;
        for (int n = 0; n < kIfpEntryCount && kept < 40; ++n) {
            const IfpEntry entry = index.Entry(n);
            if (entry.type_a == 0 || entry.length_a + entry.length_b > (1u << 16))
                continue;
            const IfpParts parts = grp.ReadParts(entry, n);
            Bytes both = parts.a;
            both.insert(both.end(), parts.b.begin(), parts.b.end());
            const auto split = static_cast<std::uint16_t>(parts.a.size());
            const auto type = static_cast<std::uint8_t>(entry.type_a - 10);
            const auto mask = static_cast<std::uint8_t>(entry.type_b ? entry.type_b - 10 : 0);
            image_seeds.Write("demo_graphic" + std::to_string(n),
                              Cat({4, type, mask, static_cast<std::uint8_t>(n % 11), 0,
                                   static_cast<std::uint8_t>(split), static_cast<std::uint8_t>(split >> 8)},
                                  both));
            ++kept;
        }
    }
    int sounds = 0;
    for (const char* folder : {"Sound", "VOICE"}) {
        if (!fs::exists(game / folder))
            continue;
        for (const auto& entry : fs::directory_iterator(game / folder)) {
            if (sounds >= 12)
                break;
            // The start of a file is enough for the decoder to find its way in; the seeds stay small.
            ogg_seeds.Write("demo_" + entry.path().filename().string(),
                            Cat({0x04, 255}, ReadFile(entry.path(), 48 << 10)));
            ++sounds;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_seeds OUT_DIR [--corpus DIR] [--demo GAME_DIR]\n");
        return 2;
    }
    const fs::path out = argv[1];
    fs::path corpus = fs::path(HARUKAZE_SOURCE_DIR) / "tests" / "corpus";
    fs::path demo;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--corpus") == 0)
            corpus = argv[i + 1];
        else if (std::strcmp(argv[i], "--demo") == 0)
            demo = argv[i + 1];
    }
    try {
        SeedWriter payload(out / "scene_payload"), exec(out / "scene_exec"), graphic(out / "graphic"), ogg(out / "ogg"),
            save(out / "save_files");
        SceneSeeds(payload, exec);
        PictureSeeds(graphic, corpus);
        SoundSeeds(ogg);
        SaveSeeds(save);
        if (!demo.empty())
            DemoSeeds(demo, payload, exec, graphic, ogg);
        // Saved findings of earlier runs are seeds too.
        for (const char* kind : {"scene_payload", "scene_exec", "graphic", "ogg", "save_files"}) {
            const fs::path saved = corpus / kind;
            if (!fs::exists(saved))
                continue;
            for (const auto& entry : fs::directory_iterator(saved))
                fs::copy_file(entry.path(), out / kind / ("saved_" + entry.path().filename().string()),
                              fs::copy_options::overwrite_existing);
        }
        std::printf("seeds: %d scene payloads, %d instruction blocks, %d pictures, %d sound files, %d save files\n",
                    payload.Count(), exec.Count(), graphic.Count(), ogg.Count(), save.Count());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
