#include "widgets/hint.h"

#include <algorithm>
#include <vector>

#include "widgets/application.h"
#include "widgets/control.h"
#include "widgets/form.h"
#include "widgets/text_wrap.h"

namespace tv {

namespace {
FontSpec hintFont() {
    return FontSpec{"宋体", 12, false};
}
}  // namespace

// The pop-up: clInfoBk with a raised 1-pixel border, the lines 2 pixels from the top-left.
class THintWindow : public TForm {
  public:
    THintWindow(TApplication& app, const std::string& text, std::vector<std::string> lines,
                Size textSize)
        : TForm(app, TBorderStyle::bsNone, {textSize.width + 6, textSize.height + 6},
                platform::WindowRole::Tooltip),
          lines_(std::move(lines)) {
        setCaption(text);
        setWindowTitle(text);
        setColor(clInfoBk);
        setFont(TFont{hintFont(), clInfoText});
    }
    const char* className() const override { return "THintWindow"; }
    void paint(Canvas& canvas) override {
        const Rect r = clientRect();
        canvas.fillRect(r, canvas.pixel(clInfoBk));
        canvas.frame3D(r, canvas.pixel(clBtnHighlight), canvas.pixel(cl3DDkShadow));
        const Font& f = resolvedFont();
        for (std::size_t i = 0; i < lines_.size(); ++i)
            f.draw(canvas, 2, 2 + int(i) * f.lineHeight(), lines_[i], canvas.pixel(clInfoText));
    }

  private:
    std::vector<std::string> lines_;
};

HintController::HintController(TApplication& app) : app_(app) {}

TForm* HintController::window() const {
    return window_.get();
}
HintController::~HintController() = default;

TControl* HintController::hintTarget(TControl* c) {
    for (; c; c = c->parent())
        if (c->showHint() && !c->hint().empty()) return c;
    return nullptr;
}

void HintController::pointerMoved(TControl* control, Point screen) {
    pointer_ = screen;
    TControl* target = hintTarget(control);
    if (target != spent_) spent_ = nullptr;  // left the spent control
    if (!target) {
        control_ = nullptr;
        showAt_.reset();
        hide();
        return;
    }
    if (target == spent_) return;
    if (target != control_) {
        const bool wasShowing = showing();
        control_ = target;
        hide();
        showAt_ = app_.platform().now() + (wasShowing ? 0 : kPause);
        if (wasShowing) show();
        return;
    }
    if (!showing()) showAt_ = app_.platform().now() + kPause;
}

void HintController::cancel() {
    control_ = nullptr;
    spent_ = nullptr;
    showAt_.reset();
    hide();
}

void HintController::forget(TControl* c) {
    if (control_ == c || spent_ == c) cancel();
}

std::optional<std::uint64_t> HintController::due() const {
    if (showAt_) return showAt_;
    return hideAt_;
}

void HintController::fire() {
    const std::uint64_t now = app_.platform().now();
    if (showAt_ && *showAt_ <= now) {
        show();
        return;
    }
    if (hideAt_ && *hideAt_ <= now) {
        spent_ = control_;
        control_ = nullptr;
        hide();
    }
}

void HintController::show() {
    showAt_.reset();
    if (!control_) return;
    const std::string& h = control_->hint();
    shownText_ = h.substr(0, h.find('|'));
    const Font& f = app_.fonts().font(hintFont());
    // Wrapped at the screen's width, less the border and margins; the screen is as wide in
    // logical pixels as the window under the pointer has them.
    const int scale = control_->form().window().scale();
    std::vector<std::string> lines =
        wrapText(f, shownText_, app_.platform().monitorRect(std::nullopt).width() / scale - 6);
    Size ext{0, int(lines.size()) * f.lineHeight()};
    for (const std::string& line : lines) ext.width = std::max(ext.width, f.textWidth(line));
    window_ = std::make_unique<THintWindow>(app_, shownText_, std::move(lines), ext);
    // Kept within the desktop, which spans every monitor.
    const Rect desktop = app_.platform().desktopRect();
    // Below the visible part of the arrow pointer.
    Point p{pointer_.x, pointer_.y + app_.platform().pointerDrop()};
    const Size size = window_->screenSize();
    p.x = std::clamp(p.x, desktop.left, std::max(desktop.left, desktop.right - size.width));
    p.y = std::clamp(p.y, desktop.top, std::max(desktop.top, desktop.bottom - size.height));
    window_->moveTo(p);
    window_->showNoActivate();
    hideAt_ = app_.platform().now() + kHidePause;
}

void HintController::hide() {
    hideAt_.reset();
    if (!window_) return;
    window_->hide();
    window_.reset();
    shownText_.clear();
}

}  // namespace tv
