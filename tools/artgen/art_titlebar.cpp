// The title bar: a recessed blue strip between light grey, with a curved grey frame at
// each end that sets off a darker pocket for the red mark (left) and the two round
// buttons (right). The whole bar is one function of the window position, and each piece
// samples it over the columns it covers, so every overlap matches row for row.

#include <algorithm>
#include <array>
#include <cmath>

#include "artwork.h"

namespace tv::art {

namespace {

// First row of the grey edge under the blue bands; PanelBkGnd hides rows 48 and 49.
constexpr int kEdgeRow = 44;

// The blue bands, top to bottom: a light lip, then a deepening gradient in two-row steps
// behind the white title text (rows 8 to 21), a dark seam, and a lighter lower band that
// brightens towards the grey edge.
constexpr std::array<Pixel, kEdgeRow> kBands = {
    rgb(206, 224, 250), rgb(160, 194, 242), rgb(116, 160, 230), rgb(92, 140, 222),
    rgb(76, 126, 214),  rgb(76, 126, 214),  rgb(64, 114, 206),  rgb(64, 114, 206),
    rgb(54, 102, 196),  rgb(54, 102, 196),  rgb(46, 92, 188),   rgb(46, 92, 188),
    rgb(40, 84, 180),   rgb(40, 84, 180),   rgb(35, 77, 173),   rgb(35, 77, 173),
    rgb(31, 71, 166),   rgb(31, 71, 166),   rgb(28, 66, 160),   rgb(28, 66, 160),
    rgb(26, 62, 154),   rgb(26, 62, 154),   rgb(24, 58, 148),   rgb(24, 58, 148),
    rgb(22, 54, 140),   rgb(22, 54, 140),   rgb(24, 58, 146),   rgb(24, 58, 146),
    rgb(28, 64, 154),   rgb(28, 64, 154),   rgb(33, 71, 162),   rgb(33, 71, 162),
    rgb(39, 79, 170),   rgb(39, 79, 170),   rgb(46, 88, 178),   rgb(46, 88, 178),
    rgb(54, 98, 186),   rgb(54, 98, 186),   rgb(63, 108, 194),  rgb(63, 108, 194),
    rgb(74, 120, 202),  rgb(86, 132, 210),  rgb(60, 84, 130),   rgb(96, 104, 124),
};

// Light grey of the frame and of the edge under the bands, slightly darker towards the
// bottom so it settles into the page grey of the panel below.
Pixel grey(int y) {
    const double t = std::clamp(y / double(kTitleHeight - 1), 0.0, 1.0);
    return mix(rgb(236, 236, 236), rgb(212, 212, 212), t);
}

Pixel band(int y) {
    return y < kEdgeRow ? kBands[std::size_t(y)] : grey(y);
}

// The pockets at the ends sit deeper than the middle strip.
Pixel pocketBand(int y) {
    return y < kEdgeRow ? shade(kBands[std::size_t(y)], 0.70) : grey(y);
}

constexpr Pixel kHighlight = rgb(252, 252, 252);
constexpr Pixel kShadow = rgb(118, 124, 146);

// The frame's geometry, in distance d from the window's outer edge and rows y. The pocket
// is everything above y = kPocketDepth out to kPocketCorner, rounded by a quarter ellipse
// up to the top edge; the middle strip starts behind a second quarter ellipse that rises
// from the grey edge. Between them lies the grey frame.
constexpr double kPocketCorner = 26, kPocketReach = 24, kPocketDepth = 36;
constexpr double kStripCorner = 36, kStripReach = 24;
constexpr double kLine = 1.3;  // width of the highlight and shadow lines

double ellipseParam(double d, double y, double cx, double rx, double ry) {
    const double u = d <= cx ? 0.0 : (d - cx) / rx;
    const double v = y / ry;
    return u * u + v * v;
}

enum class Part { Pocket, Highlight, Frame, Shadow, Strip };

Part partAt(double d, double y) {
    if (y >= kEdgeRow) return Part::Strip;
    if (ellipseParam(d, y, kPocketCorner, kPocketReach, kPocketDepth) < 1) return Part::Pocket;
    if (ellipseParam(d, y, kPocketCorner, kPocketReach + kLine, kPocketDepth + kLine) < 1)
        return Part::Highlight;
    if (d > kStripCorner && ellipseParam(d, y, kStripCorner, kStripReach, kEdgeRow) >= 1)
        return Part::Strip;
    if (d > kStripCorner - kLine &&
        ellipseParam(d, y, kStripCorner - kLine, kStripReach, kEdgeRow - kLine) >= 1)
        return Part::Shadow;
    return Part::Frame;
}

Pixel partColor(Part p, int row) {
    switch (p) {
        case Part::Pocket:
            return pocketBand(row);
        case Part::Highlight:
            return kHighlight;
        case Part::Frame:
            return grey(row);
        case Part::Shadow:
            return kShadow;
        case Part::Strip:
            break;
    }
    return band(row);
}

// The colour of the pixel at window column x, row y, for an end piece. Sampling 4 x 4
// points per pixel smooths the curves; colours are taken per pixel row so the bands stay
// crisp, and a pixel wholly inside the strip is exactly the middle piece's colour.
Pixel endPixel(int windowX, int y, bool rightEnd) {
    constexpr int n = 4;
    double r = 0, g = 0, b = 0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const double xs = windowX + (i + 0.5) / n, ys = y + (j + 0.5) / n;
            const double d = rightEnd ? kWindowWidth - xs : xs;
            const Pixel c = partColor(partAt(d, ys), y);
            r += pixelRed(c);
            g += pixelGreen(c);
            b += pixelBlue(c);
        }
    const double k = 1.0 / (n * n);
    return rgb(int(std::lround(r * k)), int(std::lround(g * k)), int(std::lround(b * k)));
}

Raster endPiece(int pieceX, int width, bool rightEnd) {
    Raster r(width, kTitleHeight);
    for (int y = 0; y < kTitleHeight; ++y)
        for (int x = 0; x < width; ++x) r.set(x, y, endPixel(pieceX + x, y, rightEnd));
    return r;
}

// A round light-grey button with a dark rim, lit from the top left, on the right pocket.
Raster button(int windowX, const Shape& symbol) {
    Raster r(17, 19);
    for (int y = 0; y < r.height(); ++y)
        for (int x = 0; x < r.width(); ++x) r.set(x, y, endPixel(windowX + x, kButtonY + y, true));
    const double cx = 8.5, cy = 9.5;
    r.paint(disc(cx, cy, 7.6), rgb(28, 32, 52), 8);
    // The face: a diagonal gradient from near white to mid grey, inside the rim.
    const Shape face = disc(cx, cy, 6.5);
    for (int y = 0; y < r.height(); ++y)
        for (int x = 0; x < r.width(); ++x) {
            const double t = std::clamp(((x - 3) + (y - 4)) / 20.0, 0.0, 1.0);
            r.paint(intersect(face, rect(x, y, x + 1, y + 1)),
                    mix(rgb(250, 250, 250), rgb(168, 172, 184), t), 8);
        }
    r.paint(symbol, rgb(0, 0, 0), 8);
    return r;
}

}  // namespace

Raster titleMiddle() {
    Raster r(800, kTitleHeight);
    for (int y = 0; y < kTitleHeight; ++y) r.fillRect(0, y, r.width(), 1, band(y));
    return r;
}

Raster titleLeft() {
    return endPiece(kLeftPieceX, 85, false);
}
Raster titleRight() {
    return endPiece(kRightPieceX, 100, true);
}

Raster buttonMin() {
    return button(kMinButtonX, rect(5, 11, 12, 13));
}

Raster buttonClose() {
    return button(kCloseButtonX,
                  unite(segment(5.6, 6.6, 11.4, 12.4, 2.0), segment(11.4, 6.6, 5.6, 12.4, 2.0)));
}

}  // namespace tv::art
