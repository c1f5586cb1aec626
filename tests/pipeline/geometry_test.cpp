// The drawn-frame crop, the turn, and the ID card's area and composed page.
#include <gtest/gtest.h>

#include "imaging/bmp_file.h"
#include "imaging/geometry.h"
#include "imaging/id_card.h"
#include "imaging/picture_helpers.h"
#include "imaging/picture_operations.h"
#include "support/temp_dir.h"

namespace {

using namespace imaging;
using imaging_testing::MarkedPicture;
using imaging_testing::Uniform;

constexpr FrameFractions kDefaultCardArea{3547, 3770, 6453, 6229};

TEST(CropToFrame, CutsToTheFractionsOfTheFrameSizeTruncatingEachEdge) {
  const Rect rect = FractionRect(1600, 1200, kDefaultCardArea);
  EXPECT_EQ(rect.left, 567);  // 1600 × 3547 / 10000 = 567.52
  EXPECT_EQ(rect.top, 452);
  EXPECT_EQ(rect.right, 1032);
  EXPECT_EQ(rect.bottom, 747);

  Picture picture = MarkedPicture(200, 100, 24);
  CropToFrame(picture, 200, 100, 2, {1000, 2000, 5000, 9000});
  ASSERT_EQ(picture.Width(), 80);
  ASSERT_EQ(picture.Height(), 70);
  // Column 20, row 20 from the top: row 100 − 90 = 10 from the bottom is the new bottom row.
  EXPECT_EQ(picture.GetPixel(0, 0), imaging_testing::Marker(20, 10));
}

TEST(CropToFrame, OnlyModesOneAndTwoCrop) {
  for (const int mode : {0, 3, -1}) {
    Picture picture = MarkedPicture(50, 40, 24);
    CropToFrame(picture, 50, 40, mode, {1000, 1000, 5000, 5000});
    EXPECT_EQ(picture.Width(), 50) << mode;
  }
  Picture one = MarkedPicture(50, 40, 24);
  CropToFrame(one, 50, 40, 1, {1000, 1000, 5000, 5000});
  EXPECT_EQ(one.Width(), 20);
  EXPECT_EQ(one.Height(), 16);
}

TEST(CropToFrame, HugeFractionsAreClampedRatherThanOverflowing) {
  Picture picture = MarkedPicture(50, 40, 24);
  CropToFrame(picture, 50, 40, 2, {-2147483647, 5000, 2147483647, 2147483647});
  EXPECT_EQ(picture.Width(), 50);
  EXPECT_EQ(picture.Height(), 20);
}

TEST(TurnPicture, TurnsClockwiseAndSwapsSidesForQuarterTurns) {
  const Picture in = MarkedPicture(6, 4, 24);
  Picture turned = in;
  TurnPicture(turned, 270);
  ASSERT_EQ(turned.Width(), 4);
  ASSERT_EQ(turned.Height(), 6);
  // A quarter counter-clockwise: the top-right corner comes to the top-left.
  EXPECT_EQ(turned.GetPixel(0, 5), in.GetPixel(5, 3));

  Picture unchanged = in;
  TurnPicture(unchanged, 0);
  EXPECT_EQ(imaging_testing::BytesOf(unchanged), imaging_testing::BytesOf(in));
}

TEST(IdCardPageSize, FollowsTheFrameWidthAtEachBoundary) {
  const std::pair<int, std::pair<int, int>> table[] = {
      {640, {1104, 1560}},  {1600, {1104, 1560}}, {1601, {1413, 1987}}, {2048, {1413, 1987}}, {2049, {1789, 2515}},
      {2592, {1789, 2515}}, {2593, {2253, 3180}}, {3264, {2253, 3180}}, {3265, {2521, 3566}}, {5000, {2521, 3566}}};
  for (const auto& [width, size] : table) {
    const PageSize page = IdCardPageSize(width);
    EXPECT_EQ(std::pair(page.width, page.height), size) << width;
  }
}

TEST(ComposeIdCardPage, CentresTheBackBelowAndTheFrontAboveOnWhite) {
  const Picture front = Uniform(20, 10, {200, 0, 0});
  const Picture back = Uniform(30, 12, {0, 0, 200});
  const Picture page = ComposeIdCardPage(front, back, {100, 80});
  ASSERT_EQ(page.Width(), 100);
  ASSERT_EQ(page.Height(), 80);
  ASSERT_EQ(page.BitsPerPixel(), 24);
  // Back at x = (100 − 30) / 2 = 35, y = (40 − 12) / 2 = 14 from the bottom.
  EXPECT_EQ(page.GetPixel(35, 14), (Rgb{0, 0, 200}));
  EXPECT_EQ(page.GetPixel(64, 25), (Rgb{0, 0, 200}));
  EXPECT_EQ(page.GetPixel(34, 14), kWhite);
  EXPECT_EQ(page.GetPixel(35, 26), kWhite);
  // Front at x = (100 − 20) / 2 = 40, y = 40 + (40 − 10) / 2 = 55.
  EXPECT_EQ(page.GetPixel(40, 55), (Rgb{200, 0, 0}));
  EXPECT_EQ(page.GetPixel(59, 64), (Rgb{200, 0, 0}));
  EXPECT_EQ(page.GetPixel(40, 54), kWhite);
  EXPECT_EQ(page.GetPixel(60, 64), kWhite);
  EXPECT_EQ(page.GetPixel(0, 79), kWhite);
}

TEST(ComposeIdCardPage, CutsSidesLargerThanHalfAPageToTheirTopLeft) {
  const Picture back = MarkedPicture(120, 50, 24);
  const Picture page = ComposeIdCardPage(Picture(), back, {100, 80});
  // The back keeps its left 100 columns and top 40 rows, filling the lower half.
  EXPECT_EQ(page.GetPixel(0, 0), back.GetPixel(0, 10));
  EXPECT_EQ(page.GetPixel(99, 39), back.GetPixel(99, 49));
  // Without a front the upper half stays white.
  for (int y = 40; y < 80; ++y) ASSERT_EQ(page.GetPixel(50, y), kWhite);
}

TEST(ComposeIdCardPage, TakesTheBacksDepthAndMatchesTheFrontsColours) {
  const Picture front = Uniform(10, 10, kBlack);
  Picture back(10, 10, 8);
  back.Fill({0, 0, 10, 10}, {100, 100, 100});
  const Picture page = ComposeIdCardPage(front, back, {40, 60});
  EXPECT_EQ(page.BitsPerPixel(), 8);
  EXPECT_EQ(page.GetPixel(20, 15), (Rgb{100, 100, 100}));
  EXPECT_EQ(page.GetPixel(20, 45), kBlack);
  EXPECT_EQ(page.GetPixel(0, 0), kWhite);
}

TEST(HandleIdCard, TheFrontIsCutToTheCardAreaAndTurnedAQuarterClockwise) {
  Picture picture(1600, 1200, 24);
  picture.Fill({567, 452, 1032, 747}, {10, 20, 30});
  HandleIdCard(picture, {1600, 1200, true, kDefaultCardArea, false, ""});
  EXPECT_EQ(picture.Width(), 295);
  EXPECT_EQ(picture.Height(), 465);
  for (const auto& [x, y] : {std::pair{0, 0}, {294, 0}, {0, 464}, {294, 464}}) {
    EXPECT_EQ(picture.GetPixel(x, y), (Rgb{10, 20, 30}));
  }
}

TEST(HandleIdCard, TheBackComposesWithTheStoredFrontIntoATurnedPage) {
  testing_support::TempDir folder;
  // The front as stored: a card turned a quarter clockwise, marked at its turned top-left.
  Picture front(295, 465, 24);
  front.Fill({0, 0, 295, 465}, {0, 150, 0});
  ASSERT_TRUE(SaveBmp(front, folder.File("twainrgb4.bmp")));

  Picture back(1600, 1200, 24);
  back.Fill({567, 452, 1032, 747}, {0, 0, 150});
  HandleIdCard(back, {1600, 1200, true, kDefaultCardArea, true, folder.File("twainrgb4.bmp")});
  ASSERT_EQ(back.Width(), 1560);
  ASSERT_EQ(back.Height(), 1104);
  // Before the final turn the page was 1104 × 1560 with the back (465 × 295)
  // at x = 319, y = 242 and the front at x = 319, y = 780 + 242. A quarter
  // clockwise takes page pixel (x, y) to (y, 1103 − x).
  const auto turned = [](int x, int y) { return std::pair{y, 1103 - x}; };
  const auto [bx, by] = turned(319 + 10, 242 + 10);
  EXPECT_EQ(back.GetPixel(bx, by), (Rgb{0, 0, 150}));
  const auto [fx, fy] = turned(319 + 10, 1022 + 10);
  EXPECT_EQ(back.GetPixel(fx, fy), (Rgb{0, 150, 0}));
  const auto [wx, wy] = turned(10, 10);
  EXPECT_EQ(back.GetPixel(wx, wy), kWhite);
}

TEST(HandleIdCard, AMissingFrontLeavesItsHalfOfThePageWhite) {
  Picture back(1600, 1200, 24);
  back.Fill({0, 0, 1600, 1200}, {0, 0, 150});
  HandleIdCard(back, {1600, 1200, true, kDefaultCardArea, true, "/nonexistent/twainrgb1.bmp"});
  ASSERT_EQ(back.Width(), 1560);
  ASSERT_EQ(back.Height(), 1104);
  const auto turned = [](int x, int y) { return std::pair{y, 1103 - x}; };
  const auto [bx, by] = turned(552, 390);
  EXPECT_EQ(back.GetPixel(bx, by), (Rgb{0, 0, 150}));
  const auto [fx, fy] = turned(552, 1170);
  EXPECT_EQ(back.GetPixel(fx, fy), kWhite);
}

TEST(HandleIdCard, WithPositionCorrectionTheCardAreaIsNotCutAgain) {
  Picture picture = MarkedPicture(60, 40, 24);
  HandleIdCard(picture, {1600, 1200, false, kDefaultCardArea, false, ""});
  EXPECT_EQ(picture.Width(), 40);
  EXPECT_EQ(picture.Height(), 60);
}

}  // namespace
