#pragma once
// Every picture of the program, drawn in code. Each function returns the picture at its
// final size; artgen.cpp writes it in its file format.

#include <string>
#include <vector>

#include "raster.h"

namespace tv::art {

// Where the title-bar pieces lie in the 601-pixel-wide main window. The pieces are drawn
// from one description of the bar in window coordinates, so the overlaps match.
constexpr int kWindowWidth = 601;
constexpr int kTitleHeight = 50;
constexpr int kLeftPieceX = -8;
constexpr int kMiddlePieceX = 72;
constexpr int kRightPieceX = 516;
constexpr int kMinButtonX = 558;
constexpr int kCloseButtonX = 579;
constexpr int kButtonY = 5;

Raster titleMiddle();  // 800 x 50
Raster titleLeft();    // 85 x 50
Raster titleRight();   // 100 x 50
Raster buttonMin();    // 17 x 19
Raster buttonClose();  // 17 x 19

// The logo needs the fonts; the paths are the installed Chinese and Latin faces.
Raster logo(const std::string& chineseFont, const std::string& latinFont);  // 116 x 38

Raster iconDiskScan();   // 16 x 16
Raster iconNetScan();    // 39 x 37
Raster iconUpdate();     // 16 x 16, at most 55 colours
Raster iconSettings();   // 16 x 16
Raster iconIeProps();    // 11 x 13, at most 32 colours
Raster iconIeRefresh();  // 15 x 15
Raster iconDialup();     // 16 x 16
Raster iconOptions();    // 21 x 21
Raster iconAbout();      // 22 x 22, at most 8 colours
Raster glyphScan();      // 16 x 16 on white
Raster glyphKill();      // 16 x 16 on white
Raster glyphOk();        // 16 x 16 on white
Raster glyphCancel();    // 16 x 16 on kCancelBackground, at most 68 colours
// 48, 32 and 16 pixels square, standard 16 colours, alpha 0 outside the emblem.
std::vector<Raster> appIcon();

// The colours the layout and the drawing rules rely on.
constexpr Pixel kItemGrey = rgb(232, 232, 232);
constexpr Pixel kGlyphWhite = rgb(255, 255, 255);
constexpr Pixel kCancelBackground = rgb(213, 234, 245);

}  // namespace tv::art
