#pragma once
// The classic 3-D edges, two pixels deep, that frames, buttons and boxes are drawn with.

#include "gfx/canvas.h"
#include "gfx/geometry.h"

namespace tv {

// Sunken: the client edge of boxes with a single border, and of check boxes.
void drawSunkenEdge(Canvas& canvas, const Rect& r);
// Raised: window frames and scroll-bar buttons.
void drawRaisedEdge(Canvas& canvas, const Rect& r);
// The raised edge on a face of clBtnFace.
void drawRaisedButton(Canvas& canvas, const Rect& r);
// A push button's edge, up or held down.
void drawButtonEdge(Canvas& canvas, const Rect& r, bool down);

}  // namespace tv
