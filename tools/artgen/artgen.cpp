// tolvane-artgen: draws every picture of the program and writes it in the kind, size and
// colour depth its layout expects. Optionally composes a contact sheet of everything,
// enlarged, and a preview of the assembled title bar, both read back through the
// program's own loaders and drawn with its canvas, so what is checked is what it shows.
//
//   tolvane-artgen OUT_DIR [--sheet FILE.png] [--preview FILE.png] [--zoom FILE.png]
//                  [--chinese-font FILE] [--latin-font FILE]

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "artwork.h"
#include "gfx/canvas.h"
#include "gfx/picture.h"
#include "gfx/png.h"
#include "text.h"
#include "writers.h"

namespace tv::art {
namespace {

struct Options {
    std::string outDir;
    std::string sheet;
    std::string preview;
    std::string zoom;
    std::string chineseFont = "/usr/share/fonts/truetype/arphic/uming.ttc";
    std::string latinFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
};

struct Entry {
    const char* file;
    std::function<Bytes(const Options&)> make;
};

std::vector<Entry> entries() {
    return {
        {"title_middle.bmp", [](const Options&) { return encodeBmp24(titleMiddle()); }},
        {"title_left.bmp", [](const Options&) { return encodeBmp24(titleLeft()); }},
        {"title_right.bmp", [](const Options&) { return encodeBmp24(titleRight()); }},
        {"button_min.bmp", [](const Options&) { return encodeBmp24(buttonMin()); }},
        {"button_close.bmp", [](const Options&) { return encodeBmp24(buttonClose()); }},
        {"logo.jpg",
         [](const Options& o) { return encodeJpeg(logo(o.chineseFont, o.latinFont), 92); }},
        {"icon_disk_scan.bmp", [](const Options&) { return encodeBmp24(iconDiskScan()); }},
        {"icon_net_scan.bmp", [](const Options&) { return encodeBmp24(iconNetScan()); }},
        {"icon_update.bmp", [](const Options&) { return encodeBmp8(iconUpdate(), 55); }},
        {"icon_settings.bmp", [](const Options&) { return encodeBmp8(iconSettings(), 256); }},
        {"icon_ie_props.bmp", [](const Options&) { return encodeBmp8(iconIeProps(), 32); }},
        {"icon_ie_refresh.bmp", [](const Options&) { return encodeBmp24(iconIeRefresh()); }},
        {"icon_dialup.bmp", [](const Options&) { return encodeBmp32(iconDialup()); }},
        {"icon_options.bmp", [](const Options&) { return encodeBmp24(iconOptions()); }},
        {"icon_about.bmp", [](const Options&) { return encodeBmp8(iconAbout(), 8); }},
        {"glyph_scan.bmp", [](const Options&) { return encodeBmp32(glyphScan()); }},
        {"glyph_kill.bmp", [](const Options&) { return encodeBmp32(glyphKill()); }},
        {"glyph_ok.bmp", [](const Options&) { return encodeBmp32(glyphOk()); }},
        {"glyph_cancel.bmp", [](const Options&) { return encodeBmp8(glyphCancel(), 68); }},
        {"tolvane.ico", [](const Options&) { return encodeIco4(appIcon()); }},
    };
}

Picture readBack(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(f)),
                                          std::istreambuf_iterator<char>());
    return loadPicture(bytes);
}

Raster toRaster(const Image& img) {
    Raster r(img.width, img.height);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) r.set(x, y, img.at(x, y));
    return r;
}

constexpr Pixel kPageGrey = rgb(207, 207, 207);

// The title bar as the main window shows it: the pieces, buttons and labels in stacking
// order, clipped to their widgets, and the background panel over the last two rows.
Raster titleBar(const Options& o) {
    Raster bar(kWindowWidth, kTitleHeight, kPageGrey);
    std::vector<Pixel> px = bar.pixels();
    Canvas c(px.data(), bar.width(), bar.height(), bar.width());
    auto place = [&](const char* file, int x, int y, int w, int h) {
        const Picture p = readBack(o.outDir + "/" + file);
        Canvas::Saver s(c);
        c.clipTo(Rect::fromXYWH(x, y, w, h));
        c.drawImage(p.image(), x, y);
    };
    place("title_middle.bmp", kMiddlePieceX, 0, 449, 50);
    place("title_left.bmp", kLeftPieceX, 0, 85, 50);
    place("title_right.bmp", kRightPieceX, 0, 100, 50);
    place("button_min.bmp", kMinButtonX, kButtonY, 17, 19);
    place("button_close.bmp", kCloseButtonX, kButtonY, 17, 19);
    for (int i = 0; i < kWindowWidth * kTitleHeight; ++i)
        bar.set(i % kWindowWidth, i / kWindowWidth, px[std::size_t(i)]);

    FontLibrary lib;
    const Font title(lib, o.chineseFont, 13, 0.6, "CN");
    const Font mark(lib, o.latinFont, 12, 0, "");
    title.draw(&bar, "\u6258\u5c14\u4e07(Tolvane)V2.1\uff08\u589e\u5f3a\u7248\uff09", 64, 19,
               rgb(255, 255, 255), 0);
    mark.draw(&bar, ">>", 8, 19, rgb(255, 0, 0), 0);
    bar.fillRect(0, 48, kWindowWidth, 2, kPageGrey);
    return bar;
}

// Lays pictures out in rows on a grey sheet.
class Sheet {
  public:
    explicit Sheet(int width) : width_(width) {}
    void add(const Raster& r) {
        if (x_ + r.width() > width_ && x_ > kGap) newRow();
        items_.push_back({r, x_, y_});
        x_ += r.width() + kGap;
        rowHeight_ = std::max(rowHeight_, r.height());
    }
    void newRow() {
        y_ += rowHeight_ + kGap;
        x_ = kGap;
        rowHeight_ = 0;
    }
    Raster render() const {
        Raster out(width_, y_ + rowHeight_ + kGap, rgb(96, 100, 112));
        for (const auto& it : items_) out.draw(it.r, it.x, it.y);
        return out;
    }

  private:
    static constexpr int kGap = 12;
    struct Item {
        Raster r;
        int x, y;
    };
    int width_;
    int x_ = kGap, y_ = kGap, rowHeight_ = 0;
    std::vector<Item> items_;
};

// A picture on a patch of the given colour, drawn the way its widget draws it.
Raster onPatch(const Raster& pic, int w, int h, Pixel patch, bool transparentKey) {
    Raster r(w, h, patch);
    const Pixel key = pic.at(0, pic.height() - 1) & 0x00FFFFFFu;
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x) {
            const Pixel p = pic.at(x, y);
            if (transparentKey && (p & 0x00FFFFFFu) == key) continue;
            if (p >> 24) r.set(x, y, p);
        }
    return r;
}

void writeSheet(const Options& o, const Raster& bar) {
    Sheet sheet(1240);
    sheet.add(bar.scaled(2));
    sheet.newRow();
    auto pic = [&](const char* f) { return toRaster(readBack(o.outDir + "/" + f).image()); };
    sheet.add(pic("title_left.bmp").scaled(4));
    sheet.add(pic("title_right.bmp").scaled(4));
    sheet.add(pic("button_min.bmp").scaled(8));
    sheet.add(pic("button_close.bmp").scaled(8));
    sheet.newRow();
    const Raster logoPic = pic("logo.jpg");
    sheet.add(logoPic.scaled(4));
    sheet.add(onPatch(logoPic.stretched(118, 39), 130, 45, kPageGrey, false).scaled(4));
    sheet.newRow();
    // Sidebar icons: as drawn, then as the 15 x 15 stretched item icon on the item grey.
    const char* icons[] = {"icon_disk_scan.bmp", "icon_net_scan.bmp", "icon_update.bmp",
                           "icon_settings.bmp",  "icon_ie_props.bmp", "icon_ie_refresh.bmp",
                           "icon_dialup.bmp",    "icon_options.bmp",  "icon_about.bmp"};
    for (const char* f : icons)
        sheet.add(pic(f).scaled(f == std::string("icon_net_scan.bmp") ? 4 : 8));
    sheet.newRow();
    for (const char* f : icons)
        sheet.add(onPatch(pic(f).stretched(15, 15), 19, 19, kItemGrey, false).scaled(8));
    sheet.newRow();
    for (const char* f : {"glyph_scan.bmp", "glyph_kill.bmp", "glyph_ok.bmp", "glyph_cancel.bmp"}) {
        sheet.add(pic(f).scaled(8));
        sheet.add(onPatch(pic(f), 20, 20, kPageGrey, true).scaled(8));
    }
    sheet.newRow();
    const Picture icon = readBack(o.outDir + "/tolvane.ico");
    for (const Image& img : icon.images)
        sheet.add(onPatch(toRaster(img), 50, 50, kPageGrey, false).scaled(4));
    const Raster s = sheet.render();
    savePng(o.sheet, s.pixels().data(), s.width(), s.height(), s.width());
}

// Both ends of the title bar at 4x, one above the other, to look for seams.
void writeZoom(const Options& o, const Raster& bar) {
    constexpr int kSpan = 230;
    Raster ends(kSpan, 2 * kTitleHeight + 4, rgb(96, 100, 112));
    for (int y = 0; y < kTitleHeight; ++y)
        for (int x = 0; x < kSpan; ++x) {
            ends.set(x, y, bar.at(x, y));
            ends.set(x, y + kTitleHeight + 4, bar.at(kWindowWidth - kSpan + x, y));
        }
    const Raster z = ends.scaled(4);
    savePng(o.zoom, z.pixels().data(), z.width(), z.height(), z.width());
}

int run(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) throw std::runtime_error(a + " needs a value");
            out = argv[++i];
        };
        if (a == "--sheet")
            value(o.sheet);
        else if (a == "--preview")
            value(o.preview);
        else if (a == "--zoom")
            value(o.zoom);
        else if (a == "--chinese-font")
            value(o.chineseFont);
        else if (a == "--latin-font")
            value(o.latinFont);
        else if (!a.empty() && a[0] != '-' && o.outDir.empty())
            o.outDir = a;
        else
            throw std::runtime_error("unknown argument " + a);
    }
    if (o.outDir.empty())
        throw std::runtime_error(
            "usage: tolvane-artgen OUT_DIR [--sheet FILE.png] [--preview FILE.png] "
            "[--chinese-font FILE] [--latin-font FILE]");

    for (const Entry& e : entries()) {
        const std::string path = o.outDir + "/" + e.file;
        writeFile(path, e.make(o));
        std::printf("wrote %s\n", path.c_str());
    }
    if (!o.preview.empty() || !o.sheet.empty() || !o.zoom.empty()) {
        const Raster bar = titleBar(o);
        if (!o.preview.empty())
            savePng(o.preview, bar.pixels().data(), bar.width(), bar.height(), bar.width());
        if (!o.sheet.empty()) writeSheet(o, bar);
        if (!o.zoom.empty()) writeZoom(o, bar);
    }
    return 0;
}

}  // namespace
}  // namespace tv::art

int main(int argc, char** argv) {
    try {
        return tv::art::run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tolvane-artgen: %s\n", e.what());
        return 1;
    }
}
