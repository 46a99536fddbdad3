#include "gfx/font_faces.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "gfx/font_rules.h"

namespace tv {

namespace {

using font_rules::sameName;

// The bitmap Song comes as one file per size, named after the package's convention.
bool isBitmapSongFile(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    return name.rfind("wenquanyi", 0) == 0 && name.find(".pcf") != std::string::npos;
}

}  // namespace

FontFaces::FontFaces(FontFiles files) : files_(std::move(files)) {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
}

FontFaces::~FontFaces() {
    // Faces belong to the library and must go first.
    faces_.clear();
    if (library_ != nullptr) FT_Done_FreeType(library_);
}

FtFace* FontFaces::openFile(const std::string& file, int index) {
    for (const Opened& o : opened_) {
        if (o.index == index && o.file == file) return o.face;
    }
    std::unique_ptr<FtFace> face = FtFace::open(library_, file, index);
    FtFace* raw = face.get();
    if (face) faces_.push_back(std::move(face));
    opened_.push_back({file, index, raw});
    return raw;
}

FtFace* FontFaces::openFamily(const std::string& file, std::string_view family) {
    FtFace* first = openFile(file, 0);
    if (first == nullptr) return nullptr;
    if (sameName(first->family(), family)) return first;
    for (int i = 1; i < first->faceCount(); ++i) {
        FtFace* face = openFile(file, i);
        if (face != nullptr && sameName(face->family(), family)) return face;
    }
    return nullptr;
}

FtFace* FontFaces::firstOpen(const std::vector<std::string>& files) {
    for (const std::string& file : files) {
        if (FtFace* face = openFile(file, 0)) return face;
    }
    return nullptr;
}

FtFace* FontFaces::song(int pixelHeight) {
    if (!songSearched_) {
        songSearched_ = true;
        for (const std::string& file : files_.song) {
            song_ = openFamily(file, files_.songFamily);
            if (song_ != nullptr) break;
        }
        // Asked by its own family name only: the classic names have no alias here and
        // would come back as some Latin face.
        if (song_ == nullptr && fontconfig() != nullptr) {
            if (auto found = fontconfig_.matchFamily(files_.songFamily, pixelHeight, false, true)) {
                song_ = openFamily(found->file, files_.songFamily);
            }
        }
    }
    return song_ != nullptr ? song_ : bitmapSong(pixelHeight);
}

FtFace* FontFaces::bitmapSong(int pixelHeight) {
    if (!bitmapSongsSearched_) {
        bitmapSongsSearched_ = true;
        std::vector<std::filesystem::path> paths;
        for (const std::string& folder : files_.bitmapSongFolders) {
            std::error_code ec;
            for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
                 it.increment(ec)) {
                if (isBitmapSongFile(it->path())) paths.push_back(it->path());
            }
        }
        std::sort(paths.begin(), paths.end());
        for (const auto& path : paths) {
            if (FtFace* face = openFile(path.string(), 0)) bitmapSongs_.push_back(face);
        }
    }
    // The size nearest the request, the smaller one on a tie so the glyphs stay inside
    // the line.
    FtFace* best = nullptr;
    int bestScore = INT_MAX;
    for (FtFace* face : bitmapSongs_) {
        const int size = face->drawableHeight(pixelHeight);
        if (size <= 0) continue;
        const int score = std::abs(size - pixelHeight) * 2 + (size > pixelHeight ? 1 : 0);
        if (score < bestScore) {
            bestScore = score;
            best = face;
        }
    }
    if (best == nullptr && fontconfig() != nullptr) {
        if (auto found =
                fontconfig_.matchFamily("WenQuanYi Bitmap Song", pixelHeight, false, true)) {
            best = openFile(found->file, found->index);
        }
    }
    return best;
}

FtFace* FontFaces::form(bool bold) {
    std::optional<FtFace*>& slot = form_[bold ? 1 : 0];
    if (!slot) slot = firstOpen(bold ? files_.formBold : files_.form);
    return *slot;
}

FtFace* FontFaces::sans(bool bold) {
    std::optional<FtFace*>& slot = sans_[bold ? 1 : 0];
    if (slot) return *slot;
    FtFace* face = firstOpen(bold ? files_.sansBold : files_.sans);
    if (face == nullptr && fontconfig() != nullptr) {
        for (const char* name : {"Liberation Sans", "sans-serif"}) {
            if (auto found = fontconfig_.matchFamily(name, 11, bold, false)) {
                face = openFile(found->file, found->index);
                if (face != nullptr) break;
            }
        }
    }
    slot = face;
    return face;
}

FtFace* FontFaces::family(std::string_view name, int pixelHeight, bool bold) {
    for (const Family& f : families_) {
        if (f.bold == bold && f.name == name) return f.face;
    }
    FtFace* face = nullptr;
    if (fontconfig() != nullptr) {
        if (auto found = fontconfig_.matchFamily(name, pixelHeight, bold, false)) {
            face = openFile(found->file, found->index);
        }
    }
    families_.push_back({std::string(name), bold, face});
    return face;
}

FtFace* FontFaces::forCharacter(char32_t cp, int pixelHeight) {
    if (auto it = byCharacter_.find(cp); it != byCharacter_.end()) return it->second;
    FtFace* face = nullptr;
    if (fontconfig() != nullptr) {
        if (auto found = fontconfig_.matchCharacter(cp, pixelHeight)) {
            face = openFile(found->file, found->index);
            // fontconfig's coverage and FreeType's character map can disagree.
            if (face != nullptr && !face->hasChar(cp)) face = nullptr;
        }
    }
    byCharacter_.emplace(cp, face);
    return face;
}

}  // namespace tv
