// The vector variants of the row loops against the portable ones, on odd
// widths that leave every kind of tail, in place where the callers work in
// place; and the whole colour modes through both.
#include "imaging/row_kernels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "imaging/colour_mode.h"
#include "imaging/picture.h"

namespace {

using namespace imaging;

const int kWidths[] = {1, 7, 8, 31, 32, 33, 63, 65, 100, 257, 1001};

std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<std::uint8_t> bytes(count);
  for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(byte(random));
  return bytes;
}

// Runs `fn` with the portable loops and with the ones this processor would pick.
template <class Fn>
void BothVariants(Fn fn) {
  kernels::UsePortableKernels(true);
  fn(true);
  kernels::UsePortableKernels(false);
  fn(false);
}

TEST(RowKernelsTest, GreyMatchesTheWeightsInPlaceOrNot) {
  for (const int width : kWidths) {
    const std::vector<std::uint8_t> bgr = RandomBytes(3 * static_cast<std::size_t>(width), width);
    std::vector<std::uint8_t> results[2][2];
    BothVariants([&](bool portable) {
      std::vector<std::uint8_t>& apart = results[portable][0];
      apart.assign(static_cast<std::size_t>(width), 0);
      kernels::BgrToGrey(bgr.data(), apart.data(), width);
      std::vector<std::uint8_t> inPlace = bgr;
      kernels::BgrToGrey(inPlace.data(), inPlace.data(), width);
      inPlace.resize(static_cast<std::size_t>(width));
      results[portable][1] = inPlace;
    });
    for (int x = 0; x < width; ++x) {
      const unsigned expected = (306u * bgr[3 * x + 2] + 601u * bgr[3 * x + 1] + 117u * bgr[3 * x]) >> 10;
      ASSERT_EQ(results[1][0][x], expected) << "width " << width << " x " << x;
    }
    EXPECT_EQ(results[0][0], results[1][0]) << width;
    EXPECT_EQ(results[0][1], results[1][0]) << width;
    EXPECT_EQ(results[1][1], results[1][0]) << width;
  }
}

TEST(RowKernelsTest, RedBlueSwapAgreesAndLeavesTheRestAlone) {
  for (const int width : kWidths) {
    const std::vector<std::uint8_t> bgr = RandomBytes(3 * static_cast<std::size_t>(width), width + 1);
    std::vector<std::uint8_t> results[2];
    BothVariants([&](bool portable) {
      results[portable].assign(bgr.size() + 2, 0xAB);
      kernels::SwapRedBlue(bgr.data(), results[portable].data(), static_cast<std::size_t>(width));
    });
    EXPECT_EQ(results[0], results[1]) << width;
    EXPECT_EQ(results[1][0], bgr[2]);
    EXPECT_EQ(results[1][3 * width - 1], bgr[3 * width - 3]);
    EXPECT_EQ(results[1][3 * width], 0xAB);
  }
}

TEST(RowKernelsTest, ThresholdsAndBitsAgreeInPlaceOrNot) {
  for (const int width : kWidths) {
    const std::vector<std::uint8_t> weights = RandomBytes(static_cast<std::size_t>(width), width + 2);
    const std::vector<std::uint8_t> values = RandomBytes(static_cast<std::size_t>(width), width + 3);
    std::vector<std::uint8_t> thresholds[2], bits[2], bitsInPlace[2];
    BothVariants([&](bool portable) {
      std::vector<std::uint8_t> clipped = weights;
      for (std::uint8_t& w : clipped) w &= 127;
      thresholds[portable].assign(static_cast<std::size_t>(width), 0);
      kernels::BlendThresholds(255 * 128, 3 * 128, clipped.data(), thresholds[portable].data(), width);
      bits[portable].assign(static_cast<std::size_t>(width + 7) / 8, 0xFF);
      kernels::PackAbove(values.data(), thresholds[portable].data(), bits[portable].data(), width);
      std::vector<std::uint8_t> inPlace = values;
      kernels::PackAbove(inPlace.data(), thresholds[portable].data(), inPlace.data(), width);
      inPlace.resize(bits[portable].size());
      bitsInPlace[portable] = inPlace;
    });
    EXPECT_EQ(thresholds[0], thresholds[1]) << width;
    EXPECT_EQ(bits[0], bits[1]) << width;
    EXPECT_EQ(bitsInPlace[0], bits[0]) << width;
    EXPECT_EQ(bitsInPlace[1], bits[0]) << width;
    for (int x = 0; x < width; ++x) {
      const bool above = values[x] > thresholds[0][x];
      ASSERT_EQ(((bits[0][x >> 3] >> (7 - (x & 7))) & 1) != 0, above) << "width " << width << " x " << x;
    }
  }
}

TEST(RowKernelsTest, ColourModesGiveTheSameBytesThroughBothVariants) {
  for (const int width : {33, 257}) {
    const int height = 131;
    const std::vector<std::uint8_t> bytes = RandomBytes(RowStride(width, 24) * height, width);
    const Picture frame = Picture::FromBgrRows(bytes, width, height, RowStride(width, 24));
    std::vector<std::uint8_t> grey[2], blackWhite[2];
    BothVariants([&](bool portable) {
      Picture picture = frame;
      ASSERT_TRUE(ConvertToGrey(picture));
      grey[portable].assign(picture.Bytes().begin(), picture.Bytes().end());
      ASSERT_TRUE(ConvertToBlackWhite(picture));
      blackWhite[portable].assign(picture.Bytes().begin(), picture.Bytes().end());
    });
    EXPECT_EQ(grey[0], grey[1]) << width;
    EXPECT_EQ(blackWhite[0], blackWhite[1]) << width;
  }
}

}  // namespace
