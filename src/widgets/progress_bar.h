#pragma once

#include "widgets/control.h"

namespace tv {

// A horizontal bar from Min to Max in the classic segmented style.
class TProgressBar : public TWinControl {
  public:
    explicit TProgressBar(TForm& form);
    const char* className() const override { return "TProgressBar"; }

    int min() const { return min_; }
    int max() const { return max_; }
    void setRange(int lo, int hi);
    int position() const { return position_; }
    // Values outside the range are held at the nearer bound.
    void setPosition(int v);
    int step() const { return step_; }
    void setStep(int v) { step_ = v; }

    void paint(Canvas& canvas) override;
    // The pixel extent of the filled part, and the whole segments that show it.
    int filledWidth() const;
    int segmentsShown() const;
    int segmentPitch() const;

  private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 10;
};

}  // namespace tv
