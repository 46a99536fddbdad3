#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/edit.h"
#include "widgets/scroll_bar.h"

namespace tv {

enum class TScrollStyle { ssNone, ssVertical };

// A multi-line text box with the platform's sunken edge. Lines wrap at the right edge:
// after the blanks that end a word, or between two Chinese characters, or inside a word
// too long for a line; blanks at a break hang past the edge. There is no sideways
// scrolling. The text is re-wrapped only when it, the width or the font changes.
//
// With ScrollBars ssVertical the classic bar sits inside the edge on the right, greyed
// while all lines fit. The view scrolls by whole lines: the wheel three a notch.
// A read-only memo still shows the caret, selects and copies; typing changes nothing.
class TMemo : public TWinControl {
  public:
    explicit TMemo(TForm& form);
    const char* className() const override { return "TMemo"; }

    const std::string& text() const override { return editor_.text(); }
    // Same text: nothing. Otherwise replaces it all, caret to the start, view to the top.
    void setText(const std::string& t) override;

    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool v);
    TScrollStyle scrollBars() const { return scrollBars_; }
    void setScrollBars(TScrollStyle v);

    // The wrapped lines: their count, the text of each (without the line break), and the
    // first one shown.
    int lineCount() const { return int(lines_.size()); }
    std::string_view line(int i) const;
    int topLine() const { return top_; }
    void setTopLine(int line);
    // Whole lines the text area shows.
    int visibleLines() const;
    int lineHeight() const { return resolvedFont().lineHeight(); }

    std::size_t caretPos() const { return editor_.caret(); }
    std::size_t selStart() const { return editor_.selStart(); }
    std::size_t selLength() const { return editor_.selEnd() - editor_.selStart(); }
    std::string_view selectedText() const { return editor_.selection(); }
    void setSelection(std::size_t anchor, std::size_t caret);
    void selectAll();

    // Layout, in control coordinates: where the lines are drawn, and the bar (null with
    // ScrollBars ssNone).
    Rect textRect() const;
    const TScrollBar* scrollBar() const {
        return scrollBars_ == TScrollStyle::ssVertical ? &bar_ : nullptr;
    }
    // The wrapped line that holds the caret.
    int caretLine() const;

    TNotifyEvent OnChange;

    Rect clientArea() const override { return clientRect().inflated(-2); }
    void paint(Canvas& canvas) override;
    bool canFocus() const override { return true; }
    void mouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void mouseMove(TShiftState shift, int x, int y) override;
    void mouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void mouseWheel(int delta, TShiftState shift) override;
    void captureLost() override;
    void keyDown(platform::Key key, TShiftState shift) override;
    void textInput(const char* utf8) override;
    void focusChanged(bool focused) override;

  protected:
    void fontChanged() override;
    void boundsChanged() override;

  private:
    struct Line {
        std::size_t start;
        std::size_t end;  // before the line break; a wrapped line ends where the next starts
    };
    void layout();
    void ensureLayout();
    void wrapParagraph(std::size_t s, std::size_t e, int width);
    bool wrapped(int i) const;
    int lineOfPos(std::size_t pos, bool afterWrap) const;
    int xIn(int line, std::size_t pos) const;
    std::size_t hitLine(int line, int x) const;
    std::size_t hitTest(Point p, int& line) const;
    void caretMoved(bool afterWrap = false);
    void textChanged();
    void scrollToCaret();
    void updateBar();
    void syncCursor(Point p);

    TextEditor editor_{true};
    TScrollBar bar_{*this};
    TScrollStyle scrollBars_ = TScrollStyle::ssNone;
    bool readOnly_ = false;
    std::vector<Line> lines_;
    int wrapWidth_ = -1;
    const Font* wrapFont_ = nullptr;
    int top_ = 0;
    bool afterWrap_ = false;  // the caret shows at the end of a wrapped line, not the next
    bool selecting_ = false;
    bool barPress_ = false;
};

}  // namespace tv
