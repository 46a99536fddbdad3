#pragma once
// The native Windows backend.
//
// Windows: one application window carries the task-bar entry. It is zero-size and shown
// only as that entry, titled with the application title, and owns every other window, so
// those have no task-bar entries of their own and minimise and restore with it. Forms are
// WS_POPUP windows whose whole area is our pixel buffer: the borderless main window, and
// the dialog frames that the widget set draws itself (caption, close box), so a dialog
// looks and behaves the same as on Linux. Tooltips are top-most tool windows that never
// take the activation.
//
// Drawing: each window keeps a 32-bit top-down buffer; present() copies only the given
// rectangles to the screen with SetDIBitsToDevice, and WM_PAINT copies back what the
// system lost from the same buffer without painting anything anew.
//
// Events: the window procedures translate messages into platform::Event values in a
// fixed ring (no allocation per message); waitEvent sleeps in MsgWaitForMultipleObjects
// until a message arrives or the deadline passes. Message boxes are MessageBoxA with
// code page 936 texts (see nativeMessageBox); while one is up, a WM_TIMER on the
// application window runs the application's timers.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace tv::platform {

// Registers the window classes and creates the application window with the given title
// (UTF-8). Throws std::runtime_error when that fails.
std::unique_ptr<Platform> createWin32Platform(const std::string& applicationTitle);

// The HWND of a window made by the Windows backend (null for any other window).
void* nativeHandle(const NativeWindow& window);
// The application window's HWND (the owner of the other windows and of message boxes).
void* applicationHandle(const Platform& platform);

// Assistive technology asks a window for its objects with WM_GETOBJECT; the accessibility
// layer answers through this hook (none: the system's default answer).
class ObjectRequests {
  public:
    virtual ~ObjectRequests() = default;
    // True with `result` set when the request was answered.
    virtual bool getObject(void* hwnd, std::uintptr_t wParam, std::intptr_t lParam,
                           std::intptr_t& result) = 0;
};
void setObjectRequests(Platform& platform, ObjectRequests* requests);
// Makes the wait that runs now, or the next one, return without an event, so the loop
// runs the work that a client's call handed it.
void wake(Platform& platform);

// The running program's file, as UTF-8.
std::string executablePath();

}  // namespace tv::platform
