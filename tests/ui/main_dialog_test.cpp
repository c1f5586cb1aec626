// The main dialog's controls as the user finds and changes them: the state
// it opens with, the mode radios, the lists, the correction boxes, and the
// space key's latch.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "ui/main_dialog_fixture.h"

namespace ui_testing {
namespace {

using namespace ui;
using namespace dialog_ids::main_dialog;
namespace headless = platform::headless;

std::vector<std::string> Entries(const headless::Dialog& dialog, int list) {
  std::vector<std::string> texts;
  for (int i = 0; i < dialog.ListEntryCount(list); ++i) texts.push_back(dialog.ListEntryText(list, i));
  return texts;
}

std::string Selected(const headless::Dialog& dialog, int list) {
  const int entry = dialog.SelectedListEntry(list);
  return entry < 0 ? std::string() : dialog.ListEntryText(list, entry);
}

TEST_F(MainDialogTest, OpensWithTheSavedConfigurationAndTheCapabilityValues) {
  SavedSettings().scanType = 1;
  SavedSettings().autoContinuous = true;
  SavedSettings().scanInterval = 7;
  SavedSettings().autoCorrect = 5;  // neither 0 nor 1: the box starts unticked
  SavedSettings().autoCrop = 1;
  source->CapValues().pixelType = twain::TWPT_GRAY;
  source->CapValues().rotationIndex = 2;
  SaveSettings();
  SavedSettings() = settings::Settings{};
  source->CapValues().pixelType = twain::TWPT_RGB;
  source->CapValues().rotationIndex = 0;
  Enable();
  const headless::Dialog& dialog = Dialog();

  EXPECT_EQ(dialog.Title(), "Vistrelle Twain V4.1");
  EXPECT_EQ(dialog.Icon(), kDialogIcon);
  EXPECT_TRUE(dialog.IsTopmost());
  EXPECT_TRUE(dialog.IsChecked(kAutomaticRadio));
  EXPECT_FALSE(dialog.IsChecked(kTimedRadio));
  EXPECT_TRUE(dialog.IsItemEnabled(kIntervalList));
  EXPECT_EQ(Selected(dialog, kIntervalList), "07");
  EXPECT_FALSE(dialog.IsChecked(kPositionCorrectionCheck));
  EXPECT_TRUE(dialog.IsChecked(kBlackEdgeCheck));
  EXPECT_EQ(Entries(dialog, kImageTypeList),
            (std::vector<std::string>{"1 bit B&W", "8 bit Gray", "24 bit Color", "Color and B&W"}));
  EXPECT_EQ(Selected(dialog, kImageTypeList), "8 bit Gray");
  EXPECT_EQ(Entries(dialog, kRotationList),
            (std::vector<std::string>{"Rotate 0'", "Rotate 90'", "Rotate 180'", "Rotate 270'"}));
  EXPECT_EQ(Selected(dialog, kRotationList), "Rotate 180'");
  EXPECT_EQ(Selected(dialog, kResolutionList), "200.000");
  EXPECT_EQ(Selected(dialog, kPaperList), "US Letter");
  EXPECT_EQ(dialog.UpDownRange(kImageCountUpDown), std::make_pair(1, 25));
  EXPECT_TRUE(dialog.IsChecked(kFeederEnabledCheck));
  EXPECT_FALSE(dialog.IsItemEnabled(kSubmitButton));

  // The preview keeps 4 : 3 at the dialog's corner.
  const platform::Rect preview = dialog.ItemClientRect(kPreviewControl);
  EXPECT_EQ(preview.left, 8);
  EXPECT_EQ(preview.top, 8);
  EXPECT_EQ((preview.right - preview.left) * 3 / 4, preview.bottom - preview.top);
}

// The saved settings name grey, 180 degrees and 200 dpi; an application that
// negotiated colour, 90 degrees and 300 dpi gets those, and the dialog shows them.
TEST_F(MainDialogTest, WhatTheApplicationSetWinsOverTheSavedSettings) {
  source->CapValues().pixelType = twain::TWPT_GRAY;
  source->CapValues().rotationIndex = twain::TWOR_ROT180;
  SavedSettings().dpiX = SavedSettings().dpiY = 200;
  SaveSettings();
  Open();
  ASSERT_EQ(SetCap(twain::ICAP_PIXELTYPE, twain::TWTY_UINT16, twain::TWPT_RGB), twain::TWRC_SUCCESS);
  ASSERT_EQ(SetCap(twain::ICAP_ORIENTATION, twain::TWTY_UINT16, twain::TWOR_ROT90), twain::TWRC_SUCCESS);
  ASSERT_EQ(SetCap(twain::ICAP_YRESOLUTION, twain::TWTY_FIX32, 300), twain::TWRC_SUCCESS);
  Enable();

  EXPECT_EQ(source->CapValues().pixelType, twain::TWPT_RGB);
  EXPECT_EQ(source->CapValues().rotationIndex, twain::TWOR_ROT90);
  EXPECT_EQ(source->CapValues().xResolution, 300.0f);
  EXPECT_EQ(SavedSettings().dpiX, 300);
  EXPECT_EQ(SavedSettings().dpiY, 300);
  EXPECT_EQ(Selected(Dialog(), kImageTypeList), "24 bit Color");
  EXPECT_EQ(Selected(Dialog(), kRotationList), "Rotate 90'");
  EXPECT_EQ(Selected(Dialog(), kResolutionList), "300.000");
}

// A reset capability, and every capability in the next session, takes the saved settings again.
TEST_F(MainDialogTest, ResetOrANewSessionGivesTheSavedSettingsBack) {
  source->CapValues().pixelType = twain::TWPT_GRAY;
  source->CapValues().rotationIndex = twain::TWOR_ROT180;
  SaveSettings();
  Open();
  ASSERT_EQ(SetCap(twain::ICAP_PIXELTYPE, twain::TWTY_UINT16, twain::TWPT_BW), twain::TWRC_SUCCESS);
  ASSERT_EQ(SetCap(twain::ICAP_ORIENTATION, twain::TWTY_UINT16, twain::TWOR_ROT90), twain::TWRC_SUCCESS);
  ASSERT_EQ(ResetCap(twain::ICAP_PIXELTYPE), twain::TWRC_SUCCESS);
  Enable();
  EXPECT_EQ(source->CapValues().pixelType, twain::TWPT_GRAY);
  EXPECT_EQ(source->CapValues().rotationIndex, twain::TWOR_ROT90);
  Disable();

  twain::TW_IDENTITY record = twain::MakeSourceIdentity();
  record.Id = 42;
  ASSERT_EQ(Call(twain::DG_CONTROL, twain::DAT_IDENTITY, twain::MSG_CLOSEDS, &record), twain::TWRC_SUCCESS);
  source->CapValues().rotationIndex = twain::TWOR_ROT180;
  SaveSettings();
  Open();
  ASSERT_EQ(SetCap(twain::ICAP_PIXELTYPE, twain::TWTY_UINT16, twain::TWPT_BW), twain::TWRC_SUCCESS);
  twain::TW_CAPABILITY all{twain::CAP_SUPPORTEDCAPS, twain::TWON_DONTCARE16, nullptr};
  ASSERT_EQ(Call(twain::DG_CONTROL, twain::DAT_CAPABILITY, twain::MSG_RESETALL, &all), twain::TWRC_SUCCESS);
  Enable();
  EXPECT_EQ(source->CapValues().pixelType, twain::TWPT_GRAY);
  EXPECT_EQ(source->CapValues().rotationIndex, twain::TWOR_ROT180);
}

TEST_F(MainDialogTest, SingleShotModesStartWithTheIntervalListDisabled) {
  SavedSettings().idCardMode = 1;
  SaveSettings();
  Enable();
  EXPECT_TRUE(Dialog().IsChecked(kIdCardRadio));
  EXPECT_FALSE(Dialog().IsChecked(kDefaultRadio));
  EXPECT_FALSE(Dialog().IsItemEnabled(kIntervalList));
  EXPECT_EQ(Count(), 0);
}

TEST_F(MainDialogTest, AStoredSelectionIsNeverRestored) {
  SavedSettings().cropFrameShown = true;
  SavedSettings().cropFrameStart = {20, 20};
  SavedSettings().cropFrameEnd = {200, 200};
  SaveSettings();
  Enable();
  EXPECT_FALSE(source->UserSettings().cropFrameShown);
  EXPECT_EQ(source->GrabberCallback().Parameters().cropMode, 0);
}

TEST_F(MainDialogTest, ModeRadiosSetTheModeAndSaveIt) {
  Enable();
  headless::Dialog& dialog = Dialog();
  const settings::Settings& settings = source->UserSettings();

  ASSERT_TRUE(dialog.Click(kIdCardRadio));
  EXPECT_EQ(settings.idCardMode, 1);
  EXPECT_EQ(settings.autoCorrect, 0);
  EXPECT_EQ(settings.autoCrop, 0);
  EXPECT_FALSE(dialog.IsChecked(kPositionCorrectionCheck));
  EXPECT_FALSE(dialog.IsChecked(kBlackEdgeCheck));
  EXPECT_FALSE(dialog.IsItemEnabled(kRotationList));
  EXPECT_TRUE(dialog.IsTimerRunning(kIdCardFrameTimer));
  EXPECT_FALSE(dialog.IsTimerRunning(kPageOutlineTimer));

  ASSERT_TRUE(dialog.Click(kTimedRadio));
  EXPECT_EQ(settings.scanType, 1);
  EXPECT_EQ(settings.idCardMode, 0);
  EXPECT_FALSE(settings.autoContinuous);
  EXPECT_TRUE(dialog.IsItemEnabled(kIntervalList));
  EXPECT_TRUE(dialog.IsItemEnabled(kRotationList));
  EXPECT_FALSE(dialog.IsTimerRunning(kIdCardFrameTimer));

  ASSERT_TRUE(dialog.Click(kAutomaticRadio));
  EXPECT_TRUE(settings.autoContinuous);
  EXPECT_FALSE(dialog.IsItemEnabled(kIntervalList));

  ASSERT_TRUE(dialog.Click(kDefaultRadio));
  EXPECT_EQ(settings.scanType, 0);
  EXPECT_FALSE(settings.autoContinuous);

  // Each click was saved: a fresh load finds the last mode.
  source->UserSettings() = settings::Settings{};
  source->UserSettingsFile().LoadSettings();
  EXPECT_EQ(source->UserSettings().scanType, 0);
  EXPECT_EQ(source->UserSettings().autoCorrect, 0);
}

TEST_F(MainDialogTest, TheIntervalListStoresItsPositionAndTypedTextStoresZero) {
  Enable();
  ASSERT_TRUE(Dialog().Click(kTimedRadio));
  ASSERT_TRUE(Dialog().SelectEntry(kIntervalList, "12"));
  EXPECT_EQ(source->UserSettings().scanInterval, 12);
  ASSERT_TRUE(Dialog().Type(kIntervalList, "3"));
  EXPECT_EQ(source->UserSettings().scanInterval, 0);
}

TEST_F(MainDialogTest, ImageTypeAndRotationListsSetTheCapabilityValues) {
  Enable();
  ASSERT_TRUE(Dialog().SelectEntry(kImageTypeList, "Color and B&W"));
  EXPECT_EQ(source->CapValues().pixelType, 3);
  EXPECT_EQ(source->CapValues().bitDepths[3], 25);
  ASSERT_TRUE(Dialog().SelectEntry(kRotationList, "Rotate 270'"));
  EXPECT_EQ(source->CapValues().rotationIndex, 3);
}

TEST_F(MainDialogTest, CorrectionBoxesToggleTheirSettingAndClearThePageOptions) {
  SavedSettings().autoCorrect = 5;
  SavedSettings().autoCrop = 0;
  SavedSettings().smartPaging = 1;
  SavedSettings().curveFlatten = 1;
  SavedSettings().idCardMode = 1;
  SaveSettings();
  Enable();
  headless::Dialog& dialog = Dialog();
  settings::Settings& settings = source->UserSettings();

  ASSERT_TRUE(dialog.Click(kPositionCorrectionCheck));
  EXPECT_EQ(settings.autoCorrect, -4);  // one minus the stored value
  EXPECT_EQ(settings.smartPaging, 0);
  EXPECT_EQ(settings.curveFlatten, 0);
  // In ID-card mode a correction box switches back to single shots.
  EXPECT_EQ(settings.idCardMode, 0);
  EXPECT_TRUE(dialog.IsChecked(kDefaultRadio));
  EXPECT_FALSE(dialog.IsChecked(kIdCardRadio));
  EXPECT_FALSE(dialog.IsTimerRunning(kIdCardFrameTimer));

  ASSERT_TRUE(dialog.Click(kBlackEdgeCheck));
  EXPECT_EQ(settings.autoCrop, 1);
  EXPECT_TRUE(dialog.IsTimerRunning(kPageOutlineTimer));
  EXPECT_TRUE(source->PageDetection().edgeOverlayOn.load());
  ASSERT_TRUE(dialog.Click(kBlackEdgeCheck));
  EXPECT_EQ(settings.autoCrop, 0);
  EXPECT_FALSE(dialog.IsTimerRunning(kPageOutlineTimer));
  EXPECT_FALSE(source->PageDetection().edgeOverlayOn.load());
}

TEST_F(MainDialogTest, SpaceOnScanShootsTwiceAndTheLatchSwallowsTheNextSubmit) {
  Enable();
  headless::Dialog& dialog = Dialog();
  ASSERT_TRUE(dialog.Focus(kScanButton));
  dialog.PressSpace();
  EXPECT_EQ(Count(), 2);  // the shortcut's shot and the button's own
  EXPECT_TRUE(source->IgnoreNextCommand().load());

  ASSERT_TRUE(dialog.Click(kSubmitButton));
  EXPECT_FALSE(Notified(twain::MSG_XFERREADY));
  EXPECT_FALSE(source->IgnoreNextCommand().load());
  ASSERT_TRUE(dialog.Click(kSubmitButton));
  EXPECT_TRUE(Notified(twain::MSG_XFERREADY));
}

TEST_F(MainDialogTest, SpaceOnSubmitShootsOnceWithoutSubmitting) {
  Enable();
  ASSERT_TRUE(Dialog().Click(kScanButton));
  ASSERT_TRUE(Dialog().Focus(kSubmitButton));
  Dialog().PressSpace();
  EXPECT_EQ(Count(), 2);
  EXPECT_FALSE(Notified(twain::MSG_XFERREADY));
  EXPECT_FALSE(source->IgnoreNextCommand().load());
}

TEST_F(MainDialogTest, SpaceOnSettingsOnlyLeavesATraceLine) {
  Enable();
  ASSERT_TRUE(Dialog().Focus(kSettingsButton));
  Dialog().PressSpace();
  EXPECT_EQ(Count(), 1);
  EXPECT_TRUE(boxes.shown.empty());  // the parameter settings did not open
  EXPECT_NE(testing_support::ReadFileBytes(folder.File("twsrc.log")).find("IDC_PARASET"), std::string::npos);
}

TEST_F(MainDialogTest, ALatchedCorrectionClickChangesNothing) {
  Enable();
  source->IgnoreNextCommand().store(true);
  ASSERT_TRUE(Dialog().Click(kPositionCorrectionCheck));
  EXPECT_EQ(source->UserSettings().autoCorrect, 1);
  EXPECT_TRUE(Dialog().IsChecked(kPositionCorrectionCheck));
  EXPECT_FALSE(source->IgnoreNextCommand().load());
}

TEST_F(MainDialogTest, KeysAddressedToTheDialogItselfShowOne) {
  Enable();
  Dialog().KeyDown('A');
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "1");
}

TEST_F(MainDialogTest, ATimedRunEndsWithItsDialog) {
  Enable();
  // A timed run opens its dialog (nobody drives it here, so it is closed at once) and ends with it.
  ASSERT_TRUE(Dialog().Click(kTimedRadio));
  ASSERT_TRUE(Dialog().Click(kScanButton));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(Dialog().ItemText(kScanButton), "Scan");
  EXPECT_TRUE(Dialog().IsItemEnabled(kDefaultRadio));
  EXPECT_TRUE(Dialog().IsItemEnabled(kAutomaticRadio));
  EXPECT_EQ(Count(), 0);
}

}  // namespace
}  // namespace ui_testing
