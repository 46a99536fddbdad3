#pragma once
// The system functions under Win32HostServices, one member per operation. The defaults
// are the real functions; a test replaces some of them with recorders (the launch calls,
// which would start programs) and keeps the rest (the registry) real.

#include "gfx/win32/windows_api.h"

#include <functional>

namespace tv {

struct Win32HostCalls {
    std::function<LONG(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY,
                       LPDWORD)>
        regCreateKeyExA;
    std::function<LONG(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD)> regSetValueExA;
    std::function<LONG(HKEY, LPCSTR)> regDeleteValueA;
    std::function<LONG(HKEY)> regCloseKey;
    std::function<UINT(LPCSTR, UINT)> winExec;
    std::function<HINSTANCE(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT)> shellExecuteA;
    std::function<BOOL(LPPOINT)> getCursorPos;
    // The code page the ANSI functions read our bytes in.
    std::function<UINT()> getACP;

    // Every member set to the system's own function.
    static Win32HostCalls system();
};

}  // namespace tv
