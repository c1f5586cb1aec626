// The pieces of our edge finder: edge points, the lines they gather on, and
// the page quadrilateral with its turned bounds; and pictures no page can
// be found in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>

#include "imaging/correction/page_lines.h"
#include "imaging/correction/page_quad.h"
#include "made_pages.h"

namespace {

using namespace correction_testing;
using namespace imaging::correction::detail;

// A light quadrilateral page (corners clockwise from the top-left) on a
// darker desk, drawn with a pixel of soft edge.
Picture QuadPage(int width, int height, const std::array<QuadPoint, 4>& corners, Rgb desk = kDesk) {
  Picture picture = Desk(width, height, desk);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double inside = 1;
      for (std::size_t i = 0; i < 4; ++i) {
        const QuadPoint a = corners[i], b = corners[(i + 1) % 4];
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        const double distance = ((b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x)) / length;
        inside = std::min(inside, std::clamp(distance + 0.5, 0.0, 1.0));
      }
      auto mix = [&](std::uint8_t d, std::uint8_t p) { return static_cast<std::uint8_t>(d + (p - d) * inside); };
      Put(picture, x, y, {mix(desk.red, kPaper.red), mix(desk.green, kPaper.green), mix(desk.blue, kPaper.blue)});
    }
  }
  return picture;
}

TEST(EdgePoints, LieOnAStepToAFractionOfAPixelWithTheGradientTowardsTheLight) {
  Picture picture = Desk(40, 30);
  picture.Fill({0, 0, 40, 30}, kPaper);
  picture.Fill({0, 0, 17, 30}, kDesk);  // the step lies between columns 16 and 17
  const LightnessField field = LightnessOf(picture, 1);
  const std::vector<EdgePoint> points = EdgePointsOf(field, 2.5f);
  ASSERT_FALSE(points.empty());
  for (const EdgePoint& p : points) {
    EXPECT_NEAR(p.x, 16.5, 0.3);
    EXPECT_GT(p.gx, 0);
    EXPECT_NEAR(p.gy, 0, 1e-3);
  }
}

TEST(EdgePoints, NoneLieAtATurnsBlackFill) {
  Picture picture = Desk(40, 30, kPaper);
  picture.Fill({0, 0, 12, 30}, imaging::kBlack);
  const LightnessField field = LightnessOf(picture, 1);
  EXPECT_TRUE(field.Fill(11, 5));
  EXPECT_TRUE(field.Fill(12, 5));  // a pixel beside it too
  EXPECT_FALSE(field.Fill(14, 5));
  EXPECT_TRUE(EdgePointsOf(field, 2.5f).empty());
}

// The points of a window are those of the whole field, in the field's
// coordinates, away from the window's edges; a window beyond the field
// holds none.
TEST(EdgePoints, AWindowHoldsTheFieldsOwnPointsInTheFieldsCoordinates) {
  const Picture picture = QuadPage(200, 150, {{{40, 30}, {160, 36}, {155, 120}, {42, 115}}});
  const LightnessField field = LightnessOf(picture, 1);
  const std::vector<EdgePoint> whole = EdgePointsOf(field, 2.5f);
  const Rect window{100, 10, 190, 140};
  const std::vector<EdgePoint> part = EdgePointsWithin(field, 2.5f, window);
  auto wellInside = [&](const EdgePoint& p) {
    return p.x >= window.left + 4 && p.x <= window.right - 5 && p.y >= window.top + 4 && p.y <= window.bottom - 5;
  };
  std::vector<EdgePoint> expected, got;
  std::copy_if(whole.begin(), whole.end(), std::back_inserter(expected), wellInside);
  std::copy_if(part.begin(), part.end(), std::back_inserter(got), wellInside);
  ASSERT_GT(expected.size(), 100u);  // the right side and parts of the top and bottom
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_FLOAT_EQ(got[i].x, expected[i].x);
    EXPECT_FLOAT_EQ(got[i].y, expected[i].y);
    EXPECT_FLOAT_EQ(got[i].gx, expected[i].gx);
  }
  EXPECT_TRUE(EdgePointsWithin(field, 2.5f, {300, 200, 400, 300}).empty());
  EXPECT_TRUE(EdgePointsWithin(field, 2.5f, {-50, -50, -10, 100}).empty());
}

TEST(PageLines, TheFourSidesOfAPageAreFoundWithTheirStepsOnTheLightSide) {
  const Picture picture = QuadPage(200, 150, {{{40, 30}, {160, 30}, {160, 120}, {40, 120}}});
  const LightnessField field = LightnessOf(picture, 1);
  const std::vector<PageLine> lines = FindPageLines(field, EdgePointsOf(field, 2.5f), 15, 16, 8.0f);
  ASSERT_GE(lines.size(), 4u);
  int sides = 0;
  for (const PageLine& line : lines) {
    // The top side: y = 30, lighter below (+n when the normal points down).
    if (std::abs(line.ny) > 0.999 && std::abs(std::abs(line.offset) - 30) < 1.5) {
      ++sides;
      const bool down = line.ny > 0;
      EXPECT_GT((down ? line.sidePlus : line.sideMinus).back(), 100);
      EXPECT_EQ((down ? line.sideMinus : line.sidePlus).back(), 0);
    }
  }
  EXPECT_EQ(sides, 1);
}

TEST(PageQuad, APerspectivePageGivesItsCornersAndTheMeanDirectionOfItsSides) {
  // Sides at 4 and 6 degrees (top, bottom) and 3 and 7 (left, right): mean 5.
  const double t = std::numbers::pi / 180.0;
  const QuadPoint tl{200, 120};
  const QuadPoint tr{tl.x + 360 * std::cos(4 * t), tl.y + 360 * std::sin(4 * t)};
  const QuadPoint bl{tl.x - 420 * std::sin(3 * t), tl.y + 420 * std::cos(3 * t)};
  const QuadPoint br{tr.x - 400 * std::sin(7 * t), tr.y + 400 * std::cos(7 * t)};
  const PageQuad quad = FindPageQuad(QuadPage(800, 600, {tl, tr, br, bl}));
  ASSERT_TRUE(quad.found);
  EXPECT_EQ(quad.sidesSeen, 4);
  EXPECT_NEAR(quad.corners[0].x, tl.x, 1.5);
  EXPECT_NEAR(quad.corners[0].y, tl.y, 1.5);
  EXPECT_NEAR(quad.corners[2].x, br.x, 1.5);
  EXPECT_NEAR(quad.corners[2].y, br.y, 1.5);
  // The bottom side's direction follows from the corners: about 5.4 degrees.
  const double bottom = std::atan2(br.y - bl.y, br.x - bl.x) / t;
  EXPECT_NEAR(quad.angle, (4 + bottom + 3 + 7) / 4, 0.1);
}

TEST(PageQuad, TurnedBoundsHoldTheWholePageAndStayInThePicture) {
  PageQuad quad;
  quad.found = true;
  quad.corners = {{{99.5, 49.5}, {299.5, 49.5}, {299.5, 149.5}, {99.5, 149.5}}};
  const Rect straight = TurnedBounds(quad, 400, 300, 0);
  EXPECT_EQ(straight.left, 100);
  EXPECT_EQ(straight.top, 50);
  EXPECT_EQ(straight.right, 300);
  EXPECT_EQ(straight.bottom, 150);
  // Turned by 30 degrees: 200 cos 30 + 100 sin 30 wide, 200 sin 30 + 100 cos 30 high.
  const Rect turned = TurnedBounds(quad, 400, 300, 30);
  EXPECT_NEAR(turned.right - turned.left, 223.2, 1.5);
  EXPECT_NEAR(turned.bottom - turned.top, 186.6, 1.5);
  quad.corners[2] = {2000, 2000};
  const Rect clamped = TurnedBounds(quad, 400, 300, 0);
  EXPECT_EQ(clamped.right, 400);
  EXPECT_EQ(clamped.bottom, 300);
  EXPECT_EQ(TurnedBounds(PageQuad{}, 400, 300, 10).right, 400);
}

TEST(PageQuad, PicturesWithoutAPageFindNone) {
  EXPECT_FALSE(FindPageQuad(Picture()).found);
  EXPECT_FALSE(FindPageQuad(Desk(1, 1)).found);
  EXPECT_FALSE(FindPageQuad(Desk(5, 900)).found);
  EXPECT_FALSE(FindPageQuad(Desk(800, 600, imaging::kWhite)).found);
  EXPECT_FALSE(FindPageQuad(Desk(800, 600, imaging::kBlack)).found);
  // Noise of every grey level: edges everywhere, no straight side.
  Picture noise(400, 300, 24);
  std::uint32_t state = 12345;
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 400; ++x) {
      state = state * 1664525u + 1013904223u;
      const auto v = static_cast<std::uint8_t>(state >> 24);
      Put(noise, x, y, {v, v, v});
    }
  }
  EXPECT_FALSE(FindPageQuad(noise).found);
  // A grey picture (8 bits) is read through its palette.
  Picture grey(400, 300, 8);
  grey.Fill({0, 0, 400, 300}, kDesk);
  grey.Fill({100, 60, 300, 240}, imaging::kWhite);
  EXPECT_TRUE(FindPageQuad(grey).found);
}

}  // namespace
