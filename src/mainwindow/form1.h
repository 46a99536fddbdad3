#pragma once
// The main window: a borderless skinned frame, the accordion sidebar, five content pages
// and the bottom bar, all built from the layout; the behaviour is in the handlers below.
// State lives in the widgets' own properties (the headers' Top, the pages' Visible, the
// items' Color, the bars' Position); the only other state is the window drag.

#include <string_view>

#include "host/host_services.h"
#include "widgets/binding.h"
#include "widgets/form.h"
#include "widgets/group_box.h"
#include "widgets/image.h"
#include "widgets/label.h"
#include "widgets/layout_loader.h"
#include "widgets/panel.h"
#include "widgets/progress_bar.h"
#include "widgets/speed_button.h"
#include "widgets/timer.h"

namespace tv {

class TEdit;
class TMemo;
class TCheckListBox;
class TCheckBox;
class TForm3;

// Every widget of the main window by kind and layout name, and every handler its layout
// binds by name: N for clicks, ticks and creation, B for a button's press or release, M for
// a mouse move. The members, the handler table and the binding are all made from these.
#define TV_FORM1_WIDGETS(W)         \
    W(TImage, ImageActiveTop)       \
    W(TImage, ImageActiveLeftTop)   \
    W(TImage, ImageActiveRightTop)  \
    W(TImage, ImageMin)             \
    W(TImage, ImageClose)           \
    W(TLabel, Label1)               \
    W(TLabel, Label2)               \
    W(TPanel, PanelBkGnd)           \
    W(TImage, Image12)              \
    W(TPanel, Panel1)               \
    W(TPanel, Panel2)               \
    W(TPanel, Panel3)               \
    W(TPanel, Panel9)               \
    W(TImage, Image1)               \
    W(TPanel, Panel10)              \
    W(TImage, Image2)               \
    W(TPanel, Panel11)              \
    W(TImage, Image3)               \
    W(TPanel, Panel12)              \
    W(TImage, Image4)               \
    W(TPanel, Panel4)               \
    W(TPanel, Panel5)               \
    W(TPanel, Panel13)              \
    W(TImage, Image5)               \
    W(TPanel, Panel14)              \
    W(TImage, Image6)               \
    W(TPanel, Panel15)              \
    W(TImage, Image7)               \
    W(TPanel, Panel16)              \
    W(TImage, Image8)               \
    W(TPanel, Panel6)               \
    W(TPanel, Panel7)               \
    W(TPanel, Panel19)              \
    W(TImage, Image11)              \
    W(TPanel, Panel20)              \
    W(TPanel, Panel21)              \
    W(TPanel, Panel22)              \
    W(TPanel, Panel23)              \
    W(TPanel, Panel24)              \
    W(TGroupBox, GroupBox4)         \
    W(TLabel, Label4)               \
    W(TSpeedButton, SpeedButton77)  \
    W(TSpeedButton, SpeedButton78)  \
    W(TLabel, Label5)               \
    W(TLabel, Label6)               \
    W(TLabel, Label7)               \
    W(TSpeedButton, SpeedButton79)  \
    W(TSpeedButton, SpeedButton80)  \
    W(TEdit, Edit1)                 \
    W(TEdit, Edit2)                 \
    W(TEdit, Edit3)                 \
    W(TGroupBox, GroupBox1)         \
    W(TSpeedButton, SpeedButton2)   \
    W(TSpeedButton, SpeedButton1)   \
    W(TSpeedButton, SpeedButton3)   \
    W(TCheckListBox, CheckListBox1) \
    W(TProgressBar, ProgressBar1)   \
    W(TLabel, Label13)              \
    W(TSpeedButton, SpeedButton4)   \
    W(TSpeedButton, SpeedButton5)   \
    W(TLabel, Label12)              \
    W(TLabel, Label11)              \
    W(TCheckListBox, CheckListBox2) \
    W(TProgressBar, ProgressBar2)   \
    W(TMemo, Memo1)                 \
    W(TLabel, Label8)               \
    W(TLabel, Label9)               \
    W(TLabel, Label10)              \
    W(TSpeedButton, SpeedButton6)   \
    W(TSpeedButton, SpeedButton7)   \
    W(TCheckListBox, CheckListBox3) \
    W(TProgressBar, ProgressBar3)   \
    W(TMemo, Memo2)                 \
    W(TSpeedButton, SpeedButton8)   \
    W(TSpeedButton, SpeedButton9)   \
    W(TGroupBox, GroupBox2)         \
    W(TLabel, Label14)              \
    W(TLabel, Label15)              \
    W(TEdit, Edit4)                 \
    W(TEdit, Edit5)                 \
    W(TCheckBox, CheckBox11)        \
    W(TGroupBox, GroupBox3)         \
    W(TSpeedButton, SpeedButton10)  \
    W(TSpeedButton, SpeedButton11)  \
    W(TSpeedButton, SpeedButton12)  \
    W(TSpeedButton, SpeedButton13)  \
    W(TSpeedButton, SpeedButton14)  \
    W(TSpeedButton, SpeedButton15)  \
    W(TSpeedButton, SpeedButton16)  \
    W(TGroupBox, GroupBox5)         \
    W(TSpeedButton, SpeedButton17)  \
    W(TCheckBox, CheckBox1)         \
    W(TCheckBox, CheckBox2)         \
    W(TCheckBox, CheckBox3)         \
    W(TCheckBox, CheckBox4)         \
    W(TCheckBox, CheckBox5)         \
    W(TCheckBox, CheckBox6)         \
    W(TCheckBox, CheckBox7)         \
    W(TPanel, Panel8)               \
    W(TLabel, Label3)               \
    W(TTimer, Timer1)               \
    W(TTimer, Timer2)               \
    W(TTimer, Timer3)               \
    W(TTimer, Timer4)               \
    W(TTimer, Timer5)

#define TV_FORM1_HANDLERS(N, B, M)  \
    M(Edit1MouseMove)               \
    M(Edit2MouseMove)               \
    M(Edit3MouseMove)               \
    N(FormCreate)                   \
    M(GroupBox4MouseMove)           \
    N(Image12Click)                 \
    B(ImageActiveLeftTopMouseDown)  \
    M(ImageActiveLeftTopMouseMove)  \
    B(ImageActiveLeftTopMouseUp)    \
    B(ImageActiveRightTopMouseDown) \
    M(ImageActiveRightTopMouseMove) \
    B(ImageActiveRightTopMouseUp)   \
    B(ImageActiveTopMouseDown)      \
    M(ImageActiveTopMouseMove)      \
    B(ImageActiveTopMouseUp)        \
    N(ImageCloseClick)              \
    N(ImageMinClick)                \
    B(Label1MouseDown)              \
    M(Label1MouseMove)              \
    B(Label1MouseUp)                \
    N(Panel10Click)                 \
    M(Panel10MouseMove)             \
    N(Panel11Click)                 \
    M(Panel11MouseMove)             \
    N(Panel12Click)                 \
    M(Panel12MouseMove)             \
    N(Panel13Click)                 \
    M(Panel13MouseMove)             \
    N(Panel14Click)                 \
    M(Panel14MouseMove)             \
    N(Panel15Click)                 \
    M(Panel15MouseMove)             \
    N(Panel16Click)                 \
    M(Panel16MouseMove)             \
    N(Panel19Click)                 \
    M(Panel19MouseMove)             \
    N(Panel2Click)                  \
    M(Panel3MouseMove)              \
    N(Panel4Click)                  \
    M(Panel5MouseMove)              \
    N(Panel6Click)                  \
    M(Panel7MouseMove)              \
    B(Panel8MouseDown)              \
    M(Panel8MouseMove)              \
    B(Panel8MouseUp)                \
    N(Panel9Click)                  \
    M(Panel9MouseMove)              \
    M(PanelBkGndMouseMove)          \
    N(SpeedButton10Click)           \
    N(SpeedButton11Click)           \
    N(SpeedButton12Click)           \
    N(SpeedButton13Click)           \
    N(SpeedButton14Click)           \
    N(SpeedButton15Click)           \
    N(SpeedButton16Click)           \
    N(SpeedButton17Click)           \
    N(SpeedButton1Click)            \
    N(SpeedButton2Click)            \
    N(SpeedButton3Click)            \
    N(SpeedButton4Click)            \
    N(SpeedButton5Click)            \
    N(SpeedButton6Click)            \
    N(SpeedButton77Click)           \
    N(SpeedButton78Click)           \
    N(SpeedButton79Click)           \
    N(SpeedButton7Click)            \
    N(SpeedButton80Click)           \
    N(SpeedButton8Click)            \
    N(SpeedButton9Click)            \
    N(Timer1Timer)                  \
    N(Timer2Timer)                  \
    N(Timer3Timer)                  \
    N(Timer4Timer)                  \
    N(Timer5Timer)

class TForm1 : public TForm {
  public:
    TForm1(TApplication& app, HostServices& host, const LayoutDocument& layout,
           const PictureSource& pictures);
    const char* className() const override { return "TForm1"; }

    // The About dialog that "关于软件" opens.
    void setAboutForm(TForm3* f) { about_ = f; }
    HostServices& host() const { return host_; }

    // The widgets and handlers named in the lists above.
    TV_FORM1_WIDGETS(TV_DECLARE_WIDGET)
    TV_FORM1_HANDLERS(TV_DECLARE_NOTIFY, TV_DECLARE_BUTTON, TV_DECLARE_MOVE)
    static constexpr HandlerName kHandlers[] = {
        TV_FORM1_HANDLERS(TV_NOTIFY_NAME, TV_BUTTON_NAME, TV_MOVE_NAME)};

    // The window drag shared by the title bar pictures, the title and the bottom bar.
    struct DragMove {
        bool dragging = false;
        ScreenPoint last;
        ScreenPoint current;
        ScreenPoint delta;
    };
    const DragMove& dragMove() const { return drag_; }

  private:
    HandlerTable handlers();
    void bindMembers();
    void beginDrag();
    void dragStep();
    void endDrag();
    void runTick(TTimer* timer, TProgressBar* bar, TMemo* memo, std::string_view done);
    void startRun(TCheckListBox* targets, TTimer* timer, TMemo* memo, std::string_view busy,
                  std::string_view refusal);
    void showPage(TPanel* page);

    HostServices& host_;
    TForm3* about_ = nullptr;
    DragMove drag_;
};

}  // namespace tv
