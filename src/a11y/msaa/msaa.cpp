#include "a11y/msaa/msaa.h"

#include "gfx/win32/windows_api.h"

#include <oleacc.h>

#include <atomic>
#include <string>

#include "gfx/win32/win32_text.h"
#include "widgets/application.h"
#include "widgets/form.h"

namespace tv::a11y {

long MsaaContext::eventId(Node n) {
    for (std::size_t i = 0; i < eventNodes.size(); ++i)
        if (eventNodes[i] == n) return -long(i + 1);
    eventNodes.push_back(n);
    return -long(eventNodes.size());
}

Node MsaaContext::byEventId(long id) const {
    const std::size_t i = std::size_t(-(id + 1));
    return id < 0 && i < eventNodes.size() ? eventNodes[i] : Node{};
}

namespace {

long systemRole(Node n) {
    switch (role(n)) {
        case Role::Frame:
            return ROLE_SYSTEM_CLIENT;
        case Role::Dialog:
            return ROLE_SYSTEM_DIALOG;
        case Role::Alert:
            return ROLE_SYSTEM_ALERT;
        case Role::ToolTip:
            return ROLE_SYSTEM_TOOLTIP;
        case Role::PushButton:
            return ROLE_SYSTEM_PUSHBUTTON;
        case Role::Link:
            return ROLE_SYSTEM_LINK;
        // A check list's items are list items that carry the checked state.
        case Role::CheckBox:
            return n.item >= 0 ? ROLE_SYSTEM_LISTITEM : ROLE_SYSTEM_CHECKBUTTON;
        case Role::List:
            return ROLE_SYSTEM_LIST;
        case Role::Entry:
        case Role::Text:
            return ROLE_SYSTEM_TEXT;
        case Role::Label:
            return ROLE_SYSTEM_STATICTEXT;
        case Role::ProgressBar:
            return ROLE_SYSTEM_PROGRESSBAR;
        case Role::Panel:
            return ROLE_SYSTEM_PANE;
        case Role::Grouping:
            return ROLE_SYSTEM_GROUPING;
        case Role::Image:
            return ROLE_SYSTEM_GRAPHIC;
        case Role::Unknown:
            break;
    }
    return ROLE_SYSTEM_CLIENT;
}

long systemStates(Node n) {
    const std::uint32_t s = states(n);
    long out = 0;
    if (!(s & kEnabled)) out |= STATE_SYSTEM_UNAVAILABLE;
    if (!(s & kShowing)) out |= STATE_SYSTEM_INVISIBLE;
    if (s & kFocusable) out |= STATE_SYSTEM_FOCUSABLE;
    if (s & kFocused) out |= STATE_SYSTEM_FOCUSED;
    if (s & kChecked) out |= STATE_SYSTEM_CHECKED;
    if (s & kSelectable) out |= STATE_SYSTEM_SELECTABLE;
    if (s & kSelected) out |= STATE_SYSTEM_SELECTED;
    if (s & kReadOnly) out |= STATE_SYSTEM_READONLY;
    if (s & kModal) out |= STATE_SYSTEM_ALERT_HIGH;
    return out;
}

HWND windowOf(Node n) {
    return static_cast<HWND>(platform::nativeHandle(n.control->form().window()));
}

// A text for the client, or S_FALSE and no text where there is none.
HRESULT answerText(const std::string& utf8, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (utf8.empty()) return S_FALSE;
    *out = SysAllocString(win32::toWideLenient(utf8).c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

// COM objects delete themselves in Release, never through a base pointer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class Accessible final : public IAccessible {
  public:
    Accessible(std::shared_ptr<MsaaContext> context, Node n)
        : context_(std::move(context)), node_(n), form_(formOf(n)) {}

    // The node as a COM object for a client (one reference, the client's).
    static IDispatch* make(const std::shared_ptr<MsaaContext>& context, Node n) {
        return new Accessible(context, n);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    // Clients call IAccessible directly; there is no type library to dispatch through.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        if (!n) return E_POINTER;
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!live()) return RPC_E_DISCONNECTED;
        if (const Node up = parent(node_)) {
            *out = make(context_, up);
            return S_OK;
        }
        // A form's parent is its window, as the system describes it.
        if (context_->createStdObject)
            context_->createStdObject(windowOf(node_), OBJID_WINDOW, &IID_IDispatch,
                                      reinterpret_cast<void**>(out));
        return *out ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* out) override {
        if (!out) return E_POINTER;
        *out = 0;
        if (!live()) return RPC_E_DISCONNECTED;
        *out = childCount(node_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT v, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        const Node n = resolve(v);
        if (!n) return failure();
        *out = make(context_, n);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT v, BSTR* out) override {
        const Node n = resolve(v);
        return n ? answerText(name(n), out) : failure();
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT v, BSTR* out) override {
        const Node n = resolve(v);
        if (!n) return failure();
        if (hasValue(n)) {
            const int span = maximum(n) - minimum(n);
            const int percent = span > 0 ? (value(n) - minimum(n)) * 100 / span : 0;
            return answerText(std::to_string(percent) + "%", out);
        }
        // A link's value is where it leads.
        const Role r = role(n);
        if (r == Role::Link) return answerText(description(n), out);
        return answerText(r == Role::Entry || r == Role::Text ? text(n) : std::string(), out);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT v, BSTR* out) override {
        const Node n = resolve(v);
        return n ? answerText(description(n), out) : failure();
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT v, VARIANT* out) override {
        return answerNumber(v, out, systemRole);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT v, VARIANT* out) override {
        return answerNumber(v, out, systemStates);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* out) override {
        return answerText({}, out);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (topic) *topic = 0;
        return answerText({}, file);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* out) override {
        return answerText({}, out);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        return answerNode(out, live() ? find(node_, kFocused) : Node{});
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        Node selected;
        if (live())
            for (int i = 0; i < childCount(node_) && !selected; ++i)
                if (states(child(node_, i)) & kSelected) selected = child(node_, i);
        return answerNode(out, selected);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT v, BSTR* out) override {
        const Node n = resolve(v);
        if (!n) return failure();
        return answerText(actionCount(n) > 0 ? actionName(n, 0) : "", out);
    }
    // The focus, and the selection of a check list's one selected item.
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT v) override {
        const Node n = resolve(v);
        if (!n) return failure();
        constexpr long kKnown = SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION;
        if (flags == SELFLAG_NONE || (flags & ~kKnown)) return E_INVALIDARG;
        TApplication& app = *context_->app;
        // An item that can be selected can take the focus: nothing is half done.
        if ((flags & SELFLAG_TAKESELECTION) && !select(app, n)) return S_FALSE;
        if ((flags & SELFLAG_TAKEFOCUS) && !takeFocus(app, n)) return S_FALSE;
        platform::wake(app.platform());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT v) override {
        if (!x || !y || !w || !h) return E_POINTER;
        const Node n = resolve(v);
        if (!n) return failure();
        const Rect r = screenBounds(n);
        *x = r.left;
        *y = r.top;
        *w = r.width();
        *h = r.height();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* out) override {
        if (!out) return E_POINTER;
        VariantInit(out);
        const Node n = resolve(start);
        if (!n) return failure();
        Node to;
        const int count = childCount(n);
        const Node up = parent(n);
        const int at = up ? indexInParent(*context_->app, n) : -1;
        switch (direction) {
            case NAVDIR_FIRSTCHILD:
                to = count > 0 ? child(n, 0) : Node{};
                break;
            case NAVDIR_LASTCHILD:
                to = count > 0 ? child(n, count - 1) : Node{};
                break;
            case NAVDIR_NEXT:
                to = up ? child(up, at + 1) : Node{};
                break;
            case NAVDIR_PREVIOUS:
                to = up && at > 0 ? child(up, at - 1) : Node{};
                break;
            case NAVDIR_UP:
                to = neighbour(n, Direction::Up);
                break;
            case NAVDIR_DOWN:
                to = neighbour(n, Direction::Down);
                break;
            case NAVDIR_LEFT:
                to = neighbour(n, Direction::Left);
                break;
            case NAVDIR_RIGHT:
                to = neighbour(n, Direction::Right);
                break;
            default:
                return E_INVALIDARG;
        }
        return answerNode(out, to);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
        if (!live()) return RPC_E_DISCONNECTED;
        const Point p{int(x), int(y)};
        if (!screenBounds(node_).contains(p)) return answerNode(out, {});
        // Down to the deepest showing node under the point; later children lie on top.
        Node at = node_;
        for (bool deeper = true; deeper;) {
            deeper = false;
            for (int i = childCount(at) - 1; i >= 0; --i) {
                const Node c = child(at, i);
                if ((states(c) & kShowing) && screenBounds(c).contains(p)) {
                    at = c;
                    deeper = true;
                    break;
                }
            }
        }
        return answerNode(out, at);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT v) override {
        const Node n = resolve(v);
        if (!n) return failure();
        if (actionCount(n) == 0) return DISP_E_MEMBERNOTFOUND;
        // Handed to the loop: the client has its answer before the click runs.
        if (!doAction(*context_->app, n, 0)) return E_FAIL;
        platform::wake(context_->app->platform());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT v, BSTR value) override {
        const Node n = resolve(v);
        if (!n) return failure();
        if (!textSettable(n)) return DISP_E_MEMBERNOTFOUND;
        const std::string utf8 = value ? win32::fromWide(value) : std::string();
        if (!setText(*context_->app, n, utf8)) return E_FAIL;
        platform::wake(context_->app->platform());
        return S_OK;
    }

  private:
    bool live() const { return context_->app && alive(*context_->app, form_, node_); }
    HRESULT failure() const { return live() ? E_INVALIDARG : RPC_E_DISCONNECTED; }

    // The node a call is about: this one, its child by number (from 1), or a node that an
    // event named; empty when that is gone or out of range.
    Node resolve(const VARIANT& v) const {
        if (!live() || v.vt != VT_I4) return {};
        if (v.lVal == CHILDID_SELF) return node_;
        if (v.lVal > 0) return child(node_, int(v.lVal) - 1);
        const Node n = context_->byEventId(v.lVal);
        return n && alive(*context_->app, formOf(n), n) ? n : Node{};
    }

    HRESULT answerNumber(const VARIANT& v, VARIANT* out, long (*of)(Node)) const {
        if (!out) return E_POINTER;
        VariantInit(out);
        const Node n = resolve(v);
        if (!n) return failure();
        out->vt = VT_I4;
        out->lVal = of(n);
        return S_OK;
    }
    // This node as CHILDID_SELF, another as its object, none as VT_EMPTY.
    HRESULT answerNode(VARIANT* out, Node n) const {
        if (!out) return E_POINTER;
        VariantInit(out);
        if (!n) return S_FALSE;
        if (n == node_) {
            out->vt = VT_I4;
            out->lVal = CHILDID_SELF;
        } else {
            out->vt = VT_DISPATCH;
            out->pdispVal = make(context_, n);
        }
        return S_OK;
    }
    // The first node at or below `n` in tree order that has all of `bits`.
    static Node find(Node n, std::uint32_t bits) {
        if ((states(n) & bits) == bits) return n;
        for (int i = 0; i < childCount(n); ++i)
            if (const Node found = find(child(n, i), bits)) return found;
        return {};
    }

    std::atomic<ULONG> refs_{1};
    std::shared_ptr<MsaaContext> context_;
    Node node_;
    TForm* form_;
};
#pragma GCC diagnostic pop

}  // namespace

MsaaBridge::MsaaBridge(TApplication& app) : app_(app), context_(std::make_shared<MsaaContext>()) {
    context_->app = &app;
    platform::setObjectRequests(app.platform(), this);
    app.setAccessObserver(this);
}

MsaaBridge::~MsaaBridge() {
    app_.setAccessObserver(nullptr);
    platform::setObjectRequests(app_.platform(), nullptr);
    context_->app = nullptr;
    context_->eventNodes.clear();
    if (oleacc_) FreeLibrary(static_cast<HMODULE>(oleacc_));
    if (comStarted_) CoUninitialize();
}

bool MsaaBridge::getObject(void* hwnd, std::uintptr_t wParam, std::intptr_t lParam,
                           std::intptr_t& result) {
    if (LONG(lParam) != OBJID_CLIENT) return false;
    if (!oleacc_) {
        // The objects are handed out marshalled through COM.
        comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        HMODULE m = LoadLibraryW(L"oleacc.dll");
        if (!m) return false;
        oleacc_ = m;
        lresultFromObject_ = reinterpret_cast<decltype(lresultFromObject_)>(
            reinterpret_cast<void*>(GetProcAddress(m, "LresultFromObject")));
        context_->createStdObject = reinterpret_cast<decltype(context_->createStdObject)>(
            reinterpret_cast<void*>(GetProcAddress(m, "CreateStdAccessibleObject")));
    }
    if (!lresultFromObject_) return false;
    for (TForm* f : app_.forms()) {
        if (platform::nativeHandle(f->window()) != hwnd) continue;
        IDispatch* object = Accessible::make(context_, Node{f, -1});
        const LRESULT r = lresultFromObject_(&IID_IAccessible, wParam, object);
        object->Release();
        if (FAILED(r)) return false;
        result = r;
        return true;
    }
    return false;
}

void MsaaBridge::accessChanged(TControl& control, AccessChange what, int item) {
    const Node n{&control, item};
    if (what == AccessChange::Destroyed) {
        for (Node& kept : context_->eventNodes)
            if (kept && &kept.control->form() == &control) kept = {};
        return;
    }
    HWND h = windowOf(n);
    const auto notify = [&](DWORD event, Node about) {
        const bool form = about.control == &about.control->form() && about.item < 0;
        NotifyWinEvent(event, h, OBJID_CLIENT, form ? CHILDID_SELF : context_->eventId(about));
    };
    if (!h) return;
    if (what == AccessChange::Name) {
        // A window that is not shown yet has no client looking at its names.
        if (!control.form().isShowing()) return;
        for (const Node m : namedAfter(control)) notify(EVENT_OBJECT_NAMECHANGE, m);
        return;
    }
    DWORD event = 0;
    switch (what) {
        case AccessChange::Focus:
            event = EVENT_OBJECT_FOCUS;
            break;
        case AccessChange::Checked:
            event = EVENT_OBJECT_STATECHANGE;
            break;
        case AccessChange::Selection:
            event = EVENT_OBJECT_SELECTION;
            break;
        case AccessChange::Text:
        case AccessChange::Value:
            event = EVENT_OBJECT_VALUECHANGE;
            break;
        case AccessChange::Visibility:
            event = (states(n) & kVisible) ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE;
            break;
        // The system reports its windows appearing, going and taking the activation.
        default:
            return;
    }
    notify(event, n);
}

}  // namespace tv::a11y
