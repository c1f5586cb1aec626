// The image triplets through DS_Entry: what an application learns of the next
// picture and how it receives it by native, file and memory transfer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "acquire/picture_bitmap.h"
#include "imaging/picture_file.h"
#include "platform/files.h"
#include "support/source_harness.h"

namespace {

using namespace twain;
using testing_support::SourceHarness;

class ImageTriplets : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(h.Open(), TWRC_SUCCESS);
    ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
  }
  TW_UINT16 Image(TW_UINT16 dat, TW_UINT16 msg, void* data) { return h.Call(DG_IMAGE, dat, msg, data); }
  TW_UINT16 EndTransfer() {
    TW_PENDINGXFERS pending{};
    return h.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
  }
  // The header of a bitmap block, and frees the block.
  acquire::BitmapInfoHeader TakeHeader(TW_HANDLE bitmap) {
    acquire::BitmapInfoHeader header{};
    std::memcpy(&header, memory.Lock(bitmap), sizeof header);
    memory.Unlock(bitmap);
    memory.Free(bitmap);
    return header;
  }

  SourceHarness h;
  platform::GlobalMemory& memory = platform::SystemGlobalMemory();
};

TEST_F(ImageTriplets, InfoIsRefusedBeforePicturesAreReady) {
  TW_IMAGEINFO info{};
  EXPECT_EQ(Image(DAT_IMAGEINFO, MSG_GET, &info), TWRC_FAILURE);
  EXPECT_EQ(h.LastBoxText(), "General failure in transfer.  DG DAT MSG is out of expected sequence.");
}

TEST_F(ImageTriplets, InfoDescribesTheNextPictureAtTheCurrentResolution) {
  h.StorePicture(1, TWPT_RGB, 2592, 1944);
  h.SubmitPictures(1);
  TW_IMAGEINFO info{};
  ASSERT_EQ(Image(DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
  EXPECT_EQ(info.XResolution.Whole, 200);
  EXPECT_EQ(info.YResolution.Whole, 200);
  EXPECT_EQ(+info.ImageWidth, 2592);
  EXPECT_EQ(+info.ImageLength, 1944);
  EXPECT_EQ(info.SamplesPerPixel, 3);
  EXPECT_THAT(info.BitsPerSample, ::testing::ElementsAre(8, 8, 8, 0, 0, 0, 0, 0));
  EXPECT_EQ(info.BitsPerPixel, 24);
  EXPECT_EQ(info.PixelType, TWPT_RGB);
  EXPECT_EQ(info.Compression, TWCP_NONE);

  h.source->CapValues().xResolution = 100.0f;  // the application lowers the resolution after the shot
  ASSERT_EQ(Image(DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
  EXPECT_EQ(+info.ImageWidth, 1296);
  TW_HANDLE bitmap = nullptr;
  ASSERT_EQ(Image(DAT_IMAGENATIVEXFER, MSG_GET, &bitmap), TWRC_XFERDONE);
  EXPECT_EQ(+TakeHeader(bitmap).biWidth, 2592);  // the bitmap keeps its pixels
}

TEST_F(ImageTriplets, ABlackAndWhitePictureIsOneBitWithTwoPaletteEntries) {
  h.StorePicture(1, TWPT_BW, 33, 7);
  h.SubmitPictures(1);
  TW_IMAGEINFO info{};
  ASSERT_EQ(Image(DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
  EXPECT_EQ(info.SamplesPerPixel, 1);
  EXPECT_EQ(info.BitsPerSample[0], 1);
  EXPECT_EQ(info.BitsPerPixel, 1);

  TW_PALETTE8 palette{};
  h.source->Context().protocolState = 6;
  ASSERT_EQ(Image(DAT_PALETTE8, MSG_GET, &palette), TWRC_SUCCESS);
  EXPECT_EQ(palette.NumColors, 2);
  EXPECT_EQ(palette.Colors[1].Channel1, 255);

  TW_HANDLE bitmap = nullptr;
  ASSERT_EQ(Image(DAT_IMAGENATIVEXFER, MSG_GET, &bitmap), TWRC_XFERDONE);
  const acquire::BitmapInfoHeader header = TakeHeader(bitmap);
  EXPECT_EQ(+header.biClrUsed, 2u);
  EXPECT_EQ(header.biBitCount, 1);
}

TEST_F(ImageTriplets, LayoutIsFixed) {
  TW_IMAGELAYOUT layout{};
  ASSERT_EQ(Image(DAT_IMAGELAYOUT, MSG_GET, &layout), TWRC_SUCCESS);
  EXPECT_EQ(layout.Frame.Left.Whole, 22);
  EXPECT_EQ(layout.Frame.Bottom.Frac, 33);
  EXPECT_EQ(+layout.DocumentNumber, 4u);
  EXPECT_EQ(+layout.PageNumber, 88u);
  EXPECT_EQ(+layout.FrameNumber, 1u);
  EXPECT_EQ(Image(DAT_IMAGELAYOUT, MSG_GETFIRST, &layout), TWRC_FAILURE);
}

// The layout is set before enabling, as capabilities are.
TEST_F(ImageTriplets, LayoutIsSetAndResetOnlyInStateFour) {
  TW_IMAGELAYOUT layout{};
  for (const TW_UINT16 msg : {MSG_SET, MSG_RESET}) {
    EXPECT_EQ(Image(DAT_IMAGELAYOUT, msg, &layout), TWRC_FAILURE);
    EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
  }
  TW_USERINTERFACE ui{};
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
  EXPECT_EQ(Image(DAT_IMAGELAYOUT, MSG_SET, &layout), TWRC_SUCCESS);
  EXPECT_EQ(Image(DAT_IMAGELAYOUT, MSG_RESET, &layout), TWRC_SUCCESS);
}

TEST_F(ImageTriplets, NativeTransferWritesTheWholeHandleAndASecondIsOutOfSequence) {
  const std::string path = h.StorePicture(1, TWPT_RGB, 3, 2);
  h.StorePicture(2, TWPT_RGB, 3, 2);
  h.SubmitPictures(2);
  TW_HANDLE bitmap;
  std::memset(&bitmap, 0xFF, sizeof bitmap);
  ASSERT_EQ(Image(DAT_IMAGENATIVEXFER, MSG_GET, &bitmap), TWRC_XFERDONE);
  EXPECT_EQ(h.State(), 7);
  EXPECT_EQ(h.memory.AskedSize(bitmap), 40u + 24u);
  EXPECT_FALSE(platform::FileExists(path));
  memory.Free(bitmap);
  EXPECT_EQ(Image(DAT_IMAGENATIVEXFER, MSG_GET, &bitmap), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
}

TEST_F(ImageTriplets, NativeTransferWithoutAFileFailsAndThePictureStaysPending) {
  h.SubmitPictures(1);
  TW_HANDLE bitmap = &bitmap;
  ASSERT_EQ(Image(DAT_IMAGENATIVEXFER, MSG_GET, &bitmap), TWRC_FAILURE);
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_EQ(h.State(), 6);
  EXPECT_EQ(h.ConditionCode(), TWCC_OPERATIONERROR);
  EXPECT_EQ(h.source->Queue().PendingCount(), 1);
}

TEST_F(ImageTriplets, FileTransferWritesABitmapUnderTheNegotiatedName) {
  h.StorePicture(1, TWPT_GRAY, 5, 4);
  h.SubmitPictures(1);
  TW_SETUPFILEXFER setup{};
  const std::string name = h.folder.File("received.bmp");
  std::strcpy(setup.FileName, name.c_str());
  setup.Format = TWFF_BMP;
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_SUCCESS);
  h.source->Context().protocolState = 5;  // accepted in any state
  ASSERT_EQ(Image(DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_XFERDONE);
  EXPECT_EQ(h.State(), 7);
  const std::string written = testing_support::ReadFileBytes(name);
  ASSERT_EQ(written.size(), 14u + 40u + 1024u + 32u);
  EXPECT_EQ(written.substr(0, 2), "BM");
  EXPECT_EQ(h.ConditionCode(), TWCC_SUCCESS);
}

struct WrittenFormat {
  TW_UINT16 fileFormat;
  imaging::PictureFormat content;
  bool lossless;
};

class FileTransferFormats : public ImageTriplets, public ::testing::WithParamInterface<WrittenFormat> {};

// Each offered format is written as itself, whatever the file is called;
// lossless formats keep every pixel and the palette's depth.
TEST_P(FileTransferFormats, WritesTheNegotiatedFormat) {
  for (const TW_UINT16 pixelType : {TWPT_RGB, TWPT_GRAY, TWPT_BW}) {
    const std::string stored = h.StorePicture(1, static_cast<std::uint8_t>(pixelType), 9, 5);
    const imaging::Picture original = imaging::LoadPicture(stored, imaging::PictureFormat::Bmp);
    ASSERT_FALSE(original.Empty());
    h.SubmitPictures(1);
    TW_SETUPFILEXFER setup{};
    const std::string name = h.folder.File("received.out");
    std::strcpy(setup.FileName, name.c_str());
    setup.Format = GetParam().fileFormat;
    ASSERT_EQ(h.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_SUCCESS);
    ASSERT_EQ(Image(DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_XFERDONE) << pixelType;

    const std::string bytes = testing_support::ReadFileBytes(name);
    EXPECT_EQ(imaging::FormatFromContent(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())),
              GetParam().content)
        << pixelType;
    const imaging::Picture received = imaging::LoadPicture(name, GetParam().content);
    ASSERT_EQ(received.Width(), 9) << pixelType;
    ASSERT_EQ(received.Height(), 5) << pixelType;
    if (GetParam().lossless) {
      EXPECT_EQ(received.BitsPerPixel(), original.BitsPerPixel()) << pixelType;
      for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 9; ++x) EXPECT_EQ(received.GetPixel(x, y), original.GetPixel(x, y)) << x << "," << y;
      }
    }
    ASSERT_EQ(EndTransfer(), TWRC_SUCCESS);
  }
}

INSTANTIATE_TEST_SUITE_P(Offered, FileTransferFormats,
                         ::testing::Values(WrittenFormat{TWFF_TIFF, imaging::PictureFormat::Tiff, true},
                                           WrittenFormat{TWFF_PNG, imaging::PictureFormat::Png, true},
                                           WrittenFormat{TWFF_JFIF, imaging::PictureFormat::Jpeg, false}),
                         [](const auto& info) { return std::to_string(info.param.fileFormat); });

// A format the transfer cannot write is refused and changes nothing.
TEST_F(ImageTriplets, FileSetupRefusesAFormatThatIsNotWritten) {
  TW_SETUPFILEXFER setup{};
  const std::string name = h.folder.File("received.xbm");
  std::strcpy(setup.FileName, name.c_str());
  setup.Format = 3;  // XBM
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
  TW_SETUPFILEXFER current{};
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &current), TWRC_SUCCESS);
  EXPECT_EQ(current.Format, TWFF_BMP);
  EXPECT_STREQ(current.FileName, "twain.bmp");
}

TEST_F(ImageTriplets, FileTransferWithoutAPictureFailsQuietly) {
  ASSERT_EQ(Image(DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_FAILURE);
  EXPECT_TRUE(h.boxes.shown.empty());
  EXPECT_EQ(h.State(), 5);
  EXPECT_EQ(h.ConditionCode(), TWCC_OPERATIONERROR);
}

TEST_F(ImageTriplets, MemoryTransferOfOneRowPerBufferEndsWithTheBottomRow) {
  h.StorePicture(1, TWPT_RGB, 4, 3);
  h.SubmitPictures(1);
  std::vector<std::uint8_t> row(12);
  TW_IMAGEMEMXFER transfer{};
  transfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, 12, row.data()};
  ASSERT_EQ(Image(DAT_IMAGEMEMXFER, MSG_GET, &transfer), TWRC_SUCCESS);
  EXPECT_EQ(+transfer.BytesPerRow, 12u);
  EXPECT_EQ(+transfer.Columns, 4u);
  EXPECT_EQ(+transfer.Rows, 1u);
  EXPECT_EQ(+transfer.YOffset, 0u);
  EXPECT_EQ(h.State(), 7);
  ASSERT_EQ(Image(DAT_IMAGEMEMXFER, MSG_GET, &transfer), TWRC_SUCCESS);
  EXPECT_EQ(+transfer.YOffset, 1u);
  ASSERT_EQ(Image(DAT_IMAGEMEMXFER, MSG_GET, &transfer), TWRC_XFERDONE);
  EXPECT_EQ(+transfer.BytesWritten, 12u);
  EXPECT_EQ(row[0], static_cast<std::uint8_t>(2 * 7 + 1));  // the bottom row, red first
  EXPECT_EQ(EndTransfer(), TWRC_SUCCESS);
}

TEST_F(ImageTriplets, MemoryBuffersPassedAsHandlesAreFilledToo) {
  h.StorePicture(1, TWPT_GRAY, 4, 2);
  h.SubmitPictures(1);
  TW_HANDLE buffer = memory.Allocate(64);
  TW_IMAGEMEMXFER transfer{};
  transfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_HANDLE, 64, buffer};
  ASSERT_EQ(Image(DAT_IMAGEMEMXFER, MSG_GET, &transfer), TWRC_XFERDONE);
  EXPECT_EQ(+transfer.BytesWritten, 8u);
  EXPECT_EQ(static_cast<std::uint8_t*>(memory.Lock(buffer))[0], static_cast<std::uint8_t>(4 * 7 + 1));
  memory.Unlock(buffer);
  memory.Free(buffer);
}

TEST_F(ImageTriplets, MemoryTransferWithoutAPictureIsRefused) {
  h.SubmitPictures(1);
  std::vector<std::uint8_t> row(64);
  TW_IMAGEMEMXFER transfer{};
  transfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, 64, row.data()};
  EXPECT_EQ(Image(DAT_IMAGEMEMXFER, MSG_GET, &transfer), TWRC_FAILURE);
  EXPECT_EQ(h.LastBoxText(), "General failure in response to DAT_IMAGEMEMXFER.  An operation error just occurred.");
}

// Before pictures are ready the triplet is out of sequence: the refusal is
// the answer, with no internal-check box before it. A MSG the transfers do
// not have is a protocol error in any state.
TEST_F(ImageTriplets, TransfersBeforePicturesAreReadyAreOutOfSequence) {
  std::vector<std::uint8_t> row(64);
  TW_IMAGEMEMXFER transfer{};
  transfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, 64, row.data()};
  EXPECT_EQ(Image(DAT_IMAGEMEMXFER, MSG_GET, &transfer), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.LastBoxText(),
            "General failure in response to DAT_IMAGEMEMXFER.  DG DAT MSG is out of expected sequence.");
  TW_HANDLE bitmap = nullptr;
  EXPECT_EQ(Image(DAT_IMAGENATIVEXFER, MSG_SET, &bitmap), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADPROTOCOL);
}

TEST_F(ImageTriplets, APaletteIsOnlyAnsweredWhenThereIsANextPicture) {
  TW_PALETTE8 palette{};
  EXPECT_EQ(Image(DAT_PALETTE8, MSG_GET, &palette), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
  EXPECT_EQ(Image(DAT_PALETTE8, MSG_GETDEFAULT, &palette), TWRC_SUCCESS);
  EXPECT_EQ(Image(DAT_PALETTE8, MSG_GETCURRENT, &palette), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADPROTOCOL);
}

TEST_F(ImageTriplets, ResponseTablesTakeOnlyWhatTheApplicationsTableHolds) {
  TW_ELEMENT8 dummy{};
  ASSERT_EQ(Image(DAT_GRAYRESPONSE, MSG_RESET, &dummy), TWRC_SUCCESS);
  EXPECT_EQ(h.source->Context().grayResponse[200].Channel2, 200);

  h.source->CapValues().pixelType = TWPT_BW;  // a 1-bit application table has two entries
  TW_ELEMENT8 twoEntries[2] = {{0, 9, 9, 9}, {1, 8, 8, 8}};
  ASSERT_EQ(Image(DAT_GRAYRESPONSE, MSG_SET, twoEntries), TWRC_SUCCESS);
  EXPECT_EQ(h.source->Context().grayResponse[1].Channel1, 8);
  EXPECT_EQ(h.source->Context().grayResponse[2].Channel1, 2);  // untouched beyond the caller's table

  h.source->CapValues().pixelType = TWPT_RGB;
  std::vector<TW_ELEMENT8> full(256, TW_ELEMENT8{1, 2, 3, 4});
  ASSERT_EQ(Image(DAT_RGBRESPONSE, MSG_SET, full.data()), TWRC_SUCCESS);
  EXPECT_EQ(h.source->Context().rgbResponse[255].Channel3, 4);
}

TEST_F(ImageTriplets, CieAndJpegAreAnsweredInAnyState) {
  h.source->Context().protocolState = 3;
  EXPECT_EQ(Image(DAT_JPEGCOMPRESSION, MSG_GET, nullptr), TWRC_SUCCESS);
  TW_CIECOLOR colour{};
  ASSERT_EQ(Image(DAT_CIECOLOR, MSG_GET, &colour), TWRC_SUCCESS);
  EXPECT_EQ(colour.ColorSpace, TWPT_RGB);
  EXPECT_EQ(colour.DeviceDependent, 1);
  EXPECT_EQ(colour.WhitePoint.X.Whole, 4);
  EXPECT_EQ(colour.StageABC.Mix[2][1].Whole, 2);
  EXPECT_EQ(colour.Samples[0].Whole, 99);
}

TEST_F(ImageTriplets, AWholeSeriesByNativeTransfer) {
  for (int number = 1; number <= 3; ++number)
    h.StorePicture(number, number == 2 ? TWPT_GRAY : TWPT_RGB, 10 * number, 5);
  h.SubmitPictures(3);
  std::vector<int> widths;
  for (;;) {
    TW_IMAGEINFO info{};
    ASSERT_EQ(Image(DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
    TW_HANDLE bitmap = nullptr;
    ASSERT_EQ(Image(DAT_IMAGENATIVEXFER, MSG_GET, &bitmap), TWRC_XFERDONE);
    widths.push_back(TakeHeader(bitmap).biWidth);
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(h.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    if (pending.Count == 0) break;
  }
  EXPECT_EQ(widths, (std::vector<int>{10, 20, 30}));
  EXPECT_EQ(h.State(), 6);  // the last MSG_ENDXFER leaves state 7 for 6; disabling is accepted there
  TW_USERINTERFACE ui{1, 0, nullptr};
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
}

}  // namespace
