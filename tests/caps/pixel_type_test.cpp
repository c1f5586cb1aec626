// Bit depths per pixel type, the dialog's names and the source's own resolution setting.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>

#include "caps/catalogue.h"
#include "caps/names.h"
#include "caps/pixel_type.h"

namespace {

using namespace twain;
using namespace caps;

TEST(BitDepths, OneAllowedDepthPerPixelType) {
  StoredValues values;
  int count = -1;
  const std::uint16_t* depths = GetSupportedBitDepth(count, 3);
  ASSERT_NE(depths, nullptr);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(depths[0], 25);
  EXPECT_EQ(GetSupportedBitDepth(count, 4), nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(GetSupportedBitDepth(count, -1), nullptr);

  EXPECT_EQ(GetCurrentBitDepth(values, TWPT_GRAY), 8);
  EXPECT_EQ(GetCurrentBitDepth(values, 3), 25);
  EXPECT_EQ(GetCurrentBitDepth(values, 4), 0);
}

TEST(BitDepths, SetStoresUncheckedAndOnlyForKnownTypes) {
  StoredValues values;
  SetCurrentBitDepth(values, 4, TWPT_GRAY);
  EXPECT_EQ(GetCurrentBitDepth(values, TWPT_GRAY), 4);
  SetCurrentBitDepth(values, 7, 4);
  SetCurrentBitDepth(values, 7, -1);
  EXPECT_EQ(values.bitDepths, (std::array<std::uint16_t, 4>{1, 4, 24, 25}));
  EXPECT_EQ(values.pixelType, TWPT_RGB);
}

TEST(Names, PixelTypesByTypeAndDepth) {
  std::atomic<bool> latch{false};
  EXPECT_EQ(PixelTypeName(TWPT_BW, 1, latch), "1 bit B&W");
  EXPECT_EQ(PixelTypeName(TWPT_GRAY, 8, latch), "8 bit Gray");
  EXPECT_EQ(PixelTypeName(TWPT_GRAY, 4, latch), "4 bit Gray");
  EXPECT_EQ(PixelTypeName(TWPT_RGB, 24, latch), "24 bit Color");
  EXPECT_EQ(PixelTypeName(3, 25, latch), "Color and B&W");
  EXPECT_EQ(PixelTypeName(4, 8, latch), std::nullopt);
}

TEST(Names, PixelTypeNameConsumesASetLatch) {
  std::atomic<bool> latch{true};
  EXPECT_EQ(PixelTypeName(TWPT_RGB, 24, latch), std::nullopt);
  EXPECT_FALSE(latch.load());
  EXPECT_EQ(PixelTypeName(TWPT_RGB, 24, latch), "24 bit Color");
}

TEST(Names, PaperSizesAndRotations) {
  EXPECT_EQ(PaperSizeName(TWSS_NONE), "Custom");
  EXPECT_EQ(PaperSizeName(TWSS_A4LETTER), "A4 Letter");
  EXPECT_EQ(PaperSizeName(TWSS_USLETTER), "US Letter");
  EXPECT_EQ(PaperSizeName(TWSS_USLEGAL), "US Legal");
  EXPECT_EQ(PaperSizeName(TWSS_B5LETTER), std::nullopt);
  EXPECT_EQ(RotationName(0), "Rotate 0'");
  EXPECT_EQ(RotationName(3), "Rotate 270'");
  EXPECT_EQ(RotationName(4), std::nullopt);
  EXPECT_EQ(RotationName(-1), std::nullopt);
}

TEST(SourceResolution, SetsTheCapabilityAndGivesTheDpiWithoutFraction) {
  StoredValues values;
  EXPECT_EQ(SetResolutionAsSource(values, 299.9f), 299);
  EXPECT_EQ(values.xResolution, 299.9f);
  EXPECT_EQ(SetResolutionAsSource(values, 1e20f), std::numeric_limits<int>::max());
  EXPECT_EQ(SetResolutionAsSource(values, std::nanf("")), 0);
}

}  // namespace
