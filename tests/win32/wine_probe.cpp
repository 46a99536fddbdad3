// Looks at the program from the outside, as Windows shows it, for the end-to-end test
// under Wine (the clicks themselves come from xdotool):
//
//   wine_probe box-text CAPTION     the text of the message box with that caption
//   wine_probe box-owner CAPTION    "application" when the box is owned by a window of
//                                   class TolvaneApplication
//   wine_probe pixel X Y            the screen's colour at X, Y as RRGGBB
//   wine_probe accessible NAME      "ROLE X Y W H" of the first object named NAME under the
//                                   main window's MSAA client object (from another
//                                   process), X and Y from the window's top left corner
//   wine_probe accessible-do NAME   its default action; prints the call's result
//
// Prints UTF-8 and exits with 1 when there is no such window.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gfx/win32/win32_text.h"
#include "gfx/win32/windows_api.h"

#include <oleacc.h>
#include <shellapi.h>

#include "msaa_children.h"

namespace {

constexpr int kMessageTextId = 0xFFFF;  // the static control of a message box

HWND findBox(const std::wstring& caption) {
    HWND box = FindWindowW(L"#32770", caption.c_str());
    return box && IsWindowVisible(box) ? box : nullptr;
}

// The first object named `name` under `parent`, depth first; null when there is none.
IAccessible* findAccessible(IAccessible* parent, const std::wstring& name) {
    IAccessible* found = nullptr;
    tv::test::forEachChild(parent, [&](IAccessible* child) {
        BSTR b = nullptr;
        child->get_accName(tv::test::childId(CHILDID_SELF), &b);
        const bool match = b && name == b;
        SysFreeString(b);
        if (match) {
            found = child;
            return true;
        }
        found = findAccessible(child, name);
        child->Release();
        return found != nullptr;
    });
    return found;
}

int accessible(const std::wstring& command, const std::wstring& name) {
    HWND main = FindWindowW(L"TolvaneForm", L"tolvane");
    CoInitialize(nullptr);
    IAccessible* root = nullptr;
    if (!main || FAILED(AccessibleObjectFromWindow(main, OBJID_CLIENT, IID_IAccessible,
                                                   reinterpret_cast<void**>(&root))))
        return 1;
    const VARIANT self = tv::test::childId(CHILDID_SELF);
    IAccessible* found = findAccessible(root, name);
    root->Release();
    if (!found) return 1;
    if (command == L"accessible-do") {
        std::printf("0x%lx\n", static_cast<unsigned long>(found->accDoDefaultAction(self)));
    } else {
        VARIANT role;
        VariantInit(&role);
        found->get_accRole(self, &role);
        long x = 0, y = 0, w = 0, h = 0;
        found->accLocation(&x, &y, &w, &h, self);
        RECT r{};
        GetWindowRect(main, &r);
        std::printf("%ld %ld %ld %ld %ld\n", role.lVal, x - r.left, y - r.top, w, h);
    }
    found->Release();
    return 0;
}

}  // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2) return 2;
    const std::wstring command = argv[1];
    if ((command == L"box-text" || command == L"box-owner") && argc == 3) {
        HWND box = findBox(argv[2]);
        if (!box) return 1;
        if (command == L"box-owner") {
            wchar_t name[64] = {};
            GetClassNameW(GetWindow(box, GW_OWNER), name, 64);
            std::printf("%s\n",
                        std::wstring(name) == L"TolvaneApplication" ? "application" : "other");
            return 0;
        }
        wchar_t text[1024] = {};
        GetDlgItemTextW(box, kMessageTextId, text, 1024);
        std::printf("%s\n", tv::win32::fromWide(text).c_str());
        return 0;
    }
    if ((command == L"accessible" || command == L"accessible-do") && argc == 3)
        return accessible(command, argv[2]);
    if (command == L"pixel" && argc == 4) {
        HDC screen = GetDC(nullptr);
        const COLORREF c = GetPixel(screen, _wtoi(argv[2]), _wtoi(argv[3]));
        ReleaseDC(nullptr, screen);
        if (c == CLR_INVALID) return 1;
        std::printf("%02X%02X%02X\n", GetRValue(c), GetGValue(c), GetBValue(c));
        return 0;
    }
    return 2;
}
