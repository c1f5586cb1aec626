// Grey conversion, threshold selection and the adaptive black-and-white conversion.
#include "imaging/colour_mode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "imaging/threshold.h"
#include "picture_helpers.h"

namespace {

using namespace imaging;
using imaging_testing::Uniform;

// Threshold selection written out term by term, as slowly as it reads:
// every sum over a class is taken afresh for every candidate.
int ReferenceThreshold(const GreyHistogram& h) {
  int lower = 0;
  while (lower < 255 && h[lower] <= 0) ++lower;
  int upper = 255;
  while (upper > 0 && h[upper] <= 0) --upper;
  if (upper == lower) return lower == 0 ? 0 : lower - 1;
  const auto sum = [&](int from, int to, auto term) {
    double total = 0;
    for (int i = from; i <= to; ++i) total += term(i);
    return total;
  };
  const double n = sum(lower, upper, [&](int i) { return h[i]; });
  const double m = sum(lower, upper, [&](int i) { return i * h[i]; });
  const double s = sum(lower, upper, [&](int i) { return double(i) * i * h[i]; });
  double best[4] = {-INFINITY, -INFINITY, -INFINITY, -INFINITY};
  int pick[4] = {-1, -1, -1, -1};
  const auto offer = [&](int k, double value, int t) {
    if (pick[k] < 0 || value > best[k]) best[k] = value, pick[k] = t;
  };
  for (int t = lower; t < upper; ++t) {
    const double w1 = sum(lower, t, [&](int i) { return h[i]; });
    const double w2 = n - w1;
    const double m1 = sum(lower, t, [&](int i) { return i * h[i]; });
    const double s1 = sum(lower, t, [&](int i) { return double(i) * i * h[i]; });
    const double d1 = s1 / w1 - (m1 / w1) * (m1 / w1);
    const double d2 = (s - s1) / w2 - ((m - m1) / w2) * ((m - m1) / w2);
    offer(0, -(d1 * w1 + d2 * w2), t);
    if (d1 > 0 && d2 > 0) offer(1, w1 * std::log(w1 / std::sqrt(d1)) + w2 * std::log(w2 / std::sqrt(d2)), t);
    const double entropy =
        sum(lower, t, [&](int i) { return h[i] > 0 ? -(h[i] / w1) * std::log(h[i] / w1) : 0.0; }) +
        sum(t + 1, upper, [&](int i) { return h[i] > 0 ? -(h[i] / w2) * std::log(h[i] / w2) : 0.0; });
    offer(2, entropy, t);
    const double p1 = sum(lower, t, [&](int i) { return double(t - i) * (t - i) * h[i]; });
    const double p2 = sum(t + 1, upper, [&](int i) { return double(i - t) * (i - t) * h[i]; });
    offer(3, p1 + p2 <= 0 ? 0.0 : -std::abs((p1 - p2) / (p1 + p2)), t);
  }
  int total = 0, count = 0;
  for (int p : pick) {
    if (p >= 0) total += p, ++count;
  }
  const int result = count ? total / count : (lower + upper) / 2;
  return result > lower && result < upper ? result : (lower + upper) / 2;
}

GreyHistogram Histogram(std::initializer_list<std::pair<int, double>> counts) {
  GreyHistogram h{};
  for (const auto& [level, count] : counts) h[static_cast<std::size_t>(level)] = count;
  return h;
}

TEST(GreyValue, UsesTheIntegerWeights) {
  EXPECT_EQ(GreyValue(kWhite), 255);
  EXPECT_EQ(GreyValue(Rgb{255, 0, 0}), 76);
  EXPECT_EQ(GreyValue(Rgb{0, 255, 0}), 149);
  EXPECT_EQ(GreyValue(Rgb{0, 0, 255}), 29);
}

TEST(ConvertToGrey, ColourBecomesEightBitsWithTheGreyPaletteKeepingSizeAndDpi) {
  Picture picture(3, 2, 24);
  picture.SetPixel(0, 0, Rgb{255, 0, 0});
  picture.SetPixel(2, 1, Rgb{10, 200, 30});
  picture.SetDpiX(200);
  picture.SetDpiY(150);
  ASSERT_TRUE(ConvertToGrey(picture));
  EXPECT_EQ(picture.BitsPerPixel(), 8);
  EXPECT_TRUE(picture.HasGreyPalette());
  EXPECT_EQ(picture.Width(), 3);
  EXPECT_EQ(picture.Height(), 2);
  EXPECT_EQ(picture.DpiX(), 200);
  EXPECT_EQ(picture.DpiY(), 150);
  EXPECT_EQ(picture.Row(0)[0], 76);
  EXPECT_EQ(picture.Row(1)[2], (306 * 10 + 601 * 200 + 117 * 30) >> 10);
  EXPECT_EQ(picture.Row(0)[3], 0);  // padding
}

TEST(ConvertToGrey, PalettedPicturesTakeTheGreyOfTheirEntries) {
  Picture bw(9, 1, 1);
  bw.SetPalette({Rgb{255, 0, 0}, Rgb{0, 0, 255}});
  bw.SetPixel(8, 0, Rgb{0, 0, 255});
  ASSERT_TRUE(ConvertToGrey(bw));
  EXPECT_EQ(bw.BitsPerPixel(), 8);
  EXPECT_EQ(bw.Row(0)[0], 76);
  EXPECT_EQ(bw.Row(0)[8], 29);
}

TEST(ConvertToGrey, EmptyPicturesAreRefused) {
  Picture empty;
  EXPECT_FALSE(ConvertToGrey(empty));
  EXPECT_FALSE(ConvertToBlackWhite(empty));
  EXPECT_TRUE(empty.Empty());
}

TEST(SelectThreshold, SingleLevelsGiveTheLevelBelow) {
  EXPECT_EQ(SelectThreshold(Histogram({{255, 4096}})), 254);
  EXPECT_EQ(SelectThreshold(Histogram({{0, 10}})), 0);
  EXPECT_EQ(SelectThreshold(Histogram({{100, 3}})), 99);
}

TEST(SelectThreshold, AdjacentLevelsGiveTheirMiddle) {
  // The only candidate is the lower level, which is not strictly between the two.
  EXPECT_EQ(SelectThreshold(Histogram({{100, 7}, {101, 9}})), 100);
}

TEST(SelectThreshold, TwoDistantLevelsAverageTheLowerLevelTwiceWithTheMomentBalance) {
  // Every candidate between the levels splits them alike, so the variance and
  // entropy criteria keep the first, L; minimum error has no candidate with
  // both variances positive; the moment balance picks the t where both
  // classes' moments about t are equal.
  EXPECT_EQ(SelectThreshold(Histogram({{60, 500}, {180, 500}})), (60 + 60 + 120) / 3);
  EXPECT_EQ(SelectThreshold(Histogram({{0, 1}, {255, 1}})), (0 + 0 + 127) / 3);
  EXPECT_EQ(SelectThreshold(Histogram({{10, 5}, {200, 1000}})), ReferenceThreshold(Histogram({{10, 5}, {200, 1000}})));
}

TEST(SelectThreshold, BimodalHistogramsSplitBetweenTheModes) {
  GreyHistogram h{};
  for (int i = 0; i < 256; ++i) {
    h[static_cast<std::size_t>(i)] =
        std::round(1000 * std::exp(-(i - 50) * (i - 50) / 200.0) + 3000 * std::exp(-(i - 200) * (i - 200) / 300.0));
  }
  const int t = SelectThreshold(h);
  EXPECT_GT(t, 70);
  EXPECT_LT(t, 180);
  EXPECT_EQ(t, ReferenceThreshold(h));
}

TEST(SelectThreshold, AgreesWithTheTermByTermDefinition) {
  std::mt19937 random(6);
  for (int round = 0; round < 300; ++round) {
    GreyHistogram h{};
    const int lowest = static_cast<int>(random() % 200);
    const int span = 1 + static_cast<int>(random() % 56);
    const int occupied = 1 + static_cast<int>(random() % 40);
    for (int k = 0; k < occupied; ++k) h[static_cast<std::size_t>(lowest + random() % span)] += 1 + random() % 500;
    ASSERT_EQ(SelectThreshold(h), ReferenceThreshold(h)) << "round " << round;
  }
}

TEST(ConvertToBlackWhite, WhiteStaysWhiteAndBlackBecomesBlack) {
  Picture white = Uniform(100, 70, kWhite);
  ASSERT_TRUE(ConvertToBlackWhite(white));
  EXPECT_EQ(white.BitsPerPixel(), 1);
  EXPECT_EQ(white.Palette(), (std::vector<Rgb>{kBlack, kWhite}));
  for (int y = 0; y < 70; ++y) {
    for (int x = 0; x < 100; ++x) ASSERT_EQ(white.GetPixel(x, y), kWhite);
  }
  EXPECT_EQ(white.Row(0)[12], 0xF0);  // 100 bits: the last byte holds 4, the rest is padding
  EXPECT_EQ(white.Row(0)[13], 0);

  Picture black = Uniform(100, 70, kBlack);
  ASSERT_TRUE(ConvertToBlackWhite(black));
  for (int y = 0; y < 70; ++y) {
    for (int x = 0; x < 100; ++x) ASSERT_EQ(black.GetPixel(x, y), kBlack);
  }
}

TEST(ConvertToBlackWhite, KeepsSizeDpiAndPadsRowsOfOddWidths) {
  Picture picture = Uniform(33, 65, kWhite);  // a 1 × 2 grid of boxes, the top one a single row
  picture.SetDpiX(200);
  picture.SetDpiY(300);
  ASSERT_TRUE(ConvertToBlackWhite(picture));
  EXPECT_EQ(picture.Width(), 33);
  EXPECT_EQ(picture.Height(), 65);
  EXPECT_EQ(picture.Stride(), 8u);
  EXPECT_EQ(picture.DpiX(), 200);
  EXPECT_EQ(picture.DpiY(), 300);
  EXPECT_EQ(picture.Row(64)[4], 0x80);
}

TEST(ConvertToBlackWhite, TwoHalvesSplitAtTheirBorder) {
  Picture picture = Uniform(128, 64, Rgb{60, 60, 60});
  picture.Fill({64, 0, 128, 64}, Rgb{180, 180, 180});
  ASSERT_TRUE(ConvertToBlackWhite(picture));
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 128; ++x) ASSERT_EQ(picture.GetPixel(x, y), x < 64 ? kBlack : kWhite) << x << "," << y;
  }
}

TEST(ConvertToBlackWhite, FollowsUnevenLightingWhereOneThresholdCouldNot) {
  // Text strokes on paper that is bright on the left and dim on the right:
  // the dim paper is darker than the bright side's text.
  Picture picture = Uniform(256, 128, Rgb{210, 210, 210});
  picture.Fill({128, 0, 256, 128}, Rgb{110, 110, 110});
  for (int x = 8; x < 256; x += 16) picture.Fill({x, 16, x + 3, 112}, x < 128 ? Rgb{120, 120, 120} : Rgb{30, 30, 30});
  ASSERT_TRUE(ConvertToBlackWhite(picture));
  for (int x : {9, 40, 137, 200}) EXPECT_EQ(picture.GetPixel(x, 60), kBlack) << "stroke " << x;
  for (int x : {4, 100, 175, 253}) EXPECT_EQ(picture.GetPixel(x, 60), kWhite) << "paper " << x;
}

TEST(ConvertToBlackWhite, PicturesSmallerThanOneBoxAndEightBitInput) {
  Picture tiny(3, 2, 8);
  tiny.Row(0)[0] = 250;
  tiny.Row(1)[2] = 250;
  ASSERT_TRUE(ConvertToBlackWhite(tiny));
  EXPECT_EQ(tiny.GetPixel(0, 0), kWhite);
  EXPECT_EQ(tiny.GetPixel(2, 1), kWhite);
  EXPECT_EQ(tiny.GetPixel(1, 0), kBlack);
}

}  // namespace
