// The automatic scanning's status dialog and the timed scanning dialog on
// the headless host, over a fake source: their texts, buttons and flags,
// the timer step's one shot per resting page, the interval, the counts and
// the full queue.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acquire/page_queue.h"
#include "headless/recording_dialog.h"
#include "resources/dialog_ids.h"
#include "ui/auto_shot_dialog.h"
#include "ui/timed_scan_dialog.h"

namespace {

using platform::headless::Dialog;
using namespace ui;
namespace automatic = dialog_ids::automatic_scanning;
namespace timed = dialog_ids::timed_scanning;

class FakePort final : public ScanningPort {
 public:
  imaging::DetectedPage& PageDetection() override { return detection; }
  int ShootTick() override {
    ++ticks;
    stored += storedPerTick;
    return storedPerTick;
  }
  int StoredPictures() const override { return stored; }
  int ScanInterval() const override { return interval; }
  void TellUser(platform::DialogWindow& owner, const char* text) override {
    told.push_back(text);
    EXPECT_EQ(static_cast<Dialog&>(owner).TemplateId(), timed::kTemplate);
  }

  imaging::DetectedPage detection;
  int ticks = 0;
  int stored = 0;
  int storedPerTick = 1;
  int interval = 2;
  std::vector<std::string> told;
};

class ScanningDialogTest : public headless_test::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    owner = Open(ownerEvents);
  }
  // Runs `dialog` modally over the owner while `user` acts on it.
  template <typename ScanDialog>
  void RunWith(ScanDialog& dialog, std::function<void(Dialog&)> user) {
    platform::headless::SetModalDriver([&](Dialog& shown) { user(shown); });
    dialog.Run(*owner);
  }

  headless_test::RecordingDialog ownerEvents;
  std::unique_ptr<platform::DialogWindow> owner;
  FakePort port;
};

TEST_F(ScanningDialogTest, TheStatusDialogOpensWaitingAndEndBeforeStartOnlyFinishes) {
  AutoShotDialog dialog(port.detection);
  port.detection.pageDetected = true;
  port.detection.shotTaken = true;
  RunWith(dialog, [&](Dialog& shown) {
    EXPECT_EQ(shown.Title(), "Automatic continuous scanning");
    EXPECT_EQ(shown.ItemText(automatic::kStatusText), "Waitting");
    EXPECT_EQ(shown.ItemText(automatic::kCountText), "0");
    EXPECT_EQ(shown.ProgressPosition(automatic::kProgressBar), 0);
    for (int button : {automatic::kStartButton, automatic::kEndButton, platform::kIdCancel}) {
      EXPECT_TRUE(shown.IsItemEnabled(button));
    }
    ASSERT_TRUE(shown.Click(automatic::kEndButton));
    EXPECT_EQ(shown.ItemText(automatic::kStatusText), "Finishing");
    EXPECT_FALSE(shown.IsItemEnabled(automatic::kEndButton));
    EXPECT_TRUE(shown.IsItemEnabled(automatic::kStartButton));
    EXPECT_FALSE(port.detection.autoScanRunning || port.detection.pageDetected || port.detection.shotTaken);
  });
}

TEST_F(ScanningDialogTest, EachRestingPageIsShotOnceAndCountsOnceWhateverItGave) {
  AutoShotDialog dialog(port.detection, [] { return 1000; });
  imaging::DetectedPage& flags = port.detection;
  RunWith(dialog, [&](Dialog& shown) {
    flags.shotTaken = true;
    ASSERT_TRUE(shown.Click(automatic::kStartButton));
    EXPECT_TRUE(flags.autoScanRunning);
    EXPECT_FALSE(flags.shotTaken);
    EXPECT_EQ(shown.ItemText(automatic::kStatusText), "Detecting...");
    EXPECT_FALSE(shown.IsItemEnabled(automatic::kStartButton));
    EXPECT_TRUE(shown.IsItemEnabled(automatic::kEndButton));
    EXPECT_FALSE(shown.IsItemEnabled(platform::kIdCancel));

    // Nothing rests: the bar shows 0 to 40, the same within a second.
    EXPECT_FALSE(dialog.Step());
    const int progress = shown.ProgressPosition(automatic::kProgressBar);
    EXPECT_EQ(progress % 10, 0);
    EXPECT_LE(progress, 40);
    EXPECT_FALSE(dialog.Step());
    EXPECT_EQ(shown.ProgressPosition(automatic::kProgressBar), progress);

    flags.pageDetected = true;
    ASSERT_TRUE(dialog.Step());
    EXPECT_EQ(shown.ItemText(automatic::kStatusText), "Please change paper");
    EXPECT_EQ(shown.ProgressPosition(automatic::kProgressBar), 100);
    dialog.AfterShot(2);  // "Color and B&W": two pictures, one page
    EXPECT_EQ(shown.ItemText(automatic::kCountText), "1");
    for (int tick = 0; tick < 5; ++tick) EXPECT_FALSE(dialog.Step());

    // The page moved and the next came to rest.
    flags.pageDetected = false;
    flags.shotTaken = false;
    EXPECT_FALSE(dialog.Step());
    flags.pageDetected = true;
    ASSERT_TRUE(dialog.Step());
    dialog.AfterShot(1);
    EXPECT_EQ(dialog.PagesTaken(), 2);
    EXPECT_EQ(shown.ItemText(automatic::kCountText), "2");

    ASSERT_TRUE(shown.Click(automatic::kEndButton));
    EXPECT_EQ(shown.ProgressPosition(automatic::kProgressBar), 0);
    EXPECT_FALSE(dialog.Step());
    // Start again counts from 0.
    ASSERT_TRUE(shown.Click(automatic::kStartButton));
    EXPECT_EQ(shown.ItemText(automatic::kCountText), "0");
  });
}

TEST_F(ScanningDialogTest, APageOfWhichNothingWasStoredIsNotTakenAndIsShotAgain) {
  AutoShotDialog dialog(port.detection);
  RunWith(dialog, [&](Dialog& shown) {
    ASSERT_TRUE(shown.Click(automatic::kStartButton));
    port.detection.pageDetected = true;
    ASSERT_TRUE(dialog.Step());
    dialog.AfterShot(0);
    EXPECT_EQ(shown.ItemText(automatic::kCountText), "0");
    EXPECT_EQ(shown.ItemText(automatic::kStatusText), "Detecting...");
    ASSERT_TRUE(dialog.Step());
    dialog.AfterShot(1);
    EXPECT_EQ(shown.ItemText(automatic::kCountText), "1");
  });
}

TEST_F(ScanningDialogTest, TheDetectionEndsWithTheDialogEvenThroughTheCloseBox) {
  AutoShotDialog dialog(port.detection);
  RunWith(dialog, [&](Dialog& shown) {
    ASSERT_TRUE(shown.Click(automatic::kStartButton));
    port.detection.pageDetected = true;
    shown.SendCommand(platform::kIdCancel);  // the title bar's close box, Close being disabled
  });
  EXPECT_FALSE(dialog.IsOpen());
  EXPECT_FALSE(port.detection.autoScanRunning);
  EXPECT_FALSE(port.detection.pageDetected);
  // A tick after the dialog has gone shoots nothing.
  port.detection.pageDetected = true;
  EXPECT_FALSE(dialog.Step());
}

TEST_F(ScanningDialogTest, TheTimedDialogShootsAtTheIntervalFromStartUntilPause) {
  TimedScanDialog dialog(port);
  RunWith(dialog, [&](Dialog& shown) {
    EXPECT_EQ(shown.Title(), "Timed Scanning");
    EXPECT_EQ(shown.ItemText(timed::kIntervalText), "2");
    EXPECT_EQ(shown.ItemText(timed::kStatusText), "Pause");
    EXPECT_EQ(shown.ItemText(timed::kCountText), "0");
    EXPECT_TRUE(shown.IsItemVisible(timed::kStartButton));
    EXPECT_FALSE(shown.IsItemVisible(timed::kPauseButton));
    ASSERT_TRUE(shown.Click(timed::kStartButton));
    EXPECT_EQ(shown.ItemText(timed::kStatusText), "Scanning");
    EXPECT_FALSE(shown.IsItemVisible(timed::kStartButton));
    EXPECT_TRUE(shown.IsItemVisible(timed::kPauseButton));
    platform::headless::AdvanceClock(1999);
    EXPECT_EQ(port.ticks, 0);  // the first picture after the first interval
    platform::headless::AdvanceClock(7001);
    EXPECT_EQ(port.ticks, 4);  // 9 seconds at 2
    EXPECT_EQ(shown.ItemText(timed::kCountText), "4");
    ASSERT_TRUE(shown.Click(timed::kPauseButton));
    EXPECT_EQ(shown.ItemText(timed::kStatusText), "Pause");
    EXPECT_FALSE(shown.IsTimerRunning(kTimedShotTimer));
    platform::headless::AdvanceClock(10000);
    EXPECT_EQ(port.ticks, 4);
    ASSERT_TRUE(shown.Click(platform::kIdOk));
  });
  EXPECT_EQ(dialog.PicturesTaken(), 4);
  // Opened again, it counts from 0.
  RunWith(dialog, [&](Dialog& shown) { EXPECT_EQ(shown.ItemText(timed::kCountText), "0"); });
}

TEST_F(ScanningDialogTest, TheTimedCountIsWhatWasStored) {
  TimedScanDialog dialog(port);
  port.storedPerTick = 2;  // "Color and B&W"
  RunWith(dialog, [&](Dialog& shown) {
    ASSERT_TRUE(shown.Click(timed::kStartButton));
    platform::headless::AdvanceClock(4000);
    EXPECT_EQ(shown.ItemText(timed::kCountText), "4");
    port.storedPerTick = 0;  // a still that came too late
    platform::headless::AdvanceClock(2000);
    EXPECT_EQ(shown.ItemText(timed::kCountText), "4");
  });
}

TEST_F(ScanningDialogTest, AFullQueueStopsTheTimedShotsWithOneMessage) {
  TimedScanDialog dialog(port);
  port.stored = acquire::kMaxPictures - 1;
  RunWith(dialog, [&](Dialog& shown) {
    ASSERT_TRUE(shown.Click(timed::kStartButton));
    platform::headless::AdvanceClock(2000);
    EXPECT_EQ(port.stored, acquire::kMaxPictures);
    EXPECT_EQ(port.told, (std::vector<std::string>{"Exceeding the maximum!"}));
    platform::headless::AdvanceClock(10000);
    EXPECT_EQ(port.ticks, 1);
    EXPECT_EQ(shown.ItemText(timed::kStatusText), "Scanning");
    EXPECT_TRUE(shown.IsItemVisible(timed::kPauseButton));
    // Pause and Start again: the next tick shoots nothing and says so again.
    ASSERT_TRUE(shown.Click(timed::kPauseButton));
    ASSERT_TRUE(shown.Click(timed::kStartButton));
    platform::headless::AdvanceClock(2000);
    EXPECT_EQ(port.ticks, 1);
    EXPECT_EQ(port.told.size(), 2u);
  });
}

TEST_F(ScanningDialogTest, AnIntervalOfNoSecondsTakesTheDefault) {
  TimedScanDialog dialog(port);
  port.interval = 0;
  RunWith(dialog, [&](Dialog& shown) {
    EXPECT_EQ(shown.ItemText(timed::kIntervalText), "5");
    ASSERT_TRUE(shown.Click(timed::kStartButton));
    platform::headless::AdvanceClock(5000);
    EXPECT_EQ(port.ticks, 1);
  });
}

}  // namespace
