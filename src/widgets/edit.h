#pragma once
// The one-line edit box, and the caret-and-selection core it shares with the memo.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "widgets/control.h"

namespace tv {

namespace platform {
class Platform;
}

// A text with a caret and a selection, edited by whole characters. Offsets are byte
// offsets into the UTF-8 text and always fall on a character boundary. Text that is not
// well-formed UTF-8 (set by a program, not typed) is stepped through the way the fonts
// draw it: one replacement character per ill-formed sequence, so the caret can never
// land inside a character. In a multi-line text CR LF is one character.
//
// The selection runs between the anchor (where it began) and the caret (where it ends,
// the end that moves); Shift with a caret key moves the caret and keeps the anchor.
class TextEditor {
  public:
    explicit TextEditor(bool multiLine) : multiLine_(multiLine) {}

    const std::string& text() const { return text_; }
    // Replaces the whole text (as given) and puts the caret at its start.
    void setText(std::string_view t);

    std::size_t caret() const { return caret_; }
    std::size_t anchor() const { return anchor_; }
    std::size_t selStart() const { return std::min(caret_, anchor_); }
    std::size_t selEnd() const { return std::max(caret_, anchor_); }
    bool hasSelection() const { return caret_ != anchor_; }
    std::string_view selection() const;
    // Both ends are clamped to the text and moved back to a character boundary.
    void select(std::size_t anchor, std::size_t caret);
    void moveTo(std::size_t pos, bool extend) { select(extend ? anchor_ : pos, pos); }
    void selectAll() { select(0, text_.size()); }

    // Character boundaries around pos (which must be a boundary).
    std::size_t nextChar(std::size_t pos) const;
    std::size_t prevChar(std::size_t pos) const;
    // The boundary at or before any offset.
    std::size_t snap(std::size_t pos) const;
    // Ctrl+Left / Ctrl+Right: the start of the word before / after pos.
    std::size_t prevWord(std::size_t pos) const;
    std::size_t nextWord(std::size_t pos) const;
    // What a double-click at pos selects: the word there with the blanks after it, or
    // the run of blanks there.
    std::pair<std::size_t, std::size_t> wordAt(std::size_t pos) const;

    // Editing. Each returns whether the text changed.
    bool replaceSelection(std::string_view utf8);  // cleaned first, see clean()
    bool deleteBackward();                         // the selection, or the character before
    bool deleteForward();                          // the selection, or the character after

    // Text from the user or the clipboard made fit to insert: ill-formed UTF-8 becomes
    // U+FFFD, control characters are dropped; one line keeps only what comes before the
    // first line break, many lines get CR LF for every kind of line break and keep tabs.
    static std::string clean(std::string_view utf8, bool multiLine);

    // The keys both edits and memos treat alike: Left/Right (Ctrl: by words; Shift:
    // extending), Backspace, Delete, Ctrl+A, Ctrl+C, Ctrl+X, Ctrl+V. Read-only text is
    // never changed, but can still be selected and copied.
    struct KeyResult {
        bool handled = false;
        bool changed = false;  // the text changed
    };
    KeyResult editKey(platform::Key key, TShiftState shift, bool readOnly,
                      platform::Platform& clipboard);

  private:
    bool isBreakAt(std::size_t pos) const;
    std::string text_;
    std::size_t caret_ = 0;
    std::size_t anchor_ = 0;
    bool multiLine_;
};

// True for characters between which a line may break without a space: the Chinese,
// Japanese and Korean scripts and their punctuation.
bool isWideBreakable(char32_t c);
// Spaces and tabs: where words end.
bool isBlank(char32_t c);

// A one-line edit box with the platform's sunken edge. The text scrolls sideways, by
// whole characters, to keep the caret in view; the input method's composition is shown
// underlined at the caret until it is committed. Tabbing into the box selects its text.
class TEdit : public TWinControl {
  public:
    explicit TEdit(TForm& form);
    const char* className() const override { return "TEdit"; }

    const std::string& text() const override { return editor_.text(); }
    // Same text: nothing. Otherwise replaces it, caret to the start, and repaints.
    void setText(const std::string& t) override;

    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool v);
    // With AutoSize, a font change makes the box as high as the font's line plus 8 (the
    // 2-pixel edge and the classic padding): 20 for a 12-pixel font, 21 for 13.
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool v);

    std::size_t caretPos() const { return editor_.caret(); }
    std::size_t selStart() const { return editor_.selStart(); }
    std::size_t selLength() const { return editor_.selEnd() - editor_.selStart(); }
    std::string_view selectedText() const { return editor_.selection(); }
    void setSelection(std::size_t anchor, std::size_t caret);
    void selectAll();
    // The input method's text not yet committed.
    const std::string& composition() const { return preedit_; }

    // Layout, in control coordinates: the rectangle the text is drawn and clipped in,
    // how far the text is scrolled to the left, and where the caret is drawn.
    Rect textRect() const;
    int scrollOffset() const { return scrollX_; }
    int caretX() const;

    // Fires after every change of the text, by the user or by setText.
    TNotifyEvent OnChange;

    Rect clientArea() const override { return clientRect().inflated(-2); }
    void paint(Canvas& canvas) override;
    bool canFocus() const override { return true; }
    void mouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void mouseMove(TShiftState shift, int x, int y) override;
    void mouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void captureLost() override;
    void keyDown(platform::Key key, TShiftState shift) override;
    void textInput(const char* utf8) override;
    void textEditing(const char* utf8, int cursor) override;
    void focusChanged(bool focused) override;
    void enteredByTab() override;

  protected:
    void fontChanged() override;

  private:
    int textTop() const;
    // Pixels from the start of the text to offset pos of the committed text.
    int xOf(std::size_t pos) const;
    std::size_t hitTest(int x) const;
    int preeditWidth(int chars) const;
    void afterCaretMove();
    void afterTextChange();
    void scrollToCaret();
    void adjustHeight();

    TextEditor editor_{false};
    bool readOnly_ = false;
    bool autoSize_ = true;
    int scrollX_ = 0;
    bool selecting_ = false;
    std::string preedit_;
    int preeditCursor_ = 0;  // in characters
};

}  // namespace tv
