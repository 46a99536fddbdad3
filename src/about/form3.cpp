#include "about/form3.h"

#include "widgets/application.h"
#include "widgets/binding.h"

namespace tv {

TForm3::TForm3(TApplication& app, const LayoutDocument& layout, const PictureSource& pictures)
    : TForm(app, layout.form().borderStyle, layout.form().clientSize,
            platform::WindowRole::Dialog) {
    layout.apply(*this, pictures, handlers());
    bindMember(*this, Label1, "Label1");
    bindMember(*this, Image1, "Image1");
    bindMember(*this, Label3, "Label3");
    bindMember(*this, Label4, "Label4");
    bindMember(*this, Label2, "Label2");
    bindMember(*this, Label5, "Label5");
    bindMember(*this, Label7, "Label7");
    bindMember(*this, Panel1, "Panel1");
    if (app.mainForm()) window().setTransientFor(&app.mainForm()->window());
    if (Image1->picture() && !Image1->picture()->images.empty())
        window().setIcon(Image1->picture()->iconImageFor(Image1->largeIconSize()));
}

HandlerTable TForm3::handlers() {
    HandlerTable t;
    t.notify["Panel1Click"] = [this](TObject* s) { Panel1Click(s); };
    t.move["Panel1MouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        Panel1MouseMove(s, sh, x, y);
    };
    t.move["FormMouseMove"] = [this](TObject* s, TShiftState sh, int x, int y) {
        FormMouseMove(s, sh, x, y);
    };
    return t;
}

void TForm3::Panel1Click(TObject*) {
    close();
}

// The OK panel lights in item grey under the pointer and returns to the dialog's grey
// when the pointer moves over the dialog's own surface.
void TForm3::Panel1MouseMove(TObject*, TShiftState, int, int) {
    Panel1->setColor(kItemGrey);
}

void TForm3::FormMouseMove(TObject*, TShiftState, int, int) {
    Panel1->setColor(kPageGrey);
}

}  // namespace tv
