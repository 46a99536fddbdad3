#include "mainwindow/form1.h"

#include "about/form3.h"
#include "app/notices.h"
#include "widgets/application.h"
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

void TForm1::bindMembers(){TV_FORM1_WIDGETS(TV_BIND_WIDGET)}

HandlerTable TForm1::handlers() {
    HandlerTable t;
    TV_FORM1_HANDLERS(TV_ADD_HANDLER, TV_ADD_HANDLER, TV_ADD_HANDLER)
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
