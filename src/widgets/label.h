#pragma once

#include "widgets/control.h"

namespace tv {

// One line of text from the top-left corner. With AutoSize the label is as large as its
// caption; unless Transparent, it fills itself with its colour first.
class TLabel : public TControl {
  public:
    explicit TLabel(TForm& form);
    const char* className() const override { return "TLabel"; }

    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool v);
    bool transparent() const { return transparent_; }
    void setTransparent(bool v);

    void loaded() override { adjustSize(); }
    void paint(Canvas& canvas) override;

  protected:
    void captionChanged() override;
    void fontChanged() override;

  private:
    void adjustSize();
    // The caption as drawn: "&" marks the next character and is not shown, "&&" is one "&".
    std::string shown_;
    int underline_ = -1;  // byte index in shown_ of the underlined character
    bool autoSize_ = true;
    bool transparent_ = false;
};

}  // namespace tv
