// Whole automatic and timed runs on the headless host with the virtual
// camera streaming: a stack of pages laid by hand gives one picture of each
// page, in order, and nothing of a page in motion; a timed run shoots at its
// interval; the detection ends with the status dialog.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "acquire/page_queue.h"
#include "capture/virtual/motion_steps.h"
#include "capture/virtual/scene_renderer.h"
#include "imaging/picture_file.h"
#include "resources/dialog_ids.h"
#include "ui/auto_shot_dialog.h"
#include "ui/main_dialog_fixture.h"
#include "ui/timed_scan_dialog.h"

namespace ui_testing {
namespace {

using namespace ui;
using namespace dialog_ids::main_dialog;
namespace automatic = dialog_ids::automatic_scanning;
namespace timed = dialog_ids::timed_scanning;
namespace headless = platform::headless;

#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer is there to find races, not to count pages, and makes the
// run some twenty times slower: four pages meet every path of twenty.
constexpr int kStackPages = 4;
#else
constexpr int kStackPages = 20;
#endif

std::string StackScene(int pages) {
  return "rate 30\n"
         "device \"Mervale Document Camera\" \"\\\\?\\usb#vid_4d56&pid_2c01#1\"\n"
         "format RGB24 320 240\n"
         "wait 300\n"
         "stack sheet " +
         std::to_string(pages) + " 220 165 rest 400\nwait 1000\n";
}

// Frames until the scene's script has played out.
std::int64_t ScriptFrames(const capture::Scene& scene) {
  std::int64_t frames = 0;
  for (const capture::SceneStep& step : scene.script) {
    if (step.kind == capture::StepKind::Move || step.kind == capture::StepKind::Wait) {
      frames += capture::StepFrames(scene, step.milliseconds);
    }
  }
  return frames;
}

// What a picture shows: the stack page whose ink covers most of it (-1 when
// none does), and how many of its pixels have the hand's colour.
struct PictureContent {
  int page = -1;
  int handPixels = 0;
};

PictureContent ContentOf(const imaging::Picture& picture, int pages) {
  const auto distance = [](imaging::Rgb a, capture::Rgb b) {
    return std::abs(a.red - b.red) + std::abs(a.green - b.green) + std::abs(a.blue - b.blue);
  };
  std::vector<int> votes(static_cast<std::size_t>(pages), 0);
  PictureContent content;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const imaging::Rgb pixel = picture.GetPixel(x, y);
      if (distance(pixel, capture::kHandColour) < 12) ++content.handPixels;
      for (int i = 0; i < pages; ++i) {
        if (distance(pixel, capture::StackInkColour(static_cast<std::size_t>(i), static_cast<std::size_t>(pages))) <
            8) {
          ++votes[static_cast<std::size_t>(i)];
        }
      }
    }
  }
  const auto most = std::max_element(votes.begin(), votes.end());
  if (*most > 50) content.page = static_cast<int>(most - votes.begin());
  return content;
}

class ContinuousRunTest : public MainDialogTest {
 protected:
  explicit ContinuousRunTest(std::string_view scene) : MainDialogTest(scene) {}

  // Plays the dialog's modal run: `user` acts on the modal dialog of `templateId` when it opens.
  void WhenOpened(int templateId, std::function<void(headless::Dialog&)> user) {
    headless::SetModalDriver([templateId, user](headless::Dialog& shown) {
      if (shown.TemplateId() == templateId) user(shown);
    });
  }
  // Moves the dialogs' clock on in 50 ms ticks while real time passes,
  // until `done` or the scene has played out.
  void TickUntil(const std::function<bool()>& done) {
    const std::int64_t end = ScriptFrames(camera->GetScene());
    const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(10);
    while (!done() && camera->FramesDelivered() <= end && std::chrono::steady_clock::now() < limit) {
      headless::AdvanceClock(50);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
};

class StackRunTest : public ContinuousRunTest {
 protected:
  StackRunTest() : ContinuousRunTest(StackScene(kStackPages)) {}
};

TEST_F(StackRunTest, AStackLaidByHandGivesEachPageOnceInOrder) {
  Enable();
  int pagesCounted = 0;
  WhenOpened(automatic::kTemplate, [&](headless::Dialog& shown) {
    ASSERT_TRUE(shown.Click(automatic::kStartButton));
    TickUntil([] { return false; });
    pagesCounted = std::stoi(shown.ItemText(automatic::kCountText));
    ASSERT_TRUE(shown.Click(automatic::kEndButton));
    ASSERT_TRUE(shown.Click(platform::kIdCancel));
  });
  ASSERT_TRUE(Dialog().Click(kAutomaticRadio));
  ASSERT_TRUE(Dialog().Click(kScanButton));
  EXPECT_EQ(Dialog().ItemText(kScanButton), "Scan");  // the run ended with its dialog
  EXPECT_FALSE(source->PageDetection().autoScanRunning);

  ASSERT_EQ(Count(), kStackPages);
  EXPECT_EQ(pagesCounted, kStackPages);
  for (int number = 1; number <= kStackPages; ++number) {
    const imaging::Picture picture = imaging::LoadPicture(Picture("twainrgb" + std::to_string(number) + ".bmp"));
    ASSERT_FALSE(picture.Empty()) << number;
    const PictureContent content = ContentOf(picture, kStackPages);
    EXPECT_EQ(content.page, number - 1) << "picture " << number;
    EXPECT_EQ(content.handPixels, 0) << "picture " << number << " shows the hand";
  }
}

class ShortStackTest : public ContinuousRunTest {
 protected:
  ShortStackTest() : ContinuousRunTest(StackScene(2)) {}
};

TEST_F(ShortStackTest, ColourAndBlackWhiteGivesTwoPicturesAPageAndCountsOne) {
  Enable();
  ASSERT_TRUE(Dialog().SelectEntry(kImageTypeList, "Color and B&W"));
  std::string counted;
  WhenOpened(automatic::kTemplate, [&](headless::Dialog& shown) {
    ASSERT_TRUE(shown.Click(automatic::kStartButton));
    TickUntil([] { return false; });
    counted = shown.ItemText(automatic::kCountText);
    shown.SendCommand(platform::kIdCancel);
  });
  ASSERT_TRUE(Dialog().Click(kAutomaticRadio));
  ASSERT_TRUE(Dialog().Click(kScanButton));
  EXPECT_EQ(counted, "2");
  ASSERT_EQ(Count(), 4);
  for (int page = 0; page < 2; ++page) {
    const std::string colour = Picture("twainrgb" + std::to_string(2 * page + 1) + ".bmp");
    EXPECT_EQ(ContentOf(imaging::LoadPicture(colour), 2).page, page);
    EXPECT_EQ(imaging::LoadPicture(Picture("twainbw" + std::to_string(2 * page + 2) + ".bmp")).BitsPerPixel(), 1);
  }
  EXPECT_EQ(source->CapValues().pixelType, 3);
}

TEST_F(ShortStackTest, ClosingTheStatusDialogEndsTheDetectionSoTheNextRunWaitsForStart) {
  Enable();
  WhenOpened(automatic::kTemplate, [&](headless::Dialog& shown) {
    ASSERT_TRUE(shown.Click(automatic::kStartButton));
    shown.SendCommand(platform::kIdCancel);  // the close box, while detecting
  });
  ASSERT_TRUE(Dialog().Click(kAutomaticRadio));
  ASSERT_TRUE(Dialog().Click(kScanButton));
  EXPECT_FALSE(source->PageDetection().autoScanRunning);

  // The next run: pages come to rest, but nobody pressed Start.
  WhenOpened(automatic::kTemplate, [&](headless::Dialog&) { TickUntil([] { return false; }); });
  ASSERT_TRUE(Dialog().Click(kScanButton));
  EXPECT_EQ(Count(), 0);
}

TEST_F(ShortStackTest, AtTheQueuesLastPictureTheRunStopsWithOneMessage) {
  Enable();
  source->Queue().SetPictureCount(acquire::kMaxPictures - 1);
  std::string counted;
  WhenOpened(automatic::kTemplate, [&](headless::Dialog& shown) {
    ASSERT_TRUE(shown.Click(automatic::kStartButton));
    TickUntil([] { return false; });
    counted = shown.ItemText(automatic::kCountText);
    shown.SendCommand(platform::kIdCancel);
  });
  ASSERT_TRUE(Dialog().Click(kAutomaticRadio));
  ASSERT_TRUE(Dialog().Click(kScanButton));
  EXPECT_EQ(Count(), acquire::kMaxPictures);
  EXPECT_EQ(counted, "1");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Exceeding the maximum!");
}

class TimedRunTest : public ContinuousRunTest {
 protected:
  TimedRunTest() : ContinuousRunTest(kDeskScene) {}
};

TEST_F(TimedRunTest, TwoSecondsApartForNineSecondsGivesFourPictures) {
  Enable();
  ASSERT_TRUE(Dialog().Click(kTimedRadio));
  ASSERT_TRUE(Dialog().SelectEntry(kIntervalList, "02"));
  std::string counted;
  WhenOpened(timed::kTemplate, [&](headless::Dialog& shown) {
    EXPECT_EQ(shown.ItemText(timed::kIntervalText), "2");
    ASSERT_TRUE(shown.Click(timed::kStartButton));
    for (int tick = 0; tick < 9000 / 50; ++tick) headless::AdvanceClock(50);
    counted = shown.ItemText(timed::kCountText);
    ASSERT_TRUE(shown.Click(platform::kIdOk));
  });
  ASSERT_TRUE(Dialog().Click(kScanButton));
  EXPECT_EQ(counted, "4");
  EXPECT_EQ(Count(), 4);
  EXPECT_EQ(Dialog().ItemText(kScanButton), "Scan");
  EXPECT_TRUE(Dialog().IsItemEnabled(kAutomaticRadio));
}

}  // namespace
}  // namespace ui_testing
