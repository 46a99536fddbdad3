#pragma once
// Binds a form's named member to the widget its layout created under that name.

#include <string>

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

}  // namespace tv
