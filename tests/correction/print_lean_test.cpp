// The direction of the print on a page: lines of words at known directions,
// turning down the page as in perspective, with a cable across them, and
// pages that hold no print to follow.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

#include "imaging/correction/page_lines.h"
#include "imaging/correction/print_lean.h"
#include "made_pages.h"

namespace {

using namespace correction_testing;
using namespace imaging::correction::detail;

constexpr int kWidth = 640, kHeight = 520;
constexpr Rect kPage{100, 60, 540, 460};
const std::array<QuadPoint, 4> kCorners{{{100, 60}, {539, 60}, {539, 459}, {100, 459}}};

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// A dark stroke `thickness` pixels wide from (x, y) along `degrees`
// (clockwise as displayed), `length` pixels long.
void Stroke(Picture& picture, double x, double y, double degrees, double length, int thickness, Rgb colour = kInk) {
  const double c = std::cos(Radians(degrees)), s = std::sin(Radians(degrees));
  for (double t = 0; t < length; t += 0.5) {
    for (int k = 0; k < thickness; ++k) {
      const int px = static_cast<int>(std::lround(x + t * c - k * s));
      const int py = static_cast<int>(std::lround(y + t * s + k * c));
      if (px >= 0 && py >= 0 && px < picture.Width() && py < picture.Height()) Put(picture, px, py, colour);
    }
  }
}

// Paper on a desk with lines of words every `spacing` pixels down the
// page, the line starting at height y running along `direction(y)`.
Picture PrintedPage(const std::function<double(double)>& direction, double spacing = 14) {
  Picture picture = Desk(kWidth, kHeight);
  picture.Fill(kPage, kPaper);
  int line = 0;
  for (double y = kPage.top + 40; y < kPage.bottom - 40; y += spacing, ++line) {
    const double degrees = direction(y);
    double along = 0;
    for (int word = 0; along < 330; ++word) {
      const double length = 12 + (line * 7 + word * 11) % 23;
      Stroke(picture, kPage.left + 50 + along * std::cos(Radians(degrees)), y + along * std::sin(Radians(degrees)),
             degrees, length, 4);
      along += length + 6;
    }
  }
  return picture;
}

PrintLean LeanOf(const Picture& picture, double angle = 0) {
  return PrintLeanOf(LightnessOf(picture, 1), kCorners, angle);
}

TEST(PrintLean, FollowsTheLinesOfWordsAtTheTopAndTheBottom) {
  for (const double degrees : {0.0, 2.5, -6.0, 11.0}) {
    const PrintLean lean = LeanOf(PrintedPage([&](double) { return degrees; }));
    ASSERT_TRUE(lean.found) << degrees;
    EXPECT_NEAR(lean.atTop, degrees, 0.3) << degrees;
    EXPECT_NEAR(lean.atBottom, degrees, 0.3) << degrees;
  }
  // Searched about the page's own angle, which may be off by several degrees.
  const PrintLean lean = LeanOf(PrintedPage([](double) { return -4.0; }), 3.0);
  ASSERT_TRUE(lean.found);
  EXPECT_NEAR(lean.atTop, -4.0, 0.3);
}

TEST(PrintLean, TurnsDownThePageAsThePrintDoesInPerspective) {
  // From 3 degrees at the page's top edge to -3 at its bottom edge.
  auto direction = [](double y) { return 3.0 - 6.0 * (y - kPage.top) / (kPage.bottom - kPage.top); };
  const PrintLean lean = LeanOf(PrintedPage(direction));
  ASSERT_TRUE(lean.found);
  EXPECT_NEAR(lean.atTop, 3.0, 0.7);
  EXPECT_NEAR(lean.atBottom, -3.0, 0.7);
}

TEST(PrintLean, ACableOrAPenAcrossThePrintDoesNotTurnIt) {
  // Lines of print far apart, and more dark pixels in the cable than in them.
  Picture picture = PrintedPage([](double) { return 1.0; }, 40);
  Stroke(picture, 60, 150, 12.0, 560, 14);  // a cable across the page and beyond it
  Stroke(picture, 250, 300, -8.0, 160, 12, {230, 230, 60});
  const PrintLean lean = LeanOf(picture);
  ASSERT_TRUE(lean.found);
  EXPECT_NEAR(lean.atTop, 1.0, 0.3);
  EXPECT_NEAR(lean.atBottom, 1.0, 0.3);
}

TEST(PrintLean, PrintRunningDownAPageLyingSidewaysIsNotFollowed) {
  Picture picture = Desk(kWidth, kHeight);
  picture.Fill(kPage, kPaper);
  int line = 0;
  for (int x = kPage.left + 40; x < kPage.right - 40; x += 14, ++line) {
    for (int y = kPage.top + 40, word = 0; y < kPage.bottom - 60; ++word) {
      const int length = 12 + (line * 7 + word * 11) % 23;
      Stroke(picture, x, y, 90.0, length, 4);
      y += length + 6;
    }
  }
  // Its glyphs line up along no direction near the page's top and bottom.
  EXPECT_FALSE(LeanOf(picture).found);
}

TEST(PrintLean, PagesWithoutPrintToFollowGiveNone) {
  Picture blank = Desk(kWidth, kHeight);
  blank.Fill(kPage, kPaper);
  EXPECT_FALSE(LeanOf(blank).found);
  // A photograph: one large dark area, no marks of a glyph's size.
  Picture photo = blank;
  photo.Fill({150, 120, 490, 400}, {70, 90, 60});
  EXPECT_FALSE(LeanOf(photo).found);
  // A few words only: too little print in the bands.
  Picture note = blank;
  Stroke(note, 150, 200, 0.0, 60, 4);
  Stroke(note, 220, 200, 0.0, 40, 4);
  EXPECT_FALSE(LeanOf(note).found);
}

}  // namespace
