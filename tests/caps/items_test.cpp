// Item conversions between the stored form and the container form.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "caps/items.h"
#include "protocol/stored_values.h"

namespace {

using namespace twain;
using namespace caps;

void ExpectFix(float value, TW_INT16 whole, TW_UINT16 frac) {
  const TW_FIX32 fix = ToFix32(value);
  EXPECT_EQ(fix.Whole, whole) << value;
  EXPECT_EQ(fix.Frac, frac) << value;
}

TEST(Fix32, RoundsHalfUpThenTruncatesTowardZero) {
  ExpectFix(0.0f, 0, 0);
  ExpectFix(1.5f, 1, 0x8000);
  ExpectFix(300.0f, 300, 0);
  ExpectFix(0.1f, 0, 0x199A);
  ExpectFix(1.0f / 65536, 0, 1);
  // Negative values land one unit of 1/65536 above where exact rounding would put them.
  ExpectFix(-1000.0f, -1000, 1);
  ExpectFix(-1.0f, -1, 1);
  ExpectFix(-1.5f, -2, 0x8001);
}

TEST(Fix32, SaturatesWhereTheFormatEnds) {
  ExpectFix(32767.99998f, 32767, 0xFFFF);
  ExpectFix(40000.0f, 32767, 0xFFFF);
  ExpectFix(-40000.0f, -32768, 0);
  ExpectFix(std::numeric_limits<float>::infinity(), 32767, 0xFFFF);
  ExpectFix(std::numeric_limits<float>::quiet_NaN(), 0, 0);
}

TEST(Fix32, ReadsBackWholePlusFraction) {
  TW_FIX32 fix;
  fix.Whole = 1;
  fix.Frac = 0x8000;
  EXPECT_EQ(FromFix32(fix), 1.5f);
  fix.Whole = -2;
  EXPECT_EQ(FromFix32(fix), -1.5f);
  // The minimum that MSG_GET reports for -1000 reads back as -1000 itself.
  EXPECT_EQ(FromFix32(ToFix32(-1000.0f)), -1000.0f);
  for (float value : {1.0f, 100.0f, 150.0f, 255.0f, 8.5f, 11.0f}) EXPECT_EQ(FromFix32(ToFix32(value)), value);
}

TEST(FrameItems, AreReorderedBetweenStoredAndTwainOrder) {
  const StoredFrame stored{1.0f, 2.0f, 3.0f, 4.0f};  // top, left, right, bottom
  std::array<std::byte, 16> container{};
  WriteContainerItem(TWTY_FRAME, reinterpret_cast<const std::byte*>(&stored), container.data());
  TW_FRAME frame;
  std::memcpy(&frame, container.data(), sizeof frame);
  EXPECT_EQ(frame.Left.Whole, 2);
  EXPECT_EQ(frame.Top.Whole, 1);
  EXPECT_EQ(frame.Right.Whole, 3);
  EXPECT_EQ(frame.Bottom.Whole, 4);

  StoredFrame back{};
  ASSERT_TRUE(ReadContainerItem(TWTY_FRAME, container, reinterpret_cast<std::byte*>(&back)));
  EXPECT_EQ(std::memcmp(&back, &stored, sizeof back), 0);
  EXPECT_FALSE(ReadContainerItem(TWTY_FRAME, std::span(container).first(15), reinterpret_cast<std::byte*>(&back)));
}

TEST(StringItems, KeepAtMostTheirTextLimit) {
  std::array<char, 300> text;
  text.fill('x');
  std::array<std::byte, kMaxItemSize> stored;
  stored.fill(std::byte{0x55});
  ASSERT_TRUE(ReadContainerItem(TWTY_STR32, std::as_bytes(std::span(text)), stored.data()));
  EXPECT_EQ(strnlen(reinterpret_cast<const char*>(stored.data()), 34), 32u);
  EXPECT_EQ(stored[33], std::byte{0});
  EXPECT_EQ(stored[34], std::byte{0x55});  // nothing beyond the item

  ASSERT_TRUE(ReadContainerItem(TWTY_STR255, std::as_bytes(std::span(text)), stored.data()));
  EXPECT_EQ(strnlen(reinterpret_cast<const char*>(stored.data()), 256), 255u);

  std::array<std::byte, kMaxItemSize> container;
  container.fill(std::byte{0x55});
  WriteContainerItem(TWTY_STR64, stored.data(), container.data());
  EXPECT_EQ(strnlen(reinterpret_cast<const char*>(container.data()), 66), 64u);
  EXPECT_EQ(container[65], std::byte{0});
  EXPECT_EQ(container[66], std::byte{0x55});
}

TEST(ItemLists, CompareByteByByte) {
  const std::array<std::uint16_t, 3> list = {4, 7, 4};
  const auto* bytes = reinterpret_cast<const std::byte*>(list.data());
  const std::uint16_t four = 4, seven = 7, nine = 9;
  EXPECT_EQ(ListIndexOf(bytes, 3, reinterpret_cast<const std::byte*>(&four), 2), 0u);
  EXPECT_EQ(ListIndexOf(bytes, 3, reinterpret_cast<const std::byte*>(&seven), 2), 1u);
  EXPECT_EQ(ListIndexOf(bytes, 3, reinterpret_cast<const std::byte*>(&nine), 2), 3u);
  EXPECT_FALSE(ListContains(bytes, 3, reinterpret_cast<const std::byte*>(&nine), 2));
  EXPECT_FALSE(ListContains(bytes, 0, reinterpret_cast<const std::byte*>(&four), 2));
}

}  // namespace
