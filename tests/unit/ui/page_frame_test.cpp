// The frame plan: band rectangles in order, the product box of the documented example, and the
// painted result of the overlapping fills.
#include "ui/page_frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace vorlax {
namespace {

constexpr int kWidth = 390;
constexpr int kHeight = 300;
constexpr uint32_t kUnpainted = 0;

// Paints a plan's fills into a grid of colour values, the way FillRect would.
std::vector<std::vector<uint32_t>> Paint(const PageFramePlan& plan, int width, int height) {
  std::vector<std::vector<uint32_t>> pixels(height, std::vector<uint32_t>(width, kUnpainted));
  std::vector<FrameFill> fills = plan.bandFills;
  fills.insert(fills.end(), plan.productBoxFills.begin(), plan.productBoxFills.end());
  for (const FrameFill& fill : fills) {
    for (int y = fill.rect.top; y < fill.rect.bottom; ++y) {
      for (int x = fill.rect.left; x < fill.rect.right; ++x) {
        if (x >= 0 && y >= 0 && x < width && y < height) {
          pixels[y][x] = static_cast<uint32_t>(fill.brush);
        }
      }
    }
  }
  return pixels;
}

TEST(PlanPageFrame, BandsOnlyWithoutBitmaps) {
  const PageFramePlan plan = PlanPageFrame(kWidth, kHeight, BitmapSize{}, BitmapSize{});
  const std::vector<FrameFill> expected = {
      {{0, 0, kWidth, 76}, FrameBrush::kBandGrey},
      {{0, 76, kWidth, 77}, FrameBrush::kShadow},
      {{0, 77, kWidth, 78}, FrameBrush::kHighlight},
      {{0, 78, kWidth, kHeight - 32}, FrameBrush::kBackground},
      {{0, kHeight - 36, kWidth, kHeight - 33}, FrameBrush::kShadow},
      {{0, kHeight - 35, kWidth, kHeight - 32}, FrameBrush::kHighlight},
      {{0, kHeight - 34, kWidth, kHeight}, FrameBrush::kBandGrey},
  };
  ASSERT_EQ(plan.bandFills.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(plan.bandFills[i].rect, expected[i].rect);
    EXPECT_EQ(plan.bandFills[i].brush, expected[i].brush);
  }
  EXPECT_TRUE(plan.productBoxFills.empty());
  EXPECT_FALSE(plan.drawLogo);
  EXPECT_FALSE(plan.drawProduct);
}

TEST(PlanPageFrame, PaintedBandsGiveOneShadowAndOneHighlightRowPerBand) {
  const auto pixels = Paint(PlanPageFrame(kWidth, kHeight, BitmapSize{}, BitmapSize{}), kWidth,
                            kHeight);
  struct Row {
    int y;
    FrameBrush brush;
  };
  const Row rows[] = {
      {0, FrameBrush::kBandGrey},          {75, FrameBrush::kBandGrey},
      {76, FrameBrush::kShadow},           {77, FrameBrush::kHighlight},
      {78, FrameBrush::kBackground},       {kHeight - 37, FrameBrush::kBackground},
      {kHeight - 36, FrameBrush::kShadow}, {kHeight - 35, FrameBrush::kHighlight},
      {kHeight - 34, FrameBrush::kBandGrey}, {kHeight - 1, FrameBrush::kBandGrey},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.y);
    EXPECT_EQ(pixels[row.y][0], static_cast<uint32_t>(row.brush));
    EXPECT_EQ(pixels[row.y][kWidth - 1], static_cast<uint32_t>(row.brush));
  }
}

TEST(PlanPageFrame, ProductBoxOfA100By50BitmapOnA390PixelClient) {
  const PageFramePlan plan =
      PlanPageFrame(kWidth, kHeight, BitmapSize{true, 30, 20}, BitmapSize{true, 100, 50});
  EXPECT_TRUE(plan.drawLogo);
  ASSERT_TRUE(plan.drawProduct);
  EXPECT_EQ(plan.productX, 274);
  EXPECT_EQ(plan.productY, 10);
  ASSERT_EQ(plan.bandFills.size(), 7u);
  ASSERT_EQ(plan.productBoxFills.size(), 13u);
  const FrameFill& box = plan.productBoxFills[0];
  EXPECT_EQ(box.rect, (FrameRect{269, 5, 379, 65}));
  EXPECT_EQ(box.brush, FrameBrush::kBackground);

  const auto pixels = Paint(plan, kWidth, kHeight);
  const auto at = [&](int x, int y) { return static_cast<FrameBrush>(pixels[y][x]); };
  // Outer outline: shadow on the top and left, highlight just outside the right and bottom,
  // reaching column 379 and row 65 inclusive.
  EXPECT_EQ(at(269, 30), FrameBrush::kShadow);
  EXPECT_EQ(at(300, 5), FrameBrush::kShadow);
  EXPECT_EQ(at(379, 30), FrameBrush::kHighlight);
  EXPECT_EQ(at(379, 65), FrameBrush::kHighlight);
  EXPECT_EQ(at(300, 65), FrameBrush::kHighlight);
  EXPECT_EQ(at(380, 30), FrameBrush::kBandGrey);
  EXPECT_EQ(at(300, 66), FrameBrush::kBandGrey);
  // The raised inner edge: highlight inside the outer shadow, shadow inside the outer highlight.
  EXPECT_EQ(at(270, 30), FrameBrush::kHighlight);
  EXPECT_EQ(at(378, 30), FrameBrush::kShadow);
  // The inner etched line around the picture, and the box's own background.
  EXPECT_EQ(at(273, 30), FrameBrush::kHighlight);
  EXPECT_EQ(at(374, 30), FrameBrush::kShadow);
  EXPECT_EQ(at(300, 60), FrameBrush::kShadow);
  EXPECT_EQ(at(300, 9), FrameBrush::kHighlight);
  EXPECT_EQ(at(272, 30), FrameBrush::kBackground);
}

TEST(PlanPageFrame, ProductBoxFollowsTheBitmapSize) {
  const PageFramePlan plan = PlanPageFrame(500, 400, BitmapSize{}, BitmapSize{true, 64, 32});
  ASSERT_TRUE(plan.drawProduct);
  EXPECT_EQ(plan.productBoxFills[0].rect, (FrameRect{500 - 64 - 21, 5, 489, 47}));
  // Right edge of the picture 16 pixels from the client's right edge, top 10 below the top.
  EXPECT_EQ(500 - (plan.productX + 64), 16);
  EXPECT_EQ(plan.productY, 10);
  EXPECT_FALSE(plan.drawLogo);
}

}  // namespace
}  // namespace vorlax
