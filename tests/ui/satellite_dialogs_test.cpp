// The parameter settings, video format and picture preview dialogs on the
// headless host, worked as a user works them.
#include <gtest/gtest.h>

#include <filesystem>

#include "acquire/picture_files.h"
#include "acquire/picture_review.h"
#include "headless/recording_dialog.h"
#include "imaging/picture_file.h"
#include "resources/dialog_ids.h"
#include "settings/resolution.h"
#include "support/recording_shell.h"
#include "support/source_harness.h"
#include "support/temp_dir.h"
#include "ui/main_dialog_timers.h"
#include "ui/parameter_dialog.h"
#include "ui/parameter_settings.h"
#include "ui/picture_preview.h"
#include "ui/video_format_dialog.h"

namespace ui {
namespace {

namespace format_ids = dialog_ids::property;
namespace preview_ids = dialog_ids::picture_preview;
namespace settings_ids = dialog_ids::parameter_settings;

using headless_test::HostTest;
using headless_test::RecordingDialog;
using platform::headless::Dialog;
using platform::headless::DrawnMark;

class ParameterDialogTest : public HostTest {
 protected:
  // Runs the dialog over a main dialog while `user` works it; returns the result.
  int Run(ParameterDialog& dialog, const std::function<void(Dialog&)>& user) {
    platform::headless::SetModalDriver(user);
    return owner_->RunModal(kParameterDialogTemplate, dialog);
  }
  ParameterDialogActions Actions() {
    return {boxes_, [this](platform::DialogWindow&) { ++propertySheets_; }, {}};
  }

  RecordingDialog main_;
  std::unique_ptr<platform::DialogWindow> owner_ = Open(main_);
  testing_support::RecordingMessageBoxes boxes_;
  int propertySheets_ = 0;
};

TEST_F(ParameterDialogTest, ANumberOutOfRangeKeepsTheDialogOpenWithTheFocusOnItsField) {
  ParameterDialog dialog(settings::ChoicesFromSettings(settings::Settings{}), Actions());
  const int result = Run(dialog, [&](Dialog& user) {
    EXPECT_EQ(user.ItemText(settings_ids::kRedEdit), "0.3");
    user.Type(settings_ids::kRedEdit, "1.5");
    user.Type(settings_ids::kWatermarkTextEdit, "Archive");
    user.Click(1);
    EXPECT_EQ(user.FocusedItem(), settings_ids::kRedEdit);
    user.Click(2);
  });
  EXPECT_EQ(result, platform::kIdCancel) << "OK did not end the dialog";
  ASSERT_EQ(boxes_.shown.size(), 1U);
  EXPECT_EQ(boxes_.shown[0].text, "Please enter a number between 0 and 1.");
  EXPECT_FLOAT_EQ(dialog.Choices().red, 0.3F) << "nothing was taken";
  EXPECT_EQ(dialog.Choices().watermarkText, "");
}

TEST_F(ParameterDialogTest, TheBoxesExcludeEachOtherAsTheUserClicksThem) {
  settings::Settings settings;
  settings.actualSizeA3 = true;
  ParameterDialog dialog(settings::ChoicesFromSettings(settings), Actions());
  const int result = Run(dialog, [&](Dialog& user) {
    EXPECT_TRUE(user.IsChecked(settings_ids::kA3ActualSizeCheck));
    EXPECT_TRUE(user.IsChecked(settings_ids::kPositionCorrectionCheck));
    user.Click(settings_ids::kSmartPagingCheck);
    EXPECT_FALSE(user.IsChecked(settings_ids::kPositionCorrectionCheck));
    EXPECT_FALSE(user.IsChecked(settings_ids::kBlackEdgeCheck));
    user.Click(settings_ids::kA4ActualSizeCheck);
    EXPECT_FALSE(user.IsChecked(settings_ids::kA3ActualSizeCheck));
    EXPECT_TRUE(user.IsChecked(settings_ids::kA4ActualSizeCheck));
    user.Click(settings_ids::kA4ActualSizeCheck);  // a second click leaves it checked
    EXPECT_TRUE(user.IsChecked(settings_ids::kA4ActualSizeCheck));
    user.Click(settings_ids::kJpgRadio);
    user.Click(1);
  });
  ASSERT_EQ(result, platform::kIdOk);
  EXPECT_EQ(dialog.Choices().smartPaging, 1);
  EXPECT_EQ(dialog.Choices().correct, 0);
  EXPECT_EQ(dialog.Choices().a3ActualSize, 0);
  EXPECT_EQ(dialog.Choices().sizeChoice, 2);
  EXPECT_EQ(dialog.Choices().imageFormat, 1);
}

TEST_F(ParameterDialogTest, AdvancedHidesTheDialogWhileTheDriversSheetIsShown) {
  bool hiddenMeanwhile = false;
  ParameterDialogActions actions = Actions();
  actions.showDeviceProperties = [&](platform::DialogWindow& owner) { hiddenMeanwhile = !owner.IsVisible(); };
  ParameterDialog dialog(settings::ChoicesFromSettings(settings::Settings{}), actions);
  bool visibleAfter = false;
  Run(dialog, [&](Dialog& user) {
    user.Click(settings_ids::kAdvancedButton);
    visibleAfter = user.IsVisible();
  });
  EXPECT_TRUE(hiddenMeanwhile);
  EXPECT_TRUE(visibleAfter);
}

class ParameterSettingsTest : public ParameterDialogTest {
 protected:
  bool Run(const std::function<void(Dialog&)>& user) {
    platform::headless::SetModalDriver(user);
    return RunParameterDialog(*owner_, links_);
  }

  settings::Settings settings_;
  caps::StoredValues capValues_;
  int commits_ = 0;
  std::vector<settings::VideoFormat> restarts_;
  ParameterSettingsLinks links_{
      settings_,
      boxes_,
      [this](std::int32_t x, std::int32_t y) { settings::ApplyDpiPair(settings_, capValues_, x, y); },
      [this] { ++commits_; },
      {},
      [] { return std::vector<capture::VideoFormat>(); },
      [this](const settings::VideoFormat& format) { restarts_.push_back(format); }};
};

TEST_F(ParameterSettingsTest, CancelAfterEditingStoresAndSavesNothing) {
  const settings::Settings before = settings_;
  EXPECT_FALSE(Run([](Dialog& user) {
    user.Type(settings_ids::kWatermarkTextEdit, "Changed");
    user.Click(settings_ids::kWatermarkCheck);
    user.Click(2);
  }));
  EXPECT_EQ(settings_, before);
  EXPECT_EQ(commits_, 0);
}

TEST_F(ParameterSettingsTest, OkStoresTheValuesWithTheDpiPairRuleAndSavesThem) {
  capValues_.xResolution = 200.0F;
  EXPECT_TRUE(Run([](Dialog& user) {
    user.Type(settings_ids::kDpiHorizontalEdit, "300");
    user.Click(settings_ids::kWatermarkCheck);
    user.Type(settings_ids::kWatermarkTextEdit, "Archive");
    user.Click(settings_ids::kWatermarkTimeCheck);
    user.Click(1);
  }));
  EXPECT_EQ(commits_, 1);
  EXPECT_EQ(capValues_.xResolution, 300.0F);
  EXPECT_EQ(settings_.dpiX, 300);
  EXPECT_EQ(settings_.dpiY, 300);
  EXPECT_EQ(settings_.watermarkOn, 1);
  EXPECT_EQ(settings_.watermarkTime, 1);
  EXPECT_EQ(settings_.watermarkText, "Archive");
}

TEST_F(ParameterSettingsTest, VideoPinSettingsOpensTheFormatDialogOverTheSettings) {
  bool formatDialogOpened = false;
  Run([&](Dialog& user) {
    platform::headless::SetModalDriver([&](Dialog& format) {
      formatDialogOpened = format.TemplateId() == kVideoFormatDialogTemplate;
      EXPECT_FALSE(format.IsItemEnabled(1)) << "a camera without capabilities offers nothing to confirm";
      format.Click(2);
    });
    user.Click(settings_ids::kVideoPinButton);
    user.Click(2);
  });
  EXPECT_TRUE(formatDialogOpened);
  EXPECT_TRUE(restarts_.empty());
}

capture::VideoFormat Capability(capture::MediaSubtype subtype, int width, int height, std::int64_t interval) {
  capture::VideoFormat format;
  format.subtype = subtype;
  format.width = width;
  format.height = height;
  format.frameInterval = interval;
  format.bitRate = static_cast<std::uint32_t>(width);
  return format;
}

class VideoFormatDialogTest : public ParameterDialogTest {
 protected:
  std::vector<capture::VideoFormat> capabilities_{
      Capability(capture::kSubtypeMjpg, 3264, 2448, 666666), Capability(capture::kSubtypeMjpg, 640, 480, 333333),
      Capability(capture::kSubtypeYuy2, 1600, 1200, 0), Capability(capture::kSubtypeYuy2, 160, 120, 333333)};
  std::vector<settings::VideoFormat> restarts_;

  bool RunFlow(const settings::VideoFormat& current, const std::function<void(Dialog&)>& user) {
    platform::headless::SetModalDriver(user);
    return RunVideoFormatFlow(*owner_, capabilities_, current, boxes_,
                              [this](const settings::VideoFormat& format) { restarts_.push_back(format); });
  }
};

TEST_F(VideoFormatDialogTest, TheListsShowTheCataloguesEntriesWithTheCurrentOnesSelected) {
  const settings::VideoFormat current{640, 480, 0, capture::kSubtypeMjpg};
  const bool confirmed = RunFlow(current, [&](Dialog& user) {
    ASSERT_EQ(user.ListEntryCount(format_ids::kFormatList), 2);
    EXPECT_EQ(user.ListEntryText(format_ids::kFormatList, user.SelectedListEntry(format_ids::kFormatList)), "MJPG");
    ASSERT_EQ(user.ListEntryCount(format_ids::kSizeList), 2);
    EXPECT_EQ(user.ListEntryText(format_ids::kSizeList, user.SelectedListEntry(format_ids::kSizeList)), " 640 x 480 ");
    EXPECT_EQ(user.ItemText(format_ids::kFrameRateEdit), "30");
    user.SelectEntry(format_ids::kSizeList, " 3648 x 2736 ");
    EXPECT_EQ(user.ItemText(format_ids::kFrameRateEdit), "15");
    user.Click(1);
  });
  ASSERT_TRUE(confirmed);
  ASSERT_EQ(restarts_.size(), 1U);
  EXPECT_EQ(restarts_[0], (settings::VideoFormat{3264, 2448, 3264, capture::kSubtypeMjpg}));
}

TEST_F(VideoFormatDialogTest, AnotherFormatFillsItsSizesAndAZeroIntervalShowsNoRate) {
  const bool confirmed = RunFlow({1024, 768, 0, capture::kSubtypeRgb24}, [&](Dialog& user) {
    EXPECT_EQ(user.ListEntryText(format_ids::kFormatList, user.SelectedListEntry(format_ids::kFormatList)), "MJPG")
        << "none equal: the first";
    user.SelectEntry(format_ids::kFormatList, "YUY2");
    ASSERT_EQ(user.ListEntryCount(format_ids::kSizeList), 1) << "the 160-pixel size is left out";
    EXPECT_EQ(user.ItemText(format_ids::kFrameRateEdit), "0");
    user.Click(1);
  });
  ASSERT_TRUE(confirmed);
  EXPECT_EQ(restarts_.at(0), (settings::VideoFormat{1600, 1200, 1600, capture::kSubtypeYuy2}));
}

TEST_F(VideoFormatDialogTest, CancelChangesNothingAndWithoutCapabilitiesNothingCanBeConfirmed) {
  EXPECT_FALSE(RunFlow({}, [](Dialog& user) { user.Click(2); }));
  capabilities_.clear();
  bool confirmEnabled = true;
  EXPECT_FALSE(RunFlow({}, [&](Dialog& user) {
    confirmEnabled = user.IsItemEnabled(1);
    EXPECT_EQ(user.ListEntryCount(format_ids::kFormatList), 0);
    user.Click(1);
  }));
  EXPECT_FALSE(confirmEnabled);
  EXPECT_TRUE(restarts_.empty());
}

TEST(FitPictureTest, APictureIsFittedToTheAreasHeightOrWidthAndCentred) {
  EXPECT_EQ(FitPicture(330, 248, 6, 4), (platform::Rect{0, 14, 330, 234}));
  EXPECT_EQ(FitPicture(330, 248, 4, 6), (platform::Rect{82, 0, 247, 248}));
  EXPECT_EQ(FitPicture(330, 248, 0, 6), platform::Rect{});
}

class PicturePreviewTest : public HostTest {
 protected:
  PicturePreviewTest() { std::filesystem::create_directory(acquire::PictureFolder()); }

  void Shoot(int width, int height) {
    const int number = queue_.PictureCount() + 1;
    const std::string path = acquire::PictureFileName(acquire::PictureFolder(), number, protocol::PixelType::Colour);
    ASSERT_TRUE(imaging::SavePicture(imaging::Picture(width, height, 24), path, imaging::PictureFormat::Bmp));
    *queue_.Entry(number) = {path, width / 100.0F, height / 100.0F, protocol::PixelType::Colour};
    queue_.SetPictureCount(number);
    preview_.ShowNewest(owner_->Handle());
  }
  Dialog& Preview() { return *platform::headless::FindDialog(kPicturePreviewTemplate); }
  std::vector<DrawnMark> PicturesDrawn() const {
    std::vector<DrawnMark> pictures;
    for (const DrawnMark& mark : platform::headless::Drawing()) {
      if (mark.kind == DrawnMark::Kind::Picture) pictures.push_back(mark);
    }
    return pictures;
  }

  testing_support::TempDir folder_;
  testing_support::ScopedEnvironment temporary_{"TMPDIR", folder_.Path()};
  RecordingDialog main_;
  std::unique_ptr<platform::DialogWindow> owner_ = Open(main_);
  testing_support::RecordingMessageBoxes boxes_;
  acquire::PageQueue queue_{platform::SystemGlobalMemory(), boxes_};
  testing_support::RecordingShell shell_;
  acquire::PictureReview review_{queue_, shell_};
  bool latch_ = false;
  PicturePreviewWindow preview_{{platform::SystemDialogs(), review_, [this] { return std::exchange(latch_, false); },
                                 [this] {
                                   const int count = queue_.PictureCount();
                                   return std::pair{count, queue_.Entry(count)->filePath};
                                 }}};
};

TEST_F(PicturePreviewTest, EachShotIsShownFittedInATopmostWindowAtTheTopRight) {
  Shoot(60, 40);
  Shoot(40, 60);
  Dialog& preview = Preview();
  EXPECT_TRUE(preview.IsVisible());
  EXPECT_TRUE(preview.IsTopmost());
  EXPECT_EQ(preview.Icon(), kDialogIcon);
  const platform::Rect frame = preview.WindowScreenRect();
  EXPECT_EQ(frame.right, platform::headless::kScreenSize.x - 10);
  EXPECT_EQ(frame.top, 25);
  EXPECT_EQ(preview.ItemText(preview_ids::kOpenButton), "2/2");
  const auto pictures = PicturesDrawn();
  ASSERT_EQ(pictures.size(), 1U) << "a refresh repaints the picture area first";
  EXPECT_EQ(pictures[0].rect, (platform::Rect{82, 0, 247, 248}));
  EXPECT_EQ(pictures[0].points.at(0), (platform::Point{40, 60}));
  EXPECT_EQ(preview_.LastDrawing().file, queue_.Entry(2)->filePath);
  EXPECT_EQ(platform::headless::UserDialog(), platform::headless::OpenDialogs().front())
      << "the user's steps still reach the main dialog";
}

TEST_F(PicturePreviewTest, TheButtonsPageTurnAndDeleteAndTheLatchSwallowsTheFirst) {
  Shoot(60, 40);
  Shoot(60, 40);
  Shoot(60, 40);
  Dialog& preview = Preview();
  latch_ = true;
  preview.Click(preview_ids::kLastButton);  // only clears the latch
  EXPECT_EQ(preview.ItemText(preview_ids::kOpenButton), "3/3");
  preview.Click(preview_ids::kLastButton);
  EXPECT_EQ(preview.ItemText(preview_ids::kOpenButton), "2/3");
  preview.Click(preview_ids::kRightButton);  // right: the file and its recorded size turn
  EXPECT_EQ(PicturesDrawn().at(0).points.at(0), (platform::Point{40, 60}));
  EXPECT_FLOAT_EQ(queue_.Entry(2)->widthInches, 0.4F);
  const std::string third = queue_.Entry(3)->filePath;
  preview.Click(preview_ids::kDeleteButton);
  EXPECT_EQ(preview.ItemText(preview_ids::kOpenButton), "1/2");
  EXPECT_EQ(queue_.Entry(2)->filePath, third);
  preview.Click(preview_ids::kOpenButton);
  EXPECT_EQ(shell_.opened, std::vector<std::string>{queue_.Entry(1)->filePath});
}

TEST_F(PicturePreviewTest, AClosedWindowIsReplacedByANewOneAtTheNextShot) {
  Shoot(60, 40);
  Preview().SendCommand(platform::kIdCancel);  // the close box
  EXPECT_FALSE(preview_.IsShown());
  EXPECT_FALSE(Preview().IsVisible());
  Shoot(60, 40);
  EXPECT_TRUE(preview_.IsShown());
  EXPECT_TRUE(Preview().IsVisible());
  EXPECT_EQ(platform::headless::OpenDialogs().size(), 2U);
  EXPECT_EQ(Preview().ItemText(preview_ids::kOpenButton), "2/2");
}

}  // namespace
}  // namespace ui
