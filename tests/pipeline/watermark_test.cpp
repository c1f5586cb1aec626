// The watermark line, and where and how its strip is stamped.
#include "imaging/watermark.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "fake_text_renderer.h"
#include "platform/text_encoding.h"

namespace {

using namespace imaging;
using pipeline_testing::BlockTextRenderer;

std::tm At(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

Picture White(int width, int height) {
  Picture picture(width, height, 24);
  picture.Fill({0, 0, width, height}, kWhite);
  return picture;
}

// The stamped (non-white) pixels' bounds and count.
struct Stamp {
  int count = 0;
  int left = 1 << 30, right = -1, bottom = 1 << 30, top = -1;
  bool onHatching = false;
};

Stamp StampOf(const Picture& picture, int stripLeft) {
  Stamp stamp;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      if (picture.GetPixel(x, y) == kWhite) continue;
      ++stamp.count;
      stamp.left = std::min(stamp.left, x);
      stamp.right = std::max(stamp.right, x);
      stamp.bottom = std::min(stamp.bottom, y);
      stamp.top = std::max(stamp.top, y);
      if ((x - stripLeft) % 6 == 0 || (y - 20) % 6 == 0) stamp.onHatching = true;
    }
  }
  return stamp;
}

const std::tm kShot = At(2019, 12, 30, 3, 22, 32);

TEST(WatermarkLine, AppendsTheTimeAfterTwoSpacesWithATwoDigitYear) {
  EXPECT_EQ(WatermarkLine("ABC", true, kShot), "ABC  19/12/30 03:22:32");
  EXPECT_EQ(WatermarkLine("ABC", false, kShot), "ABC");
  EXPECT_EQ(WatermarkLine("", true, At(2005, 1, 2, 13, 4, 5)), "  05/01/02 13:04:05");
}

TEST(WatermarkLine, KeepsWithinTheLineBufferCuttingAtWholeCharacters) {
  const std::string line = WatermarkLine(std::string(200, 'x'), true, kShot);
  EXPECT_EQ(line.size(), kWatermarkLineBytes);
  EXPECT_EQ(line.substr(line.size() - 19), "  19/12/30 03:22:32");

  std::string chinese;
  for (int i = 0; i < 70; ++i) chinese += "水";
  const std::string cut = WatermarkLine(chinese, false, kShot);
  EXPECT_EQ(platform::Utf8ToGbk(cut).size(), 126u);  // 63 characters of two bytes, not half of the 64th
}

TEST(StampWatermark, LiesInTheBottomRightCornerShiftedByOneCharacter) {
  // 1600 wide: ch = 53; 22 bytes give a strip of 662, from column 1600 − 662 + 53 = 991.
  Picture picture = White(1600, 1200);
  BlockTextRenderer renderer(2000, 54);
  const int ch = WatermarkCharacterHeight(1600);
  ASSERT_EQ(ch, 53);
  StampWatermark(picture, ch, "ABC  19/12/30 03:22:32", renderer);
  const Stamp stamp = StampOf(picture, 991);
  EXPECT_EQ(stamp.left, 992);  // column 991 is the strip's hatched first column
  EXPECT_EQ(stamp.right, 1599);
  EXPECT_EQ(stamp.bottom, 21);  // row 20 is the strip's hatched bottom row
  EXPECT_EQ(stamp.top, 72);
  EXPECT_FALSE(stamp.onHatching);
  // Columns 991..1599 and rows 20..72, less every sixth of each.
  EXPECT_EQ(stamp.count, (609 - 102) * (53 - 9));
  ASSERT_EQ(renderer.requests.size(), 1u);
  EXPECT_EQ(renderer.requests[0].face, "黑体");
  EXPECT_EQ(renderer.requests[0].characterHeight, 53);
}

TEST(StampWatermark, TheTextBlocksBottomRowFallsBelowTheStrip) {
  // Ink only in the block's bottom row: it lands on strip row −1 and is dropped.
  Picture picture = White(300, 200);
  struct BottomRowOnly final : platform::TextRenderer {
    explicit BottomRowOnly(int row) : row(row) {}
    platform::CoverageMask Render(const platform::TextRequest&) override {
      platform::CoverageMask mask{400, 10, std::vector<std::uint8_t>(4000, 0)};
      std::fill_n(mask.coverage.begin() + row * 400, 400, 255);
      return mask;
    }
    int row;
  };
  BottomRowOnly bottom(9);
  StampWatermark(picture, 10, "ABC", bottom);
  EXPECT_EQ(StampOf(picture, 0).count, 0);

  // The row above it is strip row 0, the hatched one; the next is strip row 1.
  BottomRowOnly second(7);
  StampWatermark(picture, 10, "ABC", second);
  const Stamp stamp = StampOf(picture, 300 - 30 + 10);
  EXPECT_EQ(stamp.bottom, 21);
  EXPECT_EQ(stamp.top, 21);
}

TEST(StampWatermark, OnlyInkDarkerThanTheThresholdIsStamped) {
  Picture faint = White(600, 400);
  BlockTextRenderer grey(1000, 30, 200);  // strip value 55
  StampWatermark(faint, 20, "ABC", grey);
  EXPECT_EQ(StampOf(faint, 0).count, 0);

  Picture dark = White(600, 400);
  BlockTextRenderer nearlyFull(1000, 30, 250);  // strip value 5
  StampWatermark(dark, 20, "ABC", nearlyFull);
  EXPECT_GT(StampOf(dark, 0).count, 0);
  EXPECT_EQ(dark.GetPixel(599, 21), (Rgb{5, 5, 5}));
}

TEST(StampWatermark, IsPlacedAgainstTheWidthAtStampingWithTheGivenCharacterHeight) {
  // A 1600 × 1200 still turned by 90 degrees: ch stays 53, the strip starts at 1200 − 662 + 53.
  Picture picture = White(1200, 1600);
  BlockTextRenderer renderer(2000, 54);
  StampWatermark(picture, 53, "ABC  19/12/30 03:22:32", renderer);
  EXPECT_EQ(StampOf(picture, 591).left, 592);
}

TEST(StampWatermark, CountsChineseCharactersAsTwoBytes) {
  Picture picture = White(1600, 1200);
  BlockTextRenderer renderer(2000, 54);
  StampWatermark(picture, 53, "水印", renderer);
  // Four GBK bytes: a strip of 7 × 53 / 2 = 185 from column 1600 − 185 + 53 = 1468.
  EXPECT_EQ(StampOf(picture, 1468).left, 1469);
}

TEST(StampWatermark, NarrowPicturesAndEmptyLinesGetNothing) {
  Picture narrow = White(29, 100);
  BlockTextRenderer renderer(100, 10);
  StampWatermark(narrow, WatermarkCharacterHeight(29), "ABC", renderer);
  EXPECT_EQ(StampOf(narrow, 0).count, 0);
  EXPECT_TRUE(renderer.requests.empty());

  Picture empty = White(1600, 1200);
  StampWatermark(empty, 53, "", renderer);
  EXPECT_EQ(StampOf(empty, 0).count, 0);
}

TEST(StampWatermark, ThePlatformsTextLeavesDarkHatchedStrokesInTheStrip) {
  Picture picture = White(1600, 1200);
  StampWatermark(picture, 53, "ABC  19/12/30 03:22:32", platform::SystemTextRenderer());
  const Stamp stamp = StampOf(picture, 991);
  // Twenty characters of strokes: hundreds of pixels, all inside the strip and off the hatching.
  EXPECT_GT(stamp.count, 1000);
  EXPECT_GE(stamp.left, 991);
  EXPECT_LE(stamp.right, 1599);
  EXPECT_GE(stamp.bottom, 20);
  EXPECT_LE(stamp.top, 72);
  EXPECT_FALSE(stamp.onHatching);
  for (int y = 20; y <= 72; ++y) {
    for (int x = 991; x < 1600; ++x) {
      const Rgb c = picture.GetPixel(x, y);
      if (c != kWhite) {
        ASSERT_LT(c.red, 10) << x << "," << y;
      }
    }
  }
}

}  // namespace
