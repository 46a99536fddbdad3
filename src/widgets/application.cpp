#include "widgets/application.h"

#include <algorithm>
#include <cctype>

#include "widgets/form.h"
#include "widgets/message_box.h"
#include "widgets/timer.h"

namespace tv {

TApplication::TApplication(platform::Platform& platform, FontEngine& fonts, std::string title)
    : platform_(platform), fonts_(fonts), title_(std::move(title)) {
    timers_.reserve(16);
}

TApplication::~TApplication() = default;

std::string TApplication::titleFromExecutable(const std::string& path) {
    std::string name =
        path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    name = name.substr(0, name.find('.'));
    for (std::size_t i = 1; i < name.size(); ++i)
        name[i] = char(std::tolower(static_cast<unsigned char>(name[i])));
    return name;
}

void TApplication::addForm(TForm* f) {
    forms_.push_back(f);
    if (!mainForm_ && f->role() == platform::WindowRole::Main) mainForm_ = f;
}

void TApplication::removeForm(TForm* f) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), f), forms_.end());
    boxes_.erase(std::remove(boxes_.begin(), boxes_.end(), f), boxes_.end());
    if (mainForm_ == f) mainForm_ = nullptr;
    if (active_ == f) active_ = nullptr;
}

TForm* TApplication::formOf(platform::WindowId id) const {
    for (TForm* f : forms_)
        if (f->window().id() == id) return f;
    return nullptr;
}

void TApplication::setActiveForm(TForm* f) {
    if (f == active_) {
        if (f) f->setActive(true);
        return;
    }
    if (active_) active_->setActive(false);
    active_ = f;
    if (active_) active_->setActive(true);
}

bool TApplication::active() const {
    return std::any_of(forms_.begin(), forms_.end(), [](const TForm* f) { return f->active(); });
}

// The loop

void TApplication::run() {
    while (!terminated_) step();
    paintAll();
}

void TApplication::runNested(const std::function<bool()>& done) {
    while (!terminated_ && !done()) step();
}

void TApplication::step() {
    paintAll();
    const std::optional<std::uint64_t> due = nextDue();
    platform::Event e;
    if (platform_.waitEvent(e, due)) {
        try {
            dispatch(e);
        } catch (const std::exception& ex) {
            handleException(ex);
        }
    }
    if (!posted_.empty()) runPosted();
    fireDueTimers();
}

void TApplication::runPosted() {
    // A task may open a nested loop that posts more: those run from that loop.
    std::vector<std::function<void()>> tasks;
    tasks.swap(posted_);
    for (auto& task : tasks) {
        try {
            task();
        } catch (const std::exception& ex) {
            handleException(ex);
        }
    }
}

void TApplication::paintAll() {
    for (TForm* f : forms_) f->paintDamage();
    if (!firstFramePresented_ && mainForm_ && mainForm_->isShowing() &&
        mainForm_->paintCount() > 0) {
        firstFramePresented_ = true;
        if (onFirstFrame) onFirstFrame();
    }
}

void TApplication::dispatch(const platform::Event& e) {
    if (e.type == platform::EventType::Quit) {
        terminated_ = true;
        return;
    }
    TForm* f = formOf(e.window);
    if (!f) return;
    if (f == mainForm_) {
        if (e.type == platform::EventType::Minimized) minimized_ = true;
        if (e.type == platform::EventType::Restored && minimized_) restore();
    }
    f->handleEvent(e);
}

// Timers

void TApplication::timerChanged(TTimer* t) {
    if (std::find(timers_.begin(), timers_.end(), t) == timers_.end()) timers_.push_back(t);
    const bool shouldRun = t->enabled_ && t->interval_ != 0 && bool(t->onTimer_);
    if (!shouldRun) {
        t->running_ = false;
        return;
    }
    if (t->running_) return;
    std::size_t running = 0;
    for (TTimer* x : timers_) running += x->running_ ? 1 : 0;
    if (running >= timerLimit_) throw EWidgetError("Not enough timers available");
    t->running_ = true;
    t->due_ = platform_.now() + t->interval_;
}

void TApplication::removeTimer(TTimer* t) {
    timers_.erase(std::remove(timers_.begin(), timers_.end(), t), timers_.end());
}

std::optional<std::uint64_t> TApplication::nextDue() const {
    std::optional<std::uint64_t> due;
    for (const TTimer* t : timers_)
        if (t->running_ && (!due || t->due_ < *due)) due = t->due_;
    if (auto h = hints_.due(); h && (!due || *h < *due)) due = h;
    return due;
}

void TApplication::fireDueTimers() {
    if (auto h = hints_.due(); h && *h <= platform_.now()) hints_.fire();
    // Index-based: a tick may open a nested loop that fires other timers meanwhile.
    for (std::size_t i = 0; i < timers_.size() && !terminated_; ++i) {
        TTimer* t = timers_[i];
        const std::uint64_t now = platform_.now();
        if (!t->running_ || t->due_ > now) continue;
        t->due_ = now + t->interval_;
        try {
            t->onTimer_(t);
        } catch (const std::exception& ex) {
            handleException(ex);
        }
    }
}

// Message boxes and errors

int TApplication::messageBox(const std::string& text, const std::string& caption, unsigned flags) {
    hints_.cancel();
    TForm* previous = active_;
    TControl* previousFocus = previous ? previous->focusedControl() : nullptr;
    std::vector<TForm*> disabled;
    for (TForm* f : forms_) {
        f->releaseCapture();
        if (f->inputEnabled()) {
            f->setInputEnabled(false);
            disabled.push_back(f);
        }
    }
    int result = IDOK;
    if (onMessageBox) onMessageBox(BoxRecord{caption, text, flags});
    // The platform's own box, where there is one, runs its own modal loop; the service
    // fires our timers and paints from inside it.
    const std::optional<int> native = platform_.nativeMessageBox(
        text, caption, flags, nextDue(), [this]() -> std::optional<std::uint64_t> {
            try {
                fireDueTimers();
                paintAll();
            } catch (const std::exception& ex) {
                handleException(ex);
            }
            return nextDue();
        });
    if (native) {
        result = *native;
    } else {
        TMessageForm box(*this, text, caption, flags);
        // Centred on the monitor of the active window, not on the main window.
        std::optional<Point> near;
        if (previous && previous->isShowing()) {
            const Point at = previous->window().position();
            const Size size = previous->screenSize();
            near = Point{at.x + size.width / 2, at.y + size.height / 2};
        }
        const Rect screen = platform_.monitorRect(near);
        const Size size = box.screenSize();
        box.moveTo({screen.left + (screen.width() - size.width) / 2,
                    screen.top + (screen.height() - size.height) / 2});
        boxes_.push_back(&box);
        box.show();
        struct Cleanup {
            TApplication& app;
            TMessageForm& box;
            ~Cleanup() {
                app.boxes_.erase(std::remove(app.boxes_.begin(), app.boxes_.end(), &box),
                                 app.boxes_.end());
            }
        } cleanup{*this, box};
        runNested([&box] { return box.done(); });
        result = box.result();
        box.hide();
    }
    restoreAfterBox(disabled, previous, previousFocus);
    return result;
}

void TApplication::restoreAfterBox(const std::vector<TForm*>& disabled, TForm* previous,
                                   TControl* previousFocus) {
    for (TForm* f : disabled) f->setInputEnabled(true);
    if (previous && previous->isShowing() &&
        std::find(forms_.begin(), forms_.end(), previous) != forms_.end()) {
        previous->window().raise();
        setActiveForm(previous);
        // The focus goes back where it was, unless that control went away meanwhile.
        if (previousFocus && previousFocus->usable()) previous->setFocusedControl(previousFocus);
    }
}

void TApplication::normalizeTopMosts() {
    // No window of ours is top-most; the counter keeps the calls paired.
    ++topMostLevel_;
}

void TApplication::restoreTopMosts() {
    if (topMostLevel_ > 0) --topMostLevel_;
}

std::string TApplication::errorText(const std::string& message) {
    std::string text = message;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    return text;
}

void TApplication::handleException(const std::exception& e) {
    messageBox(errorText(e.what()), title_, MB_OK | MB_ICONERROR);
}

// Minimising

void TApplication::minimize() {
    if (!mainForm_) return;
    if (minimized_) {
        // Asked again while the window still shows: the window manager did not iconify
        // it (or there is none). Ask once more, without pairing the top-most level twice.
        if (!mainForm_->window().minimized()) mainForm_->window().minimize();
        return;
    }
    hints_.cancel();
    normalizeTopMosts();
    minimized_ = true;
    mainForm_->window().minimize();
}

void TApplication::restore() {
    if (!minimized_) return;
    minimized_ = false;
    if (mainForm_) {
        mainForm_->window().restore();
        mainForm_->invalidateWindow(mainForm_->clientRect());
    }
    restoreTopMosts();
}

}  // namespace tv
