// The page detection on frames of virtual-camera scenes, fed one by one as
// the streaming thread would: when a page counts as at rest, its outline,
// and how the shared flags follow pages that rest, move and are exchanged.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "capture/media_format.h"
#include "capture/virtual/scene.h"
#include "capture/virtual/scene_renderer.h"
#include "stills/page_detector.h"

namespace {

using imaging::DetectedPage;
using imaging::PageDetector;
using imaging::PageQuad;

constexpr int kWidth = 320;
constexpr int kHeight = 240;

class PageDetectorTest : public ::testing::Test {
 protected:
  PageDetectorTest() { shared.edgeOverlayOn = false; }

  void Play(std::string_view sceneText) {
    const capture::SceneParseResult parsed = capture::ParseScene(sceneText);
    ASSERT_TRUE(parsed.scene) << parsed.error;
    scene = std::make_shared<capture::Scene>(*parsed.scene);
    renderer = std::make_unique<capture::SceneRenderer>(scene);
  }

  // Renders frame `index` of the scene and hands it to the detection.
  void Frame(std::int64_t index) {
    renderer->Render(capture::DeskAt(*scene, index), kWidth, kHeight, pixels);
    detector.AnalyseFrame({pixels.data(), static_cast<long>(pixels.size()), kWidth, kHeight, 0});
  }
  // The first frame (from `from` on) in which a page is detected; -1 when none up to `to`.
  std::int64_t FirstDetected(std::int64_t from, std::int64_t to) {
    for (std::int64_t i = from; i <= to; ++i) {
      Frame(i);
      if (shared.pageDetected) return i;
    }
    return -1;
  }

  DetectedPage shared;
  PageDetector detector{shared};
  std::shared_ptr<capture::Scene> scene;
  std::unique_ptr<capture::SceneRenderer> renderer;
  std::vector<std::uint8_t> pixels;
};

TEST(SkewHistory, FiveSkewsMustAgreeAndTheFirstFourCountAsNone) {
  imaging::SkewHistory history;
  for (double degrees : {3.0, -4.0, 8.0, 1.0}) {
    const auto span = history.Add(degrees);
    EXPECT_EQ(span.min, 0);
    EXPECT_EQ(span.max, 0);
  }
  auto span = history.Add(2.0);
  EXPECT_EQ(span.min, -4.0);
  EXPECT_EQ(span.max, 8.0);
  // The oldest (3) went; -4 goes next.
  span = history.Add(2.5);
  EXPECT_EQ(span.min, -4.0);
  EXPECT_EQ(span.max, 8.0);
  for (int i = 0; i < 3; ++i) span = history.Add(2.2);
  EXPECT_EQ(span.min, 2.0);
  EXPECT_EQ(span.max, 2.5);
}

TEST(MotionTracker, OnlyAPictureThatChangedCountsAsMoved) {
  imaging::MotionTracker motion;
  imaging::Picture picture(64, 48, 24);
  picture.Fill({0, 0, 64, 48}, {120, 120, 120});
  EXPECT_TRUE(motion.Moved(picture));  // nothing to compare with
  EXPECT_FALSE(motion.Moved(picture));
  picture.SetPixel(1, 1, {130, 130, 130});  // noise
  EXPECT_FALSE(motion.Moved(picture));
  picture.Fill({0, 0, 16, 16}, imaging::kWhite);
  EXPECT_TRUE(motion.Moved(picture));
  EXPECT_TRUE(motion.Moved(imaging::Picture(32, 24, 24)));  // another size
}

TEST(DetectionCopy, SamplesTheFrameAt640By480AndBrightensIt) {
  std::vector<std::uint8_t> pixels(capture::FrameStride(4) * 2, 100);
  const imaging::Picture small = imaging::DetectionCopy({pixels.data(), static_cast<long>(pixels.size()), 4, 2, 0});
  ASSERT_EQ(small.Width(), 640);
  ASSERT_EQ(small.Height(), 480);
  EXPECT_EQ(small.GetPixel(639, 479), (imaging::Rgb{125, 125, 125}));
  // A buffer short of the frame's rows gives nothing.
  EXPECT_TRUE(imaging::DetectionCopy({pixels.data(), static_cast<long>(pixels.size() - 1), 4, 2, 0}).Empty());
  EXPECT_TRUE(imaging::DetectionCopy({nullptr, 0, 4, 2, 0}).Empty());
}

TEST(OutlineOf, TurnsTheFoundRectangleBackAboutTheFrameCentre) {
  const PageQuad straight = imaging::OutlineOf({10, 20, 110, 220}, 0.0, 300, 240);
  EXPECT_EQ(straight.corners[0].x, 10);
  EXPECT_EQ(straight.corners[0].y, 20);
  EXPECT_EQ(straight.corners[1].x, 110);
  EXPECT_EQ(straight.corners[2].y, 220);
  EXPECT_EQ(straight.corners[3].x, 110);
  EXPECT_EQ(straight.corners[3].y, 220);
  // A quarter turn back maps the corner (250, 120) right of the centre (150, 120) below it.
  const PageQuad turned = imaging::OutlineOf({250, 120, 250, 120}, 90.0, 300, 240);
  EXPECT_NEAR(turned.corners[0].x, 150, 1);
  EXPECT_NEAR(turned.corners[0].y, 20, 1);
}

constexpr const char* kCamera = "rate 15\nfield 440\n";

TEST_F(PageDetectorTest, ARestingPageIsDetectedAfterFiveQuietFramesWithItsOutline) {
  Play(std::string(kCamera) + "page p 210 297 seed 4\nplace p 220 165 4\nwait 10000\n");
  shared.autoScanRunning = true;
  shared.shotTaken = true;  // a page shot before: the new page is not
  const std::int64_t first = FirstDetected(0, 20);
  EXPECT_EQ(first, 4);
  EXPECT_FALSE(shared.shotTaken);
  ASSERT_TRUE(shared.HasOutline());
  // The outline lies on the page's corners as the camera drew them.
  const auto truth = capture::PageCorners(*scene, capture::DeskAt(*scene, 0).pages[0], kWidth);
  const PageQuad quad = shared.Quad();
  EXPECT_NEAR(quad.corners[0].x, truth[0].x, 8);
  EXPECT_NEAR(quad.corners[0].y, truth[0].y, 8);
  EXPECT_NEAR(quad.corners[3].x, truth[2].x, 8);
  EXPECT_NEAR(quad.corners[3].y, truth[2].y, 8);
}

TEST_F(PageDetectorTest, WithoutTheDetectionStartedOnlyTheOutlineIsFoundAndStartDetectsTheRestingPage) {
  Play(std::string(kCamera) + "page p 210 297 seed 4\nplace p 220 165 4\nwait 10000\n");
  EXPECT_EQ(FirstDetected(0, 12), -1);
  EXPECT_TRUE(shared.HasOutline());
  // Start while the page lies there: the next frame announces it.
  shared.autoScanRunning = true;
  EXPECT_EQ(FirstDetected(13, 13), 13);
}

TEST_F(PageDetectorTest, APageThatKeepsTurningIsNeverDetected) {
  Play(std::string(kCamera) +
       "page p 210 297 seed 4\nplace p 220 165 -8\nmove p 220 165 8 1000\nmove p 220 165 -8 1000\n");
  shared.autoScanRunning = true;
  EXPECT_EQ(FirstDetected(0, 29), -1);
}

TEST_F(PageDetectorTest, APageSlidInWithoutTurningIsNotDetectedBeforeItStops) {
  Play(std::string(kCamera) + "page p 210 297 seed 4\nslide p 220 165 3 2000\nwait 10000\n");
  shared.autoScanRunning = true;
  const std::int64_t slideFrames = capture::StepFrames(*scene, 2000);
  const std::int64_t first = FirstDetected(0, slideFrames + 10);
  EXPECT_GE(first, slideFrames + 3);
}

TEST_F(PageDetectorTest, APageLaidByHandIsDetectedOnlyOnceTheHandHasGone) {
  Play(std::string(kCamera) + "page p 210 297 seed 4\nlay p 220 165 2\nwait 10000\n");
  shared.autoScanRunning = true;
  // The first frame in which no part of the hand shows (the field is 330 mm high).
  const auto handShows = [&](std::int64_t frame) {
    const capture::DeskState desk = capture::DeskAt(*scene, frame);
    return desk.pages.size() > 1 && desk.pages.back().pose.y - 150 < 330;
  };
  std::int64_t handGone = 0;
  for (std::int64_t i = 0; i < 60; ++i) {
    if (handShows(i)) handGone = i + 1;
  }
  ASSERT_GT(handGone, 15);
  const std::int64_t first = FirstDetected(0, handGone + 10);
  EXPECT_GE(first, handGone + 4);
}

TEST_F(PageDetectorTest, MotionReArmsTheShotAndAnExchangedPageIsToldApart) {
  Play(std::string(kCamera) +
       "page a 210 297 seed 4\npage b 210 297 seed 9 ink 120 10 10\n"
       "place a 220 165 2\nwait 2000\nexchange a b\nwait 2000\n");
  shared.autoScanRunning = true;
  const std::int64_t rest = capture::StepFrames(*scene, 2000);
  ASSERT_GE(FirstDetected(0, rest - 1), 0);
  shared.shotTaken = true;  // the timer shot page a
  for (std::int64_t i = 5; i < rest; ++i) Frame(i);
  EXPECT_TRUE(shared.shotTaken);
  Frame(rest);  // b now lies where a lay
  EXPECT_FALSE(shared.pageDetected);
  EXPECT_FALSE(shared.shotTaken);
  EXPECT_EQ(FirstDetected(rest + 1, 2 * rest - 1), rest + 4);
}

TEST_F(PageDetectorTest, ADeskWithoutAPageOutlinesNothing) {
  Play(std::string(kCamera) + "wait 10000\n");
  shared.autoScanRunning = true;
  EXPECT_EQ(FirstDetected(0, 10), -1);
  EXPECT_FALSE(shared.HasOutline());
}

TEST_F(PageDetectorTest, TheEdgeOverlayOutlinesAMovingPage) {
  Play(std::string(kCamera) + "page p 210 297 seed 4\nplace p 100 165 0\nmove p 300 165 0 2000\n");
  shared.edgeOverlayOn = true;
  Frame(0);
  const int left = shared.Quad().corners[0].x;
  Frame(20);
  EXPECT_GT(shared.Quad().corners[0].x, left + 20);
}

TEST_F(PageDetectorTest, FramesThatDoNotHoldTheirRowsChangeNothing) {
  Play(std::string(kCamera) + "page p 210 297 seed 4\nplace p 220 165 4\nwait 10000\n");
  shared.autoScanRunning = true;
  ASSERT_EQ(FirstDetected(0, 10), 4);
  renderer->Render(capture::DeskAt(*scene, 0), kWidth, kHeight, pixels);
  detector.AnalyseFrame({pixels.data(), static_cast<long>(pixels.size() / 2), kWidth, kHeight, 0});
  detector.AnalyseFrame({nullptr, 0, kWidth, kHeight, 0});
  detector.AnalyseFrame({pixels.data(), static_cast<long>(pixels.size()), -5, kHeight, 0});
  EXPECT_TRUE(shared.pageDetected);
}

}  // namespace
