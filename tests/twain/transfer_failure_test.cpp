// Transfers that cannot hand a picture over whole fail, and say so: a full
// disk or device as the file transfer's output, a cut or missing picture
// file, a memory transfer asked for more after its last row, and files
// planted where pictures go.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "acquire/picture_files.h"
#include "imaging/still_pipeline.h"
#include "platform/files.h"
#include "support/bmp_builder.h"
#include "support/full_disk.h"
#include "support/source_harness.h"

namespace {

using namespace twain;
using testing_support::ReadFileBytes;
namespace fs = std::filesystem;

class TransferFailures : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(h.Open(), TWRC_SUCCESS);
    ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
  }
  TW_UINT16 Image(TW_UINT16 dat, void* data) { return h.Call(DG_IMAGE, dat, MSG_GET, data); }
  TW_UINT16 Pending(TW_UINT16 msg) {
    TW_PENDINGXFERS pending{};
    return h.Call(DG_CONTROL, DAT_PENDINGXFERS, msg, &pending);
  }
  void SetOutputFile(const std::string& path, TW_UINT16 fileFormat = TWFF_BMP) {
    TW_SETUPFILEXFER setup{};
    std::strcpy(setup.FileName, path.c_str());
    setup.Format = fileFormat;
    ASSERT_EQ(h.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_SUCCESS);
  }
  TW_UINT16 MemoryTransfer(std::vector<std::uint8_t>& buffer) {
    TW_IMAGEMEMXFER transfer{};
    transfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(buffer.size()), buffer.data()};
    return Image(DAT_IMAGEMEMXFER, &transfer);
  }
  acquire::PageQueue& Queue() { return h.source->Queue(); }

  testing_support::SourceHarness h;
};

TEST_F(TransferFailures, AFileTransferToAFullDeviceFailsAndThePictureWaitsForTheNextTry) {
  const std::string picture = h.StorePicture(1, TWPT_GRAY, 5, 4);
  h.SubmitPictures(1);
  SetOutputFile("/dev/full");
  EXPECT_EQ(Image(DAT_IMAGEFILEXFER, nullptr), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_FILEWRITEERROR);
  EXPECT_EQ(h.State(), 6);
  EXPECT_EQ(Queue().PendingCount(), 1);
  EXPECT_TRUE(platform::FileExists(picture));
  struct stat device {};
  ASSERT_EQ(::stat("/dev/full", &device), 0);
  EXPECT_TRUE(S_ISCHR(device.st_mode));

  const std::string received = h.folder.File("received.bmp");
  SetOutputFile(received);
  ASSERT_EQ(Image(DAT_IMAGEFILEXFER, nullptr), TWRC_XFERDONE);
  EXPECT_EQ(ReadFileBytes(received).size(), 14u + 40u + 1024u + 32u);
  EXPECT_FALSE(platform::FileExists(picture));
  EXPECT_EQ(h.State(), 7);
}

TEST_F(TransferFailures, AFileTransferCutByAFullDiskLeavesNoOutput) {
  const std::string picture = h.StorePicture(1, TWPT_RGB, 30, 20);  // 1894 bytes
  h.SubmitPictures(1);
  const std::string output = h.folder.File("received.bmp");
  SetOutputFile(output);
  {
    const testing_support::ScopedFullDisk disk(1000);
    EXPECT_EQ(Image(DAT_IMAGEFILEXFER, nullptr), TWRC_FAILURE);
  }
  EXPECT_EQ(h.ConditionCode(), TWCC_FILEWRITEERROR);
  EXPECT_FALSE(fs::exists(output));
  EXPECT_TRUE(platform::FileExists(picture));
  EXPECT_EQ(Queue().PendingCount(), 1);
}

// Every encoder's output is checked through the close: a full device or disk
// fails the transfer with TWCC_FILEWRITEERROR, and a cut plain file is removed.
TEST_F(TransferFailures, EveryFormatThatCannotBeWrittenWholeFailsTheTransfer) {
  for (const TW_UINT16 fileFormat : {TWFF_TIFF, TWFF_PNG, TWFF_JFIF}) {
    const std::string picture = h.StorePicture(1, TWPT_RGB, 120, 90);
    h.SubmitPictures(1);
    SetOutputFile("/dev/full", fileFormat);
    EXPECT_EQ(Image(DAT_IMAGEFILEXFER, nullptr), TWRC_FAILURE) << fileFormat;
    EXPECT_EQ(h.ConditionCode(), TWCC_FILEWRITEERROR) << fileFormat;
    EXPECT_EQ(h.State(), 6);

    const std::string output = h.folder.File("received.out");
    SetOutputFile(output, fileFormat);
    {
      const testing_support::ScopedFullDisk disk(200);
      EXPECT_EQ(Image(DAT_IMAGEFILEXFER, nullptr), TWRC_FAILURE) << fileFormat;
    }
    EXPECT_EQ(h.ConditionCode(), TWCC_FILEWRITEERROR) << fileFormat;
    EXPECT_FALSE(fs::exists(output)) << fileFormat;
    EXPECT_TRUE(platform::FileExists(picture));
    EXPECT_EQ(Queue().PendingCount(), 1);
    ASSERT_EQ(Pending(MSG_RESET), TWRC_SUCCESS);
  }
}

// A picture file cut after it was written is refused like any damaged file:
// the transfer fails in state 6 and the picture stays pending, its file kept,
// until the application ends or resets the transfer.
TEST_F(TransferFailures, ACutPictureFileFailsTheTransferAndTheApplicationMovesOn) {
  const std::string cut = h.StorePicture(1, TWPT_RGB, 10, 5);
  h.StorePicture(2, TWPT_RGB, 20, 5);
  fs::resize_file(cut, fs::file_size(cut) - 1);
  h.SubmitPictures(2);
  for (int attempt = 0; attempt < 2; ++attempt) {
    TW_HANDLE bitmap = &bitmap;
    EXPECT_EQ(Image(DAT_IMAGENATIVEXFER, &bitmap), TWRC_FAILURE);
    EXPECT_EQ(bitmap, nullptr);
    EXPECT_EQ(h.ConditionCode(), TWCC_OPERATIONERROR);
    EXPECT_EQ(h.State(), 6);
    EXPECT_EQ(Queue().PendingCount(), 2);
  }
  EXPECT_TRUE(platform::FileExists(cut));
  ASSERT_EQ(Pending(MSG_ENDXFER), TWRC_SUCCESS);
  EXPECT_EQ(Queue().PendingCount(), 1);
  EXPECT_EQ(Queue().NextPictureNumber(), 2);
  EXPECT_TRUE(platform::FileExists(cut));  // skipped, not delivered: it stays as reset pictures do
}

TEST_F(TransferFailures, AMemoryTransferAfterItsLastRowIsRefusedUntilTheTransferEnds) {
  const std::string first = h.StorePicture(1, TWPT_RGB, 4, 3);
  h.StorePicture(2, TWPT_RGB, 4, 3);
  h.SubmitPictures(2);
  std::vector<std::uint8_t> buffer(64);
  ASSERT_EQ(MemoryTransfer(buffer), TWRC_XFERDONE);
  EXPECT_FALSE(platform::FileExists(first));

  std::fill(buffer.begin(), buffer.end(), 0xEE);
  EXPECT_EQ(MemoryTransfer(buffer), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
  EXPECT_EQ(buffer, std::vector<std::uint8_t>(64, 0xEE));  // the bottom row is not handed out again
  EXPECT_EQ(Image(DAT_IMAGEFILEXFER, nullptr), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
  EXPECT_EQ(h.State(), 7);
  EXPECT_EQ(Queue().PendingCount(), 2);

  ASSERT_EQ(Pending(MSG_ENDXFER), TWRC_SUCCESS);
  ASSERT_EQ(h.State(), 6);
  EXPECT_EQ(MemoryTransfer(buffer), TWRC_XFERDONE);
}

// Whatever lies under a picture's name (a FIFO, a link to a file elsewhere,
// a file that is no bitmap) is neither waited on nor followed: every
// transfer fails. A shot replaces nothing but a plain file.
TEST_F(TransferFailures, FilesPlantedWherePicturesGoAreNeitherReadNorFollowed) {
  const std::string target = h.folder.File("elsewhere.bmp");
  testing_support::WriteBytes(target, testing_support::BuildBmp({}));
  const std::string targetBytes = ReadFileBytes(target);
  const std::string name = acquire::PictureFileName(acquire::PictureFolder(), 1, protocol::PixelType::Colour);
  struct Plant {
    std::function<void()> make;
    bool replacedByAShot;
  };
  const std::vector<Plant> plants = {
      {[&] { ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0); }, false},
      {[&] { fs::create_symlink(target, name); }, false},
      {[&] { testing_support::WriteBytes(name, "not a picture"); }, true},
  };
  std::vector<std::uint8_t> frame(24 * 8, 0x80);
  for (const Plant& plant : plants) {
    plant.make();
    const fs::file_type planted = fs::symlink_status(name).type();
    Queue().Entry(1)->pixelType = protocol::PixelType::Colour;
    h.SubmitPictures(1);
    TW_HANDLE bitmap = nullptr;
    EXPECT_EQ(Image(DAT_IMAGENATIVEXFER, &bitmap), TWRC_FAILURE);
    SetOutputFile(h.folder.File("received.bmp"));
    EXPECT_EQ(Image(DAT_IMAGEFILEXFER, nullptr), TWRC_FAILURE);
    std::vector<std::uint8_t> buffer(64);
    EXPECT_EQ(MemoryTransfer(buffer), TWRC_FAILURE);
    ASSERT_EQ(Pending(MSG_RESET), TWRC_SUCCESS);
    TW_PALETTE8 palette{};
    EXPECT_EQ(h.Call(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette), TWRC_FAILURE);
    EXPECT_EQ(fs::symlink_status(name).type(), planted);

    Queue().SetPictureCount(0);
    capture::StillParameters parameters;
    h.source->Stills().PrepareStill(parameters);
    parameters.frameWidth = parameters.frameHeight = 8;
    h.source->Stills().ProcessStill({frame.data(), static_cast<long>(frame.size()), 8, 8, 0.0}, parameters);
    EXPECT_EQ(Queue().PictureCount(), plant.replacedByAShot ? 1 : 0);
    EXPECT_EQ(fs::symlink_status(name).type(), plant.replacedByAShot ? fs::file_type::regular : planted);
    fs::remove(name);
  }
  EXPECT_EQ(ReadFileBytes(target), targetBytes);
  // The FIFO and the link were one spell of failed stores: told once.
  EXPECT_EQ(std::count_if(h.boxes.shown.begin(), h.boxes.shown.end(),
                          [](const auto& box) { return box.text == imaging::kStoreFailedText; }),
            1);
}

}  // namespace
