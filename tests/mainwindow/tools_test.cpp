// The timed runs, personalisation, launchers, forms and the window drag of the main window.
#include <gtest/gtest.h>

#include "host/codepage.h"
#include "mainwindow/fixture.h"

namespace tv {
namespace {

struct Tools : ::testing::Test, test::Program {
    void check(TCheckListBox* l, int i) { l->setChecked(i, true); }
};

TEST_F(Tools, AScanWithNothingCheckedIsRefusedAndChangesNothing) {
    form1.ProgressBar2->setPosition(7);
    drv.click(*form1.SpeedButton4);
    EXPECT_EQ(noticeTexts(), std::vector<std::string>{"请选择要扫描的内容！"});
    EXPECT_EQ(boxes[0].caption, "托尔万(Tolvane)");
    drv.dismissBox();
    EXPECT_EQ(form1.ProgressBar2->position(), 7);
    EXPECT_EQ(form1.Memo1->text(), "");
    EXPECT_FALSE(form1.Timer2->enabled());
}

TEST_F(Tools, ADiskScanRuns101TicksAndThenClearsItsBarAndMemo) {
    check(form1.CheckListBox2, 7);  // only the last target
    drv.click(*form1.SpeedButton4);
    EXPECT_TRUE(form1.Timer2->enabled());
    EXPECT_EQ(form1.Memo1->text(), "正在扫描：");
    drv.advance(300 * 100);
    EXPECT_EQ(form1.ProgressBar2->position(), 100);
    EXPECT_EQ(drv.topBox(), nullptr);
    drv.advance(300);
    ASSERT_EQ(noticeTexts(), std::vector<std::string>{"扫描硬盘结束！"});
    EXPECT_FALSE(form1.Timer2->enabled());
    EXPECT_EQ(form1.ProgressBar2->position(), 100);  // cleared only once the notice is gone
    drv.dismissBox();
    EXPECT_EQ(form1.ProgressBar2->position(), 0);
    EXPECT_EQ(form1.Memo1->text(), "");
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

TEST_F(Tools, ScanAndKillTogetherFillTheSharedBarTwiceAsFastAndStackTheirNotices) {
    check(form1.CheckListBox2, 2);
    drv.click(*form1.SpeedButton4);
    drv.advance(100);
    drv.click(*form1.SpeedButton5);
    EXPECT_EQ(form1.Memo1->text(), "正在查杀：");
    drv.advance(300 * 20);
    EXPECT_NEAR(form1.ProgressBar2->position(), 40, 1);
    drv.advance(300 * 40);
    ASSERT_EQ(app.openBoxes().size(), 2u);  // the second run's tick saw the full bar too
    EXPECT_EQ(noticeTexts(), (std::vector<std::string>{"扫描硬盘结束！", "硬盘查杀结束！"}));
    drv.dismissBox();
    drv.dismissBox();
    EXPECT_FALSE(form1.Timer2->enabled());
    EXPECT_FALSE(form1.Timer4->enabled());
    EXPECT_EQ(form1.ProgressBar2->position(), 0);
    EXPECT_EQ(form1.Memo1->text(), "");
}

TEST_F(Tools, KillWithNothingCheckedIsRefused) {
    drv.click(*form1.SpeedButton5);
    EXPECT_EQ(noticeTexts(), std::vector<std::string>{"请选择要查杀的内容！"});
    EXPECT_FALSE(form1.Timer4->enabled());
}

TEST_F(Tools, RepairNeedsATargetAndSelectAllThenRepairRunsToItsNotice) {
    drv.click(*form1.Panel4);
    drv.click(*form1.SpeedButton3);
    EXPECT_EQ(noticeTexts(), std::vector<std::string>{"请选择要修复的内容！"});
    drv.dismissBox();
    drv.click(*form1.SpeedButton1);
    for (int i = 0; i < 26; ++i) EXPECT_TRUE(form1.CheckListBox1->checked(i));
    drv.click(*form1.SpeedButton3);
    drv.advance(200 * 100);
    EXPECT_EQ(boxes.size(), 1u);
    drv.advance(200);
    EXPECT_EQ(boxes.back().text, "IE修复成功，请启动IE刷新！");
    drv.dismissBox();
    drv.click(*form1.SpeedButton2);
    for (int i = 0; i < 26; ++i) EXPECT_FALSE(form1.CheckListBox1->checked(i));
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

// Personalisation

using Op = HostCall::Op;

std::string cp936(const std::string& utf8) {
    return *utf8ToCp936(utf8);
}

TEST_F(Tools, SetTitleWritesBothRootsInOrderAndReportsTheUserWrite) {
    drv.click(*form1.Panel4);
    drv.click(*form1.SpeedButton77);
    const auto& c = host.calls();
    ASSERT_EQ(c.size(), 6u);
    EXPECT_EQ(c[0].op, Op::OpenKey);
    EXPECT_EQ(c[0].root, RegistryRoot::LocalMachine);
    EXPECT_EQ(c[0].path, "Software\\Microsoft\\Internet Explorer\\Main");
    EXPECT_EQ(c[1].op, Op::WriteString);
    EXPECT_EQ(c[1].valueName, "Window Title");
    EXPECT_EQ(c[1].data, cp936("托尔万(Tolvane)"));
    EXPECT_EQ(c[2].op, Op::CloseKey);
    EXPECT_EQ(c[3].root, RegistryRoot::CurrentUser);
    EXPECT_EQ(c[4].op, Op::WriteString);
    EXPECT_EQ(c[5].op, Op::CloseKey);
    EXPECT_EQ(noticeTexts(), std::vector<std::string>{"IE标题设置成功！"});
}

TEST_F(Tools, WithoutMachineRightsTheTitleStillReachesTheUserAndLogonActionsShowNothing) {
    host.failOpenKey(RegistryRoot::LocalMachine);
    drv.click(*form1.Panel4);
    drv.click(*form1.SpeedButton77);
    EXPECT_EQ(noticeTexts(), std::vector<std::string>{"IE标题设置成功！"});
    drv.dismissBox();
    drv.click(*form1.SpeedButton79);
    drv.click(*form1.SpeedButton80);
    EXPECT_EQ(boxes.size(), 1u);
    for (const auto& c : host.calls()) {
        const bool machineChange = c.root == RegistryRoot::LocalMachine &&
                                   (c.op == Op::WriteString || c.op == Op::DeleteValue);
        EXPECT_FALSE(machineChange) << describe(c);
    }
}

TEST_F(Tools, LogonNoticeWritesCaptionAndTextAndClearDeletesBoth) {
    drv.click(*form1.Panel4);
    form1.Edit2->setText("");
    form1.Edit3->setText("");
    drv.click(*form1.SpeedButton79);
    const auto& c = host.calls();
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[0].path, "Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon");
    EXPECT_EQ(c[1].valueName, "LegalNoticeCaption");
    EXPECT_EQ(c[1].data, "");
    EXPECT_EQ(c[2].valueName, "LegalNoticeText");
    EXPECT_EQ(c[3].op, Op::CloseKey);
    EXPECT_EQ(noticeTexts(), std::vector<std::string>{"开机信息设置成功！"});
    drv.dismissBox();
    drv.click(*form1.SpeedButton80);
    drv.click(*form1.SpeedButton80);  // the values are gone: still reported cleared
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes.back().text, "开机信息已清除！");
}

TEST_F(Tools, AFailedWriteShowsTheErrorClosesTheKeyAndShowsNoSuccess) {
    host.failWritesTo("LegalNoticeText");
    drv.click(*form1.Panel4);
    drv.click(*form1.SpeedButton79);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Failed to set data for 'LegalNoticeText'");
    EXPECT_EQ(boxes[0].caption, "tolvane");
    EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_EQ(host.calls().back().op, Op::CloseKey);
    drv.dismissBox();
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(Tools, ClearTitleDeletesTheValueUnderBothRoots) {
    drv.click(*form1.Panel4);
    drv.click(*form1.SpeedButton78);
    std::vector<Op> ops;
    for (const auto& c : host.calls()) ops.push_back(c.op);
    EXPECT_EQ(ops, (std::vector<Op>{Op::OpenKey, Op::DeleteValue, Op::CloseKey, Op::OpenKey,
                                    Op::DeleteValue, Op::CloseKey}));
    EXPECT_EQ(noticeTexts(), std::vector<std::string>{"IE标题已清除！"});
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

TEST_F(Tools, ProxyOkConfirmsThenShowsTheDiskScanPageAndKeepsTheInputs) {
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
    EXPECT_FALSE(form1.Panel23->visible());
    drv.click(*form1.Panel4);
    drv.click(*form1.Panel16);
    drv.click(*form1.SpeedButton17);
    EXPECT_EQ(boxes.back().text, "安全设置已成功！");
    EXPECT_TRUE(form1.Panel24->visible());
}

// The window drag

TEST_F(Tools, DraggingTheTitleBarMovesTheWindowByTheCursorsTravel) {
    const Point start = form1.screenPos();
    const Rect bar = form1.ImageActiveTop->windowRect();
    const Point p{bar.left + 100, bar.top + 20};
    host.setCursorPos({start.x + p.x, start.y + p.y});
    drv.move(form1, p);
    drv.press(form1, p);
    host.setCursorPos({start.x + p.x + 37, start.y + p.y - 12});
    drv.move(form1, {p.x + 37, p.y - 12});
    EXPECT_EQ(form1.screenPos(), (Point{start.x + 37, start.y - 12}));
    EXPECT_EQ(form1.width(), 601);
    // Released far outside the window: the drag ends there.
    host.setCursorPos({-500, -500});
    drv.move(form1, {-900, -900});
    drv.release(form1, {-900, -900});
    EXPECT_FALSE(form1.dragMove().dragging);
    const Point end = form1.screenPos();
    drv.move(form1, p);
    EXPECT_EQ(form1.screenPos(), end);
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

TEST_F(Tools, TheClosePictureEndsTheProgram) {
    drv.click(*form1.ImageClose);
    EXPECT_FALSE(drv.running());
}

}  // namespace
}  // namespace tv
