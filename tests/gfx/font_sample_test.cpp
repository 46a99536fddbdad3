// The sample sheets: every font of the layouts with its own texts and colours, at natural
// size and enlarged three times, saved as font_sample_sheet*.png in the build folder's
// tests/gfx so a person can look at them. The test itself checks that each row keeps to its band.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "font_test_support.h"
#include "gfx/color.h"
#include "gfx/font_engine.h"
#include "gfx/png.h"
#include "support/colors.h"

namespace tv {
namespace {

using fonttest::kPaper;
using fonttest::Sheet;

struct Row {
    const char* name;
    FontSpec spec;
    TColor color;
    TColor background;
    const char* text;
};

const TColor kDesktop = RGB(58, 110, 165);

const std::vector<Row> kRows = {
    {"form",
     {"MS Sans Serif", 11, false},
     clBlack,
     kPageGrey,
     "扫描对象： 扫  描 IE  属性 Temporary"},
    {"form",
     {"MS Sans Serif", 11, false},
     clBlack,
     kItemGrey,
     "   更新病毒库 设       置 关于软件"},
    {"title", {"宋体", 13, true}, clWhite, kDesktop, "托尔万(Tolvane)V2.1（增强版）"},
    {"mark", {"宋体", 13, true}, clRed, kPageGrey, ">>"},
    {"header", {"宋体", 12, true}, clWhite, kDesktop, "网络安全 网络优化 软件帮助"},
    {"group", {"宋体", 12, false}, clNavy, kPageGrey, "个性设置 设置IE标题： 设置启动信息："},
    {"list", {"宋体", 12, false}, clBlack, clWhite, "修复被禁用“Internet临时文件设置”"},
    {"list", {"宋体", 12, false}, clBlack, clWhite, "修复被禁用\"关闭浏览器\" 修复IE搜索引擎"},
    {"list", {"宋体", 12, false}, clBlack, clWhite, "Wg|jpq_()[]{} 关于…"},
    {"body", {"宋体", 13, false}, clBlack, clWhite, "Wg|jpq_()[]{} 关于…"},
    {"form", {"MS Sans Serif", 11, false}, clBlack, kPageGrey, "Wg|jpq_()[]{} 关于…"},
    {"body", {"宋体", 13, false}, clBlack, clWhite, "3.5软盘(A:) System(C:) CD驱动器(G:)"},
    {"body", {"宋体", 13, false}, clBlack, clWhite, "Temporary Internet Files 其他网络文件"},
    {"bar", {"宋体", 13, false}, clWhite, kDesktop, "http://www.tolvane.example"},
    {"about", {"宋体", 13, false}, clTeal, kPageGrey, "软件主页： 关于… 代理端口："},
    {"mixed",
     {"宋体", 12, false},
     clBlack,
     clWhite,
     "a\tb\tc 4e00:一 box:\xF4\x8F\xBF\xBD bad:\xFF"},
};

// The sheet with the usual faces, and with the substitutes a system without the outline
// Song and the Helvetica bitmaps gets (the bitmap Song and a scalable sans).
struct Setup {
    const char* file;
    bool substitutes;
    friend void PrintTo(const Setup& s, std::ostream* os) { *os << s.file; }
};

class FontSample : public ::testing::TestWithParam<Setup> {};

TEST_P(FontSample, EveryLayoutFontKeepsToItsRowOnTheSheet) {
    FontFiles files;
    if (GetParam().substitutes) {
        files.song = {};
        files.form = {};
        files.formBold = {};
        files.useFontconfig = false;
    }
    FreeTypeFontEngine engine(files);
    const int rowHeight = 18, labelWidth = 60, width = 360;
    const int height = rowHeight * int(kRows.size());
    Sheet natural(width, height, test::classicPixel(clBtnFace));
    const Font& labels = engine.font({"MS Sans Serif", 11, false});
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const Row& row = kRows[i];
        const int top = int(i) * rowHeight;
        const Rect band{labelWidth, top, width, top + rowHeight};
        natural.canvas.fillRect(band, test::classicPixel(row.background));
        labels.draw(natural.canvas, 2, top + 2, row.name, test::classicPixel(clBlack));
        const Font& f = engine.font(row.spec);
        const int y = top + (rowHeight - f.lineHeight()) / 2;
        f.draw(natural.canvas, labelWidth + 4, y, row.text, test::classicPixel(row.color));

        // Nothing of the text outside its line box.
        Sheet alone(width, rowHeight, test::classicPixel(row.background));
        f.draw(alone.canvas, 4, (rowHeight - f.lineHeight()) / 2, row.text,
               test::classicPixel(row.color));
        const Rect ink = alone.inkBounds(test::classicPixel(row.background));
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(ink.empty());
        // The substitutes were not drawn for these cells: one row of their descenders
        // may hang below.
        const int slack = GetParam().substitutes ? 1 : 0;
        EXPECT_GE(ink.top, (rowHeight - f.lineHeight()) / 2);
        EXPECT_LE(ink.bottom, (rowHeight - f.lineHeight()) / 2 + f.lineHeight() + slack);
        EXPECT_LE(ink.right, 4 + f.textWidth(row.text) + 1);
    }

    const int zoom = 3;
    std::vector<Pixel> out(std::size_t(width) * zoom * std::size_t(height) * (zoom + 1));
    const int outWidth = width * zoom;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            out[std::size_t(y) * outWidth + x] = natural.at(x, y);
            for (int dy = 0; dy < zoom; ++dy) {
                for (int dx = 0; dx < zoom; ++dx) {
                    const std::size_t oy = std::size_t(height + y * zoom + dy);
                    out[oy * outWidth + std::size_t(x * zoom + dx)] = natural.at(x, y);
                }
            }
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = width; x < outWidth; ++x) out[std::size_t(y) * outWidth + x] = kPaper;
    }
    savePng(std::string(TOLVANE_SAMPLE_SHEET_DIR "/") + GetParam().file, out.data(), outWidth,
            height * (zoom + 1), outWidth);
}

INSTANTIATE_TEST_SUITE_P(Sheets, FontSample,
                         ::testing::Values(Setup{"font_sample_sheet.png", false},
                                           Setup{"font_sample_sheet_substitutes.png", true}),
                         [](const auto& p) {
                             return p.param.substitutes ? "Substitutes" : "Usual";
                         });

}  // namespace
}  // namespace tv
