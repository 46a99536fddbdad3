#pragma once
// The main window: a borderless skinned frame, the accordion sidebar, five content pages
// and the bottom bar, all built from the layout; the behaviour is in the handlers below.
// State lives in the widgets' own properties (the headers' Top, the pages' Visible, the
// items' Color, the bars' Position); the only other state is the window drag.

#include <string_view>

#include "host/host_services.h"
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

class TForm1 : public TForm {
  public:
    TForm1(TApplication& app, HostServices& host, const LayoutDocument& layout,
           const PictureSource& pictures);
    const char* className() const override { return "TForm1"; }

    // The About dialog that "关于软件" opens.
    void setAboutForm(TForm3* f) { about_ = f; }
    HostServices& host() const { return host_; }

    // The widgets, by their layout names.
    TImage* ImageActiveTop = nullptr;
    TImage* ImageActiveLeftTop = nullptr;
    TImage* ImageActiveRightTop = nullptr;
    TImage* ImageMin = nullptr;
    TImage* ImageClose = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TPanel* PanelBkGnd = nullptr;
    TImage* Image12 = nullptr;
    TPanel* Panel1 = nullptr;
    TPanel* Panel2 = nullptr;
    TPanel* Panel3 = nullptr;
    TPanel* Panel9 = nullptr;
    TImage* Image1 = nullptr;
    TPanel* Panel10 = nullptr;
    TImage* Image2 = nullptr;
    TPanel* Panel11 = nullptr;
    TImage* Image3 = nullptr;
    TPanel* Panel12 = nullptr;
    TImage* Image4 = nullptr;
    TPanel* Panel4 = nullptr;
    TPanel* Panel5 = nullptr;
    TPanel* Panel13 = nullptr;
    TImage* Image5 = nullptr;
    TPanel* Panel14 = nullptr;
    TImage* Image6 = nullptr;
    TPanel* Panel15 = nullptr;
    TImage* Image7 = nullptr;
    TPanel* Panel16 = nullptr;
    TImage* Image8 = nullptr;
    TPanel* Panel6 = nullptr;
    TPanel* Panel7 = nullptr;
    TPanel* Panel19 = nullptr;
    TImage* Image11 = nullptr;
    TPanel* Panel20 = nullptr;
    TPanel* Panel21 = nullptr;
    TPanel* Panel22 = nullptr;
    TPanel* Panel23 = nullptr;
    TPanel* Panel24 = nullptr;
    TGroupBox* GroupBox4 = nullptr;
    TLabel* Label4 = nullptr;
    TSpeedButton* SpeedButton77 = nullptr;
    TSpeedButton* SpeedButton78 = nullptr;
    TLabel* Label5 = nullptr;
    TLabel* Label6 = nullptr;
    TLabel* Label7 = nullptr;
    TSpeedButton* SpeedButton79 = nullptr;
    TSpeedButton* SpeedButton80 = nullptr;
    TEdit* Edit1 = nullptr;
    TEdit* Edit2 = nullptr;
    TEdit* Edit3 = nullptr;
    TGroupBox* GroupBox1 = nullptr;
    TSpeedButton* SpeedButton2 = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;
    TSpeedButton* SpeedButton3 = nullptr;
    TCheckListBox* CheckListBox1 = nullptr;
    TProgressBar* ProgressBar1 = nullptr;
    TLabel* Label13 = nullptr;
    TSpeedButton* SpeedButton4 = nullptr;
    TSpeedButton* SpeedButton5 = nullptr;
    TLabel* Label12 = nullptr;
    TLabel* Label11 = nullptr;
    TCheckListBox* CheckListBox2 = nullptr;
    TProgressBar* ProgressBar2 = nullptr;
    TMemo* Memo1 = nullptr;
    TLabel* Label8 = nullptr;
    TLabel* Label9 = nullptr;
    TLabel* Label10 = nullptr;
    TSpeedButton* SpeedButton6 = nullptr;
    TSpeedButton* SpeedButton7 = nullptr;
    TCheckListBox* CheckListBox3 = nullptr;
    TProgressBar* ProgressBar3 = nullptr;
    TMemo* Memo2 = nullptr;
    TSpeedButton* SpeedButton8 = nullptr;
    TSpeedButton* SpeedButton9 = nullptr;
    TGroupBox* GroupBox2 = nullptr;
    TLabel* Label14 = nullptr;
    TLabel* Label15 = nullptr;
    TEdit* Edit4 = nullptr;
    TEdit* Edit5 = nullptr;
    TCheckBox* CheckBox11 = nullptr;
    TGroupBox* GroupBox3 = nullptr;
    TSpeedButton* SpeedButton10 = nullptr;
    TSpeedButton* SpeedButton11 = nullptr;
    TSpeedButton* SpeedButton12 = nullptr;
    TSpeedButton* SpeedButton13 = nullptr;
    TSpeedButton* SpeedButton14 = nullptr;
    TSpeedButton* SpeedButton15 = nullptr;
    TSpeedButton* SpeedButton16 = nullptr;
    TGroupBox* GroupBox5 = nullptr;
    TSpeedButton* SpeedButton17 = nullptr;
    TCheckBox* CheckBox1 = nullptr;
    TCheckBox* CheckBox2 = nullptr;
    TCheckBox* CheckBox3 = nullptr;
    TCheckBox* CheckBox4 = nullptr;
    TCheckBox* CheckBox5 = nullptr;
    TCheckBox* CheckBox6 = nullptr;
    TCheckBox* CheckBox7 = nullptr;
    TPanel* Panel8 = nullptr;
    TLabel* Label3 = nullptr;
    TTimer* Timer1 = nullptr;
    TTimer* Timer2 = nullptr;
    TTimer* Timer3 = nullptr;
    TTimer* Timer4 = nullptr;
    TTimer* Timer5 = nullptr;

    // Handlers, bound by name from the layout.
    void Edit1MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Edit2MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Edit3MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void FormCreate(TObject* sender);
    void GroupBox4MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Image12Click(TObject* sender);
    void ImageActiveLeftTopMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x,
                                     int y);
    void ImageActiveLeftTopMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void ImageActiveLeftTopMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x,
                                   int y);
    void ImageActiveRightTopMouseDown(TObject* sender, TMouseButton button, TShiftState shift,
                                      int x, int y);
    void ImageActiveRightTopMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void ImageActiveRightTopMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x,
                                    int y);
    void ImageActiveTopMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x,
                                 int y);
    void ImageActiveTopMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void ImageActiveTopMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x,
                               int y);
    void ImageCloseClick(TObject* sender);
    void ImageMinClick(TObject* sender);
    void Label1MouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void Label1MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Label1MouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void Panel10Click(TObject* sender);
    void Panel10MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Panel11Click(TObject* sender);
    void Panel11MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Panel12Click(TObject* sender);
    void Panel12MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Panel13Click(TObject* sender);
    void Panel13MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Panel14Click(TObject* sender);
    void Panel14MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Panel15Click(TObject* sender);
    void Panel15MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Panel16Click(TObject* sender);
    void Panel16MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Panel19Click(TObject* sender);
    void Panel19MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Panel2Click(TObject* sender);
    void Panel3MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Panel4Click(TObject* sender);
    void Panel5MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Panel6Click(TObject* sender);
    void Panel7MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Panel8MouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void Panel8MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void Panel8MouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void Panel9Click(TObject* sender);
    void Panel9MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void PanelBkGndMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void SpeedButton10Click(TObject* sender);
    void SpeedButton11Click(TObject* sender);
    void SpeedButton12Click(TObject* sender);
    void SpeedButton13Click(TObject* sender);
    void SpeedButton14Click(TObject* sender);
    void SpeedButton15Click(TObject* sender);
    void SpeedButton16Click(TObject* sender);
    void SpeedButton17Click(TObject* sender);
    void SpeedButton1Click(TObject* sender);
    void SpeedButton2Click(TObject* sender);
    void SpeedButton3Click(TObject* sender);
    void SpeedButton4Click(TObject* sender);
    void SpeedButton5Click(TObject* sender);
    void SpeedButton6Click(TObject* sender);
    void SpeedButton77Click(TObject* sender);
    void SpeedButton78Click(TObject* sender);
    void SpeedButton79Click(TObject* sender);
    void SpeedButton7Click(TObject* sender);
    void SpeedButton80Click(TObject* sender);
    void SpeedButton8Click(TObject* sender);
    void SpeedButton9Click(TObject* sender);
    void Timer1Timer(TObject* sender);
    void Timer2Timer(TObject* sender);
    void Timer3Timer(TObject* sender);
    void Timer4Timer(TObject* sender);
    void Timer5Timer(TObject* sender);

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
