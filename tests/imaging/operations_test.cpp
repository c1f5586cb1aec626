// Crop, paste, resampling, the turns and brightness/contrast, pixel by pixel.
#include "imaging/picture_operations.h"

#include <gtest/gtest.h>

#include "picture_helpers.h"

namespace {

using namespace imaging;
using imaging_testing::BytesOf;
using imaging_testing::MarkedPicture;
using imaging_testing::Marker;
using imaging_testing::Uniform;

// Expects `out` to hold, at every (x, y), the pixel of `in` that `from` names.
template <class From>
void ExpectPixelsFrom(const Picture& in, const Picture& out, From from) {
  for (int y = 0; y < out.Height(); ++y) {
    for (int x = 0; x < out.Width(); ++x) {
      const auto [sx, sy] = from(x, y);
      ASSERT_EQ(out.GetPixel(x, y), in.GetPixel(sx, sy)) << "at " << x << "," << y;
    }
  }
}

struct Source {
  int x, y;
};

TEST(Crop, TakesTheRectangleCountedFromTheTopLeftWithExclusiveEnds) {
  const Picture in = MarkedPicture(10, 8, 24);
  Picture out = in;
  Crop(out, {2, 1, 5, 4});
  ASSERT_EQ(out.Width(), 3);
  ASSERT_EQ(out.Height(), 3);
  // The rectangle's bottom edge (exclusive row 4 from the top) is row 8 − 4 from the bottom.
  ExpectPixelsFrom(in, out, [](int x, int y) { return Source{x + 2, y + 4}; });
}

TEST(Crop, ClampsEachEdgeAndSwapsReversedOnes) {
  const Picture in = MarkedPicture(10, 8, 24);
  Picture clamped = in;
  Crop(clamped, {-5, -5, 100, 3});
  EXPECT_EQ(clamped.Width(), 10);
  EXPECT_EQ(clamped.Height(), 3);
  ExpectPixelsFrom(in, clamped, [](int x, int y) { return Source{x, y + 5}; });

  Picture reversed = in;
  Crop(reversed, {5, 4, 2, 1});
  Picture straight = in;
  Crop(straight, {2, 1, 5, 4});
  EXPECT_EQ(BytesOf(reversed), BytesOf(straight));
}

TEST(Crop, AnEmptyRectangleLeavesThePictureUnchanged) {
  const Picture in = MarkedPicture(10, 8, 8);
  for (const Rect rect : {Rect{3, 2, 3, 6}, Rect{20, 0, 30, 5}, Rect{0, -9, 10, -1}, Rect{}}) {
    Picture out = in;
    Crop(out, rect);
    EXPECT_EQ(out.Width(), 10);
    EXPECT_EQ(out.Height(), 8);
    EXPECT_EQ(BytesOf(out), BytesOf(in));
  }
}

TEST(Crop, OneBitPicturesAtAnyBitOffsetKeepTheirPaletteAndPaddingClear) {
  Picture in = MarkedPicture(21, 3, 1);
  in.SetPalette({Rgb{200, 0, 0}, Rgb{0, 0, 200}});
  Picture out = in;
  Crop(out, {3, 0, 16, 2});
  ASSERT_EQ(out.Width(), 13);
  EXPECT_EQ(out.Palette(), in.Palette());
  ExpectPixelsFrom(in, out, [](int x, int y) { return Source{x + 3, y + 1}; });
  EXPECT_EQ(out.Row(0)[1] & 0x07, 0);
  EXPECT_EQ(out.Row(1)[2], 0);
}

TEST(Paste, SetsPixelsAtTheOffsetFromTheBottomLeftAndDropsTheRest) {
  Picture target = Uniform(4, 4, kWhite);
  const Picture source = MarkedPicture(2, 2, 24);
  Paste(target, source, 3, -1);  // only source (0, 1) lands, at (3, 0)
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(target.GetPixel(x, y), x == 3 && y == 0 ? Marker(0, 1) : kWhite);
  }
  Paste(target, source, 1 << 30, 0);  // far away: nothing
  Paste(target, source, -(1 << 30), -(1 << 30));
  EXPECT_EQ(target.GetPixel(0, 0), kWhite);
}

TEST(Paste, MatchesSourcesOfAnotherDepthColourByColour) {
  Picture target = Uniform(3, 1, Rgb{9, 9, 9});
  Picture bw(2, 1, 1);
  bw.SetPixel(1, 0, kWhite);
  Paste(target, bw, 1, 0);
  EXPECT_EQ(target.GetPixel(0, 0), (Rgb{9, 9, 9}));
  EXPECT_EQ(target.GetPixel(1, 0), kBlack);
  EXPECT_EQ(target.GetPixel(2, 0), kWhite);
}

TEST(Resample, TakesSourcePixelsAtTruncatedProportionalPositions) {
  const Picture in = MarkedPicture(2, 2, 24);
  Picture up = in;
  ASSERT_TRUE(ResampleNearest(up, 5, 3));
  ExpectPixelsFrom(in, up, [](int x, int y) { return Source{x * 2 / 5, y * 2 / 3}; });

  const Picture wide = MarkedPicture(7, 5, 1);
  Picture down = wide;
  ASSERT_TRUE(ResampleNearest(down, 3, 2));
  ExpectPixelsFrom(wide, down, [](int x, int y) { return Source{x * 7 / 3, y * 5 / 2}; });
}

TEST(Resample, RefusesSizesThatCannotBeHeld) {
  Picture picture = MarkedPicture(3, 3, 8);
  EXPECT_FALSE(ResampleNearest(picture, 0, 3));
  EXPECT_FALSE(ResampleNearest(picture, 3, -1));
  EXPECT_EQ(picture.Width(), 3);
  Picture empty;
  EXPECT_FALSE(ResampleNearest(empty, 3, 3));
  EXPECT_TRUE(ResampledNearest(picture, 0, 3).Empty());
  EXPECT_TRUE(ResampledNearest(empty, 3, 3).Empty());
}

TEST(Resample, IntoANewPictureGivesTheSameBytesAndLeavesTheSource) {
  for (const int bits : {24, 8, 1}) {
    const Picture in = MarkedPicture(11, 7, bits);
    const Picture source = in;
    Picture inPlace = in;
    ASSERT_TRUE(ResampleNearest(inPlace, 4, 9));
    const Picture apart = ResampledNearest(source, 4, 9);
    EXPECT_EQ(BytesOf(apart), BytesOf(inPlace)) << bits;
    EXPECT_EQ(apart.Palette(), inPlace.Palette()) << bits;
    EXPECT_EQ(BytesOf(source), BytesOf(in)) << bits;
    EXPECT_EQ(BytesOf(ResampledNearest(source, 11, 7)), BytesOf(in)) << bits;
  }
}

class QuarterTurn : public testing::TestWithParam<int> {};

TEST_P(QuarterTurn, NinetyClockwiseSwapsSidesAndMovesTheTopLeftToTheTopRight) {
  const Picture in = MarkedPicture(5, 3, GetParam());
  Picture out = in;
  TurnNearest(out, 90);
  ASSERT_EQ(out.Width(), 3);
  ASSERT_EQ(out.Height(), 5);
  ExpectPixelsFrom(in, out, [](int x, int y) { return Source{5 - 1 - y, x}; });
  EXPECT_EQ(out.GetPixel(2, 4), in.GetPixel(0, 2));  // displayed top-left → top-right
}

TEST_P(QuarterTurn, OneEightyMirrorsBothWaysExactly) {
  const Picture in = MarkedPicture(11, 4, GetParam());
  Picture out = in;
  TurnNearest(out, 180);
  ASSERT_EQ(out.Width(), 11);
  ASSERT_EQ(out.Height(), 4);
  ExpectPixelsFrom(in, out, [](int x, int y) { return Source{11 - 1 - x, 4 - 1 - y}; });
}

TEST_P(QuarterTurn, TwoSeventyClockwiseIsALeftTurn) {
  const Picture in = MarkedPicture(70, 66, GetParam());  // more than one tile
  Picture out = in;
  TurnNearest(out, 270);
  ASSERT_EQ(out.Width(), 66);
  ASSERT_EQ(out.Height(), 70);
  ExpectPixelsFrom(in, out, [](int x, int y) { return Source{y, 66 - 1 - x}; });

  Picture left = in;
  TurnLeft(left);
  EXPECT_EQ(BytesOf(left), BytesOf(out));
  Picture negative = in;
  TurnNearest(negative, -90);
  EXPECT_EQ(BytesOf(negative), BytesOf(out));
}

TEST_P(QuarterTurn, FourRightTurnsGiveTheOriginalBytes) {
  const Picture in = MarkedPicture(13, 9, GetParam());
  Picture out = in;
  for (int i = 0; i < 4; ++i) TurnRight(out);
  EXPECT_EQ(BytesOf(out), BytesOf(in));
  TurnNearest(out, 360);
  TurnNearest(out, 0);
  EXPECT_EQ(BytesOf(out), BytesOf(in));
}

INSTANTIATE_TEST_SUITE_P(EachDepth, QuarterTurn, testing::Values(24, 8, 1));

TEST(TurnNearest, FreeAnglesGrowToTheTurnedCornersAndFillThemWhite) {
  Picture picture = Uniform(10, 10, Rgb{50, 60, 70});
  TurnNearest(picture, 45);
  EXPECT_EQ(picture.Width(), 15);  // 10 √2 = 14.14, rounded up
  EXPECT_EQ(picture.Height(), 15);
  EXPECT_EQ(picture.GetPixel(0, 0), kWhite);
  EXPECT_EQ(picture.GetPixel(14, 14), kWhite);
  EXPECT_EQ(picture.GetPixel(7, 7), (Rgb{50, 60, 70}));
  EXPECT_EQ(picture.GetPixel(7, 0), (Rgb{50, 60, 70}));  // the bottom corner of the diamond

  Picture wide = Uniform(20, 4, kBlack);
  TurnNearest(wide, 30);
  EXPECT_EQ(wide.Width(), 20);   // 20 cos 30° + 4 sin 30° = 19.32
  EXPECT_EQ(wide.Height(), 14);  // 20 sin 30° + 4 cos 30° = 13.46
}

TEST(TurnNearest, FreeAnglesTurnClockwiseAsDisplayed) {
  // A dark pixel right of the centre moves below it after a clockwise turn.
  Picture picture = Uniform(21, 21, kWhite);
  picture.SetPixel(18, 10, kBlack);
  TurnNearest(picture, 89.5);
  const int cx = picture.Width() / 2;
  const int cy = picture.Height() / 2;
  EXPECT_EQ(picture.GetPixel(cx, cy - 8), kBlack);
}

TEST(TurnBilinear, KeepsTheSizeAndFillsWhatTheTurnedPictureNoLongerCovers) {
  const Picture in = MarkedPicture(20, 10, 24);
  Picture out = in;
  const Rgb fill{1, 2, 3};
  TurnBilinear(out, 90, fill);
  ASSERT_EQ(out.Width(), 20);
  ASSERT_EQ(out.Height(), 10);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) {
      // Columns 5 to 14 hold the turned picture, exactly; the rest is filled.
      const Rgb expected = x >= 5 && x < 15 ? in.GetPixel(14 - y, x - 5) : fill;
      ASSERT_EQ(out.GetPixel(x, y), expected) << x << "," << y;
    }
  }
}

TEST(TurnBilinear, ZeroLeavesThePictureAndHalfTurnsOfSquaresAreExact) {
  const Picture in = MarkedPicture(12, 12, 24);
  Picture same = in;
  TurnBilinear(same, 0, kBlack);
  EXPECT_EQ(BytesOf(same), BytesOf(in));
  Picture bilinear = in;
  TurnBilinear(bilinear, 180, kBlack);
  Picture nearest = in;
  TurnNearest(nearest, 180);
  EXPECT_EQ(BytesOf(bilinear), BytesOf(nearest));
}

TEST(TurnBilinear, BlendsNeighboursAndKeepsUniformAreasExact) {
  Picture uniform(30, 20, 8);
  uniform.Fill({0, 0, 30, 20}, Rgb{100, 100, 100});
  TurnBilinear(uniform, 17.3, kWhite);
  EXPECT_EQ(uniform.GetPixel(15, 10), (Rgb{100, 100, 100}));
  EXPECT_EQ(uniform.GetPixel(0, 0), kWhite);

  // Black and white halves: a small turn leaves blended greys along the edge.
  Picture halves = Uniform(40, 40, kBlack);
  halves.Fill({20, 0, 40, 40}, kWhite);
  TurnBilinear(halves, 5, kBlack);
  bool sawBlend = false;
  for (int x = 15; x < 25; ++x) {
    const Rgb c = halves.GetPixel(x, 30);
    sawBlend |= c.red > 0 && c.red < 255;
  }
  EXPECT_TRUE(sawBlend);
}

TEST(TurnBilinear, OneBitPicturesTakeTheNearestPixel) {
  Picture bw(16, 16, 1);
  bw.Fill({0, 0, 8, 16}, kWhite);
  TurnBilinear(bw, 10, kBlack);
  EXPECT_EQ(bw.BitsPerPixel(), 1);
  EXPECT_EQ(bw.GetPixel(2, 8), kWhite);
  EXPECT_EQ(bw.GetPixel(13, 8), kBlack);
}

TEST(BrightnessContrast, FollowsTheRoundedAndClampedFormula) {
  const auto adjusted = [](std::uint8_t v, int brightness, int contrast) {
    Picture picture = Uniform(1, 1, Rgb{v, v, v});
    AdjustBrightnessContrast(picture, brightness, contrast);
    EXPECT_EQ(picture.Row(0)[3], 0);  // padding untouched
    return picture.GetPixel(0, 0).red;
  };
  EXPECT_EQ(adjusted(0, 25, 0), 25);
  EXPECT_EQ(adjusted(240, 25, 0), 255);
  EXPECT_EQ(adjusted(0, 0, 50), 0);      // 128 − 192 + 0.5 = −63.5
  EXPECT_EQ(adjusted(100, 0, 50), 86);   // 128 − 42 + 0.5 = 86.5
  EXPECT_EQ(adjusted(129, 0, 50), 130);  // 128 + 1.5 + 0.5 = 130
  EXPECT_EQ(adjusted(7, 0, -100), 128);
  EXPECT_EQ(adjusted(50, -30, 20), 4);  // −30 + 128 − 93.6 + 0.5 = 4.9
}

TEST(BrightnessContrast, ChangesThePaletteOfPalettedPictures) {
  Picture grey(3, 1, 8);
  grey.Row(0)[1] = 10;
  AdjustBrightnessContrast(grey, 25, 0);
  EXPECT_EQ(grey.Row(0)[1], 10);
  EXPECT_EQ(grey.GetPixel(1, 0), (Rgb{35, 35, 35}));
}

}  // namespace
