// Reviewing the pictures of a series before it is submitted: paging, quarter
// turns of the files with the sizes the queue records, opening, and
// deleting a picture with the records after it moving down.
#include "acquire/picture_review.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "acquire/picture_files.h"
#include "imaging/picture_file.h"
#include "platform/files.h"
#include "support/bmp_builder.h"
#include "support/recording_shell.h"
#include "support/source_harness.h"
#include "support/temp_dir.h"

namespace acquire {
namespace {

using imaging::Picture;
using imaging::PictureFormat;

// A 24-bit picture of `width` × `height`, black but for a white top-left pixel.
Picture MarkedPicture(int width, int height) {
  Picture picture(width, height, 24);
  std::uint8_t* topLeft = picture.Row(height - 1);
  topLeft[0] = topLeft[1] = topLeft[2] = 255;
  picture.SetDpiX(200);
  picture.SetDpiY(100);
  return picture;
}

// Whether the pixel at column x of row y (from the top) is white.
bool WhiteAt(const Picture& picture, int x, int yFromTop) {
  return picture.Row(picture.Height() - 1 - yFromTop)[3 * x] == 255;
}

class PictureReviewTest : public ::testing::Test {
 protected:
  PictureReviewTest() { std::filesystem::create_directory(PictureFolder()); }

  // Stores picture `number` as the still pipeline does: a bitmap, its record, the count.
  std::string Store(int number, int width = 6, int height = 4) {
    const std::string path = PictureFileName(PictureFolder(), number, protocol::PixelType::Colour);
    EXPECT_TRUE(imaging::SavePicture(MarkedPicture(width, height), path, PictureFormat::Bmp));
    PageEntry& entry = *queue_.Entry(number);
    entry = {path, width / 200.0F, height / 200.0F, protocol::PixelType::Colour};
    queue_.SetPictureCount(number);
    review_.Show(number, path);
    return path;
  }

  testing_support::TempDir folder_;
  testing_support::ScopedEnvironment temporary_{"TMPDIR", folder_.Path()};
  testing_support::RecordingMessageBoxes boxes_;
  PageQueue queue_{platform::SystemGlobalMemory(), boxes_};
  testing_support::RecordingShell shell_;
  PictureReview review_{queue_, shell_};
};

TEST(ReviewFormatTest, ExtensionsAreComparedExactlyAndAnyOtherIsJpeg) {
  EXPECT_EQ(ReviewFormat("/p/twainrgb1.bmp"), PictureFormat::Bmp);
  EXPECT_EQ(ReviewFormat("/p/a.TIF"), PictureFormat::Tiff);
  EXPECT_EQ(ReviewFormat("/p/a.PNG"), PictureFormat::Png);
  EXPECT_EQ(ReviewFormat("/p/a.GIF"), PictureFormat::Gif);
  EXPECT_EQ(ReviewFormat("/p/a.JPG"), PictureFormat::Jpeg);
  EXPECT_EQ(ReviewFormat("/p/a.BMP"), PictureFormat::Jpeg);
  EXPECT_EQ(ReviewFormat("/p/a.png"), PictureFormat::Jpeg);
  EXPECT_EQ(ReviewFormat("/p.d/noextension"), PictureFormat::Jpeg);
}

TEST_F(PictureReviewTest, TurnsRewriteTheFileInPlaceAndExchangeTheRecordedSizes) {
  const std::string path = Store(1, 6, 4);
  ASSERT_TRUE(review_.Turn(QuarterTurn::Right));
  Picture turned = imaging::LoadPicture(path, PictureFormat::Bmp);
  ASSERT_EQ(turned.Width(), 4);
  ASSERT_EQ(turned.Height(), 6);
  EXPECT_TRUE(WhiteAt(turned, 3, 0));  // top-left went to the top right
  EXPECT_EQ(turned.DpiX(), 100);
  EXPECT_EQ(turned.DpiY(), 200);
  EXPECT_FLOAT_EQ(queue_.Entry(1)->widthInches, 4 / 200.0F);
  EXPECT_FLOAT_EQ(queue_.Entry(1)->heightInches, 6 / 200.0F);

  ASSERT_TRUE(review_.Turn(QuarterTurn::Left));
  ASSERT_TRUE(review_.Turn(QuarterTurn::Left));
  turned = imaging::LoadPicture(path, PictureFormat::Bmp);
  EXPECT_EQ(turned.Width(), 4);
  EXPECT_TRUE(WhiteAt(turned, 0, 5));  // a quarter left of the original: top-left at the bottom left
  EXPECT_FLOAT_EQ(queue_.Entry(1)->widthInches, 4 / 200.0F);
  EXPECT_EQ(review_.CurrentName(), path);
}

TEST_F(PictureReviewTest, AFileThatCannotBeTurnedKeepsItsRecordedSizes) {
  const std::string path = Store(1, 6, 4);
  testing_support::WriteBytes(path, "no picture");
  EXPECT_FALSE(review_.Turn(QuarterTurn::Left));
  EXPECT_EQ(testing_support::ReadFileBytes(path), "no picture");
  EXPECT_FLOAT_EQ(queue_.Entry(1)->widthInches, 6 / 200.0F);
  EXPECT_FLOAT_EQ(queue_.Entry(1)->heightInches, 4 / 200.0F);

  PictureReview nothingShown(queue_, shell_);
  EXPECT_FALSE(nothingShown.Turn(QuarterTurn::Right));
  EXPECT_FALSE(nothingShown.Open());
  EXPECT_TRUE(shell_.opened.empty());
}

TEST_F(PictureReviewTest, AnExtensionInOtherLetterCaseLoadsAndSavesAsJpeg) {
  const std::string path = PictureFolder() + "photo.jpg";
  ASSERT_TRUE(imaging::SavePicture(MarkedPicture(8, 4), path, PictureFormat::Jpeg));
  queue_.Entry(1)->filePath = path;
  queue_.SetPictureCount(1);
  review_.Show(1, path);
  ASSERT_TRUE(review_.Turn(QuarterTurn::Right));
  const Picture turned = imaging::LoadPicture(path, PictureFormat::Jpeg);
  EXPECT_EQ(turned.Width(), 4);
  EXPECT_EQ(turned.Height(), 8);

  // A bitmap named ".BMP" is read as JPEG, which fails: the file stays as it was.
  const std::string upper = PictureFolder() + "scan.BMP";
  ASSERT_TRUE(imaging::SavePicture(MarkedPicture(8, 4), upper, PictureFormat::Bmp));
  const std::string before = testing_support::ReadFileBytes(upper);
  review_.Show(1, upper);
  EXPECT_FALSE(review_.Turn(QuarterTurn::Left));
  EXPECT_EQ(testing_support::ReadFileBytes(upper), before);
}

TEST_F(PictureReviewTest, PagingStopsAtBothEndsAndTheCaptionFollows) {
  const std::string first = Store(1);
  const std::string second = Store(2);
  EXPECT_EQ(review_.PositionCaption(), "2/2");
  review_.Next();
  EXPECT_EQ(review_.CurrentNumber(), 2);
  review_.Previous();
  EXPECT_EQ(review_.CurrentName(), first);
  EXPECT_EQ(review_.PositionCaption(), "1/2");
  review_.Previous();
  EXPECT_EQ(review_.CurrentNumber(), 1);
  review_.Next();
  EXPECT_EQ(review_.CurrentName(), second);
  EXPECT_TRUE(review_.Open());
  EXPECT_EQ(shell_.opened, std::vector<std::string>{second});
}

TEST_F(PictureReviewTest, DeletingTheLastOfThreeShowsTheSecond) {
  Store(1);
  const std::string second = Store(2);
  const std::string third = Store(3);
  ASSERT_TRUE(review_.DeleteCurrent());
  EXPECT_EQ(shell_.trashRequests, std::vector<std::string>{third});
  EXPECT_FALSE(platform::FileExists(third));
  EXPECT_EQ(queue_.PictureCount(), 2);
  EXPECT_EQ(review_.CurrentName(), second);
  EXPECT_EQ(review_.PositionCaption(), "2/2");
  EXPECT_TRUE(queue_.Entry(3)->filePath.empty());
  EXPECT_EQ(queue_.Entry(3)->widthInches, 0.0F);
}

TEST_F(PictureReviewTest, DeletingTheSecondOfThreeMovesTheThirdDownAndItsFileKeepsItsName) {
  const std::string first = Store(1);
  Store(2);
  const std::string third = Store(3, 10, 8);
  review_.Previous();
  ASSERT_TRUE(review_.DeleteCurrent());
  EXPECT_EQ(queue_.PictureCount(), 2);
  EXPECT_EQ(queue_.Entry(2)->filePath, third);
  EXPECT_FLOAT_EQ(queue_.Entry(2)->widthInches, 10 / 200.0F);
  EXPECT_TRUE(platform::FileExists(third));
  EXPECT_EQ(review_.CurrentName(), first);
  EXPECT_EQ(review_.PositionCaption(), "1/2");
}

TEST_F(PictureReviewTest, DeletingTheFirstShowsTheNewFirstAndTheOnlyShowsNothing) {
  Store(1);
  const std::string second = Store(2);
  review_.Previous();
  ASSERT_TRUE(review_.DeleteCurrent());
  EXPECT_EQ(review_.CurrentNumber(), 1);
  EXPECT_EQ(review_.CurrentName(), second);
  EXPECT_EQ(review_.PositionCaption(), "1/1");

  ASSERT_TRUE(review_.DeleteCurrent());
  EXPECT_EQ(review_.CurrentNumber(), 0);
  EXPECT_TRUE(review_.CurrentName().empty());
  EXPECT_EQ(review_.PositionCaption(), "0/0");
  EXPECT_FALSE(review_.DeleteCurrent());
  review_.Next();
  review_.Previous();
  EXPECT_EQ(review_.CurrentNumber(), 0);
}

TEST_F(PictureReviewTest, APictureThatCannotGoToTheTrashOrIsGoneStaysInTheQueue) {
  Store(1);
  const std::string second = Store(2);
  shell_.refuseTrash = true;
  EXPECT_FALSE(review_.DeleteCurrent());
  EXPECT_EQ(queue_.PictureCount(), 2);
  EXPECT_EQ(review_.CurrentName(), second);

  shell_.refuseTrash = false;
  std::filesystem::remove(second);
  EXPECT_FALSE(review_.DeleteCurrent());
  EXPECT_EQ(queue_.PictureCount(), 2);
  EXPECT_EQ(shell_.trashRequests.size(), 1U);
}

TEST_F(PictureReviewTest, APictureNoLongerInTheQueueIsNotDeleted) {
  const std::string path = Store(1);
  queue_.SetPictureCount(0);  // submitted and transferred meanwhile
  EXPECT_FALSE(review_.DeleteCurrent());
  EXPECT_TRUE(shell_.trashRequests.empty());
  EXPECT_TRUE(platform::FileExists(path));
}

}  // namespace
}  // namespace acquire
