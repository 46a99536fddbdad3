// The sidebar icons, the button glyphs and the application icon. Small pictures are pixel
// art: placed by hand from character maps, or rasterised from exact shapes with one
// sample per pixel and a one-pixel dark outline, never blurred.

#include <algorithm>
#include <cmath>

#include "artwork.h"

namespace tv::art {

namespace {

constexpr Pixel kClear = 0x00000000u;  // alpha 0: left out when layered
constexpr Pixel kBlack = rgb(0, 0, 0);

// Paints `outline` on every pixel next to (4-neighbour) a pixel of `shape` that is not
// itself in the shape, then the shape's own pixels with `fillFor`.
template <typename Fill>
void outlined(Raster& r, const Shape& shape, Pixel outline, Fill fillFor) {
    auto in = [&](int x, int y) { return shape(x + 0.5, y + 0.5); };
    for (int y = 0; y < r.height(); ++y)
        for (int x = 0; x < r.width(); ++x) {
            if (in(x, y))
                r.set(x, y, fillFor(x, y));
            else if (in(x - 1, y) || in(x + 1, y) || in(x, y - 1) || in(x, y + 1))
                r.set(x, y, outline);
        }
}

}  // namespace

Raster iconDiskScan() {
    // A small application window with a pencil lying across it.
    Raster r = fromArt(
        {
            "................",
            "................",
            "kkkkkkkkkkkkk...",
            "knnnnnnnnbwbk...",
            "kkkkkkkkkkkkk...",
            "kwwwwwwwwwwwkd..",
            "kwwwwwwwwwwwkd..",
            "kwwwwwwwwwwwkd..",
            "kwwwwwwwwwwwkd..",
            "kwwwwwwwwwwwkd..",
            "kwwwwwwwwwwwkd..",
            "kwwwwwwwwwwwkd..",
            "kkkkkkkkkkkkkd..",
            ".dddddddddddddd.",
            "................",
            "................",
        },
        {{'.', kItemGrey},
         {'k', rgb(64, 64, 64)},
         {'n', rgb(0, 0, 128)},
         {'b', rgb(16, 100, 220)},
         {'w', rgb(255, 255, 255)},
         {'d', rgb(168, 168, 168)}});
    // The pencil runs along the diagonal x + y = 15 from its eraser at the top right to
    // its point at (5, 10); `a` = x - y measures along it, `s` = x + y across it.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const int a = x - y, s = x + y - 15;
            if (a > 14 || a < -6 || std::abs(s) > 2) continue;
            Pixel p = kClear;
            const int half = a >= -2 ? 1 : (a >= -4 ? 0 : -1);
            if (std::abs(s) == half + 1 || a == 14)
                p = kBlack;
            else if (std::abs(s) <= half) {
                if (a >= 11)
                    p = s < 0 ? rgb(255, 170, 190) : rgb(230, 110, 140);  // eraser
                else if (a >= 9)
                    p = s < 0 ? rgb(224, 224, 224) : rgb(150, 150, 150);  // ferrule
                else if (a >= -2)
                    p = s < 0 ? rgb(255, 236, 120) : (s == 0 ? rgb(255, 200, 0) : rgb(204, 136, 0));
                else
                    p = a == -4 ? rgb(48, 48, 48) : rgb(240, 204, 150);  // wood, then lead
            }
            if (a == -5 && s == 0) p = rgb(48, 48, 48);
            if (p >> 24) r.set(x, y, p);
        }
    return r;
}

Raster iconNetScan() {
    // Drawn large with smooth edges; the program shrinks it to 15 x 15, so every stroke is
    // at least three pixels wide to survive the nearest-neighbour sampling.
    Raster r(39, 37, rgb(255, 255, 255));
    const double cx = 15.5, cy = 14.5;
    // Handle first, under the rim.
    r.paint(segment(24.5, 23.5, 34.0, 33.0, 8.4), rgb(20, 20, 24), 6);
    r.paint(segment(25.0, 24.0, 33.4, 32.4, 5.6), rgb(92, 56, 28), 6);
    r.paint(segment(25.6, 23.6, 33.0, 31.0, 1.8), rgb(150, 100, 60), 6);
    r.paint(disc(cx, cy, 13.2), rgb(20, 20, 24), 6);
    r.paint(disc(cx, cy, 12.0), rgb(150, 156, 170), 6);
    r.paint(intersect(disc(cx, cy, 12.0), [=](double x, double y) { return x + y < cx + cy - 2; }),
            rgb(214, 218, 228), 6);
    r.paint(disc(cx, cy, 9.4), rgb(20, 20, 24), 6);
    r.paint(disc(cx, cy, 8.4), rgb(170, 210, 250), 6);
    r.paint(intersect(disc(cx, cy, 8.4), disc(cx + 3, cy + 3, 8.4)), rgb(128, 180, 240), 6);
    // The glint on the glass.
    r.paint(intersect(ring(cx, cy, 6.6, 4.6),
                      [=](double x, double y) { return x < cx - 1 && y < cy - 1; }),
            rgb(255, 255, 255), 6);
    return r;
}

Raster iconUpdate() {
    // A raised light tile with a bold black plus.
    Raster r(16, 16, kItemGrey);
    for (int y = 1; y < 15; ++y)
        for (int x = 1; x < 15; ++x) {
            const double t = (x + y - 2) / 26.0;
            r.set(x, y, mix(rgb(255, 255, 255), rgb(214, 220, 232), t));
        }
    for (int i = 1; i < 15; ++i) {
        r.set(i, 1, rgb(255, 255, 255));
        r.set(1, i, rgb(255, 255, 255));
        r.set(i, 14, rgb(150, 154, 166));
        r.set(14, i, rgb(150, 154, 166));
    }
    for (int i = 0; i < 16; ++i) {
        r.set(i, 0, rgb(104, 108, 120));
        r.set(0, i, rgb(104, 108, 120));
        r.set(i, 15, rgb(64, 66, 76));
        r.set(15, i, rgb(64, 66, 76));
    }
    r.fillRect(4, 7, 8, 2, kBlack);
    r.fillRect(7, 4, 2, 8, kBlack);
    return r;
}

Raster iconSettings() {
    // A globe, ocean shaded from the top left, with hand-placed land, and an orange arrow
    // pointing down in front of it.
    Raster r(16, 16, kItemGrey);
    const double cx = 7.0, cy = 7.0, rad = 6.4;
    outlined(r, disc(cx, cy, rad), rgb(0, 32, 96), [&](int x, int y) {
        const double d = std::hypot(x + 0.5 - (cx - 2.5), y + 0.5 - (cy - 2.5)) / (rad * 1.7);
        return mix(rgb(120, 190, 255), rgb(0, 70, 170), std::clamp(d, 0.0, 1.0));
    });
    const Raster land = fromArt(
        {
            "................",
            "................",
            ".....gG.........",
            "...gGGGGg.......",
            "..gGGGGG...g....",
            "..GGGGG...gGg...",
            "...GGG....GGGg..",
            "....Gg.....GG...",
            ".....GGg........",
            ".....GGGg.......",
            "......GGg.......",
            "......Gg........",
            "................",
            "................",
            "................",
            "................",
        },
        {{'.', kClear}, {'g', rgb(120, 200, 90)}, {'G', rgb(40, 140, 50)}});
    r.draw(land, 0, 0);
    const Raster arrow = fromArt(
        {
            "................",
            "................",
            "................",
            "................",
            "................",
            "................",
            "...........KKK..",
            "..........KyoK..",
            "..........KyoK..",
            "..........KyoK..",
            "........KKKyoKKK",
            "........KyyyooOK",
            ".........KyooOK.",
            "..........KoOK..",
            "...........KK...",
            "................",
        },
        {{'.', kClear},
         {'K', rgb(128, 56, 0)},
         {'y', rgb(255, 190, 80)},
         {'o', rgb(255, 128, 0)},
         {'O', rgb(210, 96, 0)}});
    r.draw(arrow, 0, 0);
    return r;
}

Raster iconIeProps() {
    return fromArt(
        {
            "...KKKKK...",
            "..KmllmmK..",
            ".KmK...KmK.",
            ".KlK...KdK.",
            ".KlK...KdK.",
            "KKKKKKKKKKK",
            "KwyyyyyyyoK",
            "KyyyKKKyyoK",
            "KyyyKKKyyoK",
            "KyyyyKyyyoK",
            "KyyyyKyyyoK",
            "KooooooooOK",
            "KKKKKKKKKKK",
        },
        {{'.', kItemGrey},
         {'K', rgb(72, 48, 0)},
         {'m', rgb(168, 168, 176)},
         {'l', rgb(224, 224, 232)},
         {'d', rgb(112, 112, 124)},
         {'w', rgb(255, 250, 190)},
         {'y', rgb(255, 214, 40)},
         {'o', rgb(214, 160, 0)},
         {'O', rgb(160, 110, 0)}});
}

Raster iconIeRefresh() {
    // The right angle at the bottom left, the long side falling from the top left.
    Raster r(15, 15, kItemGrey);
    for (int y = 1; y < 14; ++y)
        for (int x = 1; x <= y; ++x) {
            const bool edge = x == 1 || y == 13 || x == y;
            const double t = (x + (13 - y)) / 14.0;
            r.set(x, y, edge ? rgb(0, 24, 112) : mix(rgb(100, 170, 255), rgb(0, 72, 200), t));
        }
    return r;
}

Raster iconDialup() {
    return fromArt(
        {
            "................",
            "................",
            "..KKKKKKKKKKKK..",
            ".KllllllllllmmK.",
            ".KmKKKKKKKKKKmK.",
            ".KKK.KmmmmK.KKK.",
            ".bB..KlmmmK.....",
            "..bBKllmmmmK....",
            ".bBKlmKmKmKdK...",
            "bB.KmmmmmmmmdK..",
            ".bBKlmKmKmKmdK..",
            "..bKmmmmmmmmdK..",
            ".bBKddddddddddK.",
            "bB.KKKKKKKKKKKK.",
            ".bB.............",
            "..bB............",
        },
        {{'.', kItemGrey},
         {'K', rgb(48, 48, 56)},
         {'l', rgb(224, 224, 230)},
         {'m', rgb(168, 168, 178)},
         {'d', rgb(120, 120, 132)},
         {'b', rgb(40, 120, 255)},
         {'B', rgb(0, 48, 170)}});
}

Raster iconOptions() {
    // A house in two-pixel blue strokes, so it survives being shrunk to 15 x 15.
    return fromArt(
        {
            ".....................", "..........B..........", ".........BBB.........",
            "........BBbBB........", ".......BBb.bBB.......", "......BBb...bBB......",
            ".....BBb.....bBB.....", "....BBb.......bBB....", "...BBb.........bBB...",
            "..BBbBB.......BBbBB..", "..BB.BB.......BB.BB..", ".....BB.......BB.....",
            ".....BB.BBBBB.BB.....", ".....BB.B...B.BB.....", ".....BB.B...B.BB.....",
            ".....BB.B...B.BB.....", ".....BB.B...B.BB.....", ".....BB.B...B.BB.....",
            ".....BBBBBBBBBBB.....", ".....BBBBBBBBBBB.....", ".....................",
        },
        {{'.', kItemGrey}, {'B', rgb(0, 56, 200)}, {'b', rgb(90, 140, 230)}});
}

Raster iconAbout() {
    // Eight colours: background, grid, axes, the line, its points, and a frame.
    return fromArt(
        {
            "ffffffffffffffffffffff", "f....................f", "f....................f",
            "f.AA...........RR....f", "f.AA..........RRRr...f", "f.AA..........RRRR...f",
            "f.AAggggggggggRrRRgggf", "f.AA.........RR..RR..f", "f.AA.........RR...RR.f",
            "f.AA........RR.....R.f", "f.AAggggRRggRRgggggggf", "f.AA...RRRRRR........f",
            "f.AA..RRRrRR.........f", "f.AA.RR.RRR..........f", "f.AAgRRgggggggggggggff",
            "f.AARR...............f", "f.AARR...............f", "f.AAR................f",
            "f.AAAAAAAAAAAAAAAAAA.f", "f.AAAAAAAAAAAAAAAAAA.f", "f....................f",
            "ffffffffffffffffffffff",
        },
        {{'.', rgb(214, 234, 255)},
         {'g', rgb(170, 200, 235)},
         {'A', rgb(24, 32, 72)},
         {'R', rgb(220, 0, 0)},
         {'r', rgb(128, 0, 0)},
         {'f', rgb(120, 150, 200)}});
}

Raster glyphScan() {
    return fromArt(
        {
            "................",
            "................",
            "...KKKKKKKKK....",
            "..KlllllllllK...",
            "..KdKKKKKKKdK...",
            "..KlhmmmmmmdKKK.",
            "..KlhmmmmmmdK.dK",
            "..KlhmmmmmmdK.dK",
            "..KlhmmmmmmdK.dK",
            "..KlhmmmmmmdK.dK",
            "..KlhmmmmmmdKKK.",
            "..KlmmmmmmmdK...",
            "..KlmmmmmmmdK...",
            "...KddddddK.....",
            "....KKKKKK......",
            "................",
        },
        {{'.', kGlyphWhite},
         {'K', rgb(56, 56, 64)},
         {'l', rgb(200, 200, 208)},
         {'h', rgb(236, 236, 240)},
         {'m', rgb(170, 170, 180)},
         {'d', rgb(118, 118, 130)}});
}

Raster glyphKill() {
    return fromArt(
        {
            "................",
            ".....KKKKKK.....",
            "....KbBBBBBK....",
            "....KbKKKKBK....",
            "....KbKgGKBK....",
            "....KbKGGKBK....",
            "....KbKGgKBK....",
            "....KbKKKKBK....",
            "....KbBBBBBK....",
            "....KbrBBrBK....",
            "....KbBBBBBK....",
            "....KblBlBdK....",
            "....KbBBBBdK....",
            ".....KddddK.....",
            "......KKKK......",
            "................",
        },
        {{'.', kGlyphWhite},
         {'K', rgb(0, 16, 64)},
         {'b', rgb(96, 150, 240)},
         {'B', rgb(24, 88, 210)},
         {'d', rgb(10, 48, 140)},
         {'g', rgb(170, 255, 150)},
         {'G', rgb(40, 200, 60)},
         {'r', rgb(250, 80, 60)},
         {'l', rgb(200, 220, 250)}});
}

Raster glyphOk() {
    return fromArt(
        {
            "................",
            "................",
            "..............D.",
            ".............DLD",
            "............DLGD",
            "...........DLGGD",
            "..D.......DLGGD.",
            ".DLD.....DLGGD..",
            "DLGGD...DLGGD...",
            "DGGGGD.DLGGD....",
            ".DGGGGDLGGD.....",
            "..DGGGGGGD......",
            "...DGGGGD.......",
            "....DGGD........",
            ".....DD.........",
            "................",
        },
        {{'.', kGlyphWhite},
         {'D', rgb(0, 80, 0)},
         {'L', rgb(110, 220, 110)},
         {'G', rgb(20, 160, 40)}});
}

Raster glyphCancel() {
    // The background is the glyph's transparent colour; the white bar is drawn, since
    // only the background colour is left out.
    Raster r(16, 16, kCancelBackground);
    const double cx = 8.0, cy = 8.0, rad = 6.9;
    outlined(r, disc(cx, cy, rad), rgb(96, 0, 0), [&](int x, int y) {
        const double d = std::hypot(x + 0.5 - (cx - 2.2), y + 0.5 - (cy - 2.2)) / (rad * 1.8);
        return mix(rgb(255, 110, 90), rgb(176, 0, 0), std::clamp(d, 0.0, 1.0));
    });
    r.fillRect(3, 7, 10, 2, rgb(255, 255, 255));
    r.fillRect(3, 9, 10, 1, rgb(200, 200, 200));
    return r;
}

std::vector<Raster> appIcon() {
    std::vector<Raster> images;
    for (int size : {48, 32, 16}) {
        Raster r(size, size, kClear);
        const double c = size / 2.0;
        const double rad = c - 0.5;
        const double line = size >= 48 ? 3.2 : (size >= 32 ? 2.2 : 1.0);
        const Pixel yellow = rgb(255, 255, 0), olive = rgb(128, 128, 0);
        // The yellow disc, its lower right in the darker yellow for depth.
        r.paint(disc(c, c, rad), kBlack);
        r.paint(disc(c, c, rad - line), yellow);
        if (size >= 32)
            r.paint(subtract(disc(c, c, rad - line), disc(c - 1.5, c - 1.5, rad - line)), olive);
        // The sign: the ring is the disc's rim; a stem through the middle and two legs
        // falling to the rim at 45 degrees.
        const double inner = rad - line;
        const double leg = inner * std::sqrt(0.5);
        const double w = size >= 48 ? 3.4 : (size >= 32 ? 2.4 : 1.2);
        r.paint(rect(c - w / 2, c - inner, c + w / 2, c + inner), kBlack);
        r.paint(segment(c, c, c - leg, c + leg, w), kBlack);
        r.paint(segment(c, c, c + leg, c + leg, w), kBlack);
        images.push_back(std::move(r));
    }
    return images;
}

}  // namespace tv::art
