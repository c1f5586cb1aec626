// The bilinear turn against a plain reference of its arithmetic: every
// target pixel walked one at a time with bounds checks and edge clamps. The
// turn itself splits each row into spans and runs the inside without
// checks, through the portable loop and the vector one this processor
// picks; the bytes must be the very same, for any angle and size.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "imaging/picture.h"
#include "imaging/picture_operations.h"
#include "imaging/row_kernels.h"

namespace {

using namespace imaging;

constexpr std::int64_t kOne = std::int64_t{1} << 32;

// The source position of each target pixel as a 32.32 walk along the row.
std::int64_t Fixed(double v) { return std::llround(v * static_cast<double>(kOne)); }

bool Inside(std::int64_t position, int size) {
  const std::int64_t index = (position + kOne / 2) >> 32;
  return index >= 0 && index < size;
}

// The whole turn, one pixel at a time, as the straightforward formula.
Picture ReferenceTurn(const Picture& in, double degrees, Rgb fill) {
  double clockwise = std::fmod(degrees, 360.0);
  if (clockwise < 0) clockwise += 360.0;
  const int channels = in.BitsPerPixel() / 8;
  const int w = in.Width();
  const int h = in.Height();
  Picture out = in.BlankLike(w, h);
  const std::uint32_t fillValue =
      channels == 3 ? fill.blue | (fill.green << 8) | (fill.red << 16) : out.NearestIndex(fill);
  const double c = std::cos(clockwise * std::numbers::pi / 180.0);
  const double s = std::sin(clockwise * std::numbers::pi / 180.0);
  for (int y = 0; y < h; ++y) {
    const double dx = 0.5 - w / 2.0;
    const double dy = y + 0.5 - h / 2.0;
    std::int64_t wx = Fixed(w / 2.0 + dx * c - dy * s - 0.5);
    std::int64_t wy = Fixed(h / 2.0 + dx * s + dy * c - 0.5);
    for (int x = 0; x < w; ++x, wx += Fixed(c), wy += Fixed(s)) {
      std::uint8_t* p = out.Row(y) + x * channels;
      if (!Inside(wx, w) || !Inside(wy, h)) {
        for (int k = 0; k < channels; ++k) p[k] = static_cast<std::uint8_t>(fillValue >> (8 * k));
        continue;
      }
      const std::int64_t px = (wx + (kOne >> 9)) >> 24;
      const std::int64_t py = (wy + (kOne >> 9)) >> 24;
      const auto x0 = static_cast<int>(px >> 8);
      const auto y0 = static_cast<int>(py >> 8);
      const auto fx = static_cast<std::uint32_t>(px & 0xFF);
      const auto fy = static_cast<std::uint32_t>(py & 0xFF);
      const int xa = std::max(x0, 0) * channels;
      const int xb = std::min(x0 + 1, w - 1) * channels;
      const std::uint8_t* rowA = in.Row(std::max(y0, 0));
      const std::uint8_t* rowB = in.Row(std::min(y0 + 1, h - 1));
      for (int k = 0; k < channels; ++k) {
        const std::uint32_t sum = rowA[xa + k] * (256 - fx) * (256 - fy) + rowA[xb + k] * fx * (256 - fy) +
                                  rowB[xa + k] * (256 - fx) * fy + rowB[xb + k] * fx * fy;
        p[k] = static_cast<std::uint8_t>((sum + 32768) >> 16);
      }
    }
  }
  return out;
}

Picture RandomPicture(int width, int height, int bits, std::mt19937& random) {
  Picture picture(width, height, bits);
  std::uniform_int_distribution<int> byte(0, 255);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(bits / 8);
  for (int y = 0; y < height; ++y) {
    for (std::size_t i = 0; i < rowBytes; ++i) picture.Row(y)[i] = static_cast<std::uint8_t>(byte(random));
  }
  return picture;
}

std::vector<std::uint8_t> BytesOf(const Picture& picture) { return {picture.Bytes().begin(), picture.Bytes().end()}; }

struct Size {
  int width;
  int height;
};

// Pixels, slivers, odd widths (every tail of a vector loop), tall and wide.
const Size kSizes[] = {{1, 1},   {1, 9},   {9, 1},   {2, 2},   {3, 5},   {5, 3},   {17, 4},    {4, 17},
                       {33, 31}, {64, 64}, {101, 7}, {7, 101}, {200, 3}, {3, 200}, {257, 130}, {131, 255}};

// Quarter turns and angles a hair off them, small and large free angles, negative ones.
const double kAngles[] = {0.001, 0.5,    1,   3.7,    -3.7,  10,  29.99, 45,  60,    89.999, 90,   90.001, 100,
                          135,   179.99, 180, 180.01, 222.2, 270, 271.5, 315, 359.5, -90,    -181, 720.25};

// Runs `fn` with the portable row loops and with the ones this processor would pick.
template <class Fn>
void BothVariants(Fn fn) {
  for (const bool portable : {true, false}) {
    SCOPED_TRACE(portable ? "portable loops" : "chosen loops");
    kernels::UsePortableKernels(portable);
    fn();
  }
}

TEST(TurnBilinearEquivalence, EveryByteMatchesTheReferenceAtEveryAngleSizeAndDepth) {
  BothVariants([] {
    std::mt19937 random(20261209);
    const Rgb fill{10, 200, 30};
    for (const int bits : {24, 8}) {
      for (const Size size : kSizes) {
        const Picture in = RandomPicture(size.width, size.height, bits, random);
        for (const double angle : kAngles) {
          Picture turned = in;
          TurnBilinear(turned, angle, fill);
          const Picture expected = angle == 0 ? in : ReferenceTurn(in, angle, fill);
          ASSERT_EQ(BytesOf(turned), BytesOf(expected))
              << bits << "-bit " << size.width << " x " << size.height << " at " << angle;
        }
      }
    }
  });
}

// Large enough for the rows to be split between two threads.
TEST(TurnBilinearEquivalence, LargePicturesSplitBetweenThreadsMatchToo) {
  BothVariants([] {
    std::mt19937 random(7);
    for (const int bits : {24, 8}) {
      const Picture in = RandomPicture(1283, 817, bits, random);
      for (const double angle : {2.3, -47.0, 91.0}) {
        Picture turned = in;
        TurnBilinear(turned, angle, kWhite);
        const Picture expected = ReferenceTurn(in, angle, kWhite);
        ASSERT_EQ(BytesOf(turned), BytesOf(expected)) << bits << "-bit at " << angle;
        Picture cropped = in;
        TurnBilinearAndCrop(cropped, angle, kWhite, {101, 55, 1200, 790});
        Crop(turned, {101, 55, 1200, 790});
        ASSERT_EQ(BytesOf(cropped), BytesOf(turned)) << bits << "-bit at " << angle << ", cropped";
      }
    }
  });
}

// Turned and cropped in one against the turn followed by the crop: rectangles
// inside, reversed, reaching out, empty and whole, at every depth.
TEST(TurnBilinearAndCrop, GivesTheBytesOfTheTurnThenTheCrop) {
  std::mt19937 random(11);
  const Rect rects[] = {{3, 2, 20, 15}, {20, 15, 3, 2},   {-5, -5, 8, 40}, {0, 0, 37, 23}, {4, 4, 4, 10},
                        {0, 0, 1, 1},   {36, 22, 37, 23}, {10, 0, 11, 23}, {-9, 5, 99, 6}};
  Picture palette(37, 23, 8);
  palette.SetPalette(std::vector<Rgb>(256, Rgb{1, 2, 3}));
  Picture bits(37, 23, 1);
  bits.Fill({0, 0, 20, 23}, kWhite);
  const Picture pictures[] = {RandomPicture(37, 23, 24, random), RandomPicture(37, 23, 8, random), palette, bits};
  for (const Picture& in : pictures) {
    for (const double angle : {0.0, 3.7, 90.0, -30.0, 181.0}) {
      for (const Rect rect : rects) {
        Picture expected = in;
        TurnBilinear(expected, angle, kWhite);
        Crop(expected, rect);
        Picture turned = in;
        TurnBilinearAndCrop(turned, angle, kWhite, rect);
        ASSERT_EQ(turned.Width(), expected.Width());
        ASSERT_EQ(turned.Height(), expected.Height());
        ASSERT_EQ(BytesOf(turned), BytesOf(expected)) << in.BitsPerPixel() << "-bit at " << angle << ", " << rect.left
                                                      << " " << rect.top << " " << rect.right << " " << rect.bottom;
        EXPECT_EQ(turned.Palette(), expected.Palette());
      }
    }
  }
}

}  // namespace
