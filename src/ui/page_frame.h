// The painting plan of a full page's frame: the grey header and footer bands with their etched
// lines, the body, the logo at the top left and the product picture in a framed box at the top
// right.
//
// The plan is pure geometry: lists of rectangle fills in painting order, each naming one of the
// four brushes, and where each bitmap goes. The Win32 side (PaintPageFrame) creates the brushes,
// fills the rectangles in order and copies the bitmaps. Rectangles are (left, top, right, bottom)
// with right and bottom exclusive, in client pixels.
//
// Trap: the footer's fills overlap on purpose (shadow row at H-36, highlight row at H-35, grey
// from H-34); reordering them changes the picture.
#pragma once

#include <cstdint>
#include <vector>

namespace vorlax {

// The brushes of the frame, with their colour values (palette-relative RGB, top byte 0x02).
enum class FrameBrush : uint32_t {
  kBandGrey = 0x02BFBFBF,
  kHighlight = 0x02FFFFFF,
  kShadow = 0x027D7D7D,
  kBackground = 0x02DADADA,  // the shared background brush of every page
};

struct FrameRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const FrameRect& other) const {
    return left == other.left && top == other.top && right == other.right &&
           bottom == other.bottom;
  }
};

struct FrameFill {
  FrameRect rect;
  FrameBrush brush = FrameBrush::kBackground;
};

// A bitmap's size in pixels; absent when its file did not load.
struct BitmapSize {
  bool present = false;
  int width = 0;
  int height = 0;
};

// Painting order: bandFills, the logo, productBoxFills, the product picture. The box comes after
// the logo, so a logo wide enough to reach it is painted over by the box.
struct PageFramePlan {
  std::vector<FrameFill> bandFills;
  bool drawLogo = false;                  // logo copied to (0, 0)
  std::vector<FrameFill> productBoxFills;  // empty without a product bitmap
  bool drawProduct = false;               // product picture copied to (productX, productY)
  int productX = 0;
  int productY = 0;
};

// The plan for a client area of width x height pixels. The product box is only planned when the
// product bitmap is present; the logo needs no fills of its own.
PageFramePlan PlanPageFrame(int width, int height, const BitmapSize& logo,
                            const BitmapSize& product);

}  // namespace vorlax
