// The module the program loads when assistive technology wants it: starting the ATK
// bridge, driving GLib's main context from our wait,
// and turning the widgets' changes into ATK signals.
#include <atk-bridge.h>

#include <cstring>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

#include "a11y/atk/objects.h"
#include "a11y/loader.h"
#include "widgets/application.h"
#include "widgets/form.h"

namespace tv::a11y {

namespace {

class AtkBridge;

// AtkUtil answers from static functions: they reach the one running bridge here.
AtkBridge* running = nullptr;

class AtkBridge final : public Bridge, public AccessObserver, public platform::WaitSource {
  public:
    explicit AtkBridge(TApplication& app) : app_(app), tree_(app) {
        context_ = g_main_context_default();
        g_main_context_acquire(context_);
        running = this;
        overrideUtil();
        // Without a wait that serves the context the bridge could never answer.
        if (!app_.platform().addWaitSource(this)) return;
        app_.setAccessObserver(this);
        started_ = atk_bridge_adaptor_init(nullptr, nullptr) == 0;
    }
    ~AtkBridge() override {
        app_.setAccessObserver(nullptr);
        if (started_) atk_bridge_adaptor_cleanup();
        app_.platform().removeWaitSource(this);
        running = nullptr;
        g_main_context_release(context_);
    }
    bool started() const { return started_; }
    AtkTree& tree() { return tree_; }

    // --- WaitSource -----------------------------------------------------------------
    int prepare(std::vector<platform::WaitFd>& fds) override {
        const bool ready = g_main_context_prepare(context_, &priority_);
        int timeout = -1;
        for (;;) {
            count_ = g_main_context_query(context_, priority_, &timeout, polls_.data(),
                                          gint(polls_.size()));
            if (std::size_t(count_) <= polls_.size()) break;
            polls_.resize(std::size_t(count_));
        }
        for (int i = 0; i < count_; ++i)
            fds.push_back({polls_[std::size_t(i)].fd, short(polls_[std::size_t(i)].events), 0});
        return ready ? 0 : timeout;
    }
    bool dispatch(const platform::WaitFd* first, std::size_t count) override {
        for (std::size_t i = 0; i < count && i < std::size_t(count_); ++i)
            polls_[i].revents = gushort(first[i].revents);
        if (g_main_context_check(context_, priority_, polls_.data(), count_))
            g_main_context_dispatch(context_);
        return app_.hasPosted();
    }

    // --- AccessObserver ---------------------------------------------------------------
    void accessChanged(TControl& c, AccessChange what, int item) override {
        const Node n{&c, -1};
        switch (what) {
            case AccessChange::Focus:
                if (c.form().active()) focus(n);
                break;
            case AccessChange::Checked: {
                const Node target{&c, item};
                atk_object_notify_state_change(tree_.object(target), ATK_STATE_CHECKED,
                                               (states(target) & kChecked) != 0);
                break;
            }
            case AccessChange::Selection: {
                // The item that lost the selection, then the one that took it.
                int& last = selected_.try_emplace(&c, -1).first->second;
                if (last >= 0 && last != item)
                    if (AtkObject* old = tree_.existing({&c, last}))
                        atk_object_notify_state_change(old, ATK_STATE_SELECTED, FALSE);
                last = item;
                if (item >= 0)
                    atk_object_notify_state_change(tree_.object({&c, item}), ATK_STATE_SELECTED,
                                                   TRUE);
                break;
            }
            case AccessChange::Text:
                textChanged(n);
                break;
            case AccessChange::Caret:
                caretMoved(n);
                break;
            case AccessChange::Name:
                for (const Node m : namedAfter(c)) nameChanged(m);
                break;
            case AccessChange::Value:
                if (AtkObject* o = tree_.existing(n))
                    g_object_notify(G_OBJECT(o), "accessible-value");
                break;
            case AccessChange::Visibility:
                if (AtkObject* o = tree_.existing(n)) {
                    const std::uint32_t s = states(n);
                    atk_object_notify_state_change(o, ATK_STATE_VISIBLE, (s & kVisible) != 0);
                    atk_object_notify_state_change(o, ATK_STATE_SHOWING, (s & kShowing) != 0);
                }
                break;
            case AccessChange::WindowShown:
                windowShown(n);
                break;
            case AccessChange::WindowHidden:
                windowHidden(n);
                break;
            case AccessChange::Activated:
            case AccessChange::Deactivated: {
                const bool on = what == AccessChange::Activated;
                if (!static_cast<TForm&>(c).isShowing()) break;
                AtkObject* o = tree_.object(n);
                atk_object_notify_state_change(o, ATK_STATE_ACTIVE, on);
                g_signal_emit_by_name(o, on ? "activate" : "deactivate");
                // The window's focused control has the focus again.
                if (TControl* f = static_cast<TForm&>(c).focusedControl(); on && f) focus({f, -1});
                break;
            }
            case AccessChange::Destroyed:
                if (focused_ && tree_.data(focused_) && tree_.data(focused_)->form == &c)
                    focused_ = nullptr;
                for (auto it = selected_.begin(); it != selected_.end();)
                    it = &it->first->form() == &c ? selected_.erase(it) : std::next(it);
                tree_.forget(static_cast<TForm*>(&c));
                break;
        }
    }

  private:
    void focus(Node n) {
        AtkObject* o = tree_.object(n);
        if (focused_ && focused_ != o && tree_.data(focused_) && tree_.data(focused_)->node)
            atk_object_notify_state_change(focused_, ATK_STATE_FOCUSED, FALSE);
        focused_ = o;
        atk_object_notify_state_change(o, ATK_STATE_FOCUSED, TRUE);
    }
    void textChanged(Node n) {
        AtkObject* o = tree_.existing(n);
        if (!o) return;
        NodeData* d = tree_.data(o);
        std::string now = text(n);
        if (now == d->text) return;
        const gint oldCount = gint(g_utf8_strlen(d->text.c_str(), -1));
        const gint newCount = gint(g_utf8_strlen(now.c_str(), -1));
        if (oldCount > 0) g_signal_emit_by_name(o, "text-remove", 0, oldCount, d->text.c_str());
        d->text = std::move(now);
        if (newCount > 0) g_signal_emit_by_name(o, "text-insert", 0, newCount, d->text.c_str());
    }
    // Told only when the caret or the selection is not where it was last told to be; the
    // text is announced first, so the offsets are counted in the text the client has.
    void caretMoved(Node n) {
        AtkObject* o = tree_.existing(n);
        if (!o) return;
        NodeData* d = tree_.data(o);
        const TextMarks now = marksOf(n, d->text);
        if (now == d->marks) return;
        const TextMarks was = std::exchange(d->marks, now);
        if (now.caret != was.caret) g_signal_emit_by_name(o, "text-caret-moved", now.caret);
        if ((now.from != was.from || now.to != was.to) &&
            (was.from != was.to || now.from != now.to))
            g_signal_emit_by_name(o, "text-selection-changed");
    }
    // Told only when the name differs from the one last handed out.
    void nameChanged(Node n) {
        AtkObject* o = tree_.existing(n);
        if (!o) return;
        NodeData* d = tree_.data(o);
        std::string now = name(n);
        if (now == d->name) return;
        d->name = std::move(now);
        g_object_notify(G_OBJECT(o), "accessible-name");
    }
    void windowShown(Node n) {
        AtkObject* o = tree_.object(n);
        g_signal_emit_by_name(tree_.root(), "children-changed::add", indexInParent(app_, n), o);
        g_signal_emit_by_name(o, "create");
        atk_object_notify_state_change(o, ATK_STATE_SHOWING, TRUE);
    }
    void windowHidden(Node n) {
        AtkObject* o = tree_.existing(n);
        if (!o) return;
        atk_object_notify_state_change(o, ATK_STATE_SHOWING, FALSE);
        g_signal_emit_by_name(o, "destroy");
        g_signal_emit_by_name(tree_.root(), "children-changed::remove", -1, o);
    }

    // The bridge asks AtkUtil for the root and registers its listeners through it; the
    // window events ("window:activate") are the AtkWindow signals of our windows.
    static AtkObject* root() { return running ? running->tree_.root() : nullptr; }
    static const gchar* toolkitName() { return "tolvane"; }
    static const gchar* toolkitVersion() { return "2.1"; }
    static guint addListener(GSignalEmissionHook listener, const gchar* event) {
        if (std::strncmp(event, "window:", 7) == 0) {
            const std::string atkEvent = std::string("Atk:AtkWindow:") + (event + 7);
            return baseAddListener(listener, atkEvent.c_str());
        }
        return baseAddListener(listener, event);
    }
    static inline guint (*baseAddListener)(GSignalEmissionHook, const gchar*) = nullptr;
    static void overrideUtil() {
        // The window signals exist once the interface is initialised.
        g_type_default_interface_ref(ATK_TYPE_WINDOW);
        auto* util = static_cast<AtkUtilClass*>(g_type_class_ref(ATK_TYPE_UTIL));
        if (!baseAddListener) baseAddListener = util->add_global_event_listener;
        util->add_global_event_listener = addListener;
        util->get_root = root;
        util->get_toolkit_name = toolkitName;
        util->get_toolkit_version = toolkitVersion;
    }

    TApplication& app_;
    AtkTree tree_;
    GMainContext* context_ = nullptr;
    std::vector<GPollFD> polls_ = std::vector<GPollFD>(8);
    gint count_ = 0;
    gint priority_ = 0;
    AtkObject* focused_ = nullptr;
    std::map<TControl*, int> selected_;  // each list's selected item as last announced
    bool started_ = false;
};

}  // namespace

}  // namespace tv::a11y

// The module's one entry: null when the bridge cannot start.
extern "C" __attribute__((visibility("default"))) tv::a11y::Bridge* tolvane_atk_start(
    tv::TApplication* app) {
    auto* bridge = new tv::a11y::AtkBridge(*app);
    if (bridge->started()) return bridge;
    delete bridge;
    return nullptr;
}
