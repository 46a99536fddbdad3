#include "widgets/edit.h"

#include "gfx/font_utf8.h"
#include "platform/platform.h"
#include "widgets/application.h"
#include "widgets/edges.h"
#include "widgets/form.h"
#include "widgets/panel.h"

namespace tv {
bool isBlank(char32_t c) {
    return c == ' ' || c == '\t';
}

namespace {

bool isLineBreak(char32_t c) {
    return c == '\r' || c == '\n';
}

enum class CharClass { Blank, Break, Word };

CharClass classOf(char32_t c) {
    return isBlank(c) ? CharClass::Blank : isLineBreak(c) ? CharClass::Break : CharClass::Word;
}

}  // namespace

bool isWideBreakable(char32_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) ||  // radicals, CJK punctuation, kana, ideographs
           (c >= 0xAC00 && c <= 0xD7AF) ||  // Hangul syllables
           (c >= 0xF900 && c <= 0xFAFF) ||  // compatibility ideographs
           (c >= 0xFF00 && c <= 0xFFEF) ||  // full-width forms
           (c >= 0x20000 && c <= 0x3FFFF);  // supplementary ideographs
}

// TextEditor

void TextEditor::setText(std::string_view t) {
    text_.assign(t);
    caret_ = anchor_ = 0;
}

std::string_view TextEditor::selection() const {
    return std::string_view(text_).substr(selStart(), selEnd() - selStart());
}

void TextEditor::select(std::size_t anchor, std::size_t caret) {
    anchor_ = snap(anchor);
    caret_ = snap(caret);
}

std::size_t TextEditor::snap(std::size_t pos) const {
    if (pos >= text_.size()) return text_.size();
    // Every byte that is not a continuation byte starts a character, however ill-formed
    // the text is: the decoder never swallows one. Decode forward from the last of them.
    std::size_t s = pos;
    while (s > 0 && (static_cast<unsigned char>(text_[s]) & 0xC0) == 0x80) --s;
    std::string_view v(text_);
    while (s < pos) {
        std::size_t q = s;
        decodeUtf8(v, q);
        if (q > pos) break;
        s = q;
    }
    if (multiLine_ && s > 0 && text_[s] == '\n' && text_[s - 1] == '\r') --s;
    return s;
}

std::size_t TextEditor::nextChar(std::size_t pos) const {
    if (pos >= text_.size()) return text_.size();
    if (multiLine_ && text_[pos] == '\r' && pos + 1 < text_.size() && text_[pos + 1] == '\n')
        return pos + 2;
    decodeUtf8(text_, pos);
    return pos;
}

std::size_t TextEditor::prevChar(std::size_t pos) const {
    if (pos == 0) return 0;
    if (multiLine_ && pos >= 2 && text_[pos - 1] == '\n' && text_[pos - 2] == '\r') return pos - 2;
    return snap(pos - 1);
}

bool TextEditor::isBreakAt(std::size_t pos) const {
    return pos < text_.size() && isLineBreak(static_cast<unsigned char>(text_[pos]));
}

std::size_t TextEditor::prevWord(std::size_t pos) const {
    auto classBefore = [&](std::size_t p) {
        std::size_t q = prevChar(p);
        return classOf(decodeUtf8(text_, q));
    };
    std::size_t p = pos;
    while (p > 0 && classBefore(p) == CharClass::Blank) p = prevChar(p);
    while (p > 0 && classBefore(p) == CharClass::Word) p = prevChar(p);
    return p == pos ? prevChar(pos) : p;
}

std::size_t TextEditor::nextWord(std::size_t pos) const {
    auto classAt = [&](std::size_t p) {
        std::size_t q = p;
        return classOf(decodeUtf8(text_, q));
    };
    std::size_t p = pos;
    while (p < text_.size() && classAt(p) == CharClass::Word) p = nextChar(p);
    while (p < text_.size() && classAt(p) == CharClass::Blank) p = nextChar(p);
    return p == pos ? nextChar(pos) : p;
}

std::pair<std::size_t, std::size_t> TextEditor::wordAt(std::size_t pos) const {
    if (text_.empty()) return {0, 0};
    pos = snap(pos);
    // Past the end, or on a line break, the word before is meant.
    if (pos == text_.size() || isBreakAt(pos)) {
        if (pos == 0) return {0, 0};
        const std::size_t before = prevChar(pos);
        if (isBreakAt(before)) return {pos, pos};
        pos = before;
    }
    auto classAt = [&](std::size_t p) {
        std::size_t q = p;
        return classOf(decodeUtf8(text_, q));
    };
    const CharClass k = classAt(pos);
    std::size_t s = pos, e = pos;
    while (s > 0 && classAt(prevChar(s)) == k) s = prevChar(s);
    while (e < text_.size() && classAt(e) == k) e = nextChar(e);
    if (k == CharClass::Word)
        while (e < text_.size() && classAt(e) == CharClass::Blank) e = nextChar(e);
    return {s, e};
}

std::string TextEditor::clean(std::string_view in, bool multiLine) {
    std::string out;
    out.reserve(in.size());
    std::size_t i = 0;
    while (i < in.size()) {
        const std::size_t start = i;
        const char32_t c = decodeUtf8(in, i);
        if (c == '\r' || c == '\n') {
            if (!multiLine) break;
            if (c == '\r' && i < in.size() && in[i] == '\n') ++i;
            out += "\r\n";
        } else if ((c < 0x20 && !(multiLine && c == '\t')) || c == 0x7F) {
            continue;
        } else if (c == kReplacementCharacter) {
            char buf[4];
            out.append(buf, std::size_t(encodeUtf8(c, buf)));
        } else {
            out.append(in.substr(start, i - start));
        }
    }
    return out;
}

bool TextEditor::replaceSelection(std::string_view utf8) {
    const std::string add = clean(utf8, multiLine_);
    if (add.empty() && !hasSelection()) return false;
    const std::size_t s = selStart();
    text_.replace(s, selEnd() - s, add);
    caret_ = anchor_ = s + add.size();
    return true;
}

bool TextEditor::deleteBackward() {
    if (!hasSelection()) {
        if (caret_ == 0) return false;
        anchor_ = prevChar(caret_);
    }
    return replaceSelection({});
}

bool TextEditor::deleteForward() {
    if (!hasSelection()) {
        if (caret_ >= text_.size()) return false;
        anchor_ = nextChar(caret_);
    }
    return replaceSelection({});
}

TextEditor::KeyResult TextEditor::editKey(platform::Key key, TShiftState shift, bool readOnly,
                                          platform::Platform& clipboard) {
    using platform::Key;
    const bool ctrl = (shift & platform::kCtrl) != 0;
    const bool extend = (shift & platform::kShift) != 0;
    KeyResult r;
    r.handled = true;
    auto copy = [&] {
        if (hasSelection()) clipboard.setClipboardText(std::string(selection()));
    };
    switch (key) {
        // The caret moves from where it is, and a selection collapses there, as the
        // classic edit does it.
        case Key::Left:
            moveTo(ctrl ? prevWord(caret_) : prevChar(caret_), extend);
            break;
        case Key::Right:
            moveTo(ctrl ? nextWord(caret_) : nextChar(caret_), extend);
            break;
        case Key::Backspace:
            r.changed = !readOnly && deleteBackward();
            break;
        case Key::Delete:
            if (extend && !ctrl) {  // Shift+Delete cuts
                copy();
                r.changed = !readOnly && hasSelection() && replaceSelection({});
            } else {
                r.changed = !readOnly && deleteForward();
            }
            break;
        case Key::A:
            if (!ctrl) return {};
            selectAll();
            break;
        case Key::C:
            if (!ctrl) return {};
            copy();
            break;
        case Key::X:
            if (!ctrl) return {};
            copy();
            r.changed = !readOnly && hasSelection() && replaceSelection({});
            break;
        case Key::V:
            if (!ctrl) return {};
            if (!readOnly) r.changed = replaceSelection(clipboard.clipboardText());
            break;
        default:
            return {};
    }
    return r;
}

// TEdit

TEdit::TEdit(TForm& form) : TWinControl(form, {121, 21}) {
    setColor(clWindow);
    tabStop_ = true;
    setCursor(TCursor::crIBeam);
}

void TEdit::setText(const std::string& t) {
    if (t == editor_.text()) return;
    editor_.setText(t);
    preedit_.clear();
    scrollX_ = 0;
    invalidate();
    form().application().accessChanged(*this, AccessChange::Text);
    form().application().accessChanged(*this, AccessChange::Caret);
    if (OnChange) OnChange(this);
}

void TEdit::setReadOnly(bool v) {
    if (v == readOnly_) return;
    readOnly_ = v;
    if (v && !preedit_.empty()) {
        preedit_.clear();
        invalidate();
    }
}

void TEdit::setAutoSize(bool v) {
    if (v == autoSize_) return;
    autoSize_ = v;
    if (v) adjustHeight();
}

void TEdit::adjustHeight() {
    setHeight(resolvedFont().lineHeight() + 8);
}

void TEdit::fontChanged() {
    if (autoSize_) adjustHeight();
    TWinControl::fontChanged();
}

void TEdit::setSelection(std::size_t anchor, std::size_t caret) {
    editor_.select(anchor, caret);
    afterCaretMove();
}

void TEdit::selectAll() {
    editor_.selectAll();
    afterCaretMove();
}

// Layout

Rect TEdit::textRect() const {
    // One pixel of margin on either side inside the 2-pixel edge.
    return {3, 2, width() - 3, height() - 2};
}

int TEdit::textTop() const {
    // The classic box puts the line one pixel below the edge when there is room for it.
    const int room = height() - 4 - resolvedFont().lineHeight();
    return 2 + (room >= 2 ? 1 : 0);
}

int TEdit::xOf(std::size_t pos) const {
    return resolvedFont().textWidth(std::string_view(editor_.text()).substr(0, pos));
}

int TEdit::preeditWidth(int chars) const {
    std::string_view p(preedit_);
    std::size_t i = 0;
    for (int n = 0; n < chars && i < p.size(); ++n) decodeUtf8(p, i);
    return resolvedFont().textWidth(p.substr(0, i));
}

int TEdit::caretX() const {
    return textRect().left - scrollX_ + xOf(editor_.caret()) + preeditWidth(preeditCursor_);
}

std::size_t TEdit::hitTest(int x) const {
    const int tx = x - textRect().left + scrollX_;
    const std::size_t n = editor_.text().size();
    std::size_t p = 0;
    int left = 0;
    while (p < n) {
        const std::size_t q = editor_.nextChar(p);
        const int right = xOf(q);
        if (tx < (left + right) / 2) return p;
        p = q;
        left = right;
    }
    return n;
}

void TEdit::scrollToCaret() {
    const int w = textRect().width();
    const std::size_t n = editor_.text().size();
    const int total = xOf(n) + preeditWidth(int(preedit_.size()));
    if (w <= 0 || total < w) {
        scrollX_ = 0;
        return;
    }
    const int cx = xOf(editor_.caret()) + preeditWidth(preeditCursor_);
    // Like the classic box, the text jumps by a third of the width when the caret
    // leaves it, and always by whole characters.
    if (cx < scrollX_) {
        const int target = std::max(0, cx - w / 3);
        int best = 0;
        for (std::size_t p = 0; p < n;) {
            p = editor_.nextChar(p);
            const int x = xOf(p);
            if (x > target) break;
            best = x;
        }
        scrollX_ = best;
    } else if (cx > scrollX_ + w - 1) {
        const int target = cx - (w - w / 3);
        int best = target;
        for (std::size_t p = 0; p < n;) {
            p = editor_.nextChar(p);
            const int x = xOf(p);
            if (x >= target) {
                best = std::min(x, cx);
                break;
            }
        }
        scrollX_ = best;
    }
}

void TEdit::afterCaretMove() {
    scrollToCaret();
    invalidate();
    form().application().accessChanged(*this, AccessChange::Caret);
    if (focused()) {
        const Rect wr = windowRect();
        form().window().setTextInputRect(
            Rect::fromXYWH(wr.left + caretX(), wr.top + textTop(), 1, resolvedFont().lineHeight()));
    }
}

void TEdit::afterTextChange() {
    form().application().accessChanged(*this, AccessChange::Text);
    afterCaretMove();
    if (OnChange) OnChange(this);
}

// Painting

void TEdit::paint(Canvas& canvas) {
    const Rect r = clientRect();
    canvas.fillRect(r.inflated(-2), canvas.pixel(color()));
    drawSunkenEdge(canvas, r);
    const Rect tr = textRect();
    if (tr.empty()) return;
    Canvas::Saver s(canvas);
    canvas.clipTo(tr);
    const Font& f = resolvedFont();
    const std::string_view t(editor_.text());
    const int x0 = tr.left - scrollX_, y = textTop(), lh = f.lineHeight();
    const Pixel ink = canvas.pixel(font().color);
    if (!preedit_.empty()) {
        // The composition sits at the caret, underlined, between the two halves.
        const std::size_t c = editor_.caret();
        const int px = x0 + xOf(c), pw = f.textWidth(preedit_);
        f.draw(canvas, x0, y, t.substr(0, c), ink);
        f.draw(canvas, px, y, preedit_, ink);
        canvas.hline(px, px + pw, y + lh - 1, ink);
        f.draw(canvas, px + pw, y, t.substr(c), ink);
    } else if (showsFocus() && editor_.hasSelection()) {
        const std::size_t a = editor_.selStart(), b = editor_.selEnd();
        const int xa = x0 + xOf(a), xb = x0 + xOf(b);
        f.draw(canvas, x0, y, t.substr(0, a), ink);
        canvas.fillRect({xa, y, xb, y + lh}, canvas.pixel(clHighlight));
        f.draw(canvas, xa, y, t.substr(a, b - a), canvas.pixel(clHighlightText));
        f.draw(canvas, xb, y, t.substr(b), ink);
    } else {
        f.draw(canvas, x0, y, t, ink);
    }
    if (showsFocus()) {
        const int cx = caretX();
        canvas.invertRect({cx, y, cx + 1, y + lh});
    }
}

// Input

void TEdit::mouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        const std::size_t pos = hitTest(x);
        if (shift & platform::kDoubleClick) {
            auto [s, e] = editor_.wordAt(pos);
            editor_.select(s, e);
            selecting_ = false;
        } else {
            editor_.moveTo(pos, (shift & platform::kShift) != 0);
            selecting_ = true;
        }
        afterCaretMove();
    }
    TWinControl::mouseDown(button, shift, x, y);
}

void TEdit::mouseMove(TShiftState shift, int x, int y) {
    if (selecting_) {
        const std::size_t pos = hitTest(x);
        if (pos != editor_.caret()) {
            editor_.moveTo(pos, true);
            afterCaretMove();
        }
    }
    TWinControl::mouseMove(shift, x, y);
}

void TEdit::mouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) selecting_ = false;
    TWinControl::mouseUp(button, shift, x, y);
}

void TEdit::captureLost() {
    selecting_ = false;
    TWinControl::captureLost();
}

void TEdit::keyDown(platform::Key key, TShiftState shift) {
    const bool extend = (shift & platform::kShift) != 0;
    switch (key) {
        case platform::Key::Home:
            editor_.moveTo(0, extend);
            afterCaretMove();
            return;
        case platform::Key::End:
            editor_.moveTo(editor_.text().size(), extend);
            afterCaretMove();
            return;
        default:
            break;
    }
    const auto r = editor_.editKey(key, shift, readOnly_, form().application().platform());
    if (r.changed)
        afterTextChange();
    else if (r.handled)
        afterCaretMove();
}

void TEdit::textInput(const char* utf8) {
    if (readOnly_) return;
    preedit_.clear();
    preeditCursor_ = 0;
    if (editor_.replaceSelection(utf8))
        afterTextChange();
    else
        afterCaretMove();
}

void TEdit::textEditing(const char* utf8, int cursor) {
    if (readOnly_) return;
    if (preedit_.empty() && !*utf8) return;
    preedit_.assign(utf8);
    int chars = 0;
    for (std::size_t i = 0; i < preedit_.size(); ++chars) decodeUtf8(preedit_, i);
    preeditCursor_ = std::clamp(cursor, 0, chars);
    afterCaretMove();
}

void TEdit::focusChanged(bool focused) {
    if (focused) {
        form().application().platform().startTextInput();
        afterCaretMove();
    } else {
        preedit_.clear();
        preeditCursor_ = 0;
        selecting_ = false;
        invalidate();
        form().window().clearTextInputRect();
    }
}

void TEdit::enteredByTab() {
    editor_.selectAll();
    afterCaretMove();
}

}  // namespace tv
