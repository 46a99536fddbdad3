#pragma once
// The base of every widget. A TControl has bounds in its parent's client area, a colour
// and a font it may take from its parent, a caption, a hint and the four mouse events the
// layouts bind. Windowed controls (TWinControl) have children; drawn controls paint on
// their parent's surface and always lie below the windowed children of that parent.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gfx/canvas.h"
#include "gfx/color.h"
#include "gfx/font.h"
#include "gfx/geometry.h"
#include "platform/events.h"

namespace tv {

class TForm;
class TWinControl;
class TApplication;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
using TShiftState = std::uint16_t;  // platform::ShiftBits
enum class TAlign { alNone, alBottom };
enum class TCursor { crDefault, crHandPoint, crIBeam };

class TObject {
  public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;
using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;

// A font as widgets hold it: the face, size and weight, and the text colour.
struct TFont {
    FontSpec spec;
    TColor color = clWindowText;
    friend bool operator==(const TFont&, const TFont&) = default;
};

// Anything with a name that a form owns: widgets and timers.
class TComponent : public TObject {
  public:
    explicit TComponent(TForm& form) : form_(form) {}
    const std::string& name() const { return name_; }
    void setName(std::string n) { name_ = std::move(n); }
    TForm& form() const { return form_; }

  private:
    TForm& form_;
    std::string name_;
};

class TControl : public TComponent {
  public:
    TControl(TForm& form, Size defaultSize);
    ~TControl() override;

    virtual const char* className() const = 0;
    virtual bool isWindowed() const { return false; }

    TWinControl* parent() const { return parent_; }
    // Appends this control to the parent's children (creation order is stacking order).
    void setParent(TWinControl* p);

    // Bounds, relative to the parent's client area.
    int left() const { return bounds_.left; }
    int top() const { return bounds_.top; }
    int width() const { return bounds_.width(); }
    int height() const { return bounds_.height(); }
    Rect boundsRect() const { return bounds_; }
    void setBounds(int l, int t, int w, int h);
    void setLeft(int v) { setBounds(v, top(), width(), height()); }
    void setTop(int v) { setBounds(left(), v, width(), height()); }
    void setWidth(int v) { setBounds(left(), top(), v, height()); }
    void setHeight(int v) { setBounds(left(), top(), width(), v); }

    bool visible() const { return visible_; }
    void setVisible(bool v);
    // Visible itself and through all its parents up to the form.
    bool showing() const;
    bool enabled() const { return enabled_; }
    void setEnabled(bool v);

    TColor color() const { return color_; }
    void setColor(TColor c);
    bool parentColor() const { return parentColor_; }
    void setParentColor(bool v);

    const TFont& font() const { return font_; }
    void setFont(const TFont& f);  // also clears ParentFont
    bool parentFont() const { return parentFont_; }
    void setParentFont(bool v);
    // The resolved font of the engine, cached until the font changes.
    const Font& resolvedFont() const;

    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& c);
    // Text and Caption are one property; edits and memos override.
    virtual const std::string& text() const { return caption_; }
    virtual void setText(const std::string& t) { setCaption(t); }

    const std::string& hint() const { return hint_; }
    void setHint(std::string h) { hint_ = std::move(h); }
    bool showHint() const { return showHint_; }
    void setShowHint(bool v);
    bool parentShowHint() const { return parentShowHint_; }
    void setParentShowHint(bool v);

    // What assistive technology calls a control that shows no text of its own (a picture
    // that leads somewhere), and what it says about it (where it leads); both empty unless
    // the layout gives them.
    const std::string& accessibleName() const { return accessibleName_; }
    void setAccessibleName(const std::string& n);
    const std::string& accessibleDescription() const { return accessibleDescription_; }
    void setAccessibleDescription(std::string d) { accessibleDescription_ = std::move(d); }

    TCursor cursor() const { return cursor_; }
    void setCursor(TCursor c) { cursor_ = c; }
    TAlign align() const { return align_; }
    void setAlign(TAlign a);

    // Geometry in the form's pixel buffer.
    Rect windowRect() const;
    Point windowOrigin() const { return windowRect().topLeft(); }
    Rect clientRect() const { return {0, 0, width(), height()}; }
    // The client area inside any border, in own coordinates. Outside it (a windowed
    // control's sunken edge) the control gets no mouse input and makes no click.
    virtual Rect clientArea() const { return clientRect(); }

    // Marks the whole control, or part of it (own coordinates), for repainting.
    void invalidate();
    void invalidateRect(const Rect& r);

    // Painting in own coordinates; the canvas is clipped to the control.
    virtual void paint(Canvas& canvas) = 0;

    // Events bound by the layouts.
    TNotifyEvent OnClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

    // Input, delivered by the form. Coordinates are the control's own.
    virtual void mouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void mouseMove(TShiftState shift, int x, int y);
    virtual void mouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void mouseEnter() {}
    virtual void mouseLeave() {}
    virtual void mouseWheel(int /*delta*/, TShiftState /*shift*/) {}
    // True when a left press gives this control the mouse until release.
    virtual bool capturesMouse() const { return true; }
    // Called when the control loses the mouse without a release (capture cancelled).
    virtual void captureLost() { pressed_ = false; }

    // Keyboard, for controls that take the focus.
    virtual bool canFocus() const { return false; }
    virtual void keyDown(platform::Key /*key*/, TShiftState /*shift*/) {}
    virtual void textInput(const char* /*utf8*/) {}
    virtual void textEditing(const char* /*utf8*/, int /*cursor*/) {}
    virtual void focusChanged(bool /*focused*/) {}
    // The Tab key brought the focus here (an edit then selects its whole text).
    virtual void enteredByTab() {}
    bool focused() const;
    // Focus marks (the dotted rectangle, the caret, a focused selection) show only while
    // the control has the keyboard focus and its window is the active one.
    bool showsFocus() const;
    // Showing and enabled, itself and through every parent: it can take input.
    bool usable() const;

    // Called once after the layout has set every property.
    virtual void loaded() {}

  protected:
    virtual void colorChanged() { invalidate(); }
    virtual void fontChanged() { invalidate(); }
    virtual void captionChanged() { invalidate(); }
    virtual void boundsChanged() {}
    // Parent's colour/font changed: follow it where this control inherits.
    friend class TWinControl;
    virtual void parentColorChanged();
    virtual void parentFontChanged();
    void parentShowHintChanged();
    // The mouse left/right button press bookkeeping for click detection.
    bool pressed_ = false;
    bool pressDouble_ = false;

  private:
    TWinControl* parent_ = nullptr;
    Rect bounds_;
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    TFont font_;
    bool parentFont_ = true;
    mutable const Font* resolved_ = nullptr;
    std::string caption_;
    std::string hint_;
    std::string accessibleName_, accessibleDescription_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TCursor cursor_ = TCursor::crDefault;
    TAlign align_ = TAlign::alNone;
};

class TWinControl : public TControl {
  public:
    using TControl::TControl;
    bool isWindowed() const override { return true; }

    const std::vector<TControl*>& children() const { return children_; }

    // The topmost visible, enabled control at p (own coordinates), this one when no
    // child covers it.
    TControl* controlAt(Point p);
    // Paints this control and its children; the canvas is at this control's origin.
    void paintTree(Canvas& canvas, const Rect& dirty);

    bool tabStop() const { return tabStop_; }
    void setTabStop(bool v) { tabStop_ = v; }
    int tabOrder() const { return tabOrder_; }
    void setTabOrder(int v) { tabOrder_ = v; }
    bool ctl3D() const { return ctl3D_; }
    void setCtl3D(bool v) { ctl3D_ = v; }

    // Re-places children aligned to the bottom edge.
    void realign();

  protected:
    friend class TControl;
    void addChild(TControl* c);
    void removeChild(TControl* c);
    void colorChanged() override;
    void fontChanged() override;
    bool tabStop_ = false;
    int tabOrder_ = -1;
    bool ctl3D_ = true;

  private:
    std::vector<TControl*> children_;
};

}  // namespace tv
