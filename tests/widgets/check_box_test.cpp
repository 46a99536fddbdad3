// The check box's press table and keys, its pixels, and a gallery of every text and
// list control in several states, painted with the real fonts when they are installed.
// Replacing the global allocation functions confuses this warning; they do match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>

#include "gfx/png.h"
#include "support/colors.h"
#include "support/driver.h"
#include "support/fake_font.h"
#include "widgets/check_box.h"
#include "widgets/check_list_box.h"
#include "widgets/edit.h"
#include "widgets/group_box.h"
#include "widgets/memo.h"

// Counts the allocations this thread makes while a test asks for it: painting and mouse
// moves must not allocate once fonts and buffers are warm.
namespace {
thread_local bool tCounting = false;
thread_local long tAllocations = 0;
}  // namespace

namespace {
void* counted(std::size_t n) noexcept {
    if (tCounting) ++tAllocations;
    return std::malloc(n ? n : 1);
}
}  // namespace

// Every plain form is replaced, so that no allocation reaches another allocator's free.
void* operator new(std::size_t n) {
    if (void* p = counted(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = counted(n)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return counted(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return counted(n);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace tv {
namespace {

using platform::Key;

// CheckBox1 of the security group: 97 x 17 with the 12-pixel group font.
struct CheckBox : ::testing::Test {
    platform::HeadlessPlatform platform;
    test::FakeFontEngine fonts;
    TApplication app{platform, fonts, "tolvane"};
    TForm form{app, TBorderStyle::bsNone, {300, 200}, platform::WindowRole::Main};
    test::Driver drv{platform, app};
    TCheckBox& box = form.make<TCheckBox>();
    int clicks = 0;

    CheckBox() {
        form.setColor(kPageGrey);
        form.setFont(TFont{{"宋体", 12, false}, clNavy});
        box.setParent(&form);
        box.setBounds(32, 32, 97, 17);
        box.setCaption("清除盗号木马");  // 72 pixels in the fake font
        box.OnClick = [this](TObject*) { ++clicks; };
    }
    void start() {
        form.show();
        drv.start();
    }
    Pixel at(int x, int y) { return platform.window(form.window().id())->pixelAt(x, y); }
    Point caption() { return box.windowOrigin() + Point{17 + 36, 8}; }
    Point boxCentre() { return box.windowOrigin() + Point{6, 8}; }
};

// The press table.

TEST_F(CheckBox, AClickOnTheCaptionOrTheBoxToggles) {
    start();
    drv.click(form, caption());
    EXPECT_TRUE(box.checked());
    EXPECT_EQ(clicks, 1);
    drv.click(form, boxCentre());
    EXPECT_FALSE(box.checked());
    EXPECT_EQ(clicks, 2);
}

TEST_F(CheckBox, AReleaseOutsideChangesNothingAndBackInsideToggles) {
    start();
    drv.move(form, caption());
    drv.press(form, caption());
    EXPECT_TRUE(box.pushed());
    drv.move(form, {200, 150});
    EXPECT_FALSE(box.pushed());
    drv.release(form, {200, 150});
    EXPECT_FALSE(box.checked());
    EXPECT_EQ(clicks, 0);
    drv.press(form, caption());
    drv.move(form, {200, 150});
    drv.move(form, boxCentre());
    drv.release(form, boxCentre());
    EXPECT_TRUE(box.checked());
    EXPECT_EQ(clicks, 1);
}

TEST_F(CheckBox, ADoubleClickIsTwoToggles) {
    start();
    drv.doubleClick(form, caption());
    EXPECT_FALSE(box.checked());
    EXPECT_EQ(clicks, 2);
}

TEST_F(CheckBox, TheBoxLooksPushedWhileThePressIsOverIt) {
    start();
    const Point o = box.windowOrigin();
    EXPECT_EQ(at(o.x + 6, o.y + 8), test::classicPixel(clWindow));
    drv.move(form, caption());
    drv.press(form, caption());
    EXPECT_EQ(at(o.x + 6, o.y + 8), test::classicPixel(clBtnFace));
    drv.move(form, {200, 150});
    EXPECT_EQ(at(o.x + 6, o.y + 8), test::classicPixel(clWindow));
    drv.release(form, {200, 150});
}

TEST_F(CheckBox, SpaceTogglesWhenFocused) {
    start();
    ASSERT_TRUE(box.focused());
    drv.key(form, Key::Space);
    EXPECT_TRUE(box.checked());
    drv.key(form, Key::Space);
    EXPECT_FALSE(box.checked());
    EXPECT_EQ(clicks, 2);
}

TEST_F(CheckBox, SettingTheSameStateRepaintsNothing) {
    start();
    box.setChecked(false);
    EXPECT_FALSE(form.hasDamage());
    EXPECT_EQ(clicks, 0);
    box.setChecked(true);
    EXPECT_TRUE(form.hasDamage());
    EXPECT_EQ(clicks, 1);
}

// Pixels.

TEST_F(CheckBox, TheClassicBoxIsASunkenTwoPixelEdgeAroundWhiteWithTheMark) {
    box.setChecked(true);
    start();
    const Point o = box.windowOrigin();
    const int x = o.x, y = o.y + 2;  // (17 - 13) div 2
    EXPECT_EQ(at(x, y), test::classicPixel(clBtnShadow));
    EXPECT_EQ(at(x + 11, y), test::classicPixel(clBtnShadow));
    EXPECT_EQ(at(x + 12, y),
              test::classicPixel(clBtnHighlight));  // the corner belongs to the right
    EXPECT_EQ(at(x + 12, y + 12), test::classicPixel(clBtnHighlight));
    EXPECT_EQ(at(x + 1, y + 1), test::classicPixel(cl3DDkShadow));
    EXPECT_EQ(at(x + 11, y + 11), test::classicPixel(cl3DLight));
    EXPECT_EQ(at(x + 2, y + 2), test::classicPixel(clWindow));
    EXPECT_EQ(at(x + 3, y + 5), test::classicPixel(clWindowText));  // the mark, 3 pixels in
    EXPECT_EQ(at(x + 9, y + 3), test::classicPixel(clWindowText));
    EXPECT_EQ(at(x + 3, y + 4), test::classicPixel(clWindow));
    EXPECT_EQ(at(x, y - 1), test::classicPixel(kPageGrey));  // on the parent's colour
    EXPECT_EQ(at(x + 14, y + 6), test::classicPixel(kPageGrey));
    // The caption 4 pixels right of the box, centred: (17 - 12) div 2 = 2.
    EXPECT_EQ(at(o.x + 18, o.y + 3), test::classicPixel(clNavy));
    EXPECT_EQ(at(o.x + 17, o.y + 3), test::classicPixel(kPageGrey));
}

TEST_F(CheckBox, TheFocusRectangleSurroundsTheCaption) {
    start();
    const Point o = box.windowOrigin();
    const Pixel dot = test::classicPixel(kPageGrey) ^ 0x00FFFFFFu;
    ASSERT_TRUE(box.focused());
    EXPECT_EQ(box.captionRect(), (Rect{17, 2, 89, 14}));
    EXPECT_EQ(at(o.x + 16, o.y + 2), dot);
    EXPECT_EQ(at(o.x + 16, o.y + 4), dot);
    form.setFocusedControl(nullptr);
    drv.advance(0);
    EXPECT_EQ(at(o.x + 16, o.y + 2), test::classicPixel(kPageGrey));
}

// The gallery: every kind in several states on a page-grey dialog surface, saved as a PNG
// in the build folder for a person to look at.

TEST(Gallery, EveryTextAndListControlInItsStates) {
    platform::HeadlessPlatform platform;
    std::unique_ptr<FontEngine> engine;
    try {
        engine = FontEngine::create();
        engine->font(FontSpec{"宋体", 12, false});
    } catch (const std::exception&) {
        engine = std::make_unique<test::FakeFontEngine>();
    }
    TApplication app{platform, *engine, "tolvane"};
    TForm form{app, TBorderStyle::bsNone, {640, 420}, platform::WindowRole::Main};
    form.setColor(kPageGrey);
    form.setFont(TFont{{"MS Sans Serif", 11, false}, clWindowText});
    const TFont group{{"宋体", 12, false}, clNavy};
    const TFont body{{"宋体", 13, false}, clWindowText};
    const TFont list{{"宋体", 12, false}, clWindowText};

    auto& g4 = form.make<TGroupBox>();
    g4.setParent(&form);
    g4.setBounds(8, 8, 300, 150);
    g4.setCaption("个性设置");
    g4.setFont(group);
    auto edit = [&](int top, const char* text, TColor color) -> TEdit& {
        auto& e = form.make<TEdit>();
        e.setParent(&g4);
        e.setBounds(16, top, 185, 20);
        e.setText(text);
        e.setColor(color);
        return e;
    };
    edit(24, "托尔万(Tolvane)", kPageGrey);
    edit(52, "托尔万(Tolvane)", clWindow);
    auto& sel = edit(80, "我的电脑 selected", clWindow);
    edit(108, "A long text that scrolls to keep the caret in view", clWindow);
    auto& ime = form.make<TEdit>();
    ime.setParent(&g4);
    ime.setBounds(210, 24, 80, 21);
    ime.setFont(body);
    ime.setText("代理");

    auto& memo = form.make<TMemo>();
    memo.setParent(&form);
    memo.setBounds(8, 170, 329, 129);
    memo.setReadOnly(true);
    memo.setScrollBars(TScrollStyle::ssVertical);
    std::string lines = "正在扫描：";
    for (int i = 0; i < 14; ++i)
        lines += "C:\\WINDOWS\\system32\\drivers\\file" + std::to_string(i) + ".sys 完成 ";
    memo.setText(lines);
    auto& empty = form.make<TMemo>();
    empty.setParent(&form);
    empty.setBounds(8, 305, 329, 100);
    empty.setReadOnly(true);
    empty.setScrollBars(TScrollStyle::ssVertical);
    empty.setText("正在扫描：");

    auto& clb1 = form.make<TCheckListBox>();
    clb1.setParent(&form);
    clb1.setBounds(320, 8, 305, 113);
    clb1.setFont(list);
    clb1.setItems({"去除强行加入的恶意网站",
                   "修复开机自动启动IE的错误",
                   "修复IE搜索引擎",
                   "修复IE分组审查的密码",
                   "修复IE工具栏的链接名称",
                   "修复被禁用“辅助功能”",
                   "修复被禁用更改默认浏览器检查",
                   "修复被禁用连接页面中的“添加”",
                   "修复被禁用“Internet临时文件设置”",
                   "修复被禁用“常规”属性页",
                   "修复被禁用IE组建自动安装",
                   "修复被禁用“收藏夹\"",
                   "修复在IE浏览器中被禁用鼠标右键",
                   "修复被禁用\"Internet选项\"",
                   "修复被禁用\"关闭浏览器\"",
                   "修复被禁用\"打开\"",
                   "修复被禁用\"新建\"",
                   "修复被禁用\"颜色\"",
                   "修复被禁用\"字体\"",
                   "修复被禁用\"源文件\"",
                   "修复被禁用\"全屏显示\"",
                   "修复被禁用\"目标另存为\"",
                   "修复被禁用“自定义工具栏”",
                   "修复被禁用“清除历史记录”",
                   "修复被禁用“连接”属性页",
                   "修复被禁用“代理服务器”"});
    clb1.setChecked(0, true);
    clb1.setChecked(2, true);
    clb1.setItemIndex(2);
    auto& clb2 = form.make<TCheckListBox>();
    clb2.setParent(&form);
    clb2.setBounds(344, 130, 233, 113);
    clb2.setFont(body);
    clb2.setItems({"我的文档", "3.5软盘(A:)", "System(C:)", "本地磁盘(D:)", "本地磁盘(E:)",
                   "本地磁盘(F:)", "CD驱动器(G:)", "系统内存"});
    clb2.setChecked(2, true);

    auto& g5 = form.make<TGroupBox>();
    g5.setParent(&form);
    g5.setBounds(344, 250, 280, 160);
    g5.setCaption("安全设置");
    g5.setFont(group);
    const char* captions[] = {"清除盗号木马", "清除流氓软件", "防止广告框弹出", "开机防火墙",
                              "上网加速器"};
    std::vector<TCheckBox*> boxes;
    for (int i = 0; i < 5; ++i) {
        auto& c = form.make<TCheckBox>();
        c.setParent(&g5);
        c.setBounds(32, 32 + 24 * i, 105, 17);
        c.setCaption(captions[i]);
        boxes.push_back(&c);
    }
    boxes[1]->setChecked(true);
    boxes[3]->setChecked(true);
    auto& proxy = form.make<TCheckBox>();
    proxy.setParent(&g5);
    proxy.setBounds(150, 32, 129, 17);
    proxy.setFont(body);
    proxy.setCaption("使用代理服务器");

    form.show();
    form.setFocusedControl(nullptr);
    form.paintAll();
    // Only one control has the focus at a time: the focused looks are painted one control
    // at a time over the finished picture.
    auto* win = platform.window(form.window().id());
    auto paintOne = [&](TControl& c) {
        Canvas canvas(win->pixels(), 640, 420, 640);
        const Rect r = c.windowRect();
        canvas.clipTo(r);
        canvas.translate(r.left, r.top);
        c.paint(canvas);
    };
    auto focusedLook = [&](TControl& c) {
        form.setFocusedControl(&c);
        paintOne(c);
    };
    sel.setSelection(0, 4 * 3);
    focusedLook(sel);
    auto& longEdit = *static_cast<TEdit*>(g4.children()[3]);
    form.setFocusedControl(&longEdit);
    longEdit.setSelection(longEdit.text().size(), longEdit.text().size());
    paintOne(longEdit);
    ime.setSelection(6, 6);
    ime.textEditing("fu", 2);
    focusedLook(ime);
    memo.setSelection(0, 15);
    focusedLook(memo);
    clb2.setItemIndex(5);
    focusedLook(clb2);
    focusedLook(clb1);
    focusedLook(*boxes[3]);
    boxes[4]->mouseDown(TMouseButton::mbLeft, 0, 5, 5);  // drawn pushed
    paintOne(*boxes[4]);

    const std::string path = std::string(TV_GALLERY_DIR) + "/text_controls_gallery.png";
    savePng(path, win->buffer(), 640, 420, 640);
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    const Image back = loadPng(bytes);
    EXPECT_EQ(back.width, 640);
    EXPECT_EQ(back.height, 420);
    // Spot checks that each kind painted: the edge of an edit, the list's highlight, a
    // check box's white square.
    EXPECT_EQ(win->pixelAt(8 + 16, 8 + 24 + 12), test::classicPixel(clBtnShadow));
    const Point item2 =
        clb1.windowOrigin() + Point{clb1.itemsRect().right - 3, 2 + 2 * clb1.itemHeight() + 2};
    EXPECT_EQ(win->pixelAt(item2.x, item2.y), test::classicPixel(clHighlight));
    const Point sq = boxes[0]->windowOrigin() + Point{6, 8};
    EXPECT_EQ(win->pixelAt(sq.x, sq.y), test::classicPixel(clWindow));
}

}  // namespace
}  // namespace tv

namespace tv {
namespace {

// Hot paths: with every kind on a form, painting, hovering and drag-selecting allocate
// nothing after a first round has warmed the fonts and buffers.
TEST(HotPaths, PaintingAndMouseMovesAllocateNothing) {
    platform::HeadlessPlatform platform;
    test::FakeFontEngine fonts;
    TApplication app{platform, fonts, "tolvane"};
    TForm form{app, TBorderStyle::bsNone, {640, 420}, platform::WindowRole::Main};
    form.setFont(TFont{{"MS Sans Serif", 11, false}, clWindowText});
    auto& edit = form.make<TEdit>();
    edit.setParent(&form);
    edit.setBounds(10, 10, 120, 21);
    edit.setText("托尔万(Tolvane) and a longer tail of text that scrolls");
    auto& memo = form.make<TMemo>();
    memo.setParent(&form);
    memo.setBounds(10, 40, 329, 129);
    memo.setScrollBars(TScrollStyle::ssVertical);
    std::string text;
    for (int i = 0; i < 40; ++i) text += "正在扫描：C:\\WINDOWS\\file" + std::to_string(i) + " ";
    memo.setText(text);
    auto& list = form.make<TCheckListBox>();
    list.setParent(&form);
    list.setBounds(350, 10, 233, 113);
    std::vector<std::string> items;
    for (int i = 0; i < 26; ++i) items.push_back("修复项目" + std::to_string(i));
    list.setItems(items);
    list.setItemIndex(3);
    auto& box = form.make<TCheckBox>();
    box.setParent(&form);
    box.setBounds(350, 140, 129, 17);
    box.setCaption("使用代理服务器");

    auto send = [&](platform::EventType type, Point p, std::uint16_t shift = 0) {
        platform::Event e;
        e.type = type;
        e.window = form.window().id();
        e.pos = p;
        e.button = type == platform::EventType::MouseMove ? platform::MouseButton::None
                                                          : platform::MouseButton::Left;
        e.shift = shift;
        form.handleEvent(e);
    };
    auto round = [&] {
        form.paintAll();
        for (int x = 0; x < 640; x += 7) send(platform::EventType::MouseMove, {x, (x * 3) % 200});
        // A drag selection in the memo and the edit, and through the list.
        send(platform::EventType::MouseDown, {20, 50});
        for (int y = 50; y < 160; y += 5) {
            send(platform::EventType::MouseMove, {20 + y, y}, platform::kLeftButton);
            form.paintDamage();
        }
        send(platform::EventType::MouseUp, {20 + 160, 160});
        send(platform::EventType::MouseDown, {15, 20});
        for (int x = 15; x < 200; x += 6) {
            send(platform::EventType::MouseMove, {x, 20}, platform::kLeftButton);
            form.paintDamage();
        }
        send(platform::EventType::MouseUp, {200, 20});
        send(platform::EventType::MouseDown, {400, 20});
        for (int y = 20; y < 140; y += 4) {
            send(platform::EventType::MouseMove, {400, y}, platform::kLeftButton);
            form.paintDamage();
        }
        send(platform::EventType::MouseUp, {400, 140});
        form.paintAll();
    };
    form.show();
    round();  // warm-up: glyph caches, the canvas, clip stacks
    tCounting = true;
    tAllocations = 0;
    round();
    tCounting = false;
    EXPECT_EQ(tAllocations, 0);
    EXPECT_GT(list.topIndex(), 0);  // the drag did scroll the list
    EXPECT_GT(memo.selLength(), 0u);
}

}  // namespace
}  // namespace tv
