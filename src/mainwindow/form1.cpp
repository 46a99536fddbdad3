#include "mainwindow/form1.h"

#include "about/form3.h"
#include "app/notices.h"
#include "widgets/application.h"
#include "widgets/binding.h"
#include "widgets/check_box.h"
#include "widgets/check_list_box.h"
#include "widgets/edit.h"
#include "widgets/memo.h"

namespace tv {
namespace {

constexpr int kShowRestore = 9;  // every launcher starts its program with this show flag

constexpr const char* kIeMainKey = "Software\\Microsoft\\Internet Explorer\\Main";
constexpr const char* kWinlogonKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon";
constexpr const char* kWindowTitle = "Window Title";
constexpr const char* kLegalNoticeCaption = "LegalNoticeCaption";
constexpr const char* kLegalNoticeText = "LegalNoticeText";

// A registry key opened for one action: closed on every path, also when a write fails.
class OpenKey {
  public:
    OpenKey(HostServices& host, RegistryRoot root, const char* path)
        : host_(host), key_(host.openKey(root, path)) {}
    ~OpenKey() {
        if (key_) host_.closeKey(std::move(key_));
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    explicit operator bool() const { return bool(key_); }
    RegistryKey& operator*() const { return *key_; }

  private:
    HostServices& host_;
    std::unique_ptr<RegistryKey> key_;
};

}  // namespace

TForm1::TForm1(TApplication& app, HostServices& host, const LayoutDocument& layout,
               const PictureSource& pictures)
    : TForm(app, layout.form().borderStyle, layout.form().clientSize, platform::WindowRole::Main),
      host_(host) {
    layout.apply(*this, pictures, handlers());
    bindMembers();
    // The application icon, which the About dialog shows, marks the main window too.
    if (auto icon = pictures ? pictures("tolvane.ico") : nullptr)
        window().setIcon(icon->iconImageFor(48));
    if (OnCreate) OnCreate(this);
}

void TForm1::bindMembers() {
    bindMember(*this, ImageActiveTop, "ImageActiveTop");
    bindMember(*this, ImageActiveLeftTop, "ImageActiveLeftTop");
    bindMember(*this, ImageActiveRightTop, "ImageActiveRightTop");
    bindMember(*this, ImageMin, "ImageMin");
    bindMember(*this, ImageClose, "ImageClose");
    bindMember(*this, Label1, "Label1");
    bindMember(*this, Label2, "Label2");
    bindMember(*this, PanelBkGnd, "PanelBkGnd");
    bindMember(*this, Image12, "Image12");
    bindMember(*this, Panel1, "Panel1");
    bindMember(*this, Panel2, "Panel2");
    bindMember(*this, Panel3, "Panel3");
    bindMember(*this, Panel9, "Panel9");
    bindMember(*this, Image1, "Image1");
    bindMember(*this, Panel10, "Panel10");
    bindMember(*this, Image2, "Image2");
    bindMember(*this, Panel11, "Panel11");
    bindMember(*this, Image3, "Image3");
    bindMember(*this, Panel12, "Panel12");
    bindMember(*this, Image4, "Image4");
    bindMember(*this, Panel4, "Panel4");
    bindMember(*this, Panel5, "Panel5");
    bindMember(*this, Panel13, "Panel13");
    bindMember(*this, Image5, "Image5");
    bindMember(*this, Panel14, "Panel14");
    bindMember(*this, Image6, "Image6");
    bindMember(*this, Panel15, "Panel15");
    bindMember(*this, Image7, "Image7");
    bindMember(*this, Panel16, "Panel16");
    bindMember(*this, Image8, "Image8");
    bindMember(*this, Panel6, "Panel6");
    bindMember(*this, Panel7, "Panel7");
    bindMember(*this, Panel19, "Panel19");
    bindMember(*this, Image11, "Image11");
    bindMember(*this, Panel20, "Panel20");
    bindMember(*this, Panel21, "Panel21");
    bindMember(*this, Panel22, "Panel22");
    bindMember(*this, Panel23, "Panel23");
    bindMember(*this, Panel24, "Panel24");
    bindMember(*this, GroupBox4, "GroupBox4");
    bindMember(*this, Label4, "Label4");
    bindMember(*this, SpeedButton77, "SpeedButton77");
    bindMember(*this, SpeedButton78, "SpeedButton78");
    bindMember(*this, Label5, "Label5");
    bindMember(*this, Label6, "Label6");
    bindMember(*this, Label7, "Label7");
    bindMember(*this, SpeedButton79, "SpeedButton79");
    bindMember(*this, SpeedButton80, "SpeedButton80");
    bindMember(*this, Edit1, "Edit1");
    bindMember(*this, Edit2, "Edit2");
    bindMember(*this, Edit3, "Edit3");
    bindMember(*this, GroupBox1, "GroupBox1");
    bindMember(*this, SpeedButton2, "SpeedButton2");
    bindMember(*this, SpeedButton1, "SpeedButton1");
    bindMember(*this, SpeedButton3, "SpeedButton3");
    bindMember(*this, CheckListBox1, "CheckListBox1");
    bindMember(*this, ProgressBar1, "ProgressBar1");
    bindMember(*this, Label13, "Label13");
    bindMember(*this, SpeedButton4, "SpeedButton4");
    bindMember(*this, SpeedButton5, "SpeedButton5");
    bindMember(*this, Label12, "Label12");
    bindMember(*this, Label11, "Label11");
    bindMember(*this, CheckListBox2, "CheckListBox2");
    bindMember(*this, ProgressBar2, "ProgressBar2");
    bindMember(*this, Memo1, "Memo1");
    bindMember(*this, Label8, "Label8");
    bindMember(*this, Label9, "Label9");
    bindMember(*this, Label10, "Label10");
    bindMember(*this, SpeedButton6, "SpeedButton6");
    bindMember(*this, SpeedButton7, "SpeedButton7");
    bindMember(*this, CheckListBox3, "CheckListBox3");
    bindMember(*this, ProgressBar3, "ProgressBar3");
    bindMember(*this, Memo2, "Memo2");
    bindMember(*this, SpeedButton8, "SpeedButton8");
    bindMember(*this, SpeedButton9, "SpeedButton9");
    bindMember(*this, GroupBox2, "GroupBox2");
    bindMember(*this, Label14, "Label14");
    bindMember(*this, Label15, "Label15");
    bindMember(*this, Edit4, "Edit4");
    bindMember(*this, Edit5, "Edit5");
    bindMember(*this, CheckBox11, "CheckBox11");
    bindMember(*this, GroupBox3, "GroupBox3");
    bindMember(*this, SpeedButton10, "SpeedButton10");
    bindMember(*this, SpeedButton11, "SpeedButton11");
    bindMember(*this, SpeedButton12, "SpeedButton12");
    bindMember(*this, SpeedButton13, "SpeedButton13");
    bindMember(*this, SpeedButton14, "SpeedButton14");
    bindMember(*this, SpeedButton15, "SpeedButton15");
    bindMember(*this, SpeedButton16, "SpeedButton16");
    bindMember(*this, GroupBox5, "GroupBox5");
    bindMember(*this, SpeedButton17, "SpeedButton17");
    bindMember(*this, CheckBox1, "CheckBox1");
    bindMember(*this, CheckBox2, "CheckBox2");
    bindMember(*this, CheckBox3, "CheckBox3");
    bindMember(*this, CheckBox4, "CheckBox4");
    bindMember(*this, CheckBox5, "CheckBox5");
    bindMember(*this, CheckBox6, "CheckBox6");
    bindMember(*this, CheckBox7, "CheckBox7");
    bindMember(*this, Panel8, "Panel8");
    bindMember(*this, Label3, "Label3");
    bindMember(*this, Timer1, "Timer1");
    bindMember(*this, Timer2, "Timer2");
    bindMember(*this, Timer3, "Timer3");
    bindMember(*this, Timer4, "Timer4");
    bindMember(*this, Timer5, "Timer5");
}

HandlerTable TForm1::handlers() {
    HandlerTable t;
    t.move["Edit1MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Edit1MouseMove(s, sh, x, y);
    };
    t.move["Edit2MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Edit2MouseMove(s, sh, x, y);
    };
    t.move["Edit3MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Edit3MouseMove(s, sh, x, y);
    };
    t.notify["FormCreate"] = [this](TObject* s) { FormCreate(s); };
    t.move["GroupBox4MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        GroupBox4MouseMove(s, sh, x, y);
    };
    t.notify["Image12Click"] = [this](TObject* s) { Image12Click(s); };
    t.mouse["ImageActiveLeftTopMouseDown"] = [this](TObject* s, TMouseButton b, TShiftState sh,
                                                    int x, int y) {
        ImageActiveLeftTopMouseDown(s, b, sh, x, y);
    };
    t.move["ImageActiveLeftTopMouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        ImageActiveLeftTopMouseMove(s, sh, x, y);
    };
    t.mouse["ImageActiveLeftTopMouseUp"] = [this](TObject* s, TMouseButton b, TShiftState sh, int x,
                                                  int y) {
        ImageActiveLeftTopMouseUp(s, b, sh, x, y);
    };
    t.mouse["ImageActiveRightTopMouseDown"] = [this](TObject* s, TMouseButton b, TShiftState sh,
                                                     int x, int y) {
        ImageActiveRightTopMouseDown(s, b, sh, x, y);
    };
    t.move["ImageActiveRightTopMouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        ImageActiveRightTopMouseMove(s, sh, x, y);
    };
    t.mouse["ImageActiveRightTopMouseUp"] = [this](TObject* s, TMouseButton b, TShiftState sh,
                                                   int x, int y) {
        ImageActiveRightTopMouseUp(s, b, sh, x, y);
    };
    t.mouse["ImageActiveTopMouseDown"] = [this](TObject* s, TMouseButton b, TShiftState sh, int x,
                                                int y) { ImageActiveTopMouseDown(s, b, sh, x, y); };
    t.move["ImageActiveTopMouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        ImageActiveTopMouseMove(s, sh, x, y);
    };
    t.mouse["ImageActiveTopMouseUp"] = [this](TObject* s, TMouseButton b, TShiftState sh, int x,
                                              int y) { ImageActiveTopMouseUp(s, b, sh, x, y); };
    t.notify["ImageCloseClick"] = [this](TObject* s) { ImageCloseClick(s); };
    t.notify["ImageMinClick"] = [this](TObject* s) { ImageMinClick(s); };
    t.mouse["Label1MouseDown"] = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        Label1MouseDown(s, b, sh, x, y);
    };
    t.move["Label1MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Label1MouseMove(s, sh, x, y);
    };
    t.mouse["Label1MouseUp"] = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        Label1MouseUp(s, b, sh, x, y);
    };
    t.notify["Panel10Click"] = [this](TObject* s) { Panel10Click(s); };
    t.move["Panel10MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Panel10MouseMove(s, sh, x, y);
    };
    t.notify["Panel11Click"] = [this](TObject* s) { Panel11Click(s); };
    t.move["Panel11MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Panel11MouseMove(s, sh, x, y);
    };
    t.notify["Panel12Click"] = [this](TObject* s) { Panel12Click(s); };
    t.move["Panel12MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Panel12MouseMove(s, sh, x, y);
    };
    t.notify["Panel13Click"] = [this](TObject* s) { Panel13Click(s); };
    t.move["Panel13MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Panel13MouseMove(s, sh, x, y);
    };
    t.notify["Panel14Click"] = [this](TObject* s) { Panel14Click(s); };
    t.move["Panel14MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Panel14MouseMove(s, sh, x, y);
    };
    t.notify["Panel15Click"] = [this](TObject* s) { Panel15Click(s); };
    t.move["Panel15MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Panel15MouseMove(s, sh, x, y);
    };
    t.notify["Panel16Click"] = [this](TObject* s) { Panel16Click(s); };
    t.move["Panel16MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Panel16MouseMove(s, sh, x, y);
    };
    t.notify["Panel19Click"] = [this](TObject* s) { Panel19Click(s); };
    t.move["Panel19MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Panel19MouseMove(s, sh, x, y);
    };
    t.notify["Panel2Click"] = [this](TObject* s) { Panel2Click(s); };
    t.move["Panel3MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Panel3MouseMove(s, sh, x, y);
    };
    t.notify["Panel4Click"] = [this](TObject* s) { Panel4Click(s); };
    t.move["Panel5MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Panel5MouseMove(s, sh, x, y);
    };
    t.notify["Panel6Click"] = [this](TObject* s) { Panel6Click(s); };
    t.move["Panel7MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Panel7MouseMove(s, sh, x, y);
    };
    t.mouse["Panel8MouseDown"] = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        Panel8MouseDown(s, b, sh, x, y);
    };
    t.move["Panel8MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Panel8MouseMove(s, sh, x, y);
    };
    t.mouse["Panel8MouseUp"] = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        Panel8MouseUp(s, b, sh, x, y);
    };
    t.notify["Panel9Click"] = [this](TObject* s) { Panel9Click(s); };
    t.move["Panel9MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Panel9MouseMove(s, sh, x, y);
    };
    t.move["PanelBkGndMouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        PanelBkGndMouseMove(s, sh, x, y);
    };
    t.notify["SpeedButton10Click"] = [this](TObject* s) { SpeedButton10Click(s); };
    t.notify["SpeedButton11Click"] = [this](TObject* s) { SpeedButton11Click(s); };
    t.notify["SpeedButton12Click"] = [this](TObject* s) { SpeedButton12Click(s); };
    t.notify["SpeedButton13Click"] = [this](TObject* s) { SpeedButton13Click(s); };
    t.notify["SpeedButton14Click"] = [this](TObject* s) { SpeedButton14Click(s); };
    t.notify["SpeedButton15Click"] = [this](TObject* s) { SpeedButton15Click(s); };
    t.notify["SpeedButton16Click"] = [this](TObject* s) { SpeedButton16Click(s); };
    t.notify["SpeedButton17Click"] = [this](TObject* s) { SpeedButton17Click(s); };
    t.notify["SpeedButton1Click"] = [this](TObject* s) { SpeedButton1Click(s); };
    t.notify["SpeedButton2Click"] = [this](TObject* s) { SpeedButton2Click(s); };
    t.notify["SpeedButton3Click"] = [this](TObject* s) { SpeedButton3Click(s); };
    t.notify["SpeedButton4Click"] = [this](TObject* s) { SpeedButton4Click(s); };
    t.notify["SpeedButton5Click"] = [this](TObject* s) { SpeedButton5Click(s); };
    t.notify["SpeedButton6Click"] = [this](TObject* s) { SpeedButton6Click(s); };
    t.notify["SpeedButton77Click"] = [this](TObject* s) { SpeedButton77Click(s); };
    t.notify["SpeedButton78Click"] = [this](TObject* s) { SpeedButton78Click(s); };
    t.notify["SpeedButton79Click"] = [this](TObject* s) { SpeedButton79Click(s); };
    t.notify["SpeedButton7Click"] = [this](TObject* s) { SpeedButton7Click(s); };
    t.notify["SpeedButton80Click"] = [this](TObject* s) { SpeedButton80Click(s); };
    t.notify["SpeedButton8Click"] = [this](TObject* s) { SpeedButton8Click(s); };
    t.notify["SpeedButton9Click"] = [this](TObject* s) { SpeedButton9Click(s); };
    t.notify["Timer1Timer"] = [this](TObject* s) { Timer1Timer(s); };
    t.notify["Timer2Timer"] = [this](TObject* s) { Timer2Timer(s); };
    t.notify["Timer3Timer"] = [this](TObject* s) { Timer3Timer(s); };
    t.notify["Timer4Timer"] = [this](TObject* s) { Timer4Timer(s); };
    t.notify["Timer5Timer"] = [this](TObject* s) { Timer5Timer(s); };
    return t;
}

// Creation

void TForm1::FormCreate(TObject*) {
    PanelBkGnd->setColor(kPageGrey);
    // No main menu is ever attached, so there is none to detach.
}

// The window drag. Positions are screen positions read from the system at each step, so
// a step does not depend on which surface reports it or on the window having moved
// under the pointer.

void TForm1::beginDrag() {
    drag_.dragging = true;
    drag_.last = host_.cursorPos();
}

void TForm1::dragStep() {
    if (!drag_.dragging) return;
    drag_.current = host_.cursorPos();
    drag_.delta = {drag_.current.x - drag_.last.x, drag_.current.y - drag_.last.y};
    const Point p = screenPos();
    moveTo({p.x + drag_.delta.x, p.y + drag_.delta.y});
    drag_.last = host_.cursorPos();
}

void TForm1::endDrag() {
    drag_.dragging = false;
}

void TForm1::ImageActiveTopMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    beginDrag();
}
void TForm1::ImageActiveLeftTopMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    beginDrag();
}
void TForm1::ImageActiveRightTopMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    beginDrag();
}
void TForm1::Label1MouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    beginDrag();
}
void TForm1::Panel8MouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    beginDrag();
}

void TForm1::ImageActiveTopMouseMove(TObject*, TShiftState, int, int) {
    dragStep();
}
void TForm1::ImageActiveLeftTopMouseMove(TObject*, TShiftState, int, int) {
    dragStep();
}
void TForm1::ImageActiveRightTopMouseMove(TObject*, TShiftState, int, int) {
    dragStep();
}
void TForm1::Label1MouseMove(TObject*, TShiftState, int, int) {
    dragStep();
}
void TForm1::Panel8MouseMove(TObject*, TShiftState, int, int) {
    dragStep();
}

void TForm1::ImageActiveTopMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    endDrag();
}
void TForm1::ImageActiveLeftTopMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    endDrag();
}
void TForm1::ImageActiveRightTopMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    endDrag();
}
void TForm1::Label1MouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    endDrag();
}
void TForm1::Panel8MouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    endDrag();
}

void TForm1::ImageMinClick(TObject*) {
    if (application().mainForm() == this)
        application().minimize();
    else
        window().minimize();
}

void TForm1::ImageCloseClick(TObject*) {
    close();
}

// The sidebar. Its state is the Top of the two lower headers and the visibility of the
// two lower item groups; the page seen is the highest visible page.

void TForm1::Panel2Click(TObject*) {
    Panel4->setTop(275);
    Panel6->setTop(300);
    Panel5->setVisible(false);
    Panel7->setVisible(false);
    Panel21->setVisible(true);
    Panel22->setVisible(false);
    Panel23->setVisible(false);
    Panel24->setVisible(false);
}

void TForm1::Panel4Click(TObject*) {
    Panel20->setVisible(true);
    Panel21->setVisible(false);
    Panel22->setVisible(false);
    Panel23->setVisible(false);
    Panel24->setVisible(false);
    if (Panel4->top() == 275) {
        Panel4->setTop(25);
        Panel5->setVisible(true);
        return;
    }
    Panel6->setTop(300);
    Panel5->setVisible(true);
    Panel7->setVisible(false);
}

void TForm1::Panel6Click(TObject*) {
    if (Panel6->top() != 300) return;
    Panel4->setTop(25);
    Panel6->setTop(50);
    Panel7->setVisible(true);
}

void TForm1::showPage(TPanel* page) {
    page->setVisible(true);
    for (TPanel* p : {Panel21, Panel22, Panel23, Panel24})
        if (p != page) p->setVisible(false);
}

void TForm1::Panel9Click(TObject*) {
    showPage(Panel21);
}
void TForm1::Panel10Click(TObject*) {
    showPage(Panel22);
}
void TForm1::Panel12Click(TObject*) {
    showPage(Panel23);
}
void TForm1::Panel16Click(TObject*) {
    showPage(Panel24);
}

// Hover colours. Each move assigns fixed colours to a fixed list of widgets; assigning
// the colour a widget already has does nothing, so moves within one item repaint nothing.

void TForm1::Panel9MouseMove(TObject*, TShiftState, int, int) {
    Panel9->setColor(kHoverColor);
    Panel10->setColor(kItemGrey);
}
void TForm1::Panel10MouseMove(TObject*, TShiftState, int, int) {
    Panel10->setColor(kHoverColor);
    Panel9->setColor(kItemGrey);
    Panel11->setColor(kItemGrey);
}
void TForm1::Panel11MouseMove(TObject*, TShiftState, int, int) {
    Panel11->setColor(kHoverColor);
    Panel10->setColor(kItemGrey);
    Panel12->setColor(kItemGrey);
}
void TForm1::Panel12MouseMove(TObject*, TShiftState, int, int) {
    Panel12->setColor(kHoverColor);
    Panel11->setColor(kItemGrey);
}
void TForm1::Panel13MouseMove(TObject*, TShiftState, int, int) {
    Panel13->setColor(kHoverColor);
    Panel14->setColor(kItemGrey);
}
void TForm1::Panel14MouseMove(TObject*, TShiftState, int, int) {
    Panel14->setColor(kHoverColor);
    Panel13->setColor(kItemGrey);
    Panel15->setColor(kItemGrey);
}
void TForm1::Panel15MouseMove(TObject*, TShiftState, int, int) {
    Panel15->setColor(kHoverColor);
    Panel14->setColor(kItemGrey);
    Panel16->setColor(kItemGrey);
}
void TForm1::Panel16MouseMove(TObject*, TShiftState, int, int) {
    Panel16->setColor(kHoverColor);
    Panel15->setColor(kItemGrey);
}
void TForm1::Panel19MouseMove(TObject*, TShiftState, int, int) {
    Panel19->setColor(kHoverColor);
}

void TForm1::Panel3MouseMove(TObject*, TShiftState, int, int) {
    for (TPanel* p : {Panel9, Panel10, Panel11, Panel12}) p->setColor(kItemGrey);
}
void TForm1::Panel5MouseMove(TObject*, TShiftState, int, int) {
    for (TPanel* p : {Panel13, Panel14, Panel15, Panel16}) p->setColor(kItemGrey);
}
void TForm1::Panel7MouseMove(TObject*, TShiftState, int, int) {
    Panel19->setColor(kItemGrey);
}
void TForm1::PanelBkGndMouseMove(TObject*, TShiftState, int, int) {
    for (TPanel* p :
         {Panel9, Panel10, Panel11, Panel12, Panel13, Panel14, Panel15, Panel16, Panel19})
        p->setColor(kItemGrey);
}

void TForm1::Edit1MouseMove(TObject*, TShiftState, int, int) {
    Edit1->setColor(clWindow);
}
void TForm1::Edit2MouseMove(TObject*, TShiftState, int, int) {
    Edit2->setColor(clWindow);
}
void TForm1::Edit3MouseMove(TObject*, TShiftState, int, int) {
    Edit3->setColor(clWindow);
}
void TForm1::GroupBox4MouseMove(TObject*, TShiftState, int, int) {
    Edit1->setColor(kPageGrey);
    Edit2->setColor(kPageGrey);
    Edit3->setColor(kPageGrey);
}

// Timed runs. A tick adds one step; the tick that finds the bar full stops its own timer
// before its notice, so it never ticks again while the notice is open.

void TForm1::runTick(TTimer* timer, TProgressBar* bar, TMemo* memo, std::string_view done) {
    if (bar->position() >= 100) {
        timer->setEnabled(false);
        NoticeBox(application(), done);
        bar->setPosition(0);
        if (memo) memo->setText("");
        return;
    }
    bar->setPosition(bar->position() + 1);
}

void TForm1::Timer1Timer(TObject*) {
    runTick(Timer1, ProgressBar1, nullptr, notice::RepairDone);
}
void TForm1::Timer2Timer(TObject*) {
    runTick(Timer2, ProgressBar2, Memo1, notice::DiskScanDone);
}
void TForm1::Timer3Timer(TObject*) {
    runTick(Timer3, ProgressBar3, Memo2, notice::NetScanDone);
}
void TForm1::Timer4Timer(TObject*) {
    runTick(Timer4, ProgressBar2, Memo1, notice::DiskKillDone);
}
void TForm1::Timer5Timer(TObject*) {
    runTick(Timer5, ProgressBar3, Memo2, notice::NetKillDone);
}

void TForm1::startRun(TCheckListBox* targets, TTimer* timer, TMemo* memo, std::string_view busy,
                      std::string_view refusal) {
    bool any = false;
    for (int i = 0; i < targets->count() && !any; ++i) any = targets->checked(i);
    if (any) {
        timer->setEnabled(true);
        if (memo) memo->setText(std::string(busy));
        return;
    }
    timer->setEnabled(false);
    NoticeBox(application(), refusal);
}

void TForm1::SpeedButton4Click(TObject*) {
    startRun(CheckListBox2, Timer2, Memo1, "正在扫描：", notice::ChooseScan);
}
void TForm1::SpeedButton6Click(TObject*) {
    startRun(CheckListBox3, Timer3, Memo2, "正在扫描：", notice::ChooseScan);
}
void TForm1::SpeedButton5Click(TObject*) {
    startRun(CheckListBox2, Timer4, Memo1, "正在查杀：", notice::ChooseKill);
}
void TForm1::SpeedButton7Click(TObject*) {
    startRun(CheckListBox3, Timer5, Memo2, "正在查杀：", notice::ChooseKill);
}
void TForm1::SpeedButton3Click(TObject*) {
    startRun(CheckListBox1, Timer1, nullptr, "", notice::ChooseRepair);
}

void TForm1::SpeedButton1Click(TObject*) {
    for (int i = 0; i < CheckListBox1->count(); ++i) CheckListBox1->setChecked(i, true);
}

// Clears every item; it does not invert the individual states.
void TForm1::SpeedButton2Click(TObject*) {
    for (int i = 0; i < CheckListBox1->count(); ++i) CheckListBox1->setChecked(i, false);
}

// Personalisation. The machine-wide value is tried first and may fail silently for a
// user without the right to write there; the notice reports the user's own value.

void TForm1::SpeedButton77Click(TObject*) {
    {
        OpenKey machine(host_, RegistryRoot::LocalMachine, kIeMainKey);
        if (machine) host_.writeString(*machine, kWindowTitle, Edit1->text());
    }
    {
        OpenKey user(host_, RegistryRoot::CurrentUser, kIeMainKey);
        if (!user) return;
        host_.writeString(*user, kWindowTitle, Edit1->text());
    }
    NoticeBox(application(), notice::IeTitleSet);
}

void TForm1::SpeedButton78Click(TObject*) {
    {
        OpenKey machine(host_, RegistryRoot::LocalMachine, kIeMainKey);
        if (machine) host_.deleteValue(*machine, kWindowTitle);
    }
    {
        OpenKey user(host_, RegistryRoot::CurrentUser, kIeMainKey);
        if (!user) return;
        host_.deleteValue(*user, kWindowTitle);
    }
    NoticeBox(application(), notice::IeTitleCleared);
}

void TForm1::SpeedButton79Click(TObject*) {
    {
        OpenKey key(host_, RegistryRoot::LocalMachine, kWinlogonKey);
        if (!key) return;
        host_.writeString(*key, kLegalNoticeCaption, Edit2->text());
        host_.writeString(*key, kLegalNoticeText, Edit3->text());
    }
    NoticeBox(application(), notice::LogonSet);
}

void TForm1::SpeedButton80Click(TObject*) {
    {
        OpenKey key(host_, RegistryRoot::LocalMachine, kWinlogonKey);
        if (!key) return;
        host_.deleteValue(*key, kLegalNoticeCaption);
        host_.deleteValue(*key, kLegalNoticeText);
    }
    NoticeBox(application(), notice::LogonCleared);
}

// Launchers and links.

void TForm1::Panel13Click(TObject*) {
    Panel13->setColor(kItemGrey);
    host_.runCommand("rundll32.exe shell32.dll,Control_RunDLL Inetcpl.cpl,,0", kShowRestore);
}
void TForm1::Panel15Click(TObject*) {
    Panel15->setColor(kItemGrey);
    host_.runCommand("rundll32.exe shell32.dll,Control_RunDLL telephon.cpl", kShowRestore);
}
void TForm1::SpeedButton10Click(TObject*) {
    host_.runCommand("rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,0", kShowRestore);
}
void TForm1::SpeedButton11Click(TObject*) {
    host_.runCommand("rundll32.exe shell32.dll,Control_RunDLL access.cpl,,1", kShowRestore);
}
void TForm1::SpeedButton12Click(TObject*) {
    host_.runCommand("rundll32.exe shell32.dll,Control_RunDLL intl.cpl,,0", kShowRestore);
}
void TForm1::SpeedButton13Click(TObject*) {
    host_.runCommand("rundll32.exe shell32.dll,Control_RunDLL joy.cpl,,0", kShowRestore);
}
void TForm1::SpeedButton14Click(TObject*) {
    host_.runCommand("rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl,,0", kShowRestore);
}
void TForm1::SpeedButton15Click(TObject*) {
    host_.runCommand("rundll32.exe shell32.dll,Control_RunDLL sysdm.cpl,,0", kShowRestore);
}
void TForm1::SpeedButton16Click(TObject*) {
    host_.runCommand("rundll32.exe shell32.dll,Control_RunDLL powercfg.cpl", kShowRestore);
}

void TForm1::Panel14Click(TObject*) {
    Panel14->setColor(kItemGrey);
    NoticeBox(application(), notice::IeRefreshed);
}

// Updates are published on the home page.
void TForm1::Panel11Click(TObject*) {
    Panel11->setColor(kItemGrey);
    host_.openAddress(std::string(HomePage));
}

void TForm1::Panel19Click(TObject*) {
    Panel19->setColor(kItemGrey);
    if (about_) about_->showModal();
}

void TForm1::Image12Click(TObject*) {
    host_.openAddress(std::string(HomePage));
}

// Proxy and security forms: they confirm and store nothing.

void TForm1::SpeedButton8Click(TObject*) {
    NoticeBox(application(), notice::ProxySet);
    Panel21->setVisible(true);
    Panel23->setVisible(false);
}

void TForm1::SpeedButton9Click(TObject*) {
    Panel21->setVisible(true);
    Panel23->setVisible(false);
}

void TForm1::SpeedButton17Click(TObject*) {
    NoticeBox(application(), notice::SecuritySet);
}

}  // namespace tv
