#include "widgets/form.h"

#include <algorithm>

#include "platform/scale.h"
#include "widgets/application.h"
#include "widgets/edges.h"

namespace tv {
namespace {

// The classic dialog frame: a 3-pixel raised border, an 18-pixel caption bar and one
// pixel of button face below it.
constexpr int kFrame = 3;
constexpr int kCaption = 18;
constexpr int kClientTop = kFrame + kCaption + 1;

Size windowSizeFor(TBorderStyle style, Size client) {
    if (style == TBorderStyle::bsDialog)
        return {client.width + 2 * kFrame, client.height + kClientTop + kFrame};
    return client;
}

TMouseButton toButton(platform::MouseButton b) {
    switch (b) {
        case platform::MouseButton::Right:
            return TMouseButton::mbRight;
        case platform::MouseButton::Middle:
            return TMouseButton::mbMiddle;
        default:
            return TMouseButton::mbLeft;
    }
}

}  // namespace

TForm::TForm(TApplication& app, TBorderStyle style, Size clientSize, platform::WindowRole role)
    : TWinControl(*this, windowSizeFor(style, clientSize)), app_(app), style_(style), role_(role) {
    platform::WindowSpec spec;
    spec.size = windowSizeFor(style, clientSize);
    spec.role = role;
    spec.title = app.title();
    window_ = app.platform().createWindow(spec);
    setVisible(false);
    app_.addForm(this);
}

TForm::~TForm() {
    // Widgets go before the window; nothing may point at them afterwards.
    app_.accessChanged(*this, AccessChange::Destroyed);
    capture_ = hot_ = focus_ = lastPress_ = nullptr;
    owned_.clear();
    app_.removeForm(this);
}

Rect TForm::clientArea() const {
    if (style_ == TBorderStyle::bsDialog)
        return {kFrame, kClientTop, width() - kFrame, height() - kFrame};
    return clientRect();
}

TComponent* TForm::findComponent(const std::string& n) const {
    if (n == name()) return const_cast<TForm*>(this);
    for (const auto& c : owned_)
        if (c->name() == n) return c.get();
    return nullptr;
}

void TForm::show() {
    if (shown_) {
        window_->raise();
        return;
    }
    if (position_ == TPosition::poScreenCenter && !shownOnce_) {
        // The screen is the primary monitor, as the platform's screen metrics give it.
        const Rect s = app_.platform().monitorRect(std::nullopt);
        const Size size = screenSize();
        window_->setPosition(
            {s.left + (s.width() - size.width) / 2, s.top + (s.height() - size.height) / 2});
    }
    shownOnce_ = true;
    shown_ = true;
    setVisible(true);
    window_->show();
    window_->raise();
    invalidateWindow(clientRect());
    app_.accessChanged(*this, AccessChange::WindowShown);
    app_.setActiveForm(this);
    if (!focus_) focusFirst();
}

void TForm::showNoActivate() {
    shown_ = true;
    shownOnce_ = true;
    setVisible(true);
    window_->show();
    invalidateWindow(clientRect());
    app_.accessChanged(*this, AccessChange::WindowShown);
}

void TForm::hide() {
    if (!shown_) return;
    releaseCapture();
    shown_ = false;
    setVisible(false);
    window_->hide();
    if (app_.activeForm() == this) app_.setActiveForm(nullptr);
    app_.accessChanged(*this, AccessChange::WindowHidden);
}

void TForm::close() {
    if (modal_) {
        modalResult_ = TModalResult::mrCancel;
        return;
    }
    if (this == app_.mainForm()) {
        if (OnClose) OnClose(this);
        app_.terminate();
        return;
    }
    hide();
    if (OnClose) OnClose(this);
}

TModalResult TForm::showModal() {
    if (shown_) throw EWidgetError("Cannot make a visible window modal");
    for (TForm* f : app_.forms()) f->releaseCapture();
    TForm* previous = app_.activeForm();
    std::vector<TForm*> disabled;
    for (TForm* f : app_.forms()) {
        if (f != this && f->inputEnabled()) {
            f->setInputEnabled(false);
            disabled.push_back(f);
        }
    }
    modalResult_ = TModalResult::mrNone;
    modal_ = true;
    struct Restore {
        TForm& self;
        std::vector<TForm*>& disabled;
        TForm* previous;
        ~Restore() {
            self.modal_ = false;
            self.hide();
            for (TForm* f : disabled) f->setInputEnabled(true);
            if (previous && previous != &self && previous->isShowing()) {
                previous->window().raise();
                self.application().setActiveForm(previous);
            }
        }
    } restore{*this, disabled, previous};
    show();
    app_.runNested([this] { return modalResult_ != TModalResult::mrNone; });
    TModalResult r = modalResult_ == TModalResult::mrNone ? TModalResult::mrCancel : modalResult_;
    return r;
}

void TForm::setInputEnabled(bool v) {
    if (!v) releaseCapture();
    inputEnabled_ = v;
    window_->setEnabled(v);
}

void TForm::setActive(bool v) {
    if (v == active_) return;
    active_ = v;
    if (style_ == TBorderStyle::bsDialog) invalidateWindow(captionRect());
    if (v && !focus_) focusFirst();
    // The focus marks come and go with the activation.
    if (focus_) focus_->invalidate();
    app_.accessChanged(*this, v ? AccessChange::Activated : AccessChange::Deactivated);
}

// Damage

void TForm::invalidateWindow(const Rect& r) {
    Rect c = r.intersected(clientRect());
    if (c.empty()) return;
    for (int i = 0; i < damageCount_; ++i)
        if (damage_[std::size_t(i)].contains(c)) return;
    int n = 0;
    for (int i = 0; i < damageCount_; ++i)
        if (!c.contains(damage_[std::size_t(i)]))
            damage_[std::size_t(n++)] = damage_[std::size_t(i)];
    damageCount_ = n;
    if (damageCount_ == int(damage_.size())) {
        for (int i = 1; i < damageCount_; ++i)
            damage_[0] = damage_[0].united(damage_[std::size_t(i)]);
        damageCount_ = 1;
        damage_[0] = damage_[0].united(c);
        return;
    }
    damage_[std::size_t(damageCount_++)] = c;
}

void TForm::paintDamage() {
    if (!shown_ || damageCount_ == 0) return;
    Pixel* px = window_->pixels();
    Size sz = window_->size();
    if (!canvas_ || canvas_->width() != sz.width || canvas_->height() != sz.height ||
        canvasPixels_ != px) {
        canvas_ = std::make_unique<Canvas>(px, sz.width, sz.height, window_->stride(),
                                           app_.platform().systemColors());
        canvasPixels_ = px;
    }
    for (int i = 0; i < damageCount_; ++i) {
        const Rect& r = damage_[std::size_t(i)];
        Canvas::Saver s(*canvas_);
        canvas_->clipTo(r);
        paintTree(*canvas_, r);
    }
    ++paintCount_;
    window_->present(damage_.data(), damageCount_);
    damageCount_ = 0;
}

void TForm::paintAll() {
    invalidateWindow(clientRect());
    bool wasShown = shown_;
    shown_ = true;
    paintDamage();
    shown_ = wasShown;
}

void TForm::paint(Canvas& canvas) {
    canvas.fillRect(clientArea(), canvas.pixel(color()));
    if (style_ == TBorderStyle::bsDialog) paintFrame(canvas);
}

Rect TForm::captionRect() const {
    return {kFrame, kFrame, width() - kFrame, kFrame + kCaption};
}

Rect TForm::closeBoxRect() const {
    Rect c = captionRect();
    return Rect::fromXYWH(c.right - 2 - 16, c.top + 2, 16, 14);
}

void TForm::paintFrame(Canvas& canvas) {
    const Rect w = clientRect();
    drawRaisedEdge(canvas, w);
    canvas.frameRect(w.inflated(-2), canvas.pixel(clBtnFace));
    canvas.hline(kFrame, w.right - kFrame, kFrame + kCaption, canvas.pixel(clBtnFace));
    // Caption bar: a left-to-right gradient between the two caption colours.
    const Rect c = captionRect();
    const Pixel a = canvas.pixel(active_ ? clActiveCaption : clInactiveCaption);
    const Pixel b = canvas.pixel(active_ ? clGradientActiveCaption : clGradientInactiveCaption);
    const int n = std::max(1, c.width() - 1);
    for (int x = c.left; x < c.right; ++x) {
        int t = x - c.left;
        Pixel p = rgb(pixelRed(a) + (pixelRed(b) - pixelRed(a)) * t / n,
                      pixelGreen(a) + (pixelGreen(b) - pixelGreen(a)) * t / n,
                      pixelBlue(a) + (pixelBlue(b) - pixelBlue(a)) * t / n);
        canvas.vline(x, c.top, c.bottom, p);
    }
    const Font& f = app_.fonts().font(FontSpec{"宋体", 12, true});
    {
        Canvas::Saver s(canvas);
        canvas.clipTo({c.left, c.top, closeBoxRect().left - 2, c.bottom});
        f.draw(canvas, c.left + 3, c.top + (c.height() - f.lineHeight() + 1) / 2, caption(),
               canvas.pixel(active_ ? clCaptionText : clInactiveCaptionText));
    }
    // The close box, a small push button with the cross.
    Rect box = closeBoxRect();
    canvas.fillRect(box, canvas.pixel(clBtnFace));
    drawButtonEdge(canvas, box, closeBoxDown_);
    const int d = closeBoxDown_ ? 1 : 0;
    const int gx = box.left + 4 + d, gy = box.top + 3 + d;
    const Pixel ink = canvas.pixel(clBtnText);
    for (int i = 0; i < 7; ++i) {
        canvas.hline(gx + i, gx + i + 2, gy + i, ink);
        canvas.hline(gx + 6 - i, gx + 8 - i, gy + i, ink);
    }
}

// Input

void TForm::handleEvent(const platform::Event& e) {
    using platform::EventType;
    switch (e.type) {
        case EventType::MouseDown:
        case EventType::MouseUp:
        case EventType::MouseMove:
        case EventType::MouseWheel:
            if (!inputEnabled_) {
                if (e.type == EventType::MouseMove) updateHot(nullptr);
                return;
            }
            if (frameMouse(e)) return;
            routeMouse(e);
            return;
        case EventType::MouseLeave:
            if (!capture_) updateHot(nullptr);
            app_.hints().cancel();
            return;
        case EventType::KeyDown:
        case EventType::KeyUp:
        case EventType::TextInput:
        case EventType::TextEditing:
            if (e.type == EventType::KeyDown) app_.hints().cancel();
            if (inputEnabled_) dispatchKey(e);
            return;
        case EventType::CloseRequest:
            if (inputEnabled_) close();
            return;
        case EventType::FocusGained:
        case EventType::FocusLost:
            windowFocusChanged(e.type == EventType::FocusGained);
            return;
        case EventType::ColorsChanged:
            invalidateWindow(clientRect());
            return;
        case EventType::Exposed:
            // The buffer still holds the picture: put it back without painting.
            if (shown_ && canvas_) {
                const Rect all = clientRect();
                window_->present(&all, 1);
            } else {
                invalidateWindow(clientRect());
            }
            return;
        default:
            return;
    }
}

void TForm::windowFocusChanged(bool gained) {
    if (gained) {
        // A window that another is modal over does not become active (without a window
        // manager the focus follows the pointer onto it).
        if (inputEnabled_) app_.setActiveForm(this);
        return;
    }
    setActive(false);
    // No window of ours is active any more: the user went to another program.
    if (!app_.active()) app_.hints().cancel();
}

bool TForm::frameMouse(const platform::Event& e) {
    if (style_ != TBorderStyle::bsDialog) return false;
    using platform::EventType;
    // A drag whose release went elsewhere (the button is up by now) ends at the next move.
    if ((frameDrag_ || closeBoxPressed_) && e.type == EventType::MouseMove &&
        !(e.shift & platform::kLeftButton)) {
        endFramePress();
        return true;
    }
    if (frameDrag_) {
        if (e.type == EventType::MouseMove) {
            Point now = app_.platform().cursorPos();
            Point pos = screenPos();
            moveTo({pos.x + now.x - frameDragLast_.x, pos.y + now.y - frameDragLast_.y});
            frameDragLast_ = app_.platform().cursorPos();
        } else if (e.type == EventType::MouseUp && e.button == platform::MouseButton::Left) {
            endFramePress();
        }
        return true;
    }
    if (closeBoxPressed_) {
        bool inside = closeBoxRect().contains(e.pos);
        if (e.type == EventType::MouseMove && inside != closeBoxDown_) {
            closeBoxDown_ = inside;
            invalidateWindow(closeBoxRect());
        } else if (e.type == EventType::MouseUp && e.button == platform::MouseButton::Left) {
            endFramePress();
            if (inside) close();
        }
        return true;
    }
    if (capture_ || clientArea().contains(e.pos)) return false;
    if (e.type == EventType::MouseDown) lastPress_ = nullptr;
    if (e.type == EventType::MouseDown && e.button == platform::MouseButton::Left) {
        if (closeBoxRect().contains(e.pos)) {
            closeBoxPressed_ = closeBoxDown_ = true;
            invalidateWindow(closeBoxRect());
        } else if (captionRect().contains(e.pos)) {
            frameDrag_ = true;
            frameDragLast_ = app_.platform().cursorPos();
        }
        window_->captureMouse(true);
    }
    if (e.type == EventType::MouseMove) updateHot(nullptr);
    app_.hints().cancel();
    return true;
}

void TForm::endFramePress() {
    if (!frameDrag_ && !closeBoxPressed_) return;
    if (closeBoxDown_) invalidateWindow(closeBoxRect());
    frameDrag_ = closeBoxPressed_ = closeBoxDown_ = false;
    window_->captureMouse(false);
}

void TForm::routeMouse(const platform::Event& e) {
    using platform::EventType;
    TControl* under = controlAt(e.pos);
    TControl* target = capture_ ? capture_ : under;
    // A windowed control's sunken edge is outside its client area: the platform sends the
    // control no client mouse messages there, and its parent none either, and shows the
    // arrow.
    const bool onEdge =
        !capture_ && under != this && !under->clientArea().contains(e.pos - under->windowOrigin());
    if (e.type == EventType::MouseMove) {
        updateHot(under);
        updateCursor(onEdge ? nullptr : under);
        app_.hints().pointerMoved(under, e.screen);
    } else {
        app_.hints().cancel();
    }
    TShiftState shift = e.shift;
    if (e.type == EventType::MouseDown) {
        // Two quick presses make a double-click only on one and the same control.
        TControl* pressed = onEdge ? nullptr : target;
        if (pressed != lastPress_) shift &= TShiftState(~platform::kDoubleClick);
        lastPress_ = pressed;
    }
    if (onEdge && e.type != EventType::MouseWheel) return;
    Point o = target->windowOrigin();
    int x = e.pos.x - o.x, y = e.pos.y - o.y;
    switch (e.type) {
        case EventType::MouseMove:
            target->mouseMove(shift, x, y);
            break;
        case EventType::MouseDown: {
            TMouseButton b = toButton(e.button);
            if (b == TMouseButton::mbLeft) {
                if (target->capturesMouse()) setCapture(target);
                if (target->canFocus()) setFocusedControl(target);
            }
            target->mouseDown(b, shift, x, y);
            break;
        }
        case EventType::MouseUp: {
            TMouseButton b = toButton(e.button);
            if (b == TMouseButton::mbLeft && capture_ == target) {
                // The normal end of a press: the control still sees its release.
                capture_ = nullptr;
                window_->captureMouse(false);
            }
            target->mouseUp(b, shift, x, y);
            // The click's handler may have run a message box meanwhile: the hot control is
            // the one under the pointer now, not where the button went up.
            if (!capture_) updateHot(controlUnderPointer());
            break;
        }
        case EventType::MouseWheel: {
            // The wheel goes to the focused control, as the platform sends it.
            TControl* w = focus_ ? focus_ : under;
            w->mouseWheel(e.wheel, shift);
            break;
        }
        default:
            break;
    }
}

void TForm::updateHot(TControl* c) {
    if (c == hot_) return;
    TControl* old = hot_;
    hot_ = c;
    if (old) old->mouseLeave();
    if (hot_ == c && c) c->mouseEnter();
}

void TForm::updateCursor(TControl* c) {
    TCursor cur = c ? c->cursor() : TCursor::crDefault;
    if (cur == shownCursor_) return;
    shownCursor_ = cur;
    window_->setCursor(cur == TCursor::crHandPoint ? platform::Cursor::HandPoint
                       : cur == TCursor::crIBeam   ? platform::Cursor::IBeam
                                                   : platform::Cursor::Arrow);
}

Point TForm::pointerPos() const {
    const Point p = app_.platform().cursorPos() - screenPos();
    return platform::toLogical(p, window_->scale());
}

TControl* TForm::controlUnderPointer() {
    if (!shown_ || !inputEnabled_) return nullptr;
    const Point p = pointerPos();
    return clientArea().contains(p) ? controlAt(p) : nullptr;
}

void TForm::setCapture(TControl* c) {
    capture_ = c;
    window_->captureMouse(c != nullptr);
}

void TForm::releaseCapture() {
    endFramePress();
    if (!capture_) return;
    TControl* c = capture_;
    capture_ = nullptr;
    window_->captureMouse(false);
    c->captureLost();
}

void TForm::setFocusedControl(TControl* c) {
    if (c == focus_) return;
    TControl* old = focus_;
    focus_ = c;
    if (old) old->focusChanged(false);
    if (focus_) {
        focus_->focusChanged(true);
        app_.accessChanged(*focus_, AccessChange::Focus);
    }
}

void TForm::controlHidden(TControl* c) {
    // Anything inside c that holds the capture, the focus or the hot flag lets go.
    auto inside = [c](TControl* x) {
        for (TControl* p = x; p; p = p->parent())
            if (p == c) return true;
        return false;
    };
    if (capture_ && inside(capture_)) releaseCapture();
    if (app_.hints().control() && inside(app_.hints().control()))
        app_.hints().forget(app_.hints().control());
    if (hot_ && inside(hot_)) updateHot(nullptr);
    if (lastPress_ && inside(lastPress_)) lastPress_ = nullptr;
    if (focus_ && inside(focus_) && c != this) setFocusedControl(nullptr);
}

void TForm::collectTabStops(TWinControl* w, std::vector<TControl*>& out) {
    std::vector<TWinControl*> kids;
    for (TControl* c : w->children())
        if (c->isWindowed()) kids.push_back(static_cast<TWinControl*>(c));
    std::stable_sort(kids.begin(), kids.end(), [](TWinControl* a, TWinControl* b) {
        return a->tabOrder() >= 0 && b->tabOrder() >= 0 && a->tabOrder() < b->tabOrder();
    });
    for (TWinControl* k : kids) {
        if (!k->visible() || !k->enabled()) continue;
        if (k->canFocus() && k->tabStop()) out.push_back(k);
        collectTabStops(k, out);
    }
}

void TForm::focusFirst() {
    std::vector<TControl*> stops;
    collectTabStops(this, stops);
    if (!stops.empty()) setFocusedControl(stops.front());
}

void TForm::selectNext(bool forward) {
    std::vector<TControl*> stops;
    collectTabStops(this, stops);
    if (stops.empty()) return;
    auto it = std::find(stops.begin(), stops.end(), focus_);
    std::size_t i = 0;
    if (it != stops.end()) {
        std::size_t cur = std::size_t(it - stops.begin());
        i = forward ? (cur + 1) % stops.size() : (cur + stops.size() - 1) % stops.size();
    } else if (!forward) {
        i = stops.size() - 1;
    }
    setFocusedControl(stops[i]);
    stops[i]->enteredByTab();
}

void TForm::dispatchKey(const platform::Event& e) {
    using platform::EventType;
    using platform::Key;
    if (e.type == EventType::KeyDown) {
        if (e.key == Key::F4 && (e.shift & platform::kAlt)) {
            close();
            return;
        }
        if (e.key == Key::Tab && !(e.shift & (platform::kCtrl | platform::kAlt))) {
            selectNext(!(e.shift & platform::kShift));
            return;
        }
        if (focus_) focus_->keyDown(e.key, e.shift);
    } else if (e.type == EventType::TextInput) {
        if (focus_) focus_->textInput(e.text);
    } else if (e.type == EventType::TextEditing) {
        if (focus_) focus_->textEditing(e.text, e.editCursor);
    }
}

}  // namespace tv
