// The light content's rectangle on small made pictures.
#include <gtest/gtest.h>

#include "imaging/correction/correction.h"
#include "made_pages.h"

namespace {

using namespace correction_testing;
using imaging::correction::FindContentRect;

Rect Found(const Picture& picture) {
  Rect rect{0, 0, picture.Width(), picture.Height()};
  FindContentRect(picture, rect);
  return rect;
}

void ExpectRect(Rect rect, int left, int top, int right, int bottom) {
  EXPECT_EQ(rect.left, left);
  EXPECT_EQ(rect.top, top);
  EXPECT_EQ(rect.right, right);
  EXPECT_EQ(rect.bottom, bottom);
}

TEST(FindContentRect, ALightRectangleOnBlackGivesItsEdgesAsTheScansCountThem) {
  Picture picture = Desk(100, 80, imaging::kBlack);
  picture.Fill({20, 10, 60, 50}, imaging::kWhite);
  // The left scan stops in column 20 and the right one in column 59; the
  // bottom scan in the rectangle's lowest row (80 - 30), the top scan in
  // its highest (row 69 from the bottom).
  ExpectRect(Found(picture), 20, 11, 59, 50);
}

TEST(FindContentRect, TheRunGoesOnFromOneColumnToTheNext) {
  // Each column holds two runs of 6 light pixels, at its foot and its head:
  // only the head of column 5 and the foot of column 6 together exceed 10.
  Picture picture = Desk(40, 100, imaging::kBlack);
  picture.Fill({5, 0, 31, 6}, imaging::kWhite);
  picture.Fill({5, 94, 31, 100}, imaging::kWhite);
  EXPECT_EQ(Found(picture).left, 6);
}

TEST(FindContentRect, LightnessIsTruncatedBeforeItMeetsTheThreshold) {
  // 129 exactly is light; 0.299 × 128 + 0.587 × 129 + 0.114 × 129 = 128.7 is not.
  ExpectRect(Found(Desk(30, 20, {129, 129, 129})), 0, 1, 29, 20);
  ExpectRect(Found(Desk(30, 20, {128, 129, 129})), 0, 0, 0, 0);
}

TEST(FindContentRect, APictureWithoutLightContentGivesAnEmptyRectangle) {
  ExpectRect(Found(Desk(64, 48)), 0, 0, 0, 0);
  Picture empty;
  Rect rect{1, 2, 3, 4};
  FindContentRect(empty, rect);
  ExpectRect(rect, 1, 2, 3, 4);
}

TEST(FindContentRect, GreyPicturesAreReadThroughTheirPalette) {
  Picture grey(50, 40, 8);
  grey.Fill({10, 5, 30, 35}, {200, 200, 200});
  ExpectRect(Found(grey), 10, 6, 29, 35);
}

}  // namespace
