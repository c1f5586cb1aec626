// Bitmap files byte by byte, round trips of every depth, other writers'
// layouts, and headers that lie.
#include "imaging/bmp_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "picture_helpers.h"
#include "support/temp_dir.h"

namespace {

using namespace imaging;
using imaging_testing::BytesOf;
using imaging_testing::MarkedPicture;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using Bytes = std::vector<std::uint8_t>;

std::uint32_t U32At(const std::string& b, std::size_t at) {
  return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
         static_cast<std::uint8_t>(b[at + 2]) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}

std::uint16_t U16At(const std::string& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8);
}

void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutU16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

Bytes Saved(const Picture& picture) {
  const TempDir dir;
  EXPECT_TRUE(SaveBmp(picture, dir.File("p.bmp")));
  const std::string text = ReadFileBytes(dir.File("p.bmp"));
  return {text.begin(), text.end()};
}

void ExpectSamePicture(const Picture& a, const Picture& b) {
  ASSERT_FALSE(b.Empty());
  EXPECT_EQ(a.Width(), b.Width());
  EXPECT_EQ(a.Height(), b.Height());
  EXPECT_EQ(a.BitsPerPixel(), b.BitsPerPixel());
  EXPECT_EQ(a.Palette(), b.Palette());
  EXPECT_EQ(a.DpiX(), b.DpiX());
  EXPECT_EQ(a.DpiY(), b.DpiY());
  EXPECT_EQ(BytesOf(a), BytesOf(b));
}

TEST(SaveBmp, ColourFileHasTheHeaderFieldsAndRowsBottomFirst) {
  Picture picture = MarkedPicture(3, 2, 24);
  picture.SetDpiX(200);
  picture.SetDpiY(300);
  const TempDir dir;
  ASSERT_TRUE(SaveBmp(picture, dir.File("c.bmp")));
  const std::string b = ReadFileBytes(dir.File("c.bmp"));
  ASSERT_EQ(b.size(), 54u + 24u);
  EXPECT_EQ(b.substr(0, 2), "BM");
  EXPECT_EQ(U32At(b, 2), 78u);
  EXPECT_EQ(U32At(b, 6), 0u);
  EXPECT_EQ(U32At(b, 10), 54u);
  EXPECT_EQ(U32At(b, 14), 40u);
  EXPECT_EQ(U32At(b, 18), 3u);
  EXPECT_EQ(U32At(b, 22), 2u);
  EXPECT_EQ(U16At(b, 26), 1);
  EXPECT_EQ(U16At(b, 28), 24);
  EXPECT_EQ(U32At(b, 30), 0u);
  EXPECT_EQ(U32At(b, 34), 24u);
  EXPECT_EQ(U32At(b, 38), 7874u);   // floor(200 × 10000 / 254 + 0.5)
  EXPECT_EQ(U32At(b, 42), 11811u);  // 11811.02
  EXPECT_EQ(U32At(b, 46), 0u);
  EXPECT_EQ(U32At(b, 50), 0u);
  // Pixel (1, 0) in blue, green, red order; row 1 starts after 12 bytes.
  const Rgb p = picture.GetPixel(1, 0);
  EXPECT_EQ(static_cast<std::uint8_t>(b[54 + 3]), p.blue);
  EXPECT_EQ(static_cast<std::uint8_t>(b[54 + 5]), p.red);
  EXPECT_EQ(b.substr(54 + 9, 3), std::string(3, '\0'));
  EXPECT_EQ(static_cast<std::uint8_t>(b[54 + 12 + 2]), picture.GetPixel(0, 1).red);
}

TEST(SaveBmp, GreyFileCarriesTheFullGreyPalette) {
  Picture picture(5, 3, 8);
  picture.SetDpiX(200);
  const Bytes b = Saved(picture);
  const std::string s(b.begin(), b.end());
  ASSERT_EQ(b.size(), 54u + 1024u + 24u);
  EXPECT_EQ(U32At(s, 2), 54u + 1024u + 24u);
  EXPECT_EQ(U32At(s, 10), 54u + 1024u);
  EXPECT_EQ(U32At(s, 34), 24u);
  EXPECT_EQ(U32At(s, 38), 7874u);
  EXPECT_EQ(U32At(s, 42), 3780u);  // the default 96
  EXPECT_EQ(U32At(s, 46), 256u);
  for (std::uint32_t i = 0; i < 256; ++i) ASSERT_EQ(U32At(s, 54 + 4 * i), i | i << 8 | i << 16);
}

TEST(SaveBmp, BlackWhiteFilePadsRowsToFourBytes) {
  Picture picture(33, 2, 1);
  picture.SetPixel(32, 1, kWhite);
  const Bytes b = Saved(picture);
  const std::string s(b.begin(), b.end());
  ASSERT_EQ(b.size(), 54u + 8u + 16u);
  EXPECT_EQ(U32At(s, 10), 62u);
  EXPECT_EQ(U16At(s, 28), 1);
  EXPECT_EQ(U32At(s, 34), 16u);
  EXPECT_EQ(U32At(s, 46), 2u);
  EXPECT_EQ(U32At(s, 54), 0u);         // black
  EXPECT_EQ(U32At(s, 58), 0xFFFFFFu);  // white
  EXPECT_EQ(b[62 + 8 + 4], 0x80);      // row 1, bit 32
  EXPECT_EQ(b[62 + 8 + 5], 0);
}

TEST(SaveBmp, RefusesEmptyPicturesAndUnwritablePaths) {
  const TempDir dir;
  EXPECT_FALSE(SaveBmp(Picture(), dir.File("e.bmp")));
  EXPECT_FALSE(SaveBmp(Picture(1, 1, 24), dir.File("missing/e.bmp")));
}

class BmpRoundTrip : public testing::TestWithParam<int> {};

TEST_P(BmpRoundTrip, LoadGivesBackPixelsPaletteAndDpi) {
  Picture picture = MarkedPicture(37, 5, GetParam());
  picture.SetDpiX(300);
  picture.SetDpiY(150);
  const TempDir dir;
  ASSERT_TRUE(SaveBmp(picture, dir.File("r.bmp")));
  ExpectSamePicture(picture, LoadBmp(dir.File("r.bmp")));
  ExpectSamePicture(picture, DecodeBmp(Saved(picture)));
}

INSTANTIATE_TEST_SUITE_P(EachDepth, BmpRoundTrip, testing::Values(24, 8, 1));

// A hand-made file: 40-byte header, `bits`, palette entries as given, rows as given.
Bytes MakeBmp(int width, int height, int bits, const Bytes& palette, const Bytes& rows) {
  // Sized once: GCC 12 at -O3 misreads growing inserts here as out of bounds.
  Bytes b(54 + palette.size() + rows.size());
  b[0] = 'B';
  b[1] = 'M';
  PutU32(b, 2, static_cast<std::uint32_t>(54 + palette.size() + rows.size()));
  PutU32(b, 10, static_cast<std::uint32_t>(54 + palette.size()));
  PutU32(b, 14, 40);
  PutU32(b, 18, static_cast<std::uint32_t>(width));
  PutU32(b, 22, static_cast<std::uint32_t>(height));
  PutU16(b, 26, 1);
  PutU16(b, 28, static_cast<std::uint16_t>(bits));
  const auto rowsAt = std::copy(palette.begin(), palette.end(), b.begin() + 54);
  std::copy(rows.begin(), rows.end(), rowsAt);
  return b;
}

TEST(DecodeBmp, TopDownRowsAreTurnedBottomUp) {
  const Picture picture = DecodeBmp(MakeBmp(1, -2, 24, {}, {1, 2, 3, 0, 4, 5, 6, 0}));
  ASSERT_EQ(picture.Height(), 2);
  EXPECT_EQ(picture.GetPixel(0, 1), (Rgb{3, 2, 1}));  // the first stored row is the top
  EXPECT_EQ(picture.GetPixel(0, 0), (Rgb{6, 5, 4}));
}

TEST(DecodeBmp, FourBitsBecomeEightAndThirtyTwoBecomeTwentyFour) {
  Bytes palette(16 * 4, 0);
  palette[4 * 3 + 2] = 200;  // entry 3 is red 200
  const Picture four = DecodeBmp(MakeBmp(3, 1, 4, palette, {0x30, 0x10, 0, 0}));
  ASSERT_EQ(four.BitsPerPixel(), 8);
  EXPECT_EQ(four.Row(0)[0], 3);
  EXPECT_EQ(four.Row(0)[2], 1);
  EXPECT_EQ(four.GetPixel(0, 0), (Rgb{200, 0, 0}));
  EXPECT_EQ(four.Palette()[255], kBlack);  // missing entries are black

  const Picture wide = DecodeBmp(MakeBmp(2, 1, 32, {}, {1, 2, 3, 9, 4, 5, 6, 9}));
  ASSERT_EQ(wide.BitsPerPixel(), 24);
  EXPECT_EQ(wide.GetPixel(1, 0), (Rgb{6, 5, 4}));
  EXPECT_EQ(wide.Row(0)[6], 0);
}

TEST(DecodeBmp, CoreHeadersWithThreeBytePaletteEntries) {
  Bytes b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 26 + 6, 0, 0, 0, 12, 0, 0, 0, 2, 0, 1, 0, 1, 0, 1, 0};
  b.insert(b.end(), {10, 20, 30, 40, 50, 60});  // blue, green, red twice
  b.insert(b.end(), {0x40, 0, 0, 0});
  const Picture picture = DecodeBmp(b);
  ASSERT_EQ(picture.BitsPerPixel(), 1);
  EXPECT_EQ(picture.GetPixel(0, 0), (Rgb{30, 20, 10}));
  EXPECT_EQ(picture.GetPixel(1, 0), (Rgb{60, 50, 40}));
  EXPECT_EQ(picture.DpiX(), 96);
}

TEST(DecodeBmp, ForeignPaddingAndSpareBitsAreCleared) {
  const Picture picture = DecodeBmp(MakeBmp(3, 1, 1, {0, 0, 0, 0, 255, 255, 255, 0}, {0xFF, 0xAA, 0xBB, 0xCC}));
  EXPECT_EQ(BytesOf(picture), (Bytes{0xE0, 0, 0, 0}));
}

// Valid 2 × 2 8-bit file to break in one place at a time.
Bytes ValidGrey() {
  Bytes palette(1024);
  for (std::size_t i = 0; i < 1024; ++i) palette[i] = static_cast<std::uint8_t>(i / 4);
  return MakeBmp(2, 2, 8, palette, {1, 2, 0, 0, 3, 4, 0, 0});
}

TEST(DecodeBmp, TheValidBaseOfTheHostileCasesLoads) { EXPECT_FALSE(DecodeBmp(ValidGrey()).Empty()); }

TEST(DecodeBmp, HostileHeadersAreRefused) {
  const std::vector<std::pair<const char*, std::function<void(Bytes&)>>> cases = {
      {"not BM", [](Bytes& b) { b[1] = 'A'; }},
      {"width 0", [](Bytes& b) { PutU32(b, 18, 0); }},
      {"negative width", [](Bytes& b) { PutU32(b, 18, static_cast<std::uint32_t>(-2)); }},
      {"height 0", [](Bytes& b) { PutU32(b, 22, 0); }},
      {"height INT_MIN", [](Bytes& b) { PutU32(b, 22, 0x80000000u); }},
      {"huge width", [](Bytes& b) { PutU32(b, 18, 0x7FFFFFFF); }},
      {"product beyond any memory", [](Bytes& b) { PutU32(b, 18, 1 << 20), PutU32(b, 22, 1 << 20); }},
      {"rows beyond the file", [](Bytes& b) { PutU32(b, 22, 3); }},
      {"top-down rows beyond the file", [](Bytes& b) { PutU32(b, 22, static_cast<std::uint32_t>(-3)); }},
      {"bit count 0", [](Bytes& b) { PutU16(b, 28, 0); }},
      {"bit count 16", [](Bytes& b) { PutU16(b, 28, 16); }},
      {"bit count 33", [](Bytes& b) { PutU16(b, 28, 33); }},
      {"bit count 65535", [](Bytes& b) { PutU16(b, 28, 65535); }},
      {"run-length compression", [](Bytes& b) { PutU32(b, 30, 1); }},
      {"two planes", [](Bytes& b) { PutU16(b, 26, 2); }},
      {"257 colours for 8 bits", [](Bytes& b) { PutU32(b, 46, 257); }},
      {"colour count 0xFFFFFFFF", [](Bytes& b) { PutU32(b, 46, 0xFFFFFFFFu); }},
      {"header size 0", [](Bytes& b) { PutU32(b, 14, 0); }},
      {"header size 13", [](Bytes& b) { PutU32(b, 14, 13); }},
      {"header size 200", [](Bytes& b) { PutU32(b, 14, 200); }},
      {"header size 0xFFFFFFFF", [](Bytes& b) { PutU32(b, 14, 0xFFFFFFFFu); }},
      {"pixels beyond the file", [](Bytes& b) { PutU32(b, 10, 0xFFFFFFF0u); }},
      {"pixels inside the palette", [](Bytes& b) { PutU32(b, 10, 60); }},
      {"pixels inside the header", [](Bytes& b) { PutU32(b, 10, 0); }},
  };
  for (const auto& [name, breakIt] : cases) {
    Bytes b = ValidGrey();
    breakIt(b);
    EXPECT_TRUE(DecodeBmp(b).Empty()) << name;
  }
}

TEST(DecodeBmp, EveryTruncationIsRefused) {
  for (const int bits : {24, 8, 1}) {
    const Bytes whole = Saved(MarkedPicture(5, 3, bits));
    for (std::size_t length = 0; length < whole.size(); ++length) {
      ASSERT_TRUE(DecodeBmp(std::span(whole).first(length)).Empty()) << bits << " bits, " << length << " bytes";
    }
  }
}

TEST(LoadBmp, MissingAndTruncatedFilesGiveEmptyPictures) {
  const TempDir dir;
  EXPECT_TRUE(LoadBmp(dir.File("none.bmp")).Empty());
  const Bytes whole = Saved(MarkedPicture(5, 3, 24));
  std::FILE* file = std::fopen(dir.File("cut.bmp").c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(whole.data(), 1, whole.size() - 1, file);
  std::fclose(file);
  EXPECT_TRUE(LoadBmp(dir.File("cut.bmp")).Empty());
}

}  // namespace
