// The motion lines of scenes: what the desk shows frame by frame while a
// hand lays, turns over and stacks pages, and lines that are wrong.
#include <gtest/gtest.h>

#include <set>

#include "capture/virtual/motion_steps.h"
#include "capture/virtual/scene.h"
#include "capture/virtual/scene_renderer.h"

namespace capture {
namespace {

Scene Parsed(std::string_view text) {
  SceneParseResult result = ParseScene(text);
  EXPECT_TRUE(result.scene) << result.error;
  return result.scene ? *result.scene : Scene{};
}

std::size_t PageIndex(const Scene& scene, std::string_view name) {
  for (std::size_t i = 0; i < scene.pages.size(); ++i) {
    if (scene.pages[i].name == name) return i;
  }
  ADD_FAILURE() << "no page " << name;
  return 0;
}

const PlacedPage* Find(const DeskState& desk, std::size_t page) {
  for (const PlacedPage& placed : desk.pages) {
    if (placed.page == page) return &placed;
  }
  return nullptr;
}

// The frames until the script's last step, and the first frame with no hand on the desk after `from`.
std::int64_t FirstWithoutHand(const Scene& scene, std::int64_t from) {
  const std::size_t hand = PageIndex(scene, kHandPageName);
  std::int64_t i = from;
  while (Find(DeskAt(scene, i), hand) != nullptr) ++i;
  return i;
}

TEST(MotionSteps, AHandLaysThePageTurningItAndCoveringItsFootThenWithdraws) {
  const Scene scene = Parsed("page p 210 297\nlay p 200 160 3\nwait 5000\n");
  const std::size_t page = PageIndex(scene, "p");
  const std::size_t hand = PageIndex(scene, kHandPageName);
  const std::int64_t gone = FirstWithoutHand(scene, 0);
  ASSERT_GT(gone, 20);
  std::set<double> angles;
  for (std::int64_t i = 0; i < gone; ++i) {
    const DeskState desk = DeskAt(scene, i);
    ASSERT_EQ(desk.pages.size(), 2u) << i;
    EXPECT_EQ(desk.pages.back().page, hand);  // the hand lies over the page
    angles.insert(Find(desk, page)->pose.angle);
  }
  EXPECT_GT(angles.size(), 10u);  // the skew changes while the page is laid
  // The hand's fingertips lie over the page's foot at the last laid frame.
  const DeskState laid = DeskAt(scene, gone - 11);
  const double handTop = Find(laid, hand)->pose.y - 150;
  EXPECT_LT(handTop, 160 + 297 / 2.0);
  EXPECT_GT(handTop, 160);
  const DeskState rest = DeskAt(scene, gone);
  ASSERT_EQ(rest.pages.size(), 1u);
  EXPECT_EQ(rest.pages[0].pose, (PagePose{200, 160, 3}));
  EXPECT_EQ(scene.pages[hand].paper, kHandColour);
}

TEST(MotionSteps, ASlidePageKeepsItsAngle) {
  const Scene scene = Parsed("rate 15\npage p 210 297\nslide p 200 160 -4 1000\nwait 1000\n");
  const std::int64_t frames = StepFrames(scene, 1000);
  double lastX = -1e9;
  for (std::int64_t i = 0; i < frames; ++i) {
    const PagePose pose = DeskAt(scene, i).pages.at(0).pose;
    EXPECT_EQ(pose.angle, -4);
    EXPECT_GT(pose.x, lastX);
    lastX = pose.x;
  }
  EXPECT_EQ(DeskAt(scene, frames).pages.at(0).pose, (PagePose{200, 160, -4}));
}

TEST(MotionSteps, ATurnedOverPageShowsItsBackInThePlaceItLay) {
  const Scene scene = Parsed(
      "page front 210 297\npage back 210 297 seed 8\n"
      "place front 200 160 2\nwait 200\nturn-over front back\nwait 5000\n");
  const std::size_t front = PageIndex(scene, "front");
  const std::size_t back = PageIndex(scene, "back");
  const std::int64_t gone = FirstWithoutHand(scene, StepFrames(scene, 200));
  bool liftedFrame = false;
  for (std::int64_t i = 0; i < gone; ++i) {
    const DeskState desk = DeskAt(scene, i);
    liftedFrame = liftedFrame || (Find(desk, front) == nullptr && Find(desk, back) == nullptr);
  }
  EXPECT_TRUE(liftedFrame);
  const DeskState after = DeskAt(scene, gone);
  ASSERT_EQ(after.pages.size(), 1u);
  EXPECT_EQ(after.pages[0].page, back);
  EXPECT_EQ(after.pages[0].pose, (PagePose{200, 160, 2}));
}

TEST(MotionSteps, AnExchangedPageTakesTheOldOnesPlaceFromOneFrameToTheNext) {
  const Scene scene = Parsed(
      "rate 10\npage a 210 297\npage b 148 210\n"
      "place a 200 160 2\nmove a 210 150 1 500\nwait 500\nexchange a b\nwait 500\n");
  const DeskState before = DeskAt(scene, 9);
  const DeskState after = DeskAt(scene, 10);
  ASSERT_EQ(before.pages.size(), 1u);
  ASSERT_EQ(after.pages.size(), 1u);
  EXPECT_EQ(before.pages[0].page, PageIndex(scene, "a"));
  EXPECT_EQ(after.pages[0].page, PageIndex(scene, "b"));
  EXPECT_EQ(after.pages[0].pose, (PagePose{210, 150, 1}));
}

TEST(MotionSteps, AStackLaysItsPagesOneOnAnotherEachWithItsOwnInk) {
  const Scene scene = Parsed("rate 30\nstack s 5 220 165 rest 1000\n");
  std::set<std::tuple<int, int, int>> inks;
  for (int i = 1; i <= 5; ++i) {
    const PageLayout& page = scene.pages[PageIndex(scene, "s" + std::to_string(i))];
    inks.insert({page.ink.red, page.ink.green, page.ink.blue});
    EXPECT_LT(0.299 * page.ink.red + 0.587 * page.ink.green + 0.114 * page.ink.blue, 100);
  }
  EXPECT_EQ(inks.size(), 5u);
  // After each page's rest the next one arrives over it; at the end all five lie in order.
  std::int64_t frame = 0;
  for (std::size_t i = 0; i < 5; ++i) {
    frame = FirstWithoutHand(scene, frame);
    const DeskState desk = DeskAt(scene, frame);
    ASSERT_EQ(desk.pages.size(), i + 1);
    EXPECT_EQ(scene.pages[desk.pages.back().page].name, "s" + std::to_string(i + 1));
    frame += StepFrames(scene, 1000);
  }
}

TEST(MotionSteps, WrongLinesNameTheirLineAndLeaveNoHalfScene) {
  const auto error = [](std::string_view text) { return ParseScene(text).error; };
  EXPECT_EQ(error("lay p 1 2 3\n"), "line 1: no page \"p\" is defined");
  EXPECT_EQ(error("page a 10 10\npage b 10 10\nexchange a b\n"), "line 3: page \"a\" is not on the desk");
  EXPECT_EQ(error("page a 10 10\nplace a 1 1 0\nturn-over a a\n"), "line 3: a page cannot take its own place");
  EXPECT_EQ(error("page a 10 10\nslide a 1 2 3 0\n"), "line 2: the slide must last longer than 0");
  EXPECT_EQ(error("stack s 0 1 2\n"), "line 1: a stack has 1 to 500 pages");
  EXPECT_EQ(error("stack s 2.5 1 2\n"), "line 1: a stack has 1 to 500 pages");
  EXPECT_EQ(error("stack s 2 1 2 pause 3\n"), "line 1: expected \"rest MS\" after the position");
  EXPECT_EQ(error("page s2 10 10\nstack s 3 1 2\n"), "line 2: page \"s2\" is defined twice");
  EXPECT_EQ(error("page a 10 10\nlay a 1 x 3\n"), "line 2: \"x\" is not a number");
  EXPECT_EQ(error("page a 10 10\nlay hand 1 2 3\n"), "line 2: no page \"hand\" is defined");

  Scene scene;
  std::string message;
  EXPECT_FALSE(AddMotionLine("stack", {"s", "2", "1", "2", "rest", "-1"}, scene, message));
  EXPECT_TRUE(scene.pages.empty());
  EXPECT_TRUE(scene.script.empty());
}

}  // namespace
}  // namespace capture
