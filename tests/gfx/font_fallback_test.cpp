// Where faces and characters come from when the usual files are not there, and that
// fontconfig stays unloaded while they are.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "font_test_support.h"
#include "gfx/font_engine.h"

namespace tv {
namespace {

using fonttest::kInk;
using fonttest::kPaper;
using fonttest::Sheet;

const FontSpec kSong12{"宋体", 12, false};
const FontSpec kSong13{"宋体", 13, false};
const FontSpec kForm{"MS Sans Serif", 11, false};
// A private-use character of plane 16: no installed face draws it.
constexpr char32_t kNowhere = 0x10FFFD;
const char* const kNowhereUtf8 = "\xF4\x8F\xBF\xBD";

bool contains(const std::string& s, const char* part) {
    return s.find(part) != std::string::npos;
}

FontFiles withoutFontconfig() {
    FontFiles files;
    files.useFontconfig = false;
    return files;
}

TEST(FontFallback, TheLayoutFontsNeverLoadFontconfig) {
    FreeTypeFontEngine engine;
    Sheet sheet(400, 40);
    for (const FontSpec& spec :
         {kSong12, kSong13, FontSpec{"宋体", 12, true}, FontSpec{"宋体", 13, true}, kForm}) {
        const Font& f = engine.font(spec);
        f.draw(sheet.canvas, 0, 0, "托尔万(Tolvane)V2.1（增强版）修复被禁用“辅助功能”", kInk);
        f.draw(sheet.canvas, 0, 20, "History文件 3.5软盘(A:) 关于… \"字体\"", kInk);
    }
    EXPECT_FALSE(engine.fontconfigLoaded());
}

TEST(FontFallback, SongFileMissingFindsTheSameFamilyThroughFontconfig) {
    FontFiles files;
    files.song = {"/nonexistent/uming.ttc"};
    FreeTypeFontEngine engine(files);
    const FontInfo info = engine.info(kSong12);
    EXPECT_TRUE(engine.fontconfigLoaded());
    EXPECT_TRUE(contains(info.file, "uming")) << info.file;
    EXPECT_EQ(engine.font(kSong12).textExtent("设置IE标题："), (Size{72, 12}));
}

TEST(FontFallback, WithoutTheOutlineSongTheBitmapSongKeepsTheMetrics) {
    FontFiles files = withoutFontconfig();
    files.song = {"/nonexistent/uming.ttc"};
    FreeTypeFontEngine engine(files);
    const FontInfo twelve = engine.info(kSong12);
    EXPECT_TRUE(contains(twelve.file, "wenquanyi")) << twelve.file;
    EXPECT_EQ(twelve.pixelHeight, 12);
    EXPECT_TRUE(twelve.mono);
    // Chinese keeps the classic cell; the substitute's Latin is proportional and keeps
    // its own widths.
    EXPECT_EQ(engine.font(kSong12).textExtent("设置标题："), (Size{60, 12}));
    EXPECT_NE(engine.font(kSong12).textWidth("i"), engine.font(kSong12).textWidth("W"));
    const FontInfo thirteen = engine.info(kSong13);
    EXPECT_TRUE(contains(thirteen.file, "wenquanyi")) << thirteen.file;
    EXPECT_EQ(thirteen.pixelHeight, 13);
    EXPECT_EQ(engine.font(kSong13).textWidth("代理地址："), 65);
    EXPECT_EQ(engine.font(kSong13).lineHeight(), 13);
    // The form font links its Chinese to the same substitute.
    EXPECT_TRUE(contains(engine.glyphSource(kForm, U'扫').file, "wenquanyi"));
    EXPECT_EQ(engine.font(kForm).textWidth("扫描对象："), 60);
    EXPECT_FALSE(engine.fontconfigLoaded());
}

TEST(FontFallback, BitmapSongWithoutTheExactSizeTakesTheNearestSmallerOne) {
    // A folder holding only the 12-pixel file.
    const std::filesystem::path folder =
        std::filesystem::path(::testing::TempDir()) / "font_fallback_bitmap_song";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::filesystem::path twelve = "/usr/share/fonts/X11/misc/wenquanyi_9pt.pcf";
    if (!std::filesystem::exists(twelve)) GTEST_SKIP() << "no " << twelve;
    std::filesystem::create_symlink(twelve, folder / "wenquanyi_9pt.pcf");

    FontFiles files = withoutFontconfig();
    files.song = {};
    files.bitmapSongFolders = {folder.string()};
    FreeTypeFontEngine engine(files);
    EXPECT_EQ(engine.info(kSong13).pixelHeight, 12);
    EXPECT_EQ(engine.info({"宋体", 16, false}).pixelHeight, 12);
    // Its ideographs still advance by the 13-pixel cell.
    EXPECT_EQ(engine.font(kSong13).textWidth("代理地址："), 65);
    EXPECT_EQ(engine.font(kSong13).lineHeight(), 13);
    std::filesystem::remove_all(folder);
}

TEST(FontFallback, FormBitmapMissingUsesABlackAndWhiteSansOnTheSameLine) {
    FontFiles files = withoutFontconfig();
    files.form = {"/nonexistent/helvR08.pcf.gz"};
    FreeTypeFontEngine engine(files);
    const FontInfo info = engine.info(kForm);
    EXPECT_TRUE(contains(info.file, "Sans")) << info.file;
    EXPECT_TRUE(info.mono);
    const Font& f = engine.font(kForm);
    EXPECT_EQ(f.lineHeight(), 13);
    EXPECT_EQ(f.ascent(), 11);
    EXPECT_EQ(f.textWidth("扫描对象："), 60);
    const std::string latin = "Temporary Internet Files";
    EXPECT_LT(f.textWidth(latin), 7 * int(latin.size()));
}

TEST(FontFallback, OtherNamesAreResolvedThroughFontconfigInGrey) {
    FreeTypeFontEngine engine;
    const FontSpec serif{"DejaVu Serif", 14, false};
    const FontInfo info = engine.info(serif);
    EXPECT_TRUE(engine.fontconfigLoaded());
    EXPECT_TRUE(contains(info.file, "DejaVuSerif")) << info.file;
    EXPECT_FALSE(info.mono);
    const Font& f = engine.font(serif);
    EXPECT_GE(f.lineHeight(), 14);
    // Chinese still comes from the Song face.
    EXPECT_TRUE(contains(engine.glyphSource(serif, U'设').file, "uming"));
}

TEST(FontFallback, CharactersBeyondTheSongFaceComeFromFontconfig) {
    FreeTypeFontEngine engine;
    // U+FFFD is in neither the Song nor the form face.
    const GlyphSource src = engine.glyphSource(kSong12, kReplacementCharacter);
    EXPECT_FALSE(src.replacement);
    EXPECT_FALSE(src.file.empty());
    EXPECT_FALSE(contains(src.file, "uming"));
    EXPECT_TRUE(src.mono) << "glyphs of a black-and-white font stay black and white";
    EXPECT_TRUE(engine.fontconfigLoaded());
}

class NoFaceHasIt : public ::testing::TestWithParam<bool> {};

TEST_P(NoFaceHasIt, DrawsAVisibleBox) {
    FontFiles files;
    files.useFontconfig = GetParam();
    FreeTypeFontEngine engine(files);
    for (const FontSpec& spec : {kSong12, kForm}) {
        const GlyphSource src = engine.glyphSource(spec, kNowhere);
        EXPECT_TRUE(src.replacement);
        const Font& f = engine.font(spec);
        const int w = f.textWidth(kNowhereUtf8);
        EXPECT_GE(w, 4);
        Sheet sheet(40, 20);
        f.draw(sheet.canvas, 2, 2, kNowhereUtf8, kInk);
        const Rect ink = sheet.inkBounds();
        EXPECT_GE(ink.width(), 3);
        EXPECT_GE(ink.height(), 4);
        EXPECT_GE(ink.left, 2);
        EXPECT_LE(ink.right, 2 + w);
        EXPECT_GE(ink.top, 2);
        EXPECT_LE(ink.bottom, 2 + f.lineHeight());
        // Hollow: the middle of the box stays paper.
        EXPECT_EQ(sheet.at((ink.left + ink.right) / 2, (ink.top + ink.bottom) / 2), kPaper);
    }
}

INSTANTIATE_TEST_SUITE_P(FontFallback, NoFaceHasIt, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "Fontconfig" : "FilesOnly"; });

TEST(FontFallback, NoFilesAtAllStillMeasuresAndDraws) {
    FontFiles files;
    files.song = {};
    files.bitmapSongFolders = {};
    files.form = {};
    files.formBold = {};
    files.sans = {};
    files.sansBold = {};
    files.useFontconfig = false;
    FreeTypeFontEngine engine(files);
    for (const FontSpec& spec : {kSong12, kForm, FontSpec{"Tahoma", 11, true}}) {
        const Font& f = engine.font(spec);
        EXPECT_GT(f.lineHeight(), 0);
        EXPECT_GT(f.textWidth("设置IE"), 0);
        Sheet sheet(100, 20);
        f.draw(sheet.canvas, 0, 0, "设置IE", kInk);
        EXPECT_GT(sheet.inkCount(), 0) << "every character shows as a box";
    }
}

}  // namespace
}  // namespace tv
