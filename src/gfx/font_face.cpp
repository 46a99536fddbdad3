#include "gfx/font_face.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include FT_BITMAP_H

namespace tv {

namespace {

// A glyph bitmap this large is a broken font or an absurd size, not text.
constexpr int kMaxGlyphSide = 2048;

// Appends a w × h coverage image to store, 1 bit per pixel when mono, else 1 byte, with
// one pixel of emboldening when asked: a pixel is set when it or its left neighbour is,
// which is the classic double strike one pixel apart.
template <class Coverage>
void appendCoverage(int w, int h, bool mono, bool embolden, Coverage coverage,
                    std::vector<std::uint8_t>& store, GlyphEntry& out) {
    int outW = (w > 0 && h > 0) ? w + (embolden ? 1 : 0) : 0;
    int outH = outW > 0 ? h : 0;
    int pitch = mono ? (outW + 7) / 8 : outW;
    // Offsets into the store are 32 bits; a store that full keeps the advance and drops
    // the bitmap rather than wrap around.
    if (store.size() + std::size_t(pitch) * std::size_t(outH) > UINT32_MAX) outW = outH = pitch = 0;
    out.offset = std::uint32_t(store.size());
    out.width = std::uint16_t(outW);
    out.rows = std::uint16_t(outH);
    out.pitch = std::uint16_t(pitch);
    out.mono = mono;
    if (outW == 0) return;
    store.resize(store.size() + std::size_t(pitch) * std::size_t(outH), 0);
    std::uint8_t* dst = store.data() + out.offset;
    for (int y = 0; y < outH; ++y) {
        std::uint8_t* row = dst + std::ptrdiff_t(y) * pitch;
        for (int x = 0; x < outW; ++x) {
            int c = x < w ? coverage(x, y) : 0;
            if (embolden && x > 0) c = std::max(c, coverage(x - 1, y));
            if (mono) {
                if (c >= 128) row[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
            } else {
                row[x] = std::uint8_t(c);
            }
        }
    }
}

// Frees a converted bitmap on every way out of render().
class ConvertedBitmap {
  public:
    explicit ConvertedBitmap(FT_Library library) : library_(library) { FT_Bitmap_Init(&bitmap_); }
    ~ConvertedBitmap() { FT_Bitmap_Done(library_, &bitmap_); }
    ConvertedBitmap(const ConvertedBitmap&) = delete;
    ConvertedBitmap& operator=(const ConvertedBitmap&) = delete;
    FT_Bitmap* get() { return &bitmap_; }

  private:
    FT_Library library_;
    FT_Bitmap bitmap_;
};

}  // namespace

namespace {

unsigned long readStream(FT_Stream stream, unsigned long offset, unsigned char* buffer,
                         unsigned long count) {
    if (count == 0) return 0;  // a seek only
    const ssize_t n = ::pread(int(stream->descriptor.value), buffer, count, off_t(offset));
    return n < 0 ? 0 : static_cast<unsigned long>(n);
}

void closeStream(FT_Stream stream) {
    if (stream->descriptor.value >= 0) ::close(int(stream->descriptor.value));
    stream->descriptor.value = -1;
}

}  // namespace

std::unique_ptr<FtFace> FtFace::open(FT_Library library, const std::string& file, int index) {
    if (library == nullptr || file.empty()) return nullptr;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size <= 0) {
        ::close(fd);
        return nullptr;
    }
    auto stream = std::make_unique<FT_StreamRec>();
    stream->size = static_cast<unsigned long>(st.st_size);
    stream->descriptor.value = fd;
    stream->read = readStream;
    stream->close = closeStream;
    FT_Open_Args args{};
    args.flags = FT_OPEN_STREAM;
    args.stream = stream.get();
    FT_Face face = nullptr;
    // FreeType closes the stream itself when opening fails.
    if (FT_Open_Face(library, &args, index, &face) != 0 || face == nullptr) return nullptr;
    // Only faces that map Unicode are of use: every text here is Unicode.
    if (face->charmap == nullptr || face->charmap->encoding != FT_ENCODING_UNICODE) {
        if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) {
            FT_Done_Face(face);
            return nullptr;
        }
    }
    auto f = std::unique_ptr<FtFace>(new FtFace(face, file, index));
    f->stream_ = std::move(stream);
    return f;
}

FtFace::FtFace(FT_Face face, std::string file, int index)
    : face_(face), file_(std::move(file)), index_(index) {}

FtFace::~FtFace() {
    FT_Done_Face(face_);  // closes the stream; its record is freed after
}

std::string_view FtFace::family() const {
    return face_->family_name != nullptr ? std::string_view(face_->family_name)
                                         : std::string_view();
}

bool FtFace::hasStrike(int pixelHeight) const {
    for (int i = 0; i < face_->num_fixed_sizes; ++i) {
        if ((face_->available_sizes[i].y_ppem + 32) >> 6 == pixelHeight) return true;
    }
    return false;
}

int FtFace::nearestStrike(int pixelHeight) const {
    int best = -1;
    int bestScore = INT_MAX;
    for (int i = 0; i < face_->num_fixed_sizes; ++i) {
        const int ppem = int((face_->available_sizes[i].y_ppem + 32) >> 6);
        const int score = std::abs(ppem - pixelHeight) * 2 + (ppem > pixelHeight ? 1 : 0);
        if (score < bestScore) {
            bestScore = score;
            best = i;
        }
    }
    return best;
}

int FtFace::drawableHeight(int pixelHeight) const {
    if (hasStrike(pixelHeight) || scalable()) return pixelHeight;
    const int strike = nearestStrike(pixelHeight);
    return strike < 0 ? 0 : int((face_->available_sizes[strike].y_ppem + 32) >> 6);
}

bool FtFace::applySize(int pixelHeight) {
    if (pixelHeight == currentHeight_) return true;
    currentHeight_ = 0;
    FT_Error error = 0;
    const int strike = nearestStrike(pixelHeight);
    if (strike >= 0 && hasStrike(pixelHeight)) {
        error = FT_Select_Size(face_, strike);
    } else if (scalable()) {
        error = FT_Set_Pixel_Sizes(face_, 0, FT_UInt(pixelHeight));
    } else if (strike >= 0) {
        error = FT_Select_Size(face_, strike);
    } else {
        return false;
    }
    if (error != 0) return false;
    currentHeight_ = pixelHeight;
    return true;
}

FtFace::VMetrics FtFace::metrics(int pixelHeight) {
    if (!applySize(pixelHeight)) return {};
    const FT_Size_Metrics& m = face_->size->metrics;
    return {int((m.ascender + 63) >> 6), int((-m.descender + 63) >> 6)};
}

int FtFace::advanceOf(char32_t cp, int pixelHeight) {
    const FT_UInt index = FT_Get_Char_Index(face_, cp);
    if (index == 0 || !applySize(pixelHeight)) return 0;
    if (FT_Load_Glyph(face_, index, FT_LOAD_TARGET_MONO) != 0) return 0;
    return int((face_->glyph->advance.x + 32) >> 6);
}

bool FtFace::monospacedLatin(int pixelHeight) {
    const int first = advanceOf(U'M', pixelHeight);
    if (first <= 0) return false;
    for (char32_t cp : {U'i', U'l', U'W', U'm', U'0', U' ', U'.'}) {
        if (advanceOf(cp, pixelHeight) != first) return false;
    }
    return true;
}

bool FtFace::render(char32_t cp, int pixelHeight, bool mono, bool embolden,
                    std::vector<std::uint8_t>& store, GlyphEntry& out) {
    const FT_UInt index = FT_Get_Char_Index(face_, cp);
    if (index == 0 || !applySize(pixelHeight)) return false;
    const FT_Int32 flags =
        FT_LOAD_RENDER | (mono ? (FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) : FT_LOAD_TARGET_LIGHT);
    if (FT_Load_Glyph(face_, index, flags) != 0) return false;
    FT_GlyphSlot slot = face_->glyph;
    if (slot->format != FT_GLYPH_FORMAT_BITMAP) return false;

    ConvertedBitmap converted(slot->library);
    const FT_Bitmap* src = &slot->bitmap;
    if (src->pixel_mode != FT_PIXEL_MODE_MONO && src->pixel_mode != FT_PIXEL_MODE_GRAY) {
        if (FT_Bitmap_Convert(slot->library, src, converted.get(), 1) != 0) return false;
        src = converted.get();
    }
    const int w = int(src->width), h = int(src->rows);
    if (w > kMaxGlyphSide || h > kMaxGlyphSide) return false;
    const bool srcMono = src->pixel_mode == FT_PIXEL_MODE_MONO;
    const int maxValue = std::max(1, int(src->num_grays) - 1);
    const int pitch = src->pitch;
    const unsigned char* buffer = src->buffer;
    // A negative pitch means the rows run bottom-up in memory.
    auto rowStart = [&](int y) {
        return pitch >= 0 ? buffer + std::ptrdiff_t(y) * pitch
                          : buffer + std::ptrdiff_t(h - 1 - y) * -pitch;
    };
    auto coverage = [&](int x, int y) -> int {
        const unsigned char* row = rowStart(y);
        if (srcMono) return (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        return maxValue == 255 ? row[x] : row[x] * 255 / maxValue;
    };
    appendCoverage(w, h, mono || srcMono, embolden, coverage, store, out);
    out.left = std::int16_t(std::clamp(slot->bitmap_left, -kMaxGlyphSide, kMaxGlyphSide));
    out.top = std::int16_t(std::clamp(slot->bitmap_top, -kMaxGlyphSide, kMaxGlyphSide));
    out.advance = std::int32_t((slot->advance.x + 32) >> 6) + (embolden ? 1 : 0);
    out.face = this;
    out.pixelHeight = pixelHeight;
    out.replacement = false;
    return true;
}

InkColumns inkColumns(const GlyphEntry& g, const std::vector<std::uint8_t>& store) {
    int first = g.width, last = -1;
    const std::uint8_t* bits = store.data() + g.offset;
    for (int y = 0; y < g.rows; ++y) {
        const std::uint8_t* row = bits + std::ptrdiff_t(y) * g.pitch;
        for (int x = 0; x < g.width; ++x) {
            const bool ink = g.mono ? (row[x >> 3] & (0x80 >> (x & 7))) != 0 : row[x] != 0;
            if (!ink) continue;
            first = std::min(first, x);
            last = std::max(last, x);
        }
    }
    return last < 0 ? InkColumns{} : InkColumns{first, last - first + 1};
}

void makeDots(int dots, int step, int left, bool embolden, std::vector<std::uint8_t>& store,
              GlyphEntry& g) {
    const int top = g.top;
    const int w = (dots - 1) * step + 1;
    auto coverage = [&](int x, int) { return x % step == 0 ? 255 : 0; };
    appendCoverage(w, 1, true, embolden, coverage, store, g);
    g.left = std::int16_t(left);
    g.top = std::int16_t(top);
}

void makeReplacementBox(int ascent, int lineHeight, bool embolden, std::vector<std::uint8_t>& store,
                        GlyphEntry& out) {
    const int advance = std::max(4, (lineHeight + 1) / 2);
    const int w = advance - 1;
    const int h = std::max(4, ascent * 3 / 4);
    auto coverage = [&](int x, int y) {
        return (x == 0 || y == 0 || x == w - 1 || y == h - 1) ? 255 : 0;
    };
    appendCoverage(w, h, true, embolden, coverage, store, out);
    out.left = 0;
    out.top = std::int16_t(h);  // sits on the baseline
    out.advance = advance + (embolden ? 1 : 0);
    out.face = nullptr;
    out.pixelHeight = lineHeight;
    out.replacement = true;
}

}  // namespace tv
