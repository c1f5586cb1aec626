// The page queue: the order pictures leave in, the search for their files,
// and the rows of memory transfers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "acquire/page_queue.h"
#include "acquire/picture_files.h"
#include "platform/files.h"
#include "support/bmp_builder.h"
#include "support/source_harness.h"
#include "support/temp_dir.h"

namespace {

using namespace acquire;
using testing_support::BmpLayout;

class PageQueueTest : public ::testing::Test {
 protected:
  PageQueueTest() { std::filesystem::create_directory(PictureFolder()); }

  // Stores picture `number` of `pixelType` as its file would be stored.
  std::string Store(int number, std::uint8_t pixelType, std::int32_t width = 4, std::int32_t height = 2) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitCount = pixelType == 2 ? 24 : pixelType == 1 ? 8 : 1;
    if (layout.bitCount != 24) layout.palette.assign(layout.bitCount == 8 ? 1024 : 8, 0x55);
    const std::string path = PictureFileName(PictureFolder(), number, protocol::PixelTypeOf(pixelType));
    testing_support::WriteBytes(path, testing_support::BuildBmp(layout));
    queue_.Entry(number)->pixelType = protocol::PixelTypeOf(pixelType);
    queue_.Entry(number)->filePath = path;
    queue_.SetPictureCount(std::max(queue_.PictureCount(), number));
    return path;
  }

  // Opens, takes (the transfer completes) and frees the next picture; returns its width (0 for none).
  int TransferNext() {
    std::uint32_t rowBytes = 0;
    if (!queue_.OpenNextPicture(rowBytes)) return 0;
    PictureBitmap bitmap = queue_.TakeHeldBitmap();
    queue_.CompleteTransfer();
    BitmapInfoHeader header{};
    std::memcpy(&header, memory_.Lock(bitmap), sizeof header);
    memory_.Unlock(bitmap);
    memory_.Free(bitmap);
    queue_.EndCurrentTransfer();
    return header.biWidth;
  }

  testing_support::TempDir folder_;
  testing_support::ScopedEnvironment temporary_{"TMPDIR", folder_.Path()};  // the picture folder lies in it
  platform::GlobalMemory& memory_ = platform::SystemGlobalMemory();
  testing_support::RecordingMessageBoxes boxes_;
  PageQueue queue_{memory_, boxes_};
};

TEST_F(PageQueueTest, PicturesLeaveInTheOrderTheyWereShotAndTheirFilesGo) {
  const std::string first = Store(1, 2, 10);
  const std::string second = Store(2, 1, 20);
  const std::string third = Store(3, 2, 30);
  EXPECT_EQ(first, PictureFolder() + "twainrgb1.bmp");
  EXPECT_EQ(second, PictureFolder() + "twaingray2.bmp");
  queue_.AnnounceAll();
  EXPECT_EQ(TransferNext(), 10);
  EXPECT_EQ(TransferNext(), 20);
  EXPECT_EQ(TransferNext(), 30);
  EXPECT_FALSE(queue_.AnyPending());
  for (const auto& path : {first, second, third}) EXPECT_FALSE(platform::FileExists(path));
}

TEST_F(PageQueueTest, AMissingFileMakesTheSearchDeliverTheNextOfTheSamePrefix) {
  Store(1, 2, 10);
  std::remove(Store(2, 2, 20).c_str());
  Store(3, 2, 30);
  Store(4, 2, 40);
  queue_.AnnounceAll();
  EXPECT_EQ(TransferNext(), 10);
  EXPECT_EQ(TransferNext(), 30);
  EXPECT_EQ(TransferNext(), 40);
}

TEST_F(PageQueueTest, TheLastPictureNumberIsDeliveredToo) {
  Store(kMaxPictures, 2, 12);
  queue_.AnnounceAll();
  for (int i = 1; i < kMaxPictures; ++i) queue_.EndCurrentTransfer();
  EXPECT_EQ(queue_.NextPictureNumber(), kMaxPictures);
  EXPECT_EQ(TransferNext(), 12);
}

TEST_F(PageQueueTest, NothingIsDeliveredAfterTheCountWasResetWithPicturesPending) {
  Store(1, 2);
  Store(2, 2);
  queue_.AnnounceAll();
  queue_.SetPictureCount(0);
  std::uint32_t rowBytes = 0;
  EXPECT_FALSE(queue_.OpenNextPicture(rowBytes));
  EXPECT_EQ(queue_.Entry(0), nullptr);
  EXPECT_EQ(queue_.Entry(kMaxPictures + 1), nullptr);
}

TEST_F(PageQueueTest, MemoryRowsLeaveTopFirstAsRedGreenBlue) {
  Store(1, 2, 100, 50);
  queue_.AnnounceAll();
  std::uint32_t rowBytes = 0;
  ASSERT_TRUE(queue_.OpenNextPicture(rowBytes));
  EXPECT_EQ(rowBytes, 300u);

  std::vector<std::uint8_t> buffer(3000);
  std::vector<std::uint8_t> picture;
  int buffers = 0;
  bool done = false;
  while (!done) {
    std::uint32_t written = 0;
    ASSERT_TRUE(queue_.CopyRows(buffer.data(), 3000, written, done));
    ASSERT_EQ(written, 3000u);
    picture.insert(picture.end(), buffer.begin(), buffer.end());
    ASSERT_LE(++buffers, 5);
  }
  EXPECT_EQ(buffers, 5);
  EXPECT_EQ(queue_.RowsDelivered(), 50);
  // The file's bytes are (i * 7 + 1) from the bottom row up; the top row is row 49.
  const std::size_t top = 49 * 300;
  EXPECT_EQ(picture[0], static_cast<std::uint8_t>((top + 2) * 7 + 1));
  EXPECT_EQ(picture[1], static_cast<std::uint8_t>((top + 1) * 7 + 1));
  EXPECT_EQ(picture[2], static_cast<std::uint8_t>(top * 7 + 1));
  EXPECT_EQ(picture[49 * 300], static_cast<std::uint8_t>(2 * 7 + 1));  // the bottom row comes last
}

TEST_F(PageQueueTest, GreyRowsAreCopiedUnchangedAndABufferBelowOneRowTakesNothing) {
  Store(1, 1, 6, 3);
  queue_.AnnounceAll();
  std::uint32_t rowBytes = 0;
  ASSERT_TRUE(queue_.OpenNextPicture(rowBytes));
  EXPECT_EQ(rowBytes, 8u);
  std::vector<std::uint8_t> buffer(8);
  std::uint32_t written = 99;
  bool done = true;
  EXPECT_TRUE(queue_.CopyRows(buffer.data(), 7, written, done));
  EXPECT_EQ(written, 0u);
  EXPECT_FALSE(done);
  ASSERT_TRUE(queue_.CopyRows(buffer.data(), 8, written, done));
  EXPECT_EQ(buffer[0], static_cast<std::uint8_t>(16 * 7 + 1));
  EXPECT_EQ(buffer[1], static_cast<std::uint8_t>(17 * 7 + 1));
}

TEST_F(PageQueueTest, CopyingWithoutAPictureOrADestinationFails) {
  std::uint32_t written = 0;
  bool done = false;
  std::uint8_t byte = 0;
  EXPECT_FALSE(queue_.CopyRows(&byte, 1, written, done));
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_FALSE(queue_.CopyRows(nullptr, 100, written, done));
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text.rfind("File Scanner", 0), 0u);
}

TEST_F(PageQueueTest, EndingATransferNeverTakesThePendingCountBelowZero) {
  queue_.EndCurrentTransfer();
  EXPECT_EQ(queue_.PendingCount(), 0);
  Store(1, 2);
  Store(2, 2);
  queue_.AnnounceAll();
  queue_.DropAllPending();
  EXPECT_EQ(queue_.PendingCount(), 0);
  EXPECT_TRUE(platform::FileExists(PictureFileName(PictureFolder(), 2, protocol::PixelType::Colour)));
}

}  // namespace
