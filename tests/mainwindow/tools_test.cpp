// The timed runs, personalisation, launchers, forms and the window drag of the main window.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "mainwindow/fixture.h"
#include "widgets/message_box.h"

namespace tv {
namespace {

struct Tools : ::testing::Test, test::Program {
    void check(TCheckListBox* l, int i) { l->setChecked(i, true); }
};

TEST_F(Tools, AScanWithNothingCheckedIsRefusedAndChangesNothing) {
    form1.ProgressBar2->setPosition(7);
    form1.Memo1->setText("上次的结果");
    drv.click(*form1.SpeedButton4);
    ASSERT_EQ(boxes.size(), 1u);
    drv.dismissBox();
    EXPECT_EQ(form1.ProgressBar2->position(), 7);
    EXPECT_EQ(form1.Memo1->text(), "上次的结果");
    EXPECT_FALSE(form1.Timer2->enabled());
}

TEST_F(Tools, ScanAgainDoesNotRestartAndUncheckingStopsWhereItIs) {
    check(form1.CheckListBox3, 4);
    drv.click(*form1.Panel10);
    drv.click(*form1.SpeedButton6);
    drv.advance(300 * 10);
    EXPECT_EQ(form1.ProgressBar3->position(), 10);
    form1.Memo2->setText("x");
    drv.advance(150);
    drv.click(*form1.SpeedButton6);  // half an interval in: the next tick still comes at 300
    EXPECT_EQ(form1.Memo2->text(), "正在扫描：");
    drv.advance(150);
    EXPECT_EQ(form1.ProgressBar3->position(), 11);
    form1.CheckListBox3->setChecked(4, false);
    drv.click(*form1.SpeedButton6);
    ASSERT_NE(drv.topBox(), nullptr);
    drv.dismissBox();
    drv.advance(3000);
    EXPECT_EQ(form1.ProgressBar3->position(), 11);
    check(form1.CheckListBox3, 0);
    drv.click(*form1.SpeedButton6);
    drv.advance(300);
    EXPECT_EQ(form1.ProgressBar3->position(), 12);
}

TEST_F(Tools, SelectAllChecksEveryRepairItemAndTheOtherButtonClearsThemAll) {
    drv.click(*form1.Panel4);
    check(form1.CheckListBox1, 3);
    drv.click(*form1.SpeedButton2);
    for (int i = 0; i < 26; ++i) EXPECT_FALSE(form1.CheckListBox1->checked(i)) << i;
    drv.click(*form1.SpeedButton1);
    for (int i = 0; i < 26; ++i) EXPECT_TRUE(form1.CheckListBox1->checked(i)) << i;
    drv.click(*form1.SpeedButton2);
    for (int i = 0; i < 26; ++i) EXPECT_FALSE(form1.CheckListBox1->checked(i)) << i;
}

TEST_F(Tools, ARunFinishingWhileTheAboutDialogIsOpenShowsItsNoticeOverIt) {
    check(form1.CheckListBox2, 0);
    drv.click(*form1.SpeedButton4);
    drv.click(*form1.Panel6);
    drv.click(*form1.Panel19);
    ASSERT_TRUE(form3.isShowing());
    drv.advance(300 * 101);
    ASSERT_NE(drv.topBox(), nullptr);
    EXPECT_EQ(boxes.back().text, "扫描硬盘结束！");
    EXPECT_FALSE(form3.inputEnabled());
    drv.dismissBox();
    EXPECT_TRUE(form3.inputEnabled());
    EXPECT_TRUE(form3.isShowing());
    drv.closeRequest(form3);
}

// Each run from an empty bar with only the last target checked: its notice comes on its
// 101st tick, the bar stays full under it, and once it is gone the bar and the memo are
// empty and the run ticks no more.
TEST(RunRules, EachRunShowsItsNoticeOnItsHundredAndFirstTick) {
    const struct {
        const char *open, *list, *button, *timer, *bar, *memo, *busy, *done;
        std::uint64_t interval;
    } rows[] = {
        // clang-format off
        {"Panel4",  "CheckListBox1", "SpeedButton3", "Timer1", "ProgressBar1", nullptr, nullptr,
         "IE修复成功，请启动IE刷新！", 200},
        {nullptr,   "CheckListBox2", "SpeedButton4", "Timer2", "ProgressBar2", "Memo1", "正在扫描：",
         "扫描硬盘结束！", 300},
        {"Panel10", "CheckListBox3", "SpeedButton6", "Timer3", "ProgressBar3", "Memo2", "正在扫描：",
         "扫描网络结束！", 300},
        {nullptr,   "CheckListBox2", "SpeedButton5", "Timer4", "ProgressBar2", "Memo1", "正在查杀：",
         "硬盘查杀结束！", 300},
        {"Panel10", "CheckListBox3", "SpeedButton7", "Timer5", "ProgressBar3", "Memo2", "正在查杀：",
         "网络查杀结束！", 300},
        // clang-format on
    };
    for (const auto& row : rows) {
        test::Program p;
        if (row.open) p.drv.click(p.widget(row.open));
        auto& list = p.get<TCheckListBox>(row.list);
        auto& bar = p.get<TProgressBar>(row.bar);
        list.setChecked(list.count() - 1, true);
        p.drv.click(p.widget(row.button));
        EXPECT_TRUE(p.get<TTimer>(row.timer).enabled()) << row.button;
        if (row.memo) {
            EXPECT_EQ(p.get<TMemo>(row.memo).text(), row.busy) << row.button;
        }
        p.drv.advance(row.interval * 101 - 1);
        EXPECT_EQ(bar.position(), 100) << row.button;
        EXPECT_EQ(p.drv.topBox(), nullptr) << row.button;
        p.drv.advance(1);
        EXPECT_EQ(p.noticeTexts(), std::vector<std::string>{row.done});
        EXPECT_EQ(bar.position(), 100) << row.button;
        p.drv.advance(row.interval * 3);
        EXPECT_EQ(p.boxes.size(), 1u) << row.button;
        p.drv.dismissBox();
        EXPECT_EQ(bar.position(), 0) << row.button;
        if (row.memo) {
            EXPECT_EQ(p.get<TMemo>(row.memo).text(), "") << row.button;
        }
        p.drv.advance(row.interval * 3);
        EXPECT_EQ(bar.position(), 0) << row.button;
    }
}

// A scan and a kill on one bar, the kill started 100 ms after the scan: together they fill
// the bar by 15100 ms, so the scan's tick at 15300 ms and the kill's at 15400 ms both find
// it full, and the second notice opens over the first.
TEST(RunRules, RunsSharingABarBothFinishOnTheirFirstTickAfterItIsFull) {
    const struct {
        const char *open, *list, *scan, *kill, *bar, *memo, *scanDone, *killDone;
    } rows[] = {
        {nullptr, "CheckListBox2", "SpeedButton4", "SpeedButton5", "ProgressBar2", "Memo1",
         "扫描硬盘结束！", "硬盘查杀结束！"},
        {"Panel10", "CheckListBox3", "SpeedButton6", "SpeedButton7", "ProgressBar3", "Memo2",
         "扫描网络结束！", "网络查杀结束！"},
    };
    for (const auto& row : rows) {
        test::Program p;
        if (row.open) p.drv.click(p.widget(row.open));
        p.get<TCheckListBox>(row.list).setChecked(0, true);
        auto& bar = p.get<TProgressBar>(row.bar);
        p.drv.click(p.widget(row.scan));
        p.drv.advance(100);
        p.drv.click(p.widget(row.kill));
        p.drv.advance(15300 - 100 - 1);
        EXPECT_EQ(bar.position(), 100) << row.scan;
        EXPECT_TRUE(p.boxes.empty()) << row.scan;
        p.drv.advance(1);
        EXPECT_EQ(p.noticeTexts(), std::vector<std::string>{row.scanDone});
        p.drv.advance(99);
        EXPECT_EQ(p.boxes.size(), 1u) << row.scan;
        p.drv.advance(1);
        EXPECT_EQ(p.noticeTexts(), (std::vector<std::string>{row.scanDone, row.killDone}));
        p.drv.dismissBox();
        p.drv.dismissBox();
        p.drv.advance(3000);
        EXPECT_EQ(bar.position(), 0) << row.scan;
        EXPECT_EQ(p.get<TMemo>(row.memo).text(), "") << row.scan;
        EXPECT_EQ(p.boxes.size(), 2u) << row.scan;
    }
}

// Personalisation

using Op = HostCall::Op;

// Every call of the four personalisation buttons, in order, for texts as laid out, empty
// and outside code page 936, and without the right to write for the whole machine. The
// values exist beforehand, so a second clear finds them gone.
std::vector<std::string> registryCalls(const RecordingHost& host) {
    std::vector<std::string> lines;
    for (const HostCall& c : host.calls()) {
        const std::string root = c.root == RegistryRoot::LocalMachine ? "HKLM\\" : "HKCU\\";
        const std::string fate = c.succeeded ? "" : " (refused)";
        if (c.op == Op::OpenKey) lines.push_back("open " + root + c.path + fate);
        if (c.op == Op::WriteString) lines.push_back("write " + c.valueName + "=" + c.text + fate);
        if (c.op == Op::DeleteValue) lines.push_back("delete " + c.valueName + fate);
        if (c.op == Op::CloseKey) lines.push_back("close");
    }
    return lines;
}

TEST(RegistryRules, EachButtonMakesItsCallsInOrderAndReportsTheOutcome) {
    const std::string ie = "Software\\Microsoft\\Internet Explorer\\Main";
    const std::string logon = "Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon";
    const std::string lmIe = "open HKLM\\" + ie, cuIe = "open HKCU\\" + ie;
    const std::string lmLogon = "open HKLM\\" + logon, gone = " (refused)";
    const std::string odd = "\xF0\x9F\x98\x80";  // outside code page 936
    const std::optional<RegistryRoot> none, lm = RegistryRoot::LocalMachine;
    const std::optional<RegistryRoot> cu = RegistryRoot::CurrentUser;
    const struct {
        const char* button;
        std::string edit1, edit2, edit3;
        std::optional<RegistryRoot> refused;  // the root whose keys cannot be opened
        int clicks;
        std::vector<std::string> calls, boxes;
    } rows[] = {
        // clang-format off
        {"SpeedButton77", "标题甲", "", "", none, 1,
         {lmIe, "write Window Title=标题甲", "close", cuIe, "write Window Title=标题甲", "close"},
         {"IE标题设置成功！"}},
        {"SpeedButton77", "", "", "", none, 1,
         {lmIe, "write Window Title=", "close", cuIe, "write Window Title=", "close"},
         {"IE标题设置成功！"}},
        {"SpeedButton77", odd, "", "", none, 1,
         {lmIe, "write Window Title=" + odd + gone, "close"},
         {"Failed to set data for 'Window Title'"}},
        {"SpeedButton77", "标题甲", "", "", lm, 1,
         {lmIe + gone, cuIe, "write Window Title=标题甲", "close"}, {"IE标题设置成功！"}},
        {"SpeedButton78", "", "", "", none, 1,
         {lmIe, "delete Window Title", "close", cuIe, "delete Window Title", "close"},
         {"IE标题已清除！"}},
        {"SpeedButton77", "标题甲", "", "", cu, 1,
         {lmIe, "write Window Title=标题甲", "close", cuIe + gone}, {}},
        {"SpeedButton78", "", "", "", cu, 1, {lmIe, "delete Window Title", "close", cuIe + gone}, {}},
        {"SpeedButton78", "", "", "", lm, 1,
         {lmIe + gone, cuIe, "delete Window Title", "close"}, {"IE标题已清除！"}},
        {"SpeedButton79", "", "说明乙", "文本丙", none, 1,
         {lmLogon, "write LegalNoticeCaption=说明乙", "write LegalNoticeText=文本丙", "close"},
         {"开机信息设置成功！"}},
        {"SpeedButton79", "", "", "", none, 1,
         {lmLogon, "write LegalNoticeCaption=", "write LegalNoticeText=", "close"}, {"开机信息设置成功！"}},
        {"SpeedButton79", "", odd, "文本丙", none, 1,
         {lmLogon, "write LegalNoticeCaption=" + odd + gone, "close"},
         {"Failed to set data for 'LegalNoticeCaption'"}},
        {"SpeedButton79", "", "说明乙", odd, none, 1,
         {lmLogon, "write LegalNoticeCaption=说明乙", "write LegalNoticeText=" + odd + gone, "close"},
         {"Failed to set data for 'LegalNoticeText'"}},
        {"SpeedButton79", "", "说明乙", "文本丙", lm, 1, {lmLogon + gone}, {}},
        {"SpeedButton80", "", "", "", none, 2,
         {lmLogon, "delete LegalNoticeCaption", "delete LegalNoticeText", "close",
          lmLogon, "delete LegalNoticeCaption" + gone, "delete LegalNoticeText" + gone, "close"},
         {"开机信息已清除！", "开机信息已清除！"}},
        {"SpeedButton80", "", "", "", lm, 1, {lmLogon + gone}, {}},
        // clang-format on
    };
    for (const auto& row : rows) {
        test::Program p;
        for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser})
            p.host.setValue(root, ie, "Window Title", "old");
        p.host.setValue(RegistryRoot::LocalMachine, logon, "LegalNoticeCaption", "old");
        p.host.setValue(RegistryRoot::LocalMachine, logon, "LegalNoticeText", "old");
        if (row.refused) p.host.failOpenKey(*row.refused);
        p.form1.Edit1->setText(row.edit1);
        p.form1.Edit2->setText(row.edit2);
        p.form1.Edit3->setText(row.edit3);
        p.drv.click(*p.form1.Panel4);
        for (int i = 0; i < row.clicks; ++i) {
            p.drv.click(p.widget(row.button));
            if (p.drv.topBox()) p.drv.dismissBox();
        }
        const std::string what = std::string(row.button) + " with \"" + row.edit1 + row.edit2 +
                                 row.edit3 + "\"" + (row.refused ? " without one root" : "");
        EXPECT_EQ(registryCalls(p.host), row.calls) << what;
        EXPECT_EQ(p.noticeTexts(), row.boxes) << what;
        EXPECT_EQ(p.host.openKeyCount(), 0) << what;
        for (const auto& box : p.boxes) {
            const bool error = box.text.starts_with("Failed");
            EXPECT_EQ(box.caption, error ? "tolvane" : "托尔万(Tolvane)") << what;
            EXPECT_EQ(box.flags, error ? MB_OK | MB_ICONERROR : MB_OK) << what;
        }
    }
}

// Notices

// Every notice of the program, reached from its handler: its text, captioned with the
// product's name, with one OK button and no icon.
TEST(NoticeRules, EveryNoticeComesFromItsHandlerWithItsTextAndCaption) {
    using Reach = std::function<void(test::Program&)>;
    auto click = [](std::vector<const char*> path) {
        return [path](test::Program& p) {
            for (const char* w : path) p.drv.click(p.widget(w));
        };
    };
    auto finish = [](const char* open, const char* list, const char* bar, const char* start) {
        return [=](test::Program& p) {
            if (open) p.drv.click(p.widget(open));
            p.get<TCheckListBox>(list).setChecked(0, true);
            p.get<TProgressBar>(bar).setPosition(100);
            p.drv.click(p.widget(start));
            p.drv.advance(300);
        };
    };
    const std::pair<const char*, Reach> rows[] = {
        {"IE标题设置成功！", click({"Panel4", "SpeedButton77"})},
        {"IE标题已清除！", click({"Panel4", "SpeedButton78"})},
        {"开机信息设置成功！", click({"Panel4", "SpeedButton79"})},
        {"开机信息已清除！", click({"Panel4", "SpeedButton80"})},
        {"请选择要修复的内容！", click({"Panel4", "SpeedButton3"})},
        {"请选择要扫描的内容！", click({"SpeedButton4"})},
        {"请选择要扫描的内容！", click({"Panel10", "SpeedButton6"})},
        {"请选择要查杀的内容！", click({"SpeedButton5"})},
        {"请选择要查杀的内容！", click({"Panel10", "SpeedButton7"})},
        {"IE修复成功，请启动IE刷新！",
         finish("Panel4", "CheckListBox1", "ProgressBar1", "SpeedButton3")},
        {"扫描硬盘结束！", finish(nullptr, "CheckListBox2", "ProgressBar2", "SpeedButton4")},
        {"扫描网络结束！", finish("Panel10", "CheckListBox3", "ProgressBar3", "SpeedButton6")},
        {"硬盘查杀结束！", finish(nullptr, "CheckListBox2", "ProgressBar2", "SpeedButton5")},
        {"网络查杀结束！", finish("Panel10", "CheckListBox3", "ProgressBar3", "SpeedButton7")},
        {"IE刷新成功！", click({"Panel4", "Panel14"})},
        {"代理服务器设置成功！", click({"Panel12", "SpeedButton8"})},
        {"安全设置已成功！", click({"Panel4", "Panel16", "SpeedButton17"})},
    };
    for (const auto& [text, reach] : rows) {
        test::Program p;
        reach(p);
        ASSERT_EQ(p.boxes.size(), 1u) << text;
        EXPECT_EQ(p.boxes[0].text, text);
        EXPECT_EQ(p.boxes[0].caption, "托尔万(Tolvane)") << text;
        EXPECT_EQ(p.boxes[0].flags, unsigned(MB_OK)) << text;
        auto* box = dynamic_cast<TMessageForm*>(p.drv.topBox());
        ASSERT_NE(box, nullptr) << text;
        EXPECT_FALSE(box->hasErrorIcon()) << text;
        p.drv.dismissBox();
        EXPECT_EQ(p.drv.topBox(), nullptr) << text;
    }
}

// Launchers

TEST_F(Tools, EachLauncherRunsItsCommandOnceWithShowFlagNine) {
    drv.click(*form1.Panel4);
    drv.click(*form1.Panel13);
    drv.click(*form1.Panel15);
    drv.click(*form1.Panel16);
    for (TSpeedButton* b :
         {form1.SpeedButton10, form1.SpeedButton11, form1.SpeedButton12, form1.SpeedButton13,
          form1.SpeedButton14, form1.SpeedButton15, form1.SpeedButton16})
        drv.click(*b);
    std::vector<std::string> lines;
    for (const auto& c : host.calls()) {
        ASSERT_EQ(c.op, Op::RunCommand);
        EXPECT_EQ(c.showFlag, 9);
        lines.push_back(c.commandLine);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "rundll32.exe shell32.dll,Control_RunDLL Inetcpl.cpl,,0",
                         "rundll32.exe shell32.dll,Control_RunDLL telephon.cpl",
                         "rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,0",
                         "rundll32.exe shell32.dll,Control_RunDLL access.cpl,,1",
                         "rundll32.exe shell32.dll,Control_RunDLL intl.cpl,,0",
                         "rundll32.exe shell32.dll,Control_RunDLL joy.cpl,,0",
                         "rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl,,0",
                         "rundll32.exe shell32.dll,Control_RunDLL sysdm.cpl,,0",
                         "rundll32.exe shell32.dll,Control_RunDLL powercfg.cpl",
                     }));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Tools, TheLogoAndTheUpdateItemOpenTheHomePageShownOnTheBottomBar) {
    drv.click(*form1.Image12);
    drv.click(*form1.Panel11);
    ASSERT_EQ(host.calls().size(), 2u);
    EXPECT_EQ(host.calls()[0].address, form1.Label3->caption());
    EXPECT_EQ(host.calls()[1].address, form1.Label3->caption());
    EXPECT_EQ(form3.Label4->caption(), form1.Label3->caption());
    EXPECT_TRUE(boxes.empty());
}

// Forms

TEST_F(Tools, ProxyOkConfirmsThenShowsTheDiskScanPageCancelShowsItAtOnceAndBothKeepTheInputs) {
    drv.click(*form1.Panel12);
    form1.Edit4->setText("10.0.0.1");
    drv.click(*form1.SpeedButton8);
    EXPECT_EQ(noticeTexts(), std::vector<std::string>{"代理服务器设置成功！"});
    EXPECT_TRUE(form1.Panel23->visible());  // the page changes after the notice
    drv.dismissBox();
    EXPECT_TRUE(form1.Panel21->visible());
    EXPECT_FALSE(form1.Panel23->visible());
    drv.click(*form1.Panel12);
    EXPECT_EQ(form1.Edit4->text(), "10.0.0.1");
    drv.click(*form1.SpeedButton9);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(form1.Panel21->visible());
    EXPECT_FALSE(form1.Panel23->visible());
}

// Flat buttons

TEST_F(Tools, AFlatButtonIsUpAfterItsClickAndANoticeOpeningUnderAPressReleasesIt) {
    drv.click(*form1.Panel4);
    TSpeedButton& all = *form1.SpeedButton1;
    drv.click(all);
    EXPECT_FALSE(all.down());
    EXPECT_TRUE(all.hot());  // the pointer is still over it
    drv.move(form1, surface(*form1.GroupBox1));
    EXPECT_FALSE(all.hot());
    // Held down, moves inside it repaint nothing.
    const Rect r = all.windowRect();
    drv.move(form1, {r.left + 5, r.top + 5});
    drv.press(form1, {r.left + 5, r.top + 5});
    const int paints = form1.paintCount();
    drv.move(form1, {r.left + 6, r.top + 5});
    drv.move(form1, {r.left + 7, r.top + 6});
    EXPECT_EQ(form1.paintCount(), paints);
    drv.release(form1, {r.left + 7, r.top + 6});
    // A scan's notice opens while "杀  毒" is held: the button lets go, and the release
    // after the notice starts no kill.
    drv.click(*form1.Panel2);
    check(form1.CheckListBox2, 0);
    form1.ProgressBar2->setPosition(100);
    drv.click(*form1.SpeedButton4);
    const Rect k = form1.SpeedButton5->windowRect();
    drv.move(form1, {k.left + 5, k.top + 5});
    drv.press(form1, {k.left + 5, k.top + 5});
    drv.advance(300);
    ASSERT_NE(drv.topBox(), nullptr);
    EXPECT_FALSE(form1.SpeedButton5->down());
    EXPECT_FALSE(form1.SpeedButton5->hot());
    drv.dismissBox();
    drv.release(form1, {k.left + 5, k.top + 5});
    EXPECT_FALSE(form1.Timer4->enabled());
}

// The window drag

// The drag from each of its five surfaces. The cursor moves between the two reads of each
// step, so the window must follow what the second read of one step and the first of the
// next say; after the release, moves with the cursor moving leave the window where it is.
TEST(DragRules, EachSurfaceMovesTheNativeWindowByTheCursorsTravelUntilRelease) {
    for (const char* name :
         {"ImageActiveTop", "ImageActiveLeftTop", "ImageActiveRightTop", "Label1", "Panel8"}) {
        test::Program p;
        auto* win = p.platform.window(p.form1.window().id());
        const Point at = p.surface(p.widget(name));
        const Point start = win->position();
        const ScreenPoint a{start.x + at.x, start.y + at.y};
        p.host.setCursorPos(a);
        p.drv.move(p.form1, at);
        p.drv.press(p.form1, at);
        p.host.nextReads = {{a.x + 10, a.y + 5}, {a.x + 13, a.y + 9}};
        p.drv.move(p.form1, at);
        p.host.nextReads = {{a.x + 20, a.y + 20}, {a.x + 25, a.y + 30}};
        p.drv.move(p.form1, at);
        EXPECT_EQ(win->position(), (Point{start.x + 10 + 7, start.y + 5 + 11})) << name;
        EXPECT_EQ(win->size(), (Size{601, 439})) << name;
        p.drv.release(p.form1, at);
        const Point end = win->position();
        p.host.nextReads = {{a.x + 40, a.y + 40}, {a.x + 50, a.y + 50}};
        p.drv.move(p.form1, at);
        p.host.setCursorPos({a.x - 30, a.y - 30});
        p.drv.move(p.form1, {at.x + 1, at.y});
        EXPECT_EQ(win->position(), end) << name;
    }
}

TEST_F(Tools, TheMinimisePictureMinimisesTheApplicationAndTheCloseOneEndsIt) {
    drv.click(*form1.ImageMin);
    EXPECT_TRUE(app.minimized());
    app.restore();
    drv.click(*form1.ImageClose);
    EXPECT_FALSE(drv.running());
}

TEST_F(Tools, ALabelOrTheAddressDoesNotStartADrag) {
    drv.click(*form1.Label2);
    EXPECT_FALSE(form1.dragMove().dragging);
    drv.click(*form1.Label3);
    EXPECT_FALSE(form1.dragMove().dragging);
    drv.press(form1, {form1.Label1->windowRect().left + 5, 12});
    EXPECT_TRUE(form1.dragMove().dragging);
}

TEST_F(Tools, ARightButtonDragTakesNoCaptureAndGoesOnUntilAReleaseOverASurface) {
    const Rect bar = form1.ImageActiveTop->windowRect();
    const Point p{bar.left + 100, bar.top + 20};
    drv.move(form1, p);
    drv.press(form1, p, platform::MouseButton::Right);
    EXPECT_EQ(form1.captureControl(), nullptr);
    const Point away{300, 200};  // a page, not a drag surface
    drv.release(form1, away, platform::MouseButton::Right);
    EXPECT_TRUE(form1.dragMove().dragging);
    const Point start = form1.screenPos();
    host.setCursorPos({host.cursorPos().x + 10, host.cursorPos().y + 5});
    drv.move(form1, {p.x + 1, p.y});
    EXPECT_EQ(form1.screenPos(), (Point{start.x + 10, start.y + 5}));
    drv.release(form1, {p.x + 1, p.y}, platform::MouseButton::Right);
    EXPECT_FALSE(form1.dragMove().dragging);
}

}  // namespace
}  // namespace tv
