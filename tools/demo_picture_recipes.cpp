#include "data/shift_jis.h"
#include "gfx/png_writer.h"
#include "tools/demo_image_files.h"
#include "tools/demo_pictures.h"

#include <set>
#include <stdexcept>

namespace hk::demo {

namespace {

[[noreturn]] void Fail(std::string_view source, int line, const std::string& message) {
    throw std::runtime_error(std::string(source) + ":" + std::to_string(line) + ": " + message);
}

// Calls each(line_number, words, rest_after_first_word) for every line that is not blank or a
// comment. '#' starts a comment.
template <class Each> void ForEachLine(std::string_view text, Each each) {
    int number = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        ++number;
        const std::size_t stop = text.find('\n', pos);
        std::string_view line = text.substr(pos, stop == std::string_view::npos ? text.size() - pos : stop - pos);
        pos = stop == std::string_view::npos ? text.size() + 1 : stop + 1;
        // '#' starts a comment at the start of a line or after a blank ("F#5" is a note).
        for (std::size_t h = 0; h < line.size(); ++h) {
            if (line[h] == '#' && (h == 0 || line[h - 1] == ' ' || line[h - 1] == '\t')) {
                line = line.substr(0, h);
                break;
            }
        }
        std::vector<std::string> words;
        std::size_t i = 0;
        std::string rest;
        while (i < line.size()) {
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
                ++i;
            }
            const std::size_t start = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
                ++i;
            }
            if (i > start) {
                if (words.size() == 1) {
                    rest = std::string(line.substr(start));
                    rest.erase(rest.find_last_not_of(" \t\r") + 1);
                }
                words.emplace_back(line.substr(start, i - start));
            }
        }
        if (!words.empty()) {
            each(number, words, rest);
        }
    }
}

int ParseInt(const std::string& word, std::string_view source, int line, int low, int high) {
    int value = 0;
    try {
        std::size_t used = 0;
        value = std::stoi(word, &used);
        if (used != word.size()) {
            throw std::invalid_argument(word);
        }
    } catch (const std::exception&) {
        Fail(source, line, "'" + word + "' is not a number");
    }
    if (value < low || value > high) {
        Fail(source, line, word + " is outside " + std::to_string(low) + ".." + std::to_string(high));
    }
    return value;
}

FileFormat ParseFormat(const std::string& word, std::string_view source, int line) {
    if (word == "bmp") {
        return FileFormat::Bmp;
    }
    if (word == "png") {
        return FileFormat::Png;
    }
    if (word == "jpeg") {
        return FileFormat::Jpeg;
    }
    Fail(source, line, "format must be bmp, png or jpeg, not '" + word + "'");
}

} // namespace

const std::string& Interface::Text(const std::string& key) const {
    const auto it = text.find(key);
    if (it == text.end()) {
        throw std::runtime_error("demo/interface.txt has no caption '" + key + "'");
    }
    return it->second;
}

PictureBook ParsePictureRecipes(std::string_view text, std::string_view source) {
    PictureBook book;
    std::set<int> numbers;
    std::array<bool, 8> cg_pages{}, scene_pages{};
    ForEachLine(text, [&](int line, const std::vector<std::string>& w, const std::string&) {
        if (w[0] == "cg-variants") {
            if (w.size() != 2) {
                Fail(source, line, "cg-variants takes the file format");
            }
            book.variant_format = ParseFormat(w[1], source, line);
            return;
        }
        if (w[0] == "cg-album" || w[0] == "scene-album") {
            const bool cg = w[0] == "cg-album";
            if (w.size() != 14) {
                Fail(source, line, w[0] + " takes a page number and 12 cells");
            }
            const int page = ParseInt(w[1], source, line, 1, 8) - 1;
            (cg ? cg_pages : scene_pages)[page] = true;
            for (int c = 0; c < 12; ++c) {
                const std::string& cell = w[2 + c];
                if (cell == "-") {
                    continue;
                }
                if (!cg) {
                    book.album.scenes[page][c] = ParseInt(cell, source, line, 1, 2047);
                    continue;
                }
                std::size_t start = 0;
                while (start <= cell.size()) {
                    const std::size_t slash = cell.find('/', start);
                    const std::string part =
                        cell.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
                    book.album.cg[page][c].push_back(ParseInt(part, source, line, 401, 699));
                    if (slash == std::string::npos) {
                        break;
                    }
                    start = slash + 1;
                }
                if (book.album.cg[page][c].size() > 4) {
                    Fail(source, line, "the album viewer shows at most 4 pictures of a cell");
                }
            }
            return;
        }
        if (w.size() < 3) {
            Fail(source, line, "a recipe line is NUMBER FORMAT RECIPE [ARGUMENTS]");
        }
        PictureRecipe r;
        r.number = ParseInt(w[0], source, line, 0, 2047);
        r.format = ParseFormat(w[1], source, line);
        r.recipe = w[2];
        r.args.assign(w.begin() + 3, w.end());
        if (!numbers.insert(r.number).second) {
            Fail(source, line, "graphic " + w[0] + " has two recipes");
        }
        book.recipes.push_back(r);
    });
    for (int p = 0; p < 8; ++p) {
        if (!cg_pages[p] || !scene_pages[p]) {
            throw std::runtime_error(std::string(source) + ": album page " + std::to_string(p + 1) +
                                     " is missing a cg-album or scene-album line");
        }
    }
    return book;
}

Interface ParseInterface(std::string_view text, std::string_view source) {
    Interface words;
    ForEachLine(text, [&](int line, const std::vector<std::string>& w, const std::string& rest) {
        if (w.size() < 2) {
            Fail(source, line, "'" + w[0] + "' has no text");
        }
        if (w[0] == "cast") {
            if (w.size() != 3) {
                Fail(source, line, "cast takes a name and a pitch in Hz");
            }
            words.cast_pitch[SjisToUtf32(Utf8ToSjis(w[1]))] = ParseInt(w[2], source, line, 60, 600);
        } else if (w[0] == "places" || w[0] == "times") {
            (w[0] == "places" ? words.places : words.times).assign(w.begin() + 1, w.end());
        } else {
            // Captions must be drawable by the game's Shift-JIS world: check them here.
            try {
                Utf8ToSjis(rest);
            } catch (const std::exception& e) {
                Fail(source, line, e.what());
            }
            words.text[w[0]] = rest;
        }
    });
    // The painters know 16 places and 4 times of day, in this order.
    if (words.places.size() != 16 || words.times.size() != 4) {
        throw std::runtime_error(std::string(source) + ": needs a 'places' line of 16 words and a 'times' line of 4");
    }
    return words;
}

PhotoSubject PhotoSubjectOf(int cell_index, int variant) {
    return {(cell_index * 7 + cell_index / 16) % 16, (cell_index + cell_index / 4 + 3 * variant) % 4};
}

std::string PhotoTitle(const Interface& words, int cell_index, int variant) {
    const PhotoSubject subject = PhotoSubjectOf(cell_index, variant);
    return words.places[static_cast<std::size_t>(subject.place) % words.places.size()] + "の" +
           words.times[static_cast<std::size_t>(subject.time) % words.times.size()];
}

std::string MemoryTitle(const Interface& words, int graphic, int cell_index, int variant) {
    const auto it = words.text.find("memory." + std::to_string(graphic));
    return it != words.text.end() ? it->second : PhotoTitle(words, cell_index, variant);
}

std::vector<CgPlace> CgPlaces(const AlbumLayout& album) {
    std::vector<CgPlace> out;
    for (int p = 0; p < 8; ++p) {
        for (int c = 0; c < 12; ++c) {
            for (std::size_t v = 0; v < album.cg[p][c].size(); ++v) {
                out.push_back({album.cg[p][c][v], p, c, static_cast<int>(v)});
            }
        }
    }
    return out;
}

GraphicFile Encode(int number, FileFormat format, const Canvas& colour, const Canvas* mask_source) {
    auto encode = [format](const Bitmap& bitmap) {
        switch (format) {
        case FileFormat::Bmp: return EncodeBmp(bitmap);
        case FileFormat::Jpeg: return EncodeJpeg(bitmap, 88);
        case FileFormat::Png: break;
        }
        return EncodePng(bitmap);
    };
    GraphicFile file;
    file.number = number;
    file.format = format;
    file.colour = encode(colour.ToBitmap());
    if (mask_source != nullptr) {
        // A JPEG mask would blur the edge with its artefacts; masks are always lossless.
        const FileFormat mask_format = format == FileFormat::Jpeg ? FileFormat::Png : format;
        file.mask_format = mask_format;
        file.mask = mask_format == FileFormat::Bmp ? EncodeBmp(mask_source->MaskBitmap())
                                                   : EncodePng(mask_source->MaskBitmap());
    }
    return file;
}

} // namespace hk::demo
