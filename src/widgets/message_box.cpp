#include "widgets/message_box.h"

#include <algorithm>
#include <utility>

#include "widgets/application.h"
#include "widgets/edges.h"
#include "widgets/text_wrap.h"

namespace tv {
namespace {

constexpr int kMargin = 12;
constexpr int kIcon = 32;
constexpr int kButtonW = 75;
constexpr int kButtonH = 23;
constexpr int kMaxTextWidth = 440;

FontSpec boxFont() {
    return FontSpec{"宋体", 12, false};
}

// The default push button of the box: a black outline around a raised 2-pixel edge, and
// the dotted focus rectangle inside.
class TBoxButton : public TWinControl {
  public:
    TBoxButton(TForm& form, TMessageForm& box)
        : TWinControl(form, {kButtonW, kButtonH}), box_(box) {
        setTabStop(true);
    }
    const char* className() const override { return "TBoxButton"; }
    bool canFocus() const override { return true; }

    void paint(Canvas& c) override {
        Rect r = clientRect();
        c.fillRect(r, c.pixel(clBtnFace));
        c.frameRect(r, c.pixel(clWindowFrame));
        Rect e = r.inflated(-1);
        if (down_) {
            c.frameRect(e, c.pixel(clBtnShadow));
        } else {
            drawButtonEdge(c, e, false);
        }
        const Font& f = resolvedFont();
        Size t = f.textExtent(caption());
        int d = down_ ? 1 : 0;
        f.draw(c, (r.width() - t.width) / 2 + d, (r.height() - t.height) / 2 + d, caption(),
               c.pixel(clBtnText));
        if (showsFocus()) c.focusRect(r.inflated(-4));
    }
    void mouseDown(TMouseButton b, TShiftState s, int x, int y) override {
        if (b == TMouseButton::mbLeft) setDown(true);
        TWinControl::mouseDown(b, s, x, y);
    }
    void mouseMove(TShiftState s, int x, int y) override {
        if (pressed_) setDown(clientRect().contains(Point{x, y}));
        TWinControl::mouseMove(s, x, y);
    }
    void mouseUp(TMouseButton b, TShiftState s, int x, int y) override {
        bool click = b == TMouseButton::mbLeft && pressed_ && clientRect().contains(Point{x, y});
        setDown(false);
        TWinControl::mouseUp(b, s, x, y);
        if (click) box_.dismiss(IDOK);
    }
    void captureLost() override {
        TWinControl::captureLost();
        setDown(false);
    }
    void keyDown(platform::Key k, TShiftState) override {
        if (k == platform::Key::Return || k == platform::Key::Space || k == platform::Key::Escape)
            box_.dismiss(IDOK);
    }
    void focusChanged(bool) override { invalidate(); }

  private:
    void setDown(bool v) {
        if (v == down_) return;
        down_ = v;
        invalidate();
    }
    TMessageForm& box_;
    bool down_ = false;
};

// The classic error icon: a red disc with a dark rim and a white cross.
void drawErrorIcon(Canvas& c, int x0, int y0) {
    const double cx = 15.5, cy = 15.5;
    for (int y = 0; y < kIcon; ++y) {
        for (int x = 0; x < kIcon; ++x) {
            double dx = x - cx, dy = y - cy, d2 = dx * dx + dy * dy;
            if (d2 > 15.0 * 15.0) continue;
            Pixel p = d2 > 13.8 * 13.8 ? rgb(128, 0, 0) : rgb(255, 0, 0);
            if (d2 <= 13.8 * 13.8 && dx + dy < -6) p = rgb(255, 64, 64);
            c.setPixel(x0 + x, y0 + y, p);
        }
    }
    for (int i = 0; i < 12; ++i) {
        for (int w = 0; w < 3; ++w) {
            c.setPixel(x0 + 10 + i + w - 1, y0 + 10 + i, rgb(255, 255, 255));
            c.setPixel(x0 + 21 - i + w - 1, y0 + 10 + i, rgb(255, 255, 255));
        }
    }
}

}  // namespace

TMessageForm::Layout TMessageForm::layout(TApplication& app, const std::string& text,
                                          const std::string& caption, bool icon) {
    const Font& f = app.fonts().font(boxFont());
    std::vector<std::string> lines = wrapText(f, text, kMaxTextWidth);
    int tw = 0;
    for (const auto& l : lines) tw = std::max(tw, f.textWidth(l));
    const int th = int(lines.size()) * f.lineHeight();
    const Font& cf = app.fonts().font(FontSpec{"宋体", 12, true});
    int w = kMargin + (icon ? kIcon + kMargin : 0) + tw + kMargin + 6;
    w = std::max(w, kButtonW + 2 * kMargin);
    w = std::max(w, cf.textWidth(caption) + 40);
    int body = std::max(th, icon ? kIcon : 0);
    int h = kMargin + body + kMargin + kButtonH + kMargin;
    return {{w, h}, std::move(lines)};
}

TMessageForm::TMessageForm(TApplication& app, const std::string& text, const std::string& caption,
                           unsigned flags)
    : TMessageForm(app, text, caption, (flags & 0xF0) == MB_ICONERROR,
                   layout(app, text, caption, (flags & 0xF0) == MB_ICONERROR)) {}

TMessageForm::TMessageForm(TApplication& app, const std::string& text, const std::string& caption,
                           bool icon, Layout measured)
    : TForm(app, TBorderStyle::bsDialog, measured.size, platform::WindowRole::Dialog),
      text_(text),
      lines_(std::move(measured.lines)),
      icon_(icon) {
    setCaption(caption);
    setColor(clBtnFace);
    setFont(TFont{boxFont(), clWindowText});
    setWindowTitle(caption);
    if (app.mainForm()) window().setTransientFor(&app.mainForm()->window());
    auto& b = make<TBoxButton>(*this);
    b.setParent(this);
    b.setCaption("确定");
    Size cs = clientSize();
    b.setBounds((cs.width - kButtonW) / 2, cs.height - kMargin - kButtonH, kButtonW, kButtonH);
    button_ = &b;
    setFocusedControl(&b);
}

void TMessageForm::dismiss(int result) {
    if (done_) return;
    done_ = true;
    result_ = result;
}

Rect TMessageForm::buttonRect() const {
    return button_->windowRect();
}

void TMessageForm::paint(Canvas& canvas) {
    TForm::paint(canvas);
    Canvas::Saver s(canvas);
    Rect ca = clientArea();
    canvas.clipTo(ca);
    canvas.translate(ca.left, ca.top);
    int x = kMargin;
    const Font& f = resolvedFont();
    const int th = int(lines_.size()) * f.lineHeight();
    int body = std::max(th, icon_ ? kIcon : 0);
    if (icon_) {
        drawErrorIcon(canvas, kMargin - 1, kMargin - 1);
        x += kIcon + kMargin;
    }
    int y = kMargin + (body - th) / 2;
    for (const auto& l : lines_) {
        f.draw(canvas, x, y, l, canvas.pixel(clWindowText));
        y += f.lineHeight();
    }
}

}  // namespace tv
