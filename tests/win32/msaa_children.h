#pragma once
// An MSAA client's walk over an object's children, shared by the tests in this process
// and the probe that reads the program from another: each child by its number from 1,
// as an IAccessible.

#include "gfx/win32/windows_api.h"

#include <oleacc.h>

namespace tv::test {

// A VARIANT naming a child by number, or the object itself (CHILDID_SELF).
inline VARIANT childId(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

// Hands each child object of `parent`, in order, to `visit` with one reference that the
// visitor takes over; stops at the first child for which it returns true.
template <class Visit>
void forEachChild(IAccessible* parent, Visit&& visit) {
    long count = 0;
    parent->get_accChildCount(&count);
    for (long i = 1; i <= count; ++i) {
        IDispatch* d = nullptr;
        IAccessible* child = nullptr;
        if (parent->get_accChild(childId(i), &d) == S_OK && d) {
            d->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&child));
            d->Release();
        }
        if (child && visit(child)) return;
    }
}

}  // namespace tv::test
