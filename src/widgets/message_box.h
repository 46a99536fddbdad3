#pragma once
// The application's message box, drawn in the classic look of a Chinese system: the
// caption bar, an optional round red error icon, the text, and one OK button "确定".
// Enter, Space, Escape, the button and the close box dismiss it.

#include <string>
#include <vector>

#include "widgets/application.h"
#include "widgets/form.h"

namespace tv {

class TMessageForm : public TForm {
  public:
    TMessageForm(TApplication& app, const std::string& text, const std::string& caption,
                 unsigned flags);
    const char* className() const override { return "TMessageForm"; }

    bool done() const { return done_; }
    int result() const { return result_; }
    void dismiss(int result);
    // The close box and Alt+F4 dismiss the box like its button.
    void close() override { dismiss(IDOK); }
    const std::string& text() const override { return text_; }
    bool hasErrorIcon() const { return icon_; }
    // The OK button's rectangle in the buffer (tests click it).
    Rect buttonRect() const;

    void paint(Canvas& canvas) override;

  private:
    // The text's lines and the window size they make, worked out once.
    struct Layout {
        Size size;
        std::vector<std::string> lines;
    };
    static Layout layout(TApplication& app, const std::string& text, const std::string& caption,
                         bool icon);
    TMessageForm(TApplication& app, const std::string& text, const std::string& caption, bool icon,
                 Layout measured);
    std::string text_;
    std::vector<std::string> lines_;
    bool icon_;
    bool done_ = false;
    int result_ = 0;
    TControl* button_ = nullptr;
};

}  // namespace tv
