#pragma once

#include <memory>

#include "gfx/picture.h"
#include "widgets/control.h"

namespace tv {

// A picture on its parent's surface: at its own size from the top-left corner, centred,
// or stretched to the widget (each axis on its own). Icons are always drawn unscaled, the
// image that fits the large-icon size.
class TImage : public TControl {
  public:
    explicit TImage(TForm& form);
    const char* className() const override { return "TImage"; }

    // The picture is shared: two widgets may show one decoded file.
    void setPicture(std::shared_ptr<const Picture> p);
    const Picture* picture() const { return picture_.get(); }
    bool stretch() const { return stretch_; }
    void setStretch(bool v);
    bool center() const { return center_; }
    void setCenter(bool v);
    bool transparent() const { return transparent_; }
    void setTransparent(bool v);
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool v);

    void paint(Canvas& canvas) override;
    // The desktop's large-icon size.
    int largeIconSize() const;

  private:
    void applyAutoSize();
    std::shared_ptr<const Picture> picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool transparent_ = false;
    bool autoSize_ = false;
};

}  // namespace tv
