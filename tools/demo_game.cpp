#include "tools/demo_game.h"

#include "data/ifp_archive.h"
#include "data/scene_text.h"
#include "data/shift_jis.h"
#include "tools/demo_jobs.h"
#include "tools/demo_pictures.h"
#include "tools/demo_scenes.h"
#include "tools/demo_sound.h"

#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

namespace hk::demo {

namespace {

std::string ReadSource(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read demo source " + path.string());
    }
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string TwoDigits(int n) {
    std::string digits = std::to_string(n);
    if (n >= 0 && n < 10)
        digits.insert(digits.begin(), '0');
    return digits;
}

std::uint32_t NameSeed(std::string_view name) {
    std::uint32_t h = 2166136261u;
    for (char c : name) {
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return h;
}

void Report(const DemoOptions& options, const std::string& line) {
    if (options.progress) {
        options.progress(line);
    }
}

} // namespace

GameFiles BuildDemo(const DemoOptions& options, DemoSummary& summary) {
    const std::filesystem::path& src = options.source_dir;
    const auto tracks = ParseMusicRecipes(ReadSource(src / "music.txt"), "music.txt");
    const PictureBook book = ParsePictureRecipes(ReadSource(src / "pictures.txt"), "pictures.txt");
    const Interface words = ParseInterface(ReadSource(src / "interface.txt"), "interface.txt");

    PaintContext context;
    context.book = &book;
    context.words = &words;
    for (const MusicTrack& t : tracks) {
        context.track_titles.push_back(t.title);
    }

    // Scenes: the hand-written ones, then a short replay for every scene-album cell without one.
    std::vector<Scene> scenes = LoadSceneTexts(src / "scenes");
    std::set<int> written;
    for (const Scene& s : scenes) {
        written.insert(s.number);
    }
    for (int p = 0; p < 8; ++p) {
        for (int c = 0; c < 12; ++c) {
            const int scene = book.album.scenes[p][c];
            if (scene == 0) {
                continue;
            }
            if (book.album.cg[p][c].empty()) {
                throw std::runtime_error("pictures.txt: scene-album cell " + std::to_string(c + 1) + " of page " +
                                         std::to_string(p + 1) + " has no CG cell to take its picture from");
            }
            const int picture = book.album.cg[p][c].front();
            const std::string title = MemoryTitle(words, picture, p * 12 + c, 0);
            context.replay_picture[scene] = picture;
            context.replay_titles[scene] = title;
            if (!written.contains(scene)) {
                const std::string text =
                    ReplaySceneText(scene, picture, 9, words.Text("replay.caption") + "『" + title + "』");
                scenes.push_back({scene, AssembleScene(text, "replay scene " + std::to_string(scene))});
            }
        }
    }
    std::sort(scenes.begin(), scenes.end(), [](const Scene& a, const Scene& b) { return a.number < b.number; });
    Report(options, "demo: " + std::to_string(scenes.size()) + " scenes assembled");

    // Every graphic a scene loads must have a recipe.
    std::set<int> recipe_numbers;
    for (const PictureRecipe& r : book.recipes) {
        recipe_numbers.insert(r.number);
    }
    const auto places = CgPlaces(book.album);
    for (const CgPlace& place : places) {
        recipe_numbers.insert(place.number);
    }
    for (const auto& [graphic, scene] : GraphicsUsed(scenes)) {
        if (!recipe_numbers.contains(graphic)) {
            throw std::runtime_error("scene " + std::to_string(scene) + " shows graphic " + std::to_string(graphic) +
                                     ", which pictures.txt does not make");
        }
    }

    const auto voiced = CollectVoicedLines(scenes);

    // Phase 1: pictures that depend on nothing else, and all sound.
    std::map<int, GraphicFile> graphics;
    std::vector<GraphicFile> graphic_slots;
    std::vector<Canvas> thumb_slots;
    std::vector<int> thumb_numbers;
    std::vector<std::function<void()>> jobs;
    std::vector<const PictureRecipe*> deferred;
    std::set<int> real_cgs;
    for (const PictureRecipe& r : book.recipes) {
        if (r.recipe == "cg") {
            real_cgs.insert(r.number);
        }
    }
    // Slots are sized first so that no job ever resizes a vector another job writes into.
    std::size_t picture_jobs = 0;
    for (const PictureRecipe& r : book.recipes) {
        const bool late = r.recipe == "album-menu" || r.recipe == "album-menu-highlight" || r.recipe == "cg-page" ||
                          r.recipe == "scene-page" || r.recipe == "album-parts";
        if (late) {
            deferred.push_back(&r);
        } else {
            ++picture_jobs;
        }
    }
    std::size_t variant_jobs = 0;
    for (const CgPlace& place : places) {
        variant_jobs += real_cgs.contains(place.number) ? 0 : 1;
    }
    graphic_slots.resize(picture_jobs + variant_jobs + deferred.size());
    thumb_slots.assign(picture_jobs + variant_jobs, Canvas(1, 1));
    thumb_numbers.assign(picture_jobs + variant_jobs, -1);

    std::size_t slot = 0;
    for (const PictureRecipe& r : book.recipes) {
        if (std::find(deferred.begin(), deferred.end(), &r) != deferred.end()) {
            continue;
        }
        const std::size_t i = slot++;
        jobs.push_back([&, i, rp = &r] {
            const PictureRecipe& recipe = *rp;
            if (recipe.recipe == "background" || recipe.recipe == "cg") {
                const Canvas c = PaintScenery(recipe, context);
                graphic_slots[i] = Encode(recipe.number, recipe.format, c, nullptr);
                thumb_slots[i] = c.Resized(150, 113);
                thumb_numbers[i] = recipe.number;
            } else if (recipe.recipe == "character") {
                const bool right = recipe.args.size() == 3 && recipe.args[2] == "right";
                Canvas c(right ? 800 : 1000, 600);
                PaintCharacter(recipe, c);
                graphic_slots[i] = Encode(recipe.number, recipe.format, c, &c);
            } else {
                graphic_slots[i] = PaintInterface(recipe, context);
            }
        });
    }
    for (const CgPlace& place : places) {
        if (real_cgs.contains(place.number)) {
            continue;
        }
        const std::size_t i = slot++;
        jobs.push_back([&, i, place] {
            const Canvas c = PaintPhoto(place.number, place.page * 12 + place.cell, place.variant);
            graphic_slots[i] = Encode(place.number, book.variant_format, c, nullptr);
            thumb_slots[i] = c.Resized(150, 113);
            thumb_numbers[i] = place.number;
        });
    }

    GameFiles files;
    std::vector<std::vector<std::uint8_t>> music(tracks.size()), effects(kEffectCount), voices(voiced.size());
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        jobs.push_back([&, t] { music[t] = RenderMusic(tracks[t]); });
    }
    for (int e = 0; e < kEffectCount; ++e) {
        jobs.push_back([&, e] { effects[e] = RenderEffect(e + 1); });
    }
    for (std::size_t v = 0; v < voiced.size(); ++v) {
        jobs.push_back([&, v] {
            const auto pitch = words.cast_pitch.find(voiced[v].speaker);
            voices[v] = RenderVoice(voiced[v].text, pitch != words.cast_pitch.end() ? pitch->second : 220.0,
                                    NameSeed(voiced[v].name));
        });
    }
    // Long jobs first keeps both threads busy to the end.
    std::rotate(jobs.begin(), jobs.begin() + static_cast<std::ptrdiff_t>(slot), jobs.end());
    RunJobs(jobs, options.jobs);
    Report(options, "demo: pictures and sounds made");

    for (std::size_t i = 0; i < thumb_numbers.size(); ++i) {
        if (thumb_numbers[i] >= 0) {
            context.thumbnails.emplace(thumb_numbers[i], std::move(thumb_slots[i]));
        }
    }

    // Phase 2: the pictures that show other pictures (album pages, album menu).
    PreparePageBases(context);
    jobs.clear();
    for (const PictureRecipe* r : deferred) {
        const std::size_t i = slot++;
        jobs.push_back([&, i, r] { graphic_slots[i] = PaintInterface(*r, context); });
    }
    RunJobs(jobs, options.jobs);

    IfpWriter grp;
    IfpHeader header{};
    const char tag[] = "HARUKAZE GRP";
    std::copy(tag, tag + sizeof tag - 1, header.begin());
    grp.SetHeader(header);
    for (GraphicFile& g : graphic_slots) {
        graphics.emplace(g.number, std::move(g));
    }
    for (auto& [number, g] : graphics) {
        // The mask type is read before the mask is moved into the call.
        const auto mask_type = static_cast<std::uint16_t>(g.mask.empty() ? 0 : static_cast<int>(g.mask_format));
        grp.Add(number, static_cast<std::uint16_t>(g.format), std::move(g.colour), mask_type, std::move(g.mask));
    }
    files["GRP.IFP"] = grp.Bytes();
    files["SCR.IFP"] = BuildSceneArchive(scenes);
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        files["Sound/M" + TwoDigits(tracks[t].number) + ".ogg"] = std::move(music[t]);
    }
    for (int e = 0; e < kEffectCount; ++e) {
        files["Sound/S" + TwoDigits(e + 1) + ".ogg"] = std::move(effects[e]);
    }
    for (std::size_t v = 0; v < voiced.size(); ++v) {
        const std::string name = SjisToUtf8(voiced[v].name);
        if (name.empty() || name.find_first_of("/\\:") != std::string::npos || name.starts_with(".")) {
            throw std::runtime_error("voice name '" + name + "' cannot be a file name");
        }
        files["VOICE/" + name + ".ogg"] = std::move(voices[v]);
    }
    summary.scenes = static_cast<int>(scenes.size());
    summary.graphics = static_cast<int>(graphics.size());
    summary.sounds = static_cast<int>(tracks.size()) + kEffectCount;
    summary.voices = static_cast<int>(voiced.size());
    return files;
}

DemoSummary GenerateDemo(const DemoOptions& options) {
    DemoSummary summary;
    const GameFiles files = BuildDemo(options, summary);
    for (const auto& [relative, bytes] : files) {
        const std::filesystem::path path = options.out_dir / relative;
        std::filesystem::create_directories(path.parent_path());
        const std::filesystem::path temp = path.string() + ".tmp";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            out.flush();
            if (!out) {
                throw std::runtime_error("cannot write " + temp.string());
            }
        }
        std::filesystem::rename(temp, path);
    }
    return summary;
}

} // namespace hk::demo
