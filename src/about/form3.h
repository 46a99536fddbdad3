#pragma once
// The About dialog: the product title, the application icon, the home page and three
// information lines, with one button-like panel that closes it. It is created hidden at
// start and only hidden again when closed, so it keeps its state between openings.

#include "widgets/form.h"
#include "widgets/image.h"
#include "widgets/label.h"
#include "widgets/layout_loader.h"
#include "widgets/panel.h"

namespace tv {

class TForm3 : public TForm {
  public:
    TForm3(TApplication& app, const LayoutDocument& layout, const PictureSource& pictures);
    const char* className() const override { return "TForm3"; }

    TLabel* Label1 = nullptr;
    TImage* Image1 = nullptr;
    TLabel* Label3 = nullptr;
    TLabel* Label4 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label5 = nullptr;
    TLabel* Label7 = nullptr;
    TPanel* Panel1 = nullptr;

    void Panel1Click(TObject* sender);
    void Panel1MouseMove(TObject* sender, TShiftState shift, int x, int y);
    void FormMouseMove(TObject* sender, TShiftState shift, int x, int y);

    HandlerTable handlers();
};

}  // namespace tv
