#pragma once

#include "widgets/control.h"

namespace tv {

enum class TBevelCut { bvNone, bvLowered, bvRaised };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TPanelBorder { bsNone, bsSingle };

// A panel: bevels, its colour, and a caption centred in what the bevels leave. With a
// single border it has the platform's 2-pixel sunken client edge outside its client
// area, and its children sit inside that edge.
class TPanel : public TWinControl {
  public:
    explicit TPanel(TForm& form);
    const char* className() const override { return "TPanel"; }

    TBevelCut bevelOuter() const { return bevelOuter_; }
    void setBevelOuter(TBevelCut v);
    TBevelCut bevelInner() const { return bevelInner_; }
    void setBevelInner(TBevelCut v);
    int bevelWidth() const { return bevelWidth_; }
    void setBevelWidth(int v);
    int borderWidth() const { return borderWidth_; }
    void setBorderWidth(int v);
    TPanelBorder borderStyle() const { return borderStyle_; }
    void setBorderStyle(TPanelBorder v);
    TAlignment alignment() const { return alignment_; }
    void setAlignment(TAlignment v);

    Rect clientArea() const override;
    void paint(Canvas& canvas) override;

  private:
    TBevelCut bevelOuter_ = TBevelCut::bvRaised;
    TBevelCut bevelInner_ = TBevelCut::bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TPanelBorder borderStyle_ = TPanelBorder::bsNone;
    TAlignment alignment_ = TAlignment::taCenter;
};

}  // namespace tv
