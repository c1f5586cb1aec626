// Shots from the main dialog and their end: Scan in each mode, ID cards
// with their counts, Submit and the transfers, closing with pictures taken.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/files.h"
#include "ui/main_dialog_fixture.h"

namespace ui_testing {
namespace {

using namespace ui;
using namespace dialog_ids::main_dialog;

TEST_F(MainDialogTest, ScanAndSubmitHandThePicturesToTheApplication) {
  Enable();
  ASSERT_TRUE(Dialog().Click(kScanButton));
  EXPECT_TRUE(Dialog().IsItemEnabled(kSubmitButton));
  ASSERT_TRUE(Dialog().SelectEntry(kImageTypeList, "8 bit Gray"));
  ASSERT_TRUE(Dialog().Click(kScanButton));
  ASSERT_EQ(Count(), 2);
  EXPECT_TRUE(platform::FileExists(Picture("twainrgb1.bmp")));
  EXPECT_TRUE(platform::FileExists(Picture("twaingray2.bmp")));

  ASSERT_TRUE(Dialog().Click(kSubmitButton));
  EXPECT_TRUE(Notified(twain::MSG_XFERREADY));
  EXPECT_EQ(Dialog().ItemText(kStatusLine), "Picture Submitting...");
  EXPECT_FALSE(Dialog().IsItemEnabled(kSubmitButton));
  EXPECT_EQ(State(), 6);

  EXPECT_EQ(TransferNext(), 24);
  EXPECT_EQ(TransferNext(), 8);
  EXPECT_EQ(Dialog().ItemText(kSubmitButton), "Picture Submitting");
  EXPECT_EQ(Dialog().ItemText(kStatusLine), "Finish Uploading");
  EXPECT_EQ(Count(), 0);
  Disable();
  EXPECT_EQ(platform::headless::FindDialog(kTemplate), nullptr);
}

TEST_F(MainDialogTest, SubmitWithoutPicturesOnlyTellsTheUser) {
  Enable();
  Dialog().SendCommand(kSubmitButton);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "No Pictures!");
  EXPECT_EQ(boxes.shown[0].caption, "Tips");
  EXPECT_FALSE(Notified(twain::MSG_XFERREADY));
}

TEST_F(MainDialogTest, ColourAndBlackWhiteShootsAPairPerPress) {
  Enable();
  ASSERT_TRUE(Dialog().SelectEntry(kImageTypeList, "Color and B&W"));
  ASSERT_TRUE(Dialog().Click(kScanButton));
  EXPECT_EQ(Count(), 2);
  EXPECT_TRUE(platform::FileExists(Picture("twainrgb1.bmp")));
  EXPECT_TRUE(platform::FileExists(Picture("twainbw2.bmp")));
  EXPECT_EQ(source->CapValues().pixelType, 3);  // restored after the pair
}

TEST_F(MainDialogTest, AnIdCardCountsOnceBothSidesAreShot) {
  Enable();
  ASSERT_TRUE(Dialog().Click(kIdCardRadio));
  ASSERT_TRUE(Dialog().Click(kScanButton));
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(source->Stills().IdCardSide(), 1);
  ASSERT_TRUE(Dialog().Click(kScanButton));
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(source->Stills().IdCardSide(), 0);
  // Submit leaves the side alone; "Default" starts the next card at its front.
  ASSERT_TRUE(Dialog().Click(kScanButton));
  ASSERT_TRUE(Dialog().Click(kSubmitButton));
  EXPECT_EQ(source->Stills().IdCardSide(), 1);
  ASSERT_TRUE(Dialog().Click(kDefaultRadio));
  EXPECT_EQ(source->Stills().IdCardSide(), 0);
}

TEST_F(MainDialogTest, AColourAndBlackWhiteIdCardAddsABlackWhiteCopyOfEachSide) {
  Enable();
  ASSERT_TRUE(Dialog().SelectEntry(kImageTypeList, "Color and B&W"));
  ASSERT_TRUE(Dialog().Click(kIdCardRadio));
  ASSERT_TRUE(Dialog().Click(kScanButton));
  // The front's colour picture counts; its black-and-white copy lies beyond the count.
  EXPECT_EQ(Count(), 1);
  EXPECT_TRUE(platform::FileExists(Picture("twainrgb1.bmp")));
  EXPECT_TRUE(platform::FileExists(Picture("twainbw2.bmp")));

  ASSERT_TRUE(Dialog().Click(kScanButton));
  ASSERT_EQ(Count(), 2);
  const acquire::PageEntry& colour = *source->Queue().Entry(1);
  const acquire::PageEntry& blackWhite = *source->Queue().Entry(2);
  EXPECT_EQ(colour.filePath, Picture("twainrgb1.bmp"));
  EXPECT_EQ(blackWhite.filePath, Picture("twainbw2.bmp"));
  EXPECT_EQ(blackWhite.pixelType, protocol::PixelType::BlackWhite);
  EXPECT_FLOAT_EQ(blackWhite.widthInches, colour.widthInches);
  EXPECT_EQ(source->CapValues().pixelType, 3);

  ASSERT_TRUE(Dialog().Click(kSubmitButton));
  EXPECT_EQ(TransferNext(), 24);
  EXPECT_EQ(TransferNext(), 1);
}

TEST_F(MainDialogTest, ARefusedColourAndBlackWhiteIdCardShotCountsNothing) {
  Enable();
  ASSERT_TRUE(Dialog().SelectEntry(kImageTypeList, "Color and B&W"));
  ASSERT_TRUE(Dialog().Click(kIdCardRadio));
  source->Queue().SetPictureCount(acquire::kMaxPictures);  // the queue is full: the still is refused
  ASSERT_TRUE(Dialog().Click(kScanButton));
  EXPECT_EQ(Count(), acquire::kMaxPictures);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Exceeding the maximum!");
  // No copy was made of an earlier picture under the next numbers.
  EXPECT_FALSE(platform::FileExists(Picture("twainbw2040.bmp")));
  EXPECT_FALSE(platform::FileExists(Picture("twainbw2041.bmp")));
  EXPECT_EQ(source->CapValues().pixelType, 3);
}

// The camera stood still through an ID card's shot; the user went back to
// single shots before the late frame came. It leaves nothing, and the next
// Scan is the colour and black-and-white pair of the new mode.
TEST_F(MainDialogTest, AnIdCardShotThatCameTooLateLeavesNothingForTheNextMode) {
  Enable();
  ASSERT_TRUE(Dialog().SelectEntry(kImageTypeList, "Color and B&W"));
  ASSERT_TRUE(Dialog().Click(kIdCardRadio));
  capture::CCaptureVideo& video = source->Camera();
  video.StopPreview();
  video.SetStillWaitLimit(std::chrono::milliseconds(10));
  ASSERT_TRUE(Dialog().Click(kScanButton));
  EXPECT_EQ(Count(), 0);
  EXPECT_FALSE(platform::FileExists(Picture("twainbw2.bmp")));

  ASSERT_TRUE(Dialog().Click(kDefaultRadio));
  ASSERT_EQ(video.StartDocumentCamera({Dialog().Handle(), kPreviewControl}), capture::kStartOk);
  ASSERT_TRUE(capture::WaitFor([&] { return source->GrabberCallback().Still().Done(); }));
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(source->Stills().IdCardSide(), 0);
  EXPECT_FALSE(platform::FileExists(Picture("twainrgb1.bmp")));

  video.SetStillWaitLimit(std::chrono::seconds(15));
  ASSERT_TRUE(Dialog().Click(kScanButton));
  EXPECT_EQ(Count(), 2);
  EXPECT_EQ(source->Queue().Entry(1)->filePath, Picture("twainrgb1.bmp"));
  EXPECT_EQ(source->Queue().Entry(2)->pixelType, protocol::PixelType::BlackWhite);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MainDialogTest, ClosingDiscardsThePicturesAndAsksToBeClosed) {
  Enable();
  ASSERT_TRUE(Dialog().Click(kScanButton));
  ASSERT_TRUE(Dialog().SelectEntry(kImageTypeList, "1 bit B&W"));
  ASSERT_TRUE(Dialog().Click(kScanButton));
  ASSERT_TRUE(platform::FileExists(Picture("twainbw2.bmp")));

  Dialog().SendCommand(kCloseCommand);
  EXPECT_FALSE(platform::FileExists(Picture("twainrgb1.bmp")));
  EXPECT_FALSE(platform::FileExists(Picture("twainbw2.bmp")));
  EXPECT_TRUE(Notified(twain::MSG_CLOSEDSREQ));
  EXPECT_FALSE(source->Queue().AnyPending());
  // The dialog stays until the application disables the source.
  EXPECT_NE(platform::headless::FindDialog(kTemplate), nullptr);
}

TEST_F(MainDialogTest, TheCameraIsOnlineBeforeAndWhileItRuns) {
  Open();
  EXPECT_EQ(CurrentItem(twain::CAP_DEVICEONLINE), twain::TW_UINT32{twain::TWAIN_TRUE});
  Enable();
  EXPECT_EQ(CurrentItem(twain::CAP_DEVICEONLINE), twain::TW_UINT32{twain::TWAIN_TRUE});
  EXPECT_FALSE(Notified(twain::MSG_CLOSEDSREQ));
}

TEST_F(MainDialogTest, WithoutACameraTheApplicationIsAskedToCloseTheSource) {
  camera = std::make_unique<capture::VirtualCamera>(capture::SceneOf("rate 60\n"));  // no devices
  source = std::make_unique<twain::Source>(
      twain::SourcePorts{platform::SystemGlobalMemory(), manager, boxes, platform::SystemDialogs(),
                         folder.File("twsrc.log"), camera.get(), folder.File("config.ini")},
      &library::MakeMainDialog);
  Open();
  EXPECT_EQ(CurrentItem(twain::CAP_DEVICEONLINE), twain::TW_UINT32{twain::TWAIN_FALSE});
  twain::TW_USERINTERFACE ui{1, 0, nullptr};
  ASSERT_EQ(Call(twain::DG_CONTROL, twain::DAT_USERINTERFACE, twain::MSG_ENABLEDS, &ui), twain::TWRC_SUCCESS);
  // The request reaches the application only after enabling has returned, once.
  EXPECT_FALSE(Notified(twain::MSG_CLOSEDSREQ));
  EXPECT_EQ(State(), 5);
  platform::headless::AdvanceClock(1);
  EXPECT_TRUE(Notified(twain::MSG_CLOSEDSREQ));
  platform::headless::AdvanceClock(100);
  EXPECT_EQ(manager.received.size(), 1u);
}

}  // namespace
}  // namespace ui_testing
