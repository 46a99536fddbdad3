#pragma once
// The widgets through MSAA on Windows. WM_GETOBJECT (OBJID_CLIENT) on a form's window
// answers an IAccessible for the form; every control and check-list item under it is an
// IAccessible of its own, reached through accChild, accNavigate, accHitTest or accFocus.
// Full objects rather than child ids because the tree is deep (a page holds group boxes
// that hold lists that hold items), and only a leaf could be a child id. The model's
// change notices become WinEvents on the form's window; a node that is not the form is
// named in them by a negative id that the form's accChild takes back.
//
// Nothing is loaded before a client asks: COM and oleacc.dll start with the first
// WM_GETOBJECT, so a program that no client reads starts as fast as without them.

#include <memory>
#include <vector>

#include "a11y/model.h"
#include "platform/win32/win32_platform.h"
#include "widgets/accessibility.h"

namespace tv::a11y {

// What the objects handed out share with the bridge; the application is cleared when the
// bridge goes, and a client's later call on an object it kept is refused.
struct MsaaContext {
    TApplication* app = nullptr;
    // From oleacc.dll, once loaded: a form's parent is the system's object for its window.
    long(__stdcall* createStdObject)(void* hwnd, long id, const void* iid, void** out) = nullptr;
    // The nodes that events named, by -(index + 1); emptied when their form goes.
    std::vector<Node> eventNodes;
    long eventId(Node n);
    Node byEventId(long id) const;
};

class MsaaBridge final : public platform::ObjectRequests, public AccessObserver {
  public:
    // Answers for the application's forms and reports their changes until destroyed;
    // destroy it before the forms.
    explicit MsaaBridge(TApplication& app);
    ~MsaaBridge() override;
    MsaaBridge(const MsaaBridge&) = delete;
    MsaaBridge& operator=(const MsaaBridge&) = delete;

    bool getObject(void* hwnd, std::uintptr_t wParam, std::intptr_t lParam,
                   std::intptr_t& result) override;
    void accessChanged(TControl& control, AccessChange what, int item) override;

  private:
    TApplication& app_;
    std::shared_ptr<MsaaContext> context_;
    bool comStarted_ = false;
    void* oleacc_ = nullptr;  // HMODULE, loaded with the first request
    long(__stdcall* lresultFromObject_)(const void* iid, std::uintptr_t wParam,
                                        void* object) = nullptr;
};

}  // namespace tv::a11y
