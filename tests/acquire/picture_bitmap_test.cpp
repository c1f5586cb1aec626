// Picture files read into packed bitmaps in global memory and written back.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "acquire/picture_bitmap.h"
#include "platform/files.h"
#include "support/bmp_builder.h"
#include "support/full_disk.h"
#include "support/source_harness.h"
#include "support/temp_dir.h"

namespace {

using namespace acquire;
using testing_support::BmpLayout;
using testing_support::BuildBmp;
using testing_support::ReadFileBytes;
using testing_support::WriteBytes;

class PictureBitmapTest : public ::testing::Test {
 protected:
  // Writes the file, loads it and keeps the block's bytes.
  bool Load(const BmpLayout& layout) {
    WriteBytes(path_, BuildBmp(layout));
    PictureBitmap bitmap = LoadPictureBitmap(path_, memory_, boxes_);
    if (bitmap == nullptr) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(memory_.Lock(bitmap));
    block_.assign(bytes, bytes + memory_.Size(bitmap));
    std::memcpy(&header_, bytes, sizeof header_);
    memory_.Unlock(bitmap);
    memory_.Free(bitmap);
    return true;
  }

  testing_support::TempDir folder_;
  std::string path_ = folder_.File("picture.bmp");
  platform::GlobalMemory& memory_ = platform::SystemGlobalMemory();
  testing_support::RecordingMessageBoxes boxes_;
  std::vector<std::uint8_t> block_;
  BitmapInfoHeader header_{};
};

TEST_F(PictureBitmapTest, ColourPictureLoadsAsHeaderAndRowsAndTheFileStaysForTheTransfer) {
  BmpLayout layout;
  layout.width = 3;
  layout.height = 2;
  ASSERT_TRUE(Load(layout));
  EXPECT_EQ(block_.size(), 40u + 24u);
  EXPECT_EQ(+header_.biSizeImage, 24u);  // completed from the rows
  EXPECT_EQ(+header_.biXPelsPerMeter, 7874);
  EXPECT_EQ(block_[40], 1);  // the first row byte as written
  EXPECT_EQ(block_[41], 8);
  EXPECT_TRUE(platform::FileExists(path_));
}

TEST_F(PictureBitmapTest, OneBitPictureGetsItsTwoPaletteEntries) {
  BmpLayout layout;
  layout.width = 10;
  layout.height = 3;
  layout.bitCount = 1;
  layout.palette = {0, 0, 0, 0, 255, 255, 255, 0};
  ASSERT_TRUE(Load(layout));
  EXPECT_EQ(+header_.biClrUsed, 2u);
  EXPECT_EQ(block_.size(), 40u + 8u + 12u);
  EXPECT_EQ(block_[44], 255);
}

TEST_F(PictureBitmapTest, AFileWithoutFileHeaderLoadsLikeOneWithIt) {
  BmpLayout layout;
  layout.width = 5;
  layout.height = 4;
  layout.bitCount = 8;
  for (int i = 0; i < 256; ++i)
    layout.palette.insert(layout.palette.end(), {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});
  ASSERT_TRUE(Load(layout));
  const auto withHeader = block_;
  layout.fileHeader = false;
  ASSERT_TRUE(Load(layout));
  EXPECT_EQ(block_, withHeader);
}

TEST_F(PictureBitmapTest, CoreHeaderPaletteIsWidenedToFourByteEntries) {
  BmpLayout layout;
  layout.headerSize = 12;
  layout.width = 4;
  layout.height = 2;
  layout.bitCount = 8;
  for (int i = 0; i < 256; ++i)
    layout.palette.insert(layout.palette.end(), {std::uint8_t(i), std::uint8_t(i + 1), std::uint8_t(i + 2)});
  ASSERT_TRUE(Load(layout));
  EXPECT_EQ(+header_.biSize, 40u);
  EXPECT_EQ(+header_.biClrUsed, 256u);
  EXPECT_EQ(block_.size(), 40u + 1024u + 8u);
  const std::uint8_t* entry = block_.data() + 40 + 4 * 200;
  EXPECT_EQ(entry[0], 200);
  EXPECT_EQ(entry[1], 201);
  EXPECT_EQ(entry[2], 202);
  EXPECT_EQ(entry[3], 0);
  EXPECT_EQ(block_[40 + 1024], 1);  // rows follow the palette
}

TEST_F(PictureBitmapTest, UnsupportedAndHostileHeadersAreRefusedAndTheFileStays) {
  BmpLayout v4;
  v4.headerSize = 108;
  BmpLayout negativeWidth;
  negativeWidth.width = -5;
  BmpLayout topDown;
  topDown.height = -5;
  BmpLayout huge;
  huge.width = 60000;
  huge.height = 60000;
  huge.rows = {1, 2, 3};
  BmpLayout oddBits;
  oddBits.bitCount = 7;
  BmpLayout tooManyColours;
  tooManyColours.bitCount = 8;
  tooManyColours.clrUsed = 100000;
  BmpLayout compressed;
  compressed.bitCount = 8;
  compressed.compression = 1;
  BmpLayout cutPalette;
  cutPalette.bitCount = 8;
  cutPalette.palette = {1, 2, 3, 0};
  cutPalette.rows = {9};
  for (const BmpLayout& layout : {v4, negativeWidth, topDown, huge, oddBits, tooManyColours, compressed, cutPalette}) {
    EXPECT_FALSE(Load(layout));
    EXPECT_TRUE(platform::FileExists(path_));
  }
  WriteBytes(path_, "BM\x10");
  EXPECT_EQ(LoadPictureBitmap(path_, memory_, boxes_), nullptr);
  EXPECT_EQ(LoadPictureBitmap(folder_.File("missing.bmp"), memory_, boxes_), nullptr);
}

TEST_F(PictureBitmapTest, AnUnderstatedSizeStillYieldsWholeRows) {
  BmpLayout layout;
  layout.width = 4;
  layout.height = 3;
  layout.sizeImage = 5;  // understated: the block must still hold all 36 bytes
  layout.rows.assign(36, 9);
  ASSERT_TRUE(Load(layout));
  EXPECT_EQ(+header_.biSizeImage, 36u);
  ASSERT_EQ(block_.size(), 40u + 36u);
  EXPECT_EQ(block_.back(), 9);
}

TEST_F(PictureBitmapTest, AFileCutAfterItsHeaderIsRefusedAndStays) {
  BmpLayout layout;
  layout.width = 4;
  layout.height = 3;
  layout.rows.assign(35, 9);  // one byte of the 36 the header states is missing
  EXPECT_FALSE(Load(layout));
  EXPECT_TRUE(platform::FileExists(path_));
  WriteBytes(path_, BuildBmp(layout).substr(0, 14 + 40));  // the headers alone
  EXPECT_EQ(LoadPictureBitmap(path_, memory_, boxes_), nullptr);
  EXPECT_TRUE(platform::FileExists(path_));
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(PictureBitmapTest, SavingWritesFileHeaderAndBlock) {
  BmpLayout layout;
  layout.width = 3;
  layout.height = 2;
  const std::string original = BuildBmp(layout);
  WriteBytes(path_, original);
  PictureBitmap bitmap = LoadPictureBitmap(path_, memory_, boxes_);
  ASSERT_NE(bitmap, nullptr);
  const std::string copy = folder_.File("copy.bmp");
  EXPECT_TRUE(SaveBitmapFile(bitmap, copy, memory_, boxes_));
  memory_.Free(bitmap);
  const std::string written = ReadFileBytes(copy);
  ASSERT_EQ(written.size(), 78u);
  EXPECT_EQ(written.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<std::uint8_t>(written[10]), 54);  // bfOffBits
  EXPECT_EQ(written.substr(14 + 40), original.substr(14 + 40));
}

// Neither a FIFO (which would block the opening) nor a link (which would
// read someone else's file in the user's name) is read as a picture.
TEST_F(PictureBitmapTest, OnlyPlainFilesAreReadAsPictures) {
  const std::string elsewhere = folder_.File("elsewhere.bmp");
  WriteBytes(elsewhere, BuildBmp(BmpLayout{}));
  std::filesystem::create_symlink(elsewhere, path_);
  EXPECT_EQ(LoadPictureBitmap(path_, memory_, boxes_), nullptr);
  const std::string fifo = folder_.File("fifo.bmp");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(LoadPictureBitmap(fifo, memory_, boxes_), nullptr);
  EXPECT_EQ(LoadPictureBitmap(folder_.Path(), memory_, boxes_), nullptr);
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  EXPECT_EQ(ReadFileBytes(elsewhere), BuildBmp(BmpLayout{}));
}

class SavedBitmapTest : public PictureBitmapTest {
 protected:
  // A 24-bit block of 30 × 20 pixels: a file of 54 + 20 rows of 92 bytes.
  SavedBitmapTest() {
    BmpLayout layout;
    layout.width = 30;
    layout.height = 20;
    WriteBytes(path_, BuildBmp(layout));
    bitmap_ = LoadPictureBitmap(path_, memory_, boxes_);
  }
  ~SavedBitmapTest() override { memory_.Free(bitmap_); }
  PictureBitmap bitmap_ = nullptr;
};

TEST_F(SavedBitmapTest, AFileThatCannotBeWrittenWholeIsReportedAndRemoved) {
  ASSERT_NE(bitmap_, nullptr);
  const std::string copy = folder_.File("copy.bmp");
  {
    const testing_support::ScopedFullDisk disk(1000);
    EXPECT_FALSE(SaveBitmapFile(bitmap_, copy, memory_, boxes_));
  }
  EXPECT_FALSE(platform::FileExists(copy));
  EXPECT_TRUE(SaveBitmapFile(bitmap_, copy, memory_, boxes_));
  EXPECT_EQ(ReadFileBytes(copy).size(), 54u + 20u * 92u);
}

TEST_F(SavedBitmapTest, ADeviceThatRefusesTheBytesFailsTheSaveAndIsLeftAlone) {
  ASSERT_NE(bitmap_, nullptr);
  // Every write to /dev/full fails with ENOSPC; buffered, the failure shows only at the flush.
  EXPECT_FALSE(SaveBitmapFile(bitmap_, "/dev/full", memory_, boxes_));
  struct stat info {};
  ASSERT_EQ(::stat("/dev/full", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
  EXPECT_FALSE(SaveBitmapFile(bitmap_, folder_.File("missing/copy.bmp"), memory_, boxes_));
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(PictureBitmapTest, ABlockWhoseHeaderCannotBeWrittenIsReportedNotWritten) {
  PictureBitmap bitmap = memory_.Allocate(sizeof(BitmapInfoHeader));
  BitmapInfoHeader header{};
  header.biSize = 40;
  header.biWidth = 10;
  header.biHeight = -10;
  header.biBitCount = 24;
  std::memcpy(memory_.Lock(bitmap), &header, sizeof header);
  memory_.Unlock(bitmap);
  EXPECT_FALSE(SaveBitmapFile(bitmap, path_, memory_, boxes_));
  memory_.Free(bitmap);
  EXPECT_FALSE(platform::FileExists(path_));
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].caption, "Assertion Failed!");
}

}  // namespace
