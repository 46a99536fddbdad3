#pragma once
// Binds a form's named members and handlers to what its layout creates and names.
//
// A form names each widget and each handler once, in two lists:
//   #define TV_FORM9_WIDGETS(W) W(TPanel, Panel1) W(TTimer, Timer1)
//   #define TV_FORM9_HANDLERS(N, B, M) N(Panel1Click) M(Panel1MouseMove)
// (N: clicks, ticks and creation; B: a button's press or release; M: a mouse move) and
// expands them with the macros below into its members, its handler declarations, the list
// of its handler names, the table the layout binds from and the binding of its members.

#include <string>
#include <type_traits>

#include "widgets/form.h"
#include "widgets/layout_loader.h"

namespace tv {

template <class T>
void bindMember(TForm& form, T*& member, const char* name) {
    member = dynamic_cast<T*>(form.findComponent(name));
    if (!member)
        throw LayoutError(std::string(form.className()) + ": the layout has no " + name +
                          " of the expected kind");
}

struct HandlerName {
    enum Kind { Notify, Button, Move };
    const char* name;
    Kind kind;
};

template <class F>
void addHandler(HandlerTable& t, const char* name, F* self, void (F::*h)(TObject*)) {
    t.notify[name] = [self, h](TObject* s) { (self->*h)(s); };
}
template <class F>
void addHandler(HandlerTable& t, const char* name, F* self,
                void (F::*h)(TObject*, TMouseButton, TShiftState, int, int)) {
    t.mouse[name] = [self, h](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        (self->*h)(s, b, sh, x, y);
    };
}
template <class F>
void addHandler(HandlerTable& t, const char* name, F* self,
                void (F::*h)(TObject*, TShiftState, int, int)) {
    t.move[name] = [self, h](TObject* s, TShiftState sh, int x, int y) { (self->*h)(s, sh, x, y); };
}

}  // namespace tv

#define TV_DECLARE_WIDGET(Kind, Name) Kind* Name = nullptr;
#define TV_DECLARE_NOTIFY(Name) void Name(TObject* sender);
#define TV_DECLARE_BUTTON(Name) \
    void Name(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
#define TV_DECLARE_MOVE(Name) void Name(TObject* sender, TShiftState shift, int x, int y);
#define TV_NOTIFY_NAME(Name) ::tv::HandlerName{#Name, ::tv::HandlerName::Notify},
#define TV_BUTTON_NAME(Name) ::tv::HandlerName{#Name, ::tv::HandlerName::Button},
#define TV_MOVE_NAME(Name) ::tv::HandlerName{#Name, ::tv::HandlerName::Move},
// Inside a member function of the form: an entry of its HandlerTable t, and the binding
// of one member.
#define TV_ADD_HANDLER(Name) \
    ::tv::addHandler(t, #Name, this, &std::remove_pointer_t<decltype(this)>::Name);
#define TV_BIND_WIDGET(Kind, Name) ::tv::bindMember(*this, Name, #Name);
