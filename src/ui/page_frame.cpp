// The frame plan: bands first, then the etched box around the product picture.
#include "ui/page_frame.h"

namespace vorlax {

namespace {

constexpr int kHeaderBandHeight = 76;   // grey rows 0..75, then a shadow and a highlight row
constexpr int kFooterTop = 32;          // the body ends this many rows above the bottom
constexpr int kFooterShadowRow = 36;    // rows above the bottom
constexpr int kFooterHighlightRow = 35;
constexpr int kFooterBandRows = 34;
constexpr int kProductBoxTop = 5;
constexpr int kProductBoxRightGap = 11;  // client width minus the box's right edge
constexpr int kProductBoxExtraWidth = 21;  // box left = width - bitmap width - this
constexpr int kProductBoxExtraHeight = 15;  // box bottom = bitmap height + this
constexpr int kProductInset = 5;            // the picture's offset inside the box

void Fill(std::vector<FrameFill>* fills, int left, int top, int right, int bottom,
          FrameBrush brush) {
  fills->push_back(FrameFill{FrameRect{left, top, right, bottom}, brush});
}

void PlanBands(std::vector<FrameFill>* plan, int w, int h) {
  Fill(plan, 0, 0, w, kHeaderBandHeight, FrameBrush::kBandGrey);
  Fill(plan, 0, kHeaderBandHeight, w, kHeaderBandHeight + 1, FrameBrush::kShadow);
  Fill(plan, 0, kHeaderBandHeight + 1, w, kHeaderBandHeight + 2, FrameBrush::kHighlight);
  Fill(plan, 0, kHeaderBandHeight + 2, w, h - kFooterTop, FrameBrush::kBackground);
  Fill(plan, 0, h - kFooterShadowRow, w, h - kFooterTop - 1, FrameBrush::kShadow);
  Fill(plan, 0, h - kFooterHighlightRow, w, h - kFooterTop, FrameBrush::kHighlight);
  Fill(plan, 0, h - kFooterBandRows, w, h, FrameBrush::kBandGrey);
}

// The box: background, then an outer shadow/inner highlight outline, then an inner etched line.
void PlanProductBox(PageFramePlan* frame, int w, const BitmapSize& product) {
  std::vector<FrameFill>* plan = &frame->productBoxFills;
  const int l = w - product.width - kProductBoxExtraWidth;
  const int t = kProductBoxTop;
  const int r = w - kProductBoxRightGap;
  const int b = product.height + kProductBoxExtraHeight;
  Fill(plan, l, t, r, b, FrameBrush::kBackground);
  Fill(plan, l, t, l + 1, b, FrameBrush::kShadow);
  Fill(plan, l, t, r, t + 1, FrameBrush::kShadow);
  Fill(plan, r - 1, t + 2, r, b, FrameBrush::kShadow);
  Fill(plan, l + 2, b - 1, r, b, FrameBrush::kShadow);
  Fill(plan, l + 1, t + 1, l + 2, b - 1, FrameBrush::kHighlight);
  Fill(plan, l + 1, t + 1, r - 1, t + 2, FrameBrush::kHighlight);
  Fill(plan, r, t + 1, r + 1, b + 1, FrameBrush::kHighlight);
  Fill(plan, l + 1, b, r, b + 1, FrameBrush::kHighlight);
  Fill(plan, r - 5, t + 5, r - 4, b - 4, FrameBrush::kShadow);
  Fill(plan, l + 5, b - 5, r - 4, b - 4, FrameBrush::kShadow);
  Fill(plan, l + 4, t + 4, r - 5, t + 5, FrameBrush::kHighlight);
  Fill(plan, l + 4, t + 4, l + 5, b - 5, FrameBrush::kHighlight);
  frame->drawProduct = true;
  frame->productX = l + kProductInset;
  frame->productY = t + kProductInset;
}

}  // namespace

PageFramePlan PlanPageFrame(int width, int height, const BitmapSize& logo,
                            const BitmapSize& product) {
  PageFramePlan plan;
  PlanBands(&plan.bandFills, width, height);
  plan.drawLogo = logo.present;
  if (product.present) PlanProductBox(&plan, width, product);
  return plan;
}

}  // namespace vorlax
