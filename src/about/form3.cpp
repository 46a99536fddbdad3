#include "about/form3.h"

#include "widgets/application.h"

namespace tv {

TForm3::TForm3(TApplication& app, const LayoutDocument& layout, const PictureSource& pictures)
    : TForm(app, layout.form().borderStyle, layout.form().clientSize,
            platform::WindowRole::Dialog) {
    layout.apply(*this, pictures, handlers());
    TV_FORM3_WIDGETS(TV_BIND_WIDGET)
    if (app.mainForm()) window().setTransientFor(&app.mainForm()->window());
    if (Image1->picture() && !Image1->picture()->images.empty())
        window().setIcon(Image1->picture()->iconImageFor(Image1->largeIconSize()));
}

HandlerTable TForm3::handlers() {
    HandlerTable t;
    TV_FORM3_HANDLERS(TV_ADD_HANDLER, TV_ADD_HANDLER, TV_ADD_HANDLER)
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
