#pragma once
// The About dialog: the product title, the application icon, the home page and three
// information lines, with one button-like panel that closes it. It is created hidden at
// start and only hidden again when closed, so it keeps its state between openings.

#include "widgets/binding.h"
#include "widgets/form.h"
#include "widgets/image.h"
#include "widgets/label.h"
#include "widgets/layout_loader.h"
#include "widgets/panel.h"

namespace tv {

// The dialog's widgets by kind and layout name, and its handlers (see widgets/binding.h).
#define TV_FORM3_WIDGETS(W) \
    W(TLabel, Label1)       \
    W(TImage, Image1)       \
    W(TLabel, Label3)       \
    W(TLabel, Label4)       \
    W(TLabel, Label2)       \
    W(TLabel, Label5)       \
    W(TLabel, Label7)       \
    W(TPanel, Panel1)

#define TV_FORM3_HANDLERS(N, B, M) \
    N(Panel1Click)                 \
    M(Panel1MouseMove)             \
    M(FormMouseMove)

class TForm3 : public TForm {
  public:
    TForm3(TApplication& app, const LayoutDocument& layout, const PictureSource& pictures);
    const char* className() const override { return "TForm3"; }

    TV_FORM3_WIDGETS(TV_DECLARE_WIDGET)
    TV_FORM3_HANDLERS(TV_DECLARE_NOTIFY, TV_DECLARE_BUTTON, TV_DECLARE_MOVE)
    static constexpr HandlerName kHandlers[] = {
        TV_FORM3_HANDLERS(TV_NOTIFY_NAME, TV_BUTTON_NAME, TV_MOVE_NAME)};

  private:
    HandlerTable handlers();
};

}  // namespace tv
