// Stills through the whole source: the main dialog runs the virtual camera,
// each CaptureStill becomes a stored, counted picture, and an application
// then receives the pictures by native transfer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>

#include "acquire/picture_bitmap.h"
#include "acquire/picture_files.h"
#include "capture/camera_fixture.h"
#include "imaging/bmp_file.h"
#include "library/main_dialog_bridge.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "platform/global_memory.h"
#include "support/temp_dir.h"
#include "twain/source.h"

namespace {

using namespace twain;

constexpr const char* kPageScene =
    "rate 60\n"
    "device \"Mervale Document Camera\" \"\\\\?\\usb#vid_4d56&pid_2c01#1\"\n"
    "format RGB24 160 120\n"
    "page p 210 297 seed 3\n"
    "place p 150 120 0\n";

class NullManager final : public platform::SourceManagerLink {
 public:
  bool SendNull(TW_IDENTITY&, TW_IDENTITY&, TW_UINT16) override { return true; }
};

class SourceStills : public ::testing::Test {
 protected:
  SourceStills() {
    camera = std::make_unique<capture::VirtualCamera>(capture::SceneOf(kPageScene));
    source = std::make_unique<Source>(SourcePorts{platform::SystemGlobalMemory(), manager, boxes,
                                                  platform::SystemDialogs(), folder.File("twsrc.log"), camera.get()},
                                      &library::MakeMainDialog);
  }
  ~SourceStills() override { source.reset(); }

  TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
    TW_IDENTITY origin = application;
    return source->Entry(&origin, dg, dat, msg, data);
  }
  void OpenAndEnable() {
    application.Id = 7;
    TW_IDENTITY record = MakeSourceIdentity();
    record.Id = 42;
    ASSERT_EQ(Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &record), TWRC_SUCCESS);
    TW_USERINTERFACE ui{1, 0, nullptr};
    ASSERT_EQ(Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
    ASSERT_TRUE(camera->IsStreaming());
  }
  // Takes a native transfer and ends it; the bitmap's header.
  acquire::BitmapInfoHeader TransferNext() {
    TW_HANDLE bitmap = nullptr;
    acquire::BitmapInfoHeader header{};
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap), TWRC_XFERDONE);
    if (bitmap != nullptr) {
      std::memcpy(&header, memory.Lock(bitmap), sizeof header);
      memory.Unlock(bitmap);
      memory.Free(bitmap);
    }
    TW_PENDINGXFERS pending{};
    Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    return header;
  }
  std::string Picture(const char* name) const { return acquire::PictureFolder() + name; }

  testing_support::TempDir folder;
  testing_support::ScopedEnvironment temporary{"TMPDIR", folder.Path()};
  platform::GlobalMemory& memory = platform::SystemGlobalMemory();
  TW_IDENTITY application{};
  capture::RecordedBoxes boxes;
  NullManager manager;
  std::unique_ptr<capture::VirtualCamera> camera;
  std::unique_ptr<Source> source;
};

TEST_F(SourceStills, AColourAndBlackAndWhitePairIsStoredCountedAndTransferred) {
  // The frames read the switches on their own thread: set before the camera runs.
  source->UserSettings().autoCorrect = 0;
  source->UserSettings().autoCrop = 0;
  OpenAndEnable();
  source->UserSettings().dpiX = 300;
  source->CapValues().pixelType = TWPT_RGB;
  source->Camera().CaptureStill(false);
  ASSERT_EQ(source->Queue().PictureCount(), 1);
  source->CapValues().pixelType = TWPT_BW;
  source->Camera().CaptureStill(false);
  ASSERT_EQ(source->Queue().PictureCount(), 2);

  EXPECT_TRUE(platform::FileExists(Picture("twainrgb1.bmp")));
  EXPECT_TRUE(platform::FileExists(Picture("twainbw2.bmp")));
  EXPECT_EQ(source->Queue().Entry(1)->pixelType, protocol::PixelType::Colour);
  EXPECT_FLOAT_EQ(source->Queue().Entry(2)->widthInches, 160 / 200.0f);
  EXPECT_EQ(source->Stills().LastPicturePath(), Picture("twainbw2.bmp"));

  source->Queue().AnnounceAll();
  source->NotifyXferReady();
  const acquire::BitmapInfoHeader colour = TransferNext();
  EXPECT_EQ(+colour.biWidth, 160);
  EXPECT_EQ(+colour.biHeight, 120);
  EXPECT_EQ(colour.biBitCount, 24);
  EXPECT_EQ(+colour.biXPelsPerMeter, 11811);  // 300 DPI
  const acquire::BitmapInfoHeader blackWhite = TransferNext();
  EXPECT_EQ(blackWhite.biBitCount, 1);
  EXPECT_FALSE(platform::FileExists(Picture("twainrgb1.bmp")));
  EXPECT_FALSE(platform::FileExists(Picture("twainbw2.bmp")));
  EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(SourceStills, PositionCorrectionIsOnAtFirstAndCutsThePageFromTheDesk) {
  OpenAndEnable();
  ASSERT_EQ(source->UserSettings().autoCorrect, 1);
  ASSERT_EQ(source->UserSettings().autoCrop, 1);
  source->CapValues().pixelType = TWPT_RGB;
  source->Camera().CaptureStill(false);
  ASSERT_EQ(source->Queue().PictureCount(), 1);
  // The page, 210 mm of a 440 mm field, is 76 pixels wide; it runs over
  // the frame's top, leaving 98 of the frame's 120 rows.
  EXPECT_NEAR(source->Queue().Entry(1)->widthInches, 76 / 200.0f, 3 / 200.0f);
  EXPECT_NEAR(source->Queue().Entry(1)->heightInches, 98 / 200.0f, 3 / 200.0f);
  EXPECT_TRUE(platform::FileExists(Picture("in_pai.bmp")));
}

TEST_F(SourceStills, AnIdCardIsTwoShotsAndOnePicture) {
  source->UserSettings().idCardMode = 1;
  source->UserSettings().autoCorrect = 0;
  OpenAndEnable();
  source->CapValues().pixelType = TWPT_GRAY;
  source->Camera().CaptureStill(false);
  EXPECT_EQ(source->Queue().PictureCount(), 0);
  EXPECT_EQ(source->Stills().IdCardSide(), 1);
  source->Camera().CaptureStill(false);
  EXPECT_EQ(source->Queue().PictureCount(), 1);
  EXPECT_EQ(source->Stills().IdCardSide(), 0);
  // Frames of 160 pixels make the smallest page, turned on its side.
  EXPECT_FLOAT_EQ(source->Queue().Entry(1)->widthInches, 1560 / 200.0f);
  EXPECT_TRUE(platform::FileExists(Picture("twaingray1.bmp")));
}

// A still asked for while the camera stood still times out; the dialog
// changes the mode and the settings, the camera runs again and the late
// frame comes while the dialog goes on changing them: it is dropped, and
// the next still follows the new settings.
TEST_F(SourceStills, ALateStillLeavesNoPictureAndTheNextFollowsTheNewSettings) {
  source->UserSettings().autoCorrect = 0;
  source->UserSettings().autoCrop = 0;
  OpenAndEnable();
  settings::Settings& settings = source->UserSettings();
  capture::CCaptureVideo& video = source->Camera();
  video.StopPreview();
  settings.idCardMode = 1;
  source->CapValues().pixelType = TWPT_RGB;
  video.SetStillWaitLimit(std::chrono::milliseconds(10));
  video.CaptureStill(false);
  ASSERT_TRUE(source->GrabberCallback().Still().Requested());

  settings.idCardMode = 0;
  source->CapValues().pixelType = TWPT_GRAY;
  const capture::PreviewArea preview{source->UserInterface().Window()->Handle(),
                                     dialog_ids::main_dialog::kPreviewControl};
  ASSERT_EQ(video.StartDocumentCamera(preview), capture::kStartOk);
  int changes = 0;
  ASSERT_TRUE(capture::WaitFor([&] {
    settings.watermarkOn = ++changes % 2;
    settings.watermarkText = changes % 2 == 0 ? "even" : "odd";
    settings.dpiX = 100 + changes % 7;
    source->CapValues().xResolution = static_cast<float>(100 + changes % 5);
    // The dialog reads the queue meanwhile, as Submit and the transfers do.
    EXPECT_TRUE(source->Queue().Entry(1)->filePath.empty());
    EXPECT_EQ(source->Queue().PictureCount(), 0);
    return source->GrabberCallback().Still().Done();
  }));
  EXPECT_EQ(source->Queue().PictureCount(), 0);
  EXPECT_EQ(source->Stills().IdCardSide(), 0);
  EXPECT_FALSE(platform::FileExists(Picture("twainrgb1.bmp")));
  EXPECT_FALSE(platform::FileExists(Picture("twaingray1.bmp")));

  settings.watermarkOn = 0;
  settings.dpiX = 300;
  source->CapValues().xResolution = 200;
  video.SetStillWaitLimit(std::chrono::seconds(15));
  video.CaptureStill(false);
  ASSERT_EQ(source->Queue().PictureCount(), 1);
  EXPECT_EQ(source->Stills().IdCardSide(), 0);
  EXPECT_EQ(source->Queue().Entry(1)->pixelType, protocol::PixelType::Grey);
  EXPECT_FLOAT_EQ(source->Queue().Entry(1)->widthInches, 160 / 200.0f);
  EXPECT_EQ(imaging::LoadBmp(Picture("twaingray1.bmp")).DpiX(), 300);
  EXPECT_TRUE(boxes.texts.empty());
}

}  // namespace
