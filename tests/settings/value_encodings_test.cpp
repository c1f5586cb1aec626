#include "settings/value_encodings.h"

#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cstdint>

namespace settings {
namespace {

using Bytes8 = std::array<std::uint8_t, 8>;

TEST(ValueEncodings, IntegersReadAsTheProfileFunctionsReadThem) {
  EXPECT_EQ(DecodeInt("200"), 200);
  EXPECT_EQ(DecodeInt("-1"), -1);
  EXPECT_EQ(DecodeInt("+7"), 7);
  EXPECT_EQ(DecodeInt("42A94967297"), 42);
  EXPECT_EQ(DecodeInt("B42"), 0);
  EXPECT_EQ(DecodeInt("4294967297"), 1);  // wraps modulo 2^32
  EXPECT_EQ(DecodeInt("99999999999999999999999"), static_cast<std::int32_t>(4135583743u));
  EXPECT_EQ(EncodeInt(-2147483647 - 1), "-2147483648");
}

TEST(ValueEncodings, RealsHaveThreeDecimalsAndAPointInAnyLocale) {
  EXPECT_EQ(EncodeReal(0.3), "0.300");
  EXPECT_EQ(EncodeReal(-12.3456), "-12.346");
  EXPECT_DOUBLE_EQ(DecodeReal("0.590"), 0.59);
  EXPECT_DOUBLE_EQ(DecodeReal("+2.5x"), 2.5);
  EXPECT_DOUBLE_EQ(DecodeReal("1e2"), 100.0);
  EXPECT_EQ(DecodeReal("abc"), 0.0);
  EXPECT_EQ(DecodeReal(""), 0.0);
  EXPECT_EQ(DecodeReal("+-1"), 0.0);
  // A host application may switch to a locale with a decimal comma.
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr) {
    EXPECT_EQ(EncodeReal(0.2), "0.200");
    EXPECT_DOUBLE_EQ(DecodeReal("0.200"), 0.2);
    std::setlocale(LC_NUMERIC, "C");
  }
}

TEST(ValueEncodings, Hex8DecodingIsTolerant) {
  Bytes8 bytes{};
  // "G" counts 16, " " 0: the pair makes 16 * 16 + 0, kept to 8 bits.
  DecodeHex8("G 0z", bytes);
  EXPECT_EQ(bytes[0], 0x00);
  EXPECT_EQ(bytes[1], static_cast<std::uint8_t>(0 * 16 + ('z' - 87)));
  // Only 16 characters count.
  DecodeHex8("0102030405060708FF", bytes);
  EXPECT_EQ(bytes, (Bytes8{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(ValueEncodings, AShortHex8KeepsTheBytesPastItsDigits) {
  Bytes8 bytes{1, 2, 3, 4, 5, 6, 7, 8};
  DecodeHex8("AB1", bytes);
  EXPECT_EQ(bytes, (Bytes8{0xAB, 0x10, 3, 4, 5, 6, 7, 8}));
  DecodeHex8("", bytes);
  EXPECT_EQ(bytes, (Bytes8{0xAB, 0x10, 3, 4, 5, 6, 7, 8}));
}

}  // namespace
}  // namespace settings
