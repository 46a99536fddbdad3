#pragma once
// Two colour types meet here. A Pixel is what lies in a window's buffer: 0xAARRGGBB.
// A TColor is what layouts and handlers store: red in the low byte, then green, then
// blue; values at or above 0xFF000000 name a system colour by its index.

#include <array>
#include <cstdint>

namespace tv {

using Pixel = std::uint32_t;
using TColor = std::uint32_t;

constexpr Pixel rgb(int r, int g, int b) {
    return 0xFF000000u | (std::uint32_t(r & 0xFF) << 16) | (std::uint32_t(g & 0xFF) << 8) |
           std::uint32_t(b & 0xFF);
}
constexpr int pixelRed(Pixel p) {
    return int((p >> 16) & 0xFF);
}
constexpr int pixelGreen(Pixel p) {
    return int((p >> 8) & 0xFF);
}
constexpr int pixelBlue(Pixel p) {
    return int(p & 0xFF);
}
constexpr int pixelAlpha(Pixel p) {
    return int(p >> 24);
}

constexpr TColor RGB(int r, int g, int b) {
    return std::uint32_t(r & 0xFF) | (std::uint32_t(g & 0xFF) << 8) |
           (std::uint32_t(b & 0xFF) << 16);
}

// System colours, by the platform's colour index.
constexpr TColor kSystemColorBit = 0xFF000000u;
constexpr TColor clScrollBar = kSystemColorBit | 0;
constexpr TColor clBackground = kSystemColorBit | 1;
constexpr TColor clActiveCaption = kSystemColorBit | 2;
constexpr TColor clInactiveCaption = kSystemColorBit | 3;
constexpr TColor clWindow = kSystemColorBit | 5;
constexpr TColor clWindowFrame = kSystemColorBit | 6;
constexpr TColor clWindowText = kSystemColorBit | 8;
constexpr TColor clCaptionText = kSystemColorBit | 9;
constexpr TColor clHighlight = kSystemColorBit | 13;
constexpr TColor clHighlightText = kSystemColorBit | 14;
constexpr TColor clBtnFace = kSystemColorBit | 15;
constexpr TColor clBtnShadow = kSystemColorBit | 16;
constexpr TColor clGrayText = kSystemColorBit | 17;
constexpr TColor clBtnText = kSystemColorBit | 18;
constexpr TColor clInactiveCaptionText = kSystemColorBit | 19;
constexpr TColor clBtnHighlight = kSystemColorBit | 20;
constexpr TColor cl3DDkShadow = kSystemColorBit | 21;
constexpr TColor cl3DLight = kSystemColorBit | 22;
constexpr TColor clInfoText = kSystemColorBit | 23;
constexpr TColor clInfoBk = kSystemColorBit | 24;
constexpr TColor clGradientActiveCaption = kSystemColorBit | 27;
constexpr TColor clGradientInactiveCaption = kSystemColorBit | 28;

// Fixed colours.
constexpr TColor clBlack = RGB(0, 0, 0);
constexpr TColor clWhite = RGB(255, 255, 255);
constexpr TColor clRed = RGB(255, 0, 0);
constexpr TColor clNavy = RGB(0, 0, 128);
constexpr TColor clTeal = RGB(0, 128, 128);
constexpr TColor clSilver = RGB(192, 192, 192);
constexpr TColor clGray = RGB(128, 128, 128);

// The colours the handlers assign.
constexpr TColor kPageGrey = 13619151;    // RGB(207,207,207)
constexpr TColor kItemGrey = 15263976;    // RGB(232,232,232)
constexpr TColor kHoverColor = 13480367;  // RGB(175,177,205)

// The system colours, by index. The classic scheme is a fixed table; a platform whose
// desktop has a colour scheme of its own (Windows) keeps one filled from the system and
// hands it to the forms it paints. On Linux the classic scheme stays: there is no
// desktop colour scheme to follow.
struct SystemColors {
    static constexpr unsigned kCount = 31;
    std::array<Pixel, kCount> colors{};
    static const SystemColors& classic();
};

// Resolves a stored colour: system colours through `scheme`, unknown indexes to black.
// The plain RGB path reads no table.
constexpr Pixel toPixel(TColor c, const SystemColors& scheme) {
    if (c >= kSystemColorBit) {
        const unsigned index = c & 0xFF;
        return index < SystemColors::kCount ? scheme.colors[index] : rgb(0, 0, 0);
    }
    return rgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// Parses "clBtnFace", "clWhite", ... Returns false for an unknown name.
bool colorFromName(const char* name, TColor& out);

}  // namespace tv
