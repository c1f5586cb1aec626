// The picture itself: creation, palettes, DPI, pixel access and fill.
#include "imaging/picture.h"

#include <gtest/gtest.h>

#include <vector>

#include "picture_helpers.h"

namespace {

using namespace imaging;
using imaging_testing::BytesOf;
using imaging_testing::MarkedPicture;
using imaging_testing::Marker;

TEST(Picture, CreationGivesTheDepthsPalettesStridesAndDefaultDpi) {
  const Picture colour(3, 2, 24);
  EXPECT_EQ(colour.Stride(), 12u);
  EXPECT_TRUE(colour.Palette().empty());
  const Picture grey(5, 1, 8);
  EXPECT_EQ(grey.Stride(), 8u);
  EXPECT_TRUE(grey.HasGreyPalette());
  const Picture bw(33, 1, 1);
  EXPECT_EQ(bw.Stride(), 8u);
  EXPECT_EQ(bw.Palette(), (std::vector<Rgb>{kBlack, kWhite}));
  EXPECT_EQ(bw.DpiX(), 96);
  EXPECT_EQ(bw.DpiY(), 96);
}

TEST(Picture, UnsupportedSizesAndDepthsGiveEmptyPictures) {
  EXPECT_TRUE(Picture(0, 5, 24).Empty());
  EXPECT_TRUE(Picture(5, -1, 24).Empty());
  EXPECT_TRUE(Picture(5, 5, 16).Empty());
  EXPECT_TRUE(Picture(1 << 21, 1, 8).Empty());
  EXPECT_TRUE(Picture(40000, 40000, 24).Empty());  // beyond 1 GiB of rows
  EXPECT_FALSE(Picture(1 << 20, 1, 24).Empty());
}

TEST(Picture, DpiOfZeroOrLessBecomes96) {
  Picture picture(1, 1, 24);
  picture.SetDpiX(200);
  picture.SetDpiY(0);
  EXPECT_EQ(picture.DpiX(), 200);
  EXPECT_EQ(picture.DpiY(), 96);
  picture.SetDpiX(-3);
  EXPECT_EQ(picture.DpiX(), 96);
}

TEST(Picture, FromBgrRowsCopiesRowsInOrderAndRefusesShortBuffers) {
  // Rows 16 bytes apart; the last row needs only its 9 pixel bytes.
  std::vector<std::uint8_t> frame(16 + 9);
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint8_t>(i + 1);
  const Picture picture = Picture::FromBgrRows(frame, 3, 2, 16);
  ASSERT_FALSE(picture.Empty());
  EXPECT_EQ(picture.GetPixel(0, 0), (Rgb{3, 2, 1}));
  EXPECT_EQ(picture.GetPixel(2, 1), (Rgb{25, 24, 23}));
  EXPECT_EQ(picture.Row(0)[9], 0);  // padding stays zero

  EXPECT_TRUE(Picture::FromBgrRows(std::span(frame).first(24), 3, 2, 16).Empty());
  EXPECT_TRUE(Picture::FromBgrRows(frame, 3, 2, 8).Empty());  // rows overlap
  EXPECT_TRUE(Picture::FromBgrRows({}, 3, 2, 12).Empty());
}

TEST(Picture, GetOutsideThePictureGivesPixelZeroZero) {
  const Picture picture = MarkedPicture(4, 3, 24);
  EXPECT_EQ(picture.GetPixel(-1, 1), Marker(0, 0));
  EXPECT_EQ(picture.GetPixel(4, 0), Marker(0, 0));
  EXPECT_EQ(picture.GetPixel(1, 3), Marker(0, 0));
  EXPECT_EQ(picture.GetPixel(3, 2), Marker(3, 2));
  EXPECT_EQ(Picture().GetPixel(0, 0), kBlack);
}

TEST(Picture, SetOutsideThePictureChangesNothing) {
  Picture picture = MarkedPicture(4, 3, 1);
  const auto before = BytesOf(picture);
  picture.SetPixel(4, 0, kWhite);
  picture.SetPixel(0, -1, kWhite);
  picture.SetPixel(-1, 3, kBlack);
  EXPECT_EQ(BytesOf(picture), before);
}

TEST(Picture, PalettedPicturesTakeTheNearestEntry) {
  Picture grey(2, 1, 8);
  grey.SetPixel(1, 0, Rgb{200, 100, 0});  // nearest grey to the mean of 100
  EXPECT_EQ(grey.Row(0)[1], 100);
  Picture bw(2, 1, 1);
  bw.SetPixel(0, 0, Rgb{200, 200, 200});
  bw.SetPixel(1, 0, Rgb{60, 60, 60});
  EXPECT_EQ(bw.GetPixel(0, 0), kWhite);
  EXPECT_EQ(bw.GetPixel(1, 0), kBlack);
}

TEST(Picture, FillCoversTheClampedRectangleCountedFromTheTop) {
  Picture picture(4, 3, 24);
  picture.Fill({3, 1, -2, 0}, kWhite);  // reversed and beyond the left edge: columns 0..2 of the top row
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(picture.GetPixel(x, 2), x < 3 ? kWhite : kBlack) << x;
    EXPECT_EQ(picture.GetPixel(x, 1), kBlack) << x;
  }
  Picture bw(10, 2, 1);
  bw.Fill({0, 0, 100, 100}, kWhite);
  EXPECT_EQ(bw.Row(0)[0], 0xFF);
  EXPECT_EQ(bw.Row(0)[1], 0xC0);  // only the picture's ten bits
  EXPECT_EQ(bw.Row(1)[2], 0);
}

TEST(Picture, ClearPaddingZeroesBytesAndBitsBeyondTheWidth) {
  Picture bw(10, 1, 1);
  std::fill(bw.Row(0), bw.Row(0) + bw.Stride(), 0xFF);
  bw.ClearPadding();
  EXPECT_EQ(BytesOf(bw), (std::vector<std::uint8_t>{0xFF, 0xC0, 0, 0}));
}

}  // namespace
