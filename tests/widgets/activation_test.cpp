// Focus marks and activation: the dotted rectangle, the caret and the focused selection
// show only in the active window; a message box, a modal dialog or another program
// takes them away, and closing the box gives the focus back where it was.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/colors.h"
#include "support/driver.h"
#include "support/fake_font.h"
#include "widgets/accessibility.h"
#include "widgets/check_box.h"
#include "widgets/check_list_box.h"
#include "widgets/edit.h"
#include "widgets/memo.h"
#include "widgets/panel.h"

namespace tv {
namespace {

// A page like the disk scan page: a check list first in tab order, an edit in a group
// panel, a memo and a check box, and two buttons (panels) that open a notice and a
// modal dialog.
struct Page {
    platform::HeadlessPlatform platform;
    test::FakeFontEngine fonts;
    TApplication app{platform, fonts, "tolvane"};
    TForm form{app, TBorderStyle::bsNone, {420, 300}, platform::WindowRole::Main};
    TForm dialog{app, TBorderStyle::bsDialog, {200, 100}, platform::WindowRole::Dialog};
    test::Driver drv{platform, app};
    TCheckListBox& list = form.make<TCheckListBox>();
    TPanel& group = form.make<TPanel>();
    TEdit& edit = form.make<TEdit>();
    TMemo& memo = form.make<TMemo>();
    TCheckBox& check = form.make<TCheckBox>();
    TPanel& scan = form.make<TPanel>();
    TPanel& about = form.make<TPanel>();

    Page() {
        form.setFont(TFont{{"宋体", 12, false}, clWindowText});
        list.setParent(&form);
        list.setBounds(10, 10, 150, 60);
        list.setItems({"我的文档", "System(C:)"});
        list.setTabOrder(0);
        group.setParent(&form);
        group.setBounds(10, 80, 170, 30);
        group.setTabOrder(1);
        edit.setParent(&group);
        edit.setBounds(5, 5, 150, 21);
        edit.setText("abcd");
        memo.setParent(&form);
        memo.setBounds(10, 120, 150, 60);
        memo.setText("abcd");
        memo.setTabOrder(2);
        check.setParent(&form);
        check.setBounds(10, 190, 150, 17);
        check.setCaption("ab");
        check.setTabOrder(3);
        scan.setParent(&form);
        scan.setBounds(250, 10, 60, 25);
        scan.OnClick = [this](TObject*) { app.messageBox("请选择", "托尔万(Tolvane)", MB_OK); };
        about.setParent(&form);
        about.setBounds(250, 50, 60, 25);
        about.OnClick = [this](TObject*) { dialog.showModal(); };
        form.show();
        drv.start();
    }
    std::vector<Pixel> pixelsOf(const TControl& c) {
        const auto& w = *platform.window(form.window().id());
        const Rect r = c.windowRect();
        std::vector<Pixel> out;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) out.push_back(w.pixelAt(x, y));
        return out;
    }
};

enum class Taker { MessageBox, ModalDialog, OtherProgram };

void takeActivation(Page& p, Taker t) {
    switch (t) {
        case Taker::MessageBox:
            p.drv.click(p.scan);
            ASSERT_NE(p.drv.topBox(), nullptr);
            p.drv.windowFocus(p.form, true);  // the focus follows the pointer onto it
            break;
        case Taker::ModalDialog:
            p.drv.click(p.about);
            ASSERT_TRUE(p.dialog.isShowing());
            p.drv.windowFocus(p.form, true);
            break;
        case Taker::OtherProgram:
            p.drv.windowFocus(p.form, false);
            break;
    }
    EXPECT_FALSE(p.form.active());
}

void giveBack(Page& p, Taker t) {
    switch (t) {
        case Taker::MessageBox:
            p.drv.dismissBox();
            break;
        case Taker::ModalDialog:
            p.drv.closeRequest(p.dialog);
            break;
        case Taker::OtherProgram:
            p.drv.windowFocus(p.form, true);
            break;
    }
    EXPECT_TRUE(p.form.active());
}

// Each control with its focus marks (the list's rectangle on its first item, as just
// after start; the caret and a selection in the edit and the memo; the check box's
// rectangle), and each way the window can lose the activation.
TEST(FocusMarks, ShowOnlyWhileTheWindowIsActiveAndComeBackWithTheFocus) {
    enum class Kind { List, Edit, Memo, Check };
    const struct {
        const char* name;
        Kind kind;
        Taker taker;
    } rows[] = {
        {"list, notice (the start case)", Kind::List, Taker::MessageBox},
        {"list, About dialog", Kind::List, Taker::ModalDialog},
        {"list, other program", Kind::List, Taker::OtherProgram},
        {"edit, notice", Kind::Edit, Taker::MessageBox},
        {"edit, About dialog", Kind::Edit, Taker::ModalDialog},
        {"edit, other program", Kind::Edit, Taker::OtherProgram},
        {"memo, notice", Kind::Memo, Taker::MessageBox},
        {"memo, About dialog", Kind::Memo, Taker::ModalDialog},
        {"memo, other program", Kind::Memo, Taker::OtherProgram},
        {"check box, notice", Kind::Check, Taker::MessageBox},
        {"check box, About dialog", Kind::Check, Taker::ModalDialog},
        {"check box, other program", Kind::Check, Taker::OtherProgram},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto p = std::make_unique<Page>();
        TControl* c = &p->list;  // the first tab stop has the focus from the start
        if (row.kind == Kind::Edit) {
            p->drv.click(p->edit);
            p->edit.setSelection(0, 2);
            c = &p->edit;
        } else if (row.kind == Kind::Memo) {
            p->drv.click(p->memo);
            p->memo.setSelection(0, 2);
            c = &p->memo;
        } else if (row.kind == Kind::Check) {
            p->drv.click(p->check);
            c = &p->check;
        }
        p->drv.advance(0);
        ASSERT_TRUE(c->focused());
        const std::vector<Pixel> marked = p->pixelsOf(*c);

        takeActivation(*p, row.taker);
        const std::vector<Pixel> inactive = p->pixelsOf(*c);
        giveBack(*p, row.taker);
        EXPECT_TRUE(c->focused());
        EXPECT_EQ(p->pixelsOf(*c), marked) << "drawn again";

        p->form.setFocusedControl(nullptr);
        p->drv.advance(0);
        const std::vector<Pixel> plain = p->pixelsOf(*c);
        EXPECT_NE(plain, marked) << "the marks show while active";
        EXPECT_EQ(inactive, plain) << "no marks while inactive";
    }
}

// Reached with Tab and left with Tab or a click on the list, a control is drawn without its
// focus marks again (the edit and the memo keep their selection, unseen).
TEST(FocusMarks, GoWithTheFocusToTheNextControl) {
    const struct {
        const char* name;
        int tabs;  // from the list, which has the focus at first
        bool leaveByClick;
    } rows[] = {
        {"edit, left with Tab", 1, false},
        {"memo, left by a click on the list", 2, true},
        {"check box, left with Tab", 3, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        struct Heard : AccessObserver {
            std::vector<const TControl*> focused;
            void accessChanged(TControl& x, AccessChange what, int) override {
                if (what == AccessChange::Focus) focused.push_back(&x);
            }
        } heard;  // outlives the page, which reports its going away
        auto p = std::make_unique<Page>();
        TControl* c = row.tabs == 1   ? static_cast<TControl*>(&p->edit)
                      : row.tabs == 2 ? static_cast<TControl*>(&p->memo)
                                      : static_cast<TControl*>(&p->check);
        p->app.setAccessObserver(&heard);
        const std::vector<Pixel> plain = p->pixelsOf(*c);
        for (int i = 0; i < row.tabs; ++i) p->drv.key(p->form, platform::Key::Tab);
        ASSERT_TRUE(c->focused());
        EXPECT_EQ(heard.focused.size(), std::size_t(row.tabs)) << "one report a move";
        EXPECT_EQ(heard.focused.empty() ? nullptr : heard.focused.back(), c);
        if (row.tabs == 2) p->memo.setSelection(0, 2);
        p->drv.advance(0);
        EXPECT_NE(p->pixelsOf(*c), plain) << "marked while focused";
        if (row.leaveByClick)
            p->drv.click(p->list);
        else
            p->drv.key(p->form, platform::Key::Tab);
        EXPECT_FALSE(c->focused());
        EXPECT_EQ(p->pixelsOf(*c), plain);
    }
}

// The activation as the window system moves it, row after row: what assistive technology
// hears, the dialog's caption colours, and nothing repainted when nothing changed.
TEST(Activation, FollowsTheWindowSystemAndStopsAtAModalDialog) {
    struct Heard : AccessObserver {
        Page* page = nullptr;
        std::vector<std::string> changes;
        void accessChanged(TControl& c, AccessChange what, int) override {
            if (what != AccessChange::Activated && what != AccessChange::Deactivated) return;
            changes.push_back(std::string(&c == &page->form ? "main" : "dialog") +
                              (what == AccessChange::Activated ? " +" : " -"));
        }
    } heard;  // outlives the page, which reports its going away
    Page p;
    heard.page = &p;
    p.app.setAccessObserver(&heard);
    using V = std::vector<std::string>;
    const struct {
        const char* name;
        void (*act)(Page&);
        V changes;
        bool mainActive, dialogActive, mainRepainted;
    } rows[] = {
        {"the main window is told again",
         [](Page& q) { q.drv.windowFocus(q.form, true); },
         {},
         true,
         false,
         false},
        {"another program",
         [](Page& q) { q.drv.windowFocus(q.form, false); },
         {"main -"},
         false,
         false,
         true},
        {"back", [](Page& q) { q.drv.windowFocus(q.form, true); }, {"main +"}, true, false, true},
        {"the dialog opens",
         [](Page& q) { q.drv.click(q.about); },
         {"main -", "dialog +"},
         false,
         true,
         true},
        {"the dialog loses the focus",
         [](Page& q) { q.drv.windowFocus(q.dialog, false); },
         {"dialog -"},
         false,
         false,
         false},
        {"the main window under it is focused",
         [](Page& q) { q.drv.windowFocus(q.form, true); },
         {},
         false,
         false,
         false},
        {"the dialog gets it back",
         [](Page& q) { q.drv.windowFocus(q.dialog, true); },
         {"dialog +"},
         false,
         true,
         false},
        {"the dialog closes",
         [](Page& q) { q.drv.closeRequest(q.dialog); },
         {"dialog -", "main +"},
         true,
         false,
         true},
    };
    auto& mainWin = *p.platform.window(p.form.window().id());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        heard.changes.clear();
        mainWin.clearPresented();
        row.act(p);
        p.drv.advance(0);
        EXPECT_EQ(heard.changes, row.changes);
        EXPECT_EQ(p.form.active(), row.mainActive);
        EXPECT_EQ(p.dialog.active(), row.dialogActive);
        EXPECT_EQ(!mainWin.presented().empty(), row.mainRepainted);
        if (p.dialog.isShowing()) {
            const Pixel caption = p.platform.window(p.dialog.window().id())->pixelAt(3, 10);
            EXPECT_EQ(caption,
                      test::classicPixel(row.dialogActive ? clActiveCaption : clInactiveCaption));
        }
    }
}

// Closing the notice gives the window the keyboard again and the focus back to the control
// that had it, unless that control can no longer take it; then the first tab stop has it.
TEST(FocusMarks, TheFocusGoesBackAfterANoticeOnlyToAControlStillShowingAndEnabled) {
    const struct {
        const char* name;
        void (*underTheBox)(Page&);
        bool editGetsItBack;
    } rows[] = {
        {"nothing changed", [](Page&) {}, true},
        {"the edit disabled", [](Page& p) { p.edit.setEnabled(false); }, false},
        {"its panel hidden", [](Page& p) { p.group.setVisible(false); }, false},
        {"its panel disabled", [](Page& p) { p.group.setEnabled(false); }, false},
        {"its panel hidden and shown again",
         [](Page& p) {
             p.group.setVisible(false);
             p.group.setVisible(true);
         },
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto p = std::make_unique<Page>();
        p->drv.click(p->edit);
        p->drv.click(p->scan);
        ASSERT_NE(p->drv.topBox(), nullptr);
        row.underTheBox(*p);
        p->drv.dismissBox();
        EXPECT_EQ(p->platform.focused(), p->platform.window(p->form.window().id()))
            << "raised and given the keyboard";
        EXPECT_EQ(p->edit.focused(), row.editGetsItBack);
        EXPECT_EQ(p->list.focused(), !row.editGetsItBack);
    }
}

}  // namespace
}  // namespace tv
