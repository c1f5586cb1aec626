// Our page processor on made pictures: spreads divided at their gutter,
// fingers erased, bent lines straightened.
#include <gtest/gtest.h>

#include <algorithm>

#include "imaging/bmp_file.h"
#include "imaging/correction/correction.h"
#include "made_pages.h"
#include "support/temp_dir.h"

namespace {

using namespace correction_testing;

class BookPageProcessorTest : public ::testing::Test {
 protected:
  // Saves `picture` as the input and processes it in place.
  void Process(const Picture& picture, int mode, bool paging) {
    imaging::SaveBmp(picture, input);
    const std::int32_t options[3] = {1, 75, 0};
    processor->Process(input.c_str(), input.c_str(), paging ? left.c_str() : nullptr, paging ? right.c_str() : nullptr,
                       options, mode, 50);
  }

  testing_support::TempDir folder;
  std::string input = folder.File("twainrgb1_tmp.bmp");
  std::string left = folder.File("twainrgb1.bmp");
  std::string right = folder.File("twainrgb2.bmp");
  std::unique_ptr<imaging::correction::PageProcessor> processor = imaging::correction::MakeBookPageProcessor();
};

TEST_F(BookPageProcessorTest, ASpreadIsDividedAtTheDeskBetweenItsPagesNotAtTheMiddle) {
  Picture spread = Desk(640, 400);
  DrawPage(spread, {40, 40, 250, 360});
  DrawPage(spread, {256, 40, 600, 360});
  Process(spread, 1, true);
  const Picture leftPage = imaging::LoadBmp(left);
  const Picture rightPage = imaging::LoadBmp(right);
  EXPECT_NEAR(leftPage.Width(), 250 - 40, 4);
  EXPECT_NEAR(rightPage.Width(), 600 - 256, 4);
  EXPECT_NEAR(leftPage.Height(), 320, 2);
  // The processed spread is cut from the desk.
  const Picture processed = imaging::LoadBmp(input);
  EXPECT_NEAR(processed.Width(), 560, 2);
  EXPECT_NEAR(processed.Height(), 320, 2);
}

TEST_F(BookPageProcessorTest, PagesLyingCloseAreDividedInTheBandWithoutInk) {
  Picture spread = Desk(640, 400);
  DrawPage(spread, {40, 40, 230, 360});
  DrawPage(spread, {230, 40, 600, 360});
  Process(spread, 1, true);
  // Text ends at 210 on the left page and starts at 250 on the right.
  EXPECT_NEAR(imaging::LoadBmp(left).Width(), 230 - 40, 6);
  EXPECT_NEAR(imaging::LoadBmp(right).Width(), 600 - 230, 6);
}

TEST_F(BookPageProcessorTest, FingersAtThePagesSidesAreErasedInMode3Only) {
  Picture page = Desk(640, 400);
  DrawPage(page, {60, 40, 580, 360});
  page.Fill({30, 150, 100, 175}, kSkin);   // from the desk over the left margin
  page.Fill({540, 250, 610, 272}, kSkin);  // and over the right one
  Process(page, 1, false);
  EXPECT_GT(SkinPixels(imaging::LoadBmp(input)), 1000);
  Process(page, 3, false);
  const Picture erased = imaging::LoadBmp(input);
  EXPECT_EQ(SkinPixels(erased), 0);
  // Painted with the paper.
  EXPECT_EQ(At(erased, 10, 160 - 40), kPaper);
}

TEST_F(BookPageProcessorTest, FingersOnAPageFillingThePictureAreErasedToo) {
  Picture page = Desk(640, 400, kPaper);
  DrawPage(page, {0, 0, 640, 400});
  page.Fill({0, 150, 45, 175}, kSkin);
  Process(page, 3, false);
  const Picture erased = imaging::LoadBmp(input);
  EXPECT_EQ(erased.Width(), 640);
  EXPECT_EQ(SkinPixels(erased), 0);
}

TEST_F(BookPageProcessorTest, SkinColourAwayFromTheSidesIsKept) {
  Picture page = Desk(640, 400);
  DrawPage(page, {60, 40, 580, 360});
  page.Fill({280, 150, 340, 200}, kSkin);  // a picture of a hand in the middle of the page
  Process(page, 3, false);
  EXPECT_GT(SkinPixels(imaging::LoadBmp(input)), 2000);
}

TEST_F(BookPageProcessorTest, LinesBentTowardsTheGutterAreStraightened) {
  Picture page = Desk(640, 480);
  DrawPage(page, {20, 20, 620, 460}, 30);
  const Picture bent = Bent(page, {20, 20, 620, 460}, [](int x, int) {
    const double t = (x - 20) / 600.0;
    return 18 * t * t * t;
  });
  ASSERT_GE(FirstLineSpread(bent, 60, 580), 12);
  Process(bent, 1, false);
  const Picture flattened = imaging::LoadBmp(input);
  EXPECT_LE(FirstLineSpread(flattened, 40, flattened.Width() - 40), 3);
}

// The last line of text: the first line of the picture turned upside down.
int LastLineSpread(Picture picture, int from, int to) {
  imaging::TurnNearest(picture, 180);
  return FirstLineSpread(picture, picture.Width() - to, picture.Width() - from);
}

TEST_F(BookPageProcessorTest, ABendGrowingTowardsTopAndBottomIsStraightenedToo) {
  Picture page = Desk(640, 480);
  DrawPage(page, {20, 20, 620, 460}, 30);
  // Lines fan out towards the right: the top ones rise, the bottom ones fall.
  const Picture bent = Bent(page, {20, 20, 620, 460}, [](int x, int y) {
    const double t = (x - 20) / 600.0;
    return 14 * t * t * (y - 240) / 200.0;
  });
  ASSERT_GE(FirstLineSpread(bent, 60, 580), 10);
  ASSERT_GE(LastLineSpread(bent, 60, 580), 10);
  Process(bent, 1, false);
  // Offsets measured per half and interpolated leave a few pixels at the ends.
  const Picture flattened = imaging::LoadBmp(input);
  EXPECT_LE(FirstLineSpread(flattened, 40, flattened.Width() - 40), 5);
  EXPECT_LE(LastLineSpread(flattened, 40, flattened.Width() - 40), 5);
}

TEST_F(BookPageProcessorTest, AMissingInputWritesNothing) {
  const std::int32_t options[3] = {1, 75, 0};
  processor->Process(input.c_str(), input.c_str(), left.c_str(), right.c_str(), options, 3, 50);
  EXPECT_TRUE(imaging::LoadBmp(input).Empty());
  EXPECT_TRUE(imaging::LoadBmp(left).Empty());
}

}  // namespace
