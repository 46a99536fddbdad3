// Metrics of the layout's fonts, measured against the classic figures the layouts were
// made with: label sizes, item heights and centring all rest on them.

#include <gtest/gtest.h>

#include <string>

#include "gfx/font_engine.h"

namespace tv {
namespace {

const FontSpec kSong12{"宋体", 12, false};
const FontSpec kSong13{"宋体", 13, false};
const FontSpec kSong12Bold{"宋体", 12, true};
const FontSpec kSong13Bold{"宋体", 13, true};
const FontSpec kForm{"MS Sans Serif", 11, false};

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

class FontMetrics : public ::testing::Test {
  protected:
    FreeTypeFontEngine engine;
};

TEST_F(FontMetrics, SongTwelveIsTheClassicCell) {
    const Font& f = engine.font(kSong12);
    EXPECT_EQ(f.lineHeight(), 12);
    EXPECT_EQ(f.textExtent("设置IE标题："), (Size{72, 12}));  // Label4 is 72 × 12
    EXPECT_EQ(f.textWidth("设"), 12);
    EXPECT_EQ(f.textWidth("A"), 6);
    EXPECT_EQ(f.textWidth("W"), 6);
    EXPECT_EQ(f.textWidth("设置启动信息："), 84);  // Label5 is 84 wide
    EXPECT_EQ(f.textWidth("标题："), 36);
    const FontInfo info = engine.info(kSong12);
    EXPECT_TRUE(endsWith(info.file, "uming.ttc")) << info.file;
    EXPECT_EQ(info.faceIndex, 0);  // AR PL UMing CN
    EXPECT_EQ(info.pixelHeight, 12);
    EXPECT_TRUE(info.mono);
    EXPECT_FALSE(info.syntheticBold);
}

TEST_F(FontMetrics, SongThirteenIsTheClassicCell) {
    const Font& f = engine.font(kSong13);
    EXPECT_EQ(f.lineHeight(), 13);
    EXPECT_EQ(f.textWidth("码"), 13);
    EXPECT_EQ(f.textWidth("A"), 7);  // half of 13, rounded up
    EXPECT_EQ(f.textWidth("Cookies文件"), 7 * 7 + 2 * 13);
    EXPECT_EQ(f.advance(U'码'), 13);
    EXPECT_EQ(f.advance(U'A'), 7);
    EXPECT_EQ(f.textExtent("代理地址：").height, 13);
    EXPECT_EQ(f.textWidth("代理地址："), 65);  // Label14 is 65 wide
    EXPECT_EQ(engine.info(kSong13).pixelHeight, 13);
    EXPECT_TRUE(engine.info(kSong13).mono);
}

TEST_F(FontMetrics, BoldAddsOnePixelPerCharacter) {
    const Font& regular = engine.font(kSong12);
    const Font& bold = engine.font(kSong12Bold);
    EXPECT_EQ(bold.textWidth("设"), 13);
    EXPECT_EQ(bold.textWidth("A"), 7);
    EXPECT_EQ(bold.textWidth("网络安全"), regular.textWidth("网络安全") + 4);
    EXPECT_EQ(bold.textWidth(" "), 7);  // spaces too, as the classic overstrike does
    EXPECT_EQ(bold.lineHeight(), 12);
    EXPECT_TRUE(engine.info(kSong12Bold).syntheticBold);
    // Label2 ">>" in the mark font is 16 wide: two 7-pixel characters plus one each.
    EXPECT_EQ(engine.font(kSong13Bold).textWidth(">>"), 16);
    EXPECT_EQ(engine.font(kSong13Bold).lineHeight(), 13);
}

TEST_F(FontMetrics, SimSunIsTheSongFace) {
    const Font& f = engine.font({"SimSun", 12, false});
    EXPECT_EQ(f.textExtent("设置IE标题："), (Size{72, 12}));
    EXPECT_EQ(engine.info({"simsun", 12, false}).file, engine.info(kSong12).file);
}

TEST_F(FontMetrics, FormFontHasAThirteenPixelLineAndLinksChineseAtTwelve) {
    const Font& f = engine.font(kForm);
    EXPECT_EQ(f.lineHeight(), 13);
    EXPECT_EQ(f.ascent(), 11);
    EXPECT_EQ(f.textExtent("扫描对象：").width, 60);  // Label13 is 60 × 13
    EXPECT_EQ(f.textExtent("扫描对象：").height, 13);
    const std::string latin = "Temporary Internet Files";
    EXPECT_LT(f.textWidth(latin), 6 * int(latin.size()));
    EXPECT_GT(f.textWidth(latin), 3 * int(latin.size()));
    const FontInfo info = engine.info(kForm);
    EXPECT_NE(info.file.find("helvR08"), std::string::npos) << info.file;
    EXPECT_TRUE(info.mono);
    EXPECT_EQ(info.fallbackPixelHeight, 12);
    const GlyphSource han = engine.glyphSource(kForm, U'扫');
    EXPECT_TRUE(endsWith(han.file, "uming.ttc")) << han.file;
    EXPECT_EQ(han.pixelHeight, 12);
    EXPECT_TRUE(han.mono);
    EXPECT_NE(engine.glyphSource(kForm, U'A').file.find("helvR08"), std::string::npos);
}

TEST_F(FontMetrics, FormBoldUsesTheBoldBitmap) {
    const FontInfo info = engine.info({"MS Sans Serif", 11, true});
    EXPECT_NE(info.file.find("helvB08"), std::string::npos) << info.file;
    EXPECT_FALSE(info.syntheticBold);
    EXPECT_EQ(engine.font({"MS Sans Serif", 11, true}).lineHeight(), 13);
}

TEST_F(FontMetrics, SpacesAtEitherEndCountAndEmptyTextHasALineHeight) {
    const Font& f = engine.font(kSong12);
    EXPECT_EQ(f.textWidth("  A  "), 30);
    EXPECT_EQ(f.textWidth("   更新病毒库"), 18 + 60);
    EXPECT_EQ(f.textExtent(""), (Size{0, 12}));
}

TEST_F(FontMetrics, TabsStopAtMultiplesOfEightAverageWidthsFromTheStart) {
    const Font& song = engine.font(kSong12);
    ASSERT_EQ(engine.info(kSong12).averageCharWidth, 6);
    EXPECT_EQ(song.textWidth("\t"), 48);
    EXPECT_EQ(song.textWidth("A\t"), 48);
    EXPECT_EQ(song.textWidth("AAAAAAAA\t"), 96);  // exactly on a stop: on to the next
    EXPECT_EQ(song.textWidth("\t\tA"), 96 + 6);
    EXPECT_EQ(song.textWidth("设置\tA"), 48 + 6);
    EXPECT_EQ(song.advance(U'\t'), 48);

    // The form face is proportional: its unit is the mean lower-case width.
    const Font& form = engine.font(kForm);
    const int unit = engine.info(kForm).averageCharWidth;
    EXPECT_GE(unit, 4);
    EXPECT_LE(unit, 6);
    EXPECT_EQ(form.textWidth("ab\tc"), 8 * unit + form.textWidth("c"));
}

TEST_F(FontMetrics, ControlCharactersTakeNoRoom) {
    const Font& f = engine.font(kSong12);
    EXPECT_EQ(f.textWidth("A\nB\r"), 12);
    EXPECT_EQ(f.textWidth(std::string("A\0B", 3)), 12);
}

TEST_F(FontMetrics, SameSpecGivesTheSameFontAndHeightsAreNormalised) {
    const Font& a = engine.font(kSong12);
    EXPECT_EQ(&engine.font(kSong12), &a);
    EXPECT_EQ(&engine.font({"宋体", -12, false}), &a);  // the stored negative height
    EXPECT_NE(&engine.font(kSong12Bold), &a);
    EXPECT_EQ(engine.font({"MS Sans Serif", 0, false}).lineHeight(), 13);
    // A silly height is held, not passed on to FreeType.
    const Font& huge = engine.font({"宋体", 1 << 30, false});
    EXPECT_EQ(huge.lineHeight(), 512);
    EXPECT_GT(huge.textWidth("设"), 400);
}

}  // namespace
}  // namespace tv
