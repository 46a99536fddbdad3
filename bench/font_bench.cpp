// Start-up cost of text: creating the engine, the first font() of each layout font, the
// first paint of forty layout strings (glyphs loaded and cached) and a warm repaint.
// Run it several times; each run is one fresh process, as a start is.
//
//   add_executable(font_bench font_bench.cpp)
//   target_link_libraries(font_bench PRIVATE tv_gfx)

#include <chrono>
#include <cstdio>
#include <vector>

#include "gfx/canvas.h"
#include "gfx/font.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

const char* const kTexts[] = {"托尔万(Tolvane)V2.1（增强版）",
                              ">>",
                              "网络安全",
                              "网络优化",
                              "软件帮助",
                              "扫描硬盘",
                              "扫描网络",
                              "   更新病毒库",
                              "设       置",
                              "IE  属性",
                              "IE  刷新",
                              "拨号属性",
                              "选      项",
                              "关于软件",
                              "扫描对象：",
                              "扫  描",
                              "杀  毒",
                              "扫描进度：",
                              "扫描显示：",
                              "我的文档",
                              "3.5软盘(A:)",
                              "System(C:)",
                              "本地磁盘(D:)",
                              "本地磁盘(E:)",
                              "本地磁盘(F:)",
                              "CD驱动器(G:)",
                              "系统内存",
                              "个性设置",
                              "设置IE标题：",
                              "设定标题",
                              "清除标题",
                              "设置启动信息：",
                              "标题：",
                              "文本：",
                              "设 定",
                              "清 除",
                              "IE修复",
                              "反向选中",
                              "全部选中",
                              "开始修复"};

}  // namespace

int main() {
    using tv::FontSpec;
    const auto t0 = Clock::now();
    std::unique_ptr<tv::FontEngine> engine = tv::FontEngine::create();
    const double create = msSince(t0);

    const FontSpec specs[] = {{"MS Sans Serif", 11, false},
                              {"宋体", 13, true},
                              {"宋体", 12, true},
                              {"宋体", 12, false},
                              {"宋体", 13, false}};
    std::vector<const tv::Font*> fonts;
    const auto t1 = Clock::now();
    for (const FontSpec& s : specs) fonts.push_back(&engine->font(s));
    const double firstFonts = msSince(t1);

    std::vector<tv::Pixel> pixels(601 * 439, 0xFFD4D0C8u);
    tv::Canvas canvas(pixels.data(), 601, 439, 601);
    auto paint = [&] {
        int i = 0;
        for (const char* text : kTexts) {
            const tv::Font& f = *fonts[std::size_t(i) % fonts.size()];
            f.draw(canvas, 4 + (i % 3) * 200, 4 + (i / 3) * 16, text, 0xFF000000u);
            ++i;
        }
    };
    const auto t2 = Clock::now();
    paint();
    const double firstPaint = msSince(t2);
    const auto t3 = Clock::now();
    paint();
    const double warmPaint = msSince(t3);

    // For contrast: a face known only by name makes fontconfig load its configuration.
    const auto t4 = Clock::now();
    engine->font({"DejaVu Serif", 12, false});
    const double byName = msSince(t4);

    std::printf(
        "create %.3f ms, first font() x5 %.3f ms, first paint of 40 strings %.3f ms, "
        "warm repaint %.3f ms, total to first paint %.3f ms; a face by name through "
        "fontconfig %.3f ms\n",
        create, firstFonts, firstPaint, warmPaint, create + firstFonts + firstPaint, byName);
    return 0;
}
