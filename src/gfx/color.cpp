#include "gfx/color.h"

#include <cstring>

namespace tv {

namespace {

// The classic scheme, one fixed table.
constexpr Pixel classicColor(unsigned index) {
    // clang-format off
    switch (index) {
        case 0: return rgb(212, 208, 200);   // scroll bar
        case 1: return rgb(58, 110, 165);    // desktop
        case 2: return rgb(10, 36, 106);     // active caption
        case 3: return rgb(128, 128, 128);   // inactive caption
        case 4: return rgb(212, 208, 200);   // menu
        case 5: return rgb(255, 255, 255);   // window
        case 6: return rgb(0, 0, 0);         // window frame
        case 7: return rgb(0, 0, 0);         // menu text
        case 8: return rgb(0, 0, 0);         // window text
        case 9: return rgb(255, 255, 255);   // caption text
        case 10: return rgb(212, 208, 200);  // active border
        case 11: return rgb(212, 208, 200);  // inactive border
        case 12: return rgb(128, 128, 128);  // application workspace
        case 13: return rgb(10, 36, 106);    // highlight
        case 14: return rgb(255, 255, 255);  // highlight text
        case 15: return rgb(212, 208, 200);  // button face
        case 16: return rgb(128, 128, 128);  // button shadow
        case 17: return rgb(128, 128, 128);  // grey text
        case 18: return rgb(0, 0, 0);        // button text
        case 19: return rgb(212, 208, 200);  // inactive caption text
        case 20: return rgb(255, 255, 255);  // button highlight
        case 21: return rgb(64, 64, 64);     // 3-D dark shadow
        case 22: return rgb(212, 208, 200);  // 3-D light
        case 23: return rgb(0, 0, 0);        // info text
        case 24: return rgb(255, 255, 225);  // info background
        case 27: return rgb(166, 202, 240);  // gradient active caption
        case 28: return rgb(192, 192, 192);  // gradient inactive caption
        default: return rgb(0, 0, 0);
    }
    // clang-format on
}

constexpr SystemColors makeClassic() {
    SystemColors s;
    for (unsigned i = 0; i < SystemColors::kCount; ++i) s.colors[i] = classicColor(i);
    return s;
}

constexpr SystemColors kClassic = makeClassic();

struct NamedColor {
    const char* name;
    TColor value;
};

constexpr NamedColor kNames[] = {
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
    {"clBlack", clBlack},
    {"clWhite", clWhite},
    {"clRed", clRed},
    {"clNavy", clNavy},
    {"clTeal", clTeal},
    {"clSilver", clSilver},
    {"clGray", clGray},
};

}  // namespace

const SystemColors& SystemColors::classic() {
    return kClassic;
}

bool colorFromName(const char* name, TColor& out) {
    for (const auto& n : kNames) {
        if (std::strcmp(n.name, name) == 0) {
            out = n.value;
            return true;
        }
    }
    return false;
}

}  // namespace tv
