#pragma once

#include "widgets/control.h"

namespace tv {

// An etched frame with its caption in the top-left gap.
class TGroupBox : public TWinControl {
  public:
    explicit TGroupBox(TForm& form);
    const char* className() const override { return "TGroupBox"; }
    void paint(Canvas& canvas) override;
};

}  // namespace tv
