// The skew estimate of made 640 × 480 pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "imaging/correction/correction.h"
#include "made_pages.h"

namespace {

using namespace correction_testing;
using imaging::correction::SkewEstimator;

// A white picture with a black bar 12 pixels thick across columns 60 to
// 580, rising to the right by `degrees` (negative: falling) about the centre.
Picture Bar(double degrees) {
  Picture picture = Desk(640, 480, imaging::kWhite);
  const double slope = std::tan(degrees * std::numbers::pi / 180.0);
  for (int x = 60; x < 580; ++x) {
    const int top = static_cast<int>(std::lround(234 - slope * (x - 320)));
    picture.Fill({x, top, x + 1, top + 12}, imaging::kBlack);
  }
  return picture;
}

TEST(SkewEstimator, AHorizontalBarHasNoSkew) { EXPECT_NEAR(SkewEstimator().Estimate(Bar(0)), 0.0, 0.2); }

TEST(SkewEstimator, ABarRisingToTheRightTurnsClockwiseAndOneFallingTurnsBack) {
  EXPECT_NEAR(SkewEstimator().Estimate(Bar(4)), 4.0, 0.5);
  EXPECT_NEAR(SkewEstimator().Estimate(Bar(-9)), -9.0, 0.5);
}

TEST(SkewEstimator, TextLinesOfATiltedPageGiveItsTilt) {
  Picture picture = Desk(640, 480, kPaper);
  DrawPage(picture, {0, 0, 640, 480});
  imaging::TurnBilinear(picture, -6.0, kPaper);
  EXPECT_NEAR(SkewEstimator().Estimate(picture), 6.0, 0.6);
}

TEST(SkewEstimator, NothingDarkGivesZero) {
  EXPECT_EQ(SkewEstimator().Estimate(Desk(640, 480, imaging::kWhite)), 0.0);
  // All dark: no pixel has a light one above it.
  EXPECT_EQ(SkewEstimator().Estimate(Desk(640, 480, imaging::kBlack)), 0.0);
  EXPECT_EQ(SkewEstimator().Estimate(Picture()), 0.0);
  EXPECT_EQ(SkewEstimator().Estimate(Desk(1, 2, imaging::kBlack)), 0.0);
}

TEST(SkewEstimator, AmongEqualCellsTheEarlierOnesAreKept) {
  // One dark pixel in column 0, row 1 from the bottom: each angle gets one
  // vote, all in distance bin 3 but the 0-degree one (bin 4), so the first
  // 20 angles (-20 to -16.2) are kept.
  Picture picture = Desk(3, 12, imaging::kWhite);
  picture.SetPixel(0, 1, imaging::kBlack);
  EXPECT_NEAR(SkewEstimator().Estimate(picture), -18.1, 1e-9);
}

}  // namespace
