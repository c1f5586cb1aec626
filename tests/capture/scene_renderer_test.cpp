// What the virtual camera shows: the desk at each frame of the script, drawn
// as 24-bit bottom-up rows.
#include <gtest/gtest.h>

#include <cmath>

#include "capture/virtual/scene_renderer.h"

namespace capture {
namespace {

Scene Parse(std::string_view text) {
  SceneParseResult result = ParseScene(text);
  EXPECT_TRUE(result.scene) << result.error;
  return result.scene ? *result.scene : Scene{};
}

// Colour of the pixel at column x of picture row y (0 = top) of a frame.
Rgb PixelAt(const std::vector<std::uint8_t>& frame, int width, int height, int x, int y) {
  const std::uint8_t* p = frame.data() + static_cast<std::size_t>(height - 1 - y) * FrameStride(width) + x * 3;
  return {p[2], p[1], p[0]};
}

TEST(DeskScript, MovesRestsAndRemovesFrameByFrame) {
  // 10 frames a second: the move lasts 4 frames, the wait 3.
  const Scene scene = Parse("rate 10\npage p 100 100\nplace p 0 0 0\nmove p 40 80 8 400\nwait 300\nremove p\n");
  EXPECT_EQ(DeskAt(scene, 0).pages.at(0).pose, (PagePose{10, 20, 2}));
  EXPECT_EQ(DeskAt(scene, 3).pages.at(0).pose, (PagePose{40, 80, 8}));
  EXPECT_EQ(DeskAt(scene, 6).pages.at(0).pose, (PagePose{40, 80, 8}));
  EXPECT_TRUE(DeskAt(scene, 7).pages.empty());  // after the script: the desk as left
  EXPECT_TRUE(DeskAt(scene, 1000).pages.empty());
}

TEST(DeskScript, LoopsFromAnEmptyDesk) {
  const Scene scene = Parse("rate 10\npage p 100 100\nwait 200\nplace p 5 5 0\nwait 200\nloop\n");
  EXPECT_TRUE(DeskAt(scene, 1).pages.empty());
  EXPECT_EQ(DeskAt(scene, 2).pages.size(), 1u);
  EXPECT_TRUE(DeskAt(scene, 4).pages.empty());
  EXPECT_EQ(DeskAt(scene, 7).pages.size(), 1u);
}

TEST(DeskScript, ShortStepsLastAtLeastOneFrame) {
  const Scene scene = Parse("rate 10\nwait 1\n");
  EXPECT_EQ(StepFrames(scene, 1), 1);
  EXPECT_EQ(StepFrames(scene, 1000), 10);
}

TEST(SceneFrames, RowsAreBottomUpAndPaddedToFourBytes) {
  const auto scene =
      std::make_shared<Scene>(Parse("field 161\ndesk 10 20 30\npage p 40 20 paper 200 210 220\n"
                                    "place p 80.5 10 0\n"));
  SceneRenderer renderer(scene);
  std::vector<std::uint8_t> frame(7, 0xEE);
  renderer.Render(DeskAt(*scene, 0), 161, 100, frame);
  ASSERT_EQ(FrameStride(161), 484u);
  ASSERT_EQ(frame.size(), 484u * 100);
  EXPECT_EQ(frame[483], 0);  // padding
  // The page lies along the top of the picture: the last rows in memory.
  EXPECT_EQ(PixelAt(frame, 161, 100, 80, 1), (Rgb{200, 210, 220}));
  EXPECT_EQ(PixelAt(frame, 161, 100, 80, 99), (Rgb{10, 20, 30}));
  EXPECT_EQ(frame[0], 30);  // blue first: the bottom-left pixel is desk
  EXPECT_EQ(frame[2], 10);
}

TEST(SceneFrames, SameSceneAndFrameGiveTheSamePixels) {
  const auto scene = std::make_shared<Scene>(DefaultScene());
  SceneRenderer first(scene), second(scene);
  std::vector<std::uint8_t> a, b;
  const DeskState desk = DeskAt(*scene, 40);
  ASSERT_FALSE(desk.pages.empty());
  first.Render(desk, 640, 480, a);
  second.Render(desk, 640, 480, b);
  EXPECT_EQ(a, b);
  second.Render(DeskAt(*scene, 20), 640, 480, b);
  EXPECT_NE(a, b);  // the page was still moving
}

// The left edge of a skewed page, found row by row, is a straight line at the
// scripted angle; the page carries ink (text) and paper.
TEST(SceneFrames, PagesHaveStraightEdgesAtTheirSkewAndCarryText) {
  const auto scene = std::make_shared<Scene>(
      Parse("field 400\ndesk 0 0 0\npage p 210 297 paper 255 255 255 ink 0 0 255\nplace p 200 150 6\n"));
  SceneRenderer renderer(scene);
  std::vector<std::uint8_t> frame;
  const int width = 800, height = 600;  // 2 pixels a millimetre
  renderer.Render(DeskAt(*scene, 0), width, height, frame);

  auto leftEdge = [&](int y) {
    for (int x = 0; x < width; ++x) {
      if (PixelAt(frame, width, height, x, y) != Rgb{0, 0, 0}) return x;
    }
    return -1;
  };
  const int top = leftEdge(150), bottom = leftEdge(450);
  ASSERT_GE(top, 0);
  // Turned clockwise, the left edge leans left going down: 300 rows at 6 degrees.
  const double expected = 300 * std::tan(6 * 3.14159265358979 / 180);
  EXPECT_NEAR(top - bottom, expected, 2.0);

  int inked = 0, paper = 0;
  for (int y = 150; y < 450; ++y) {
    for (int x = 250; x < 550; ++x) {
      const Rgb p = PixelAt(frame, width, height, x, y);
      inked += p == Rgb{0, 0, 255};
      paper += p == Rgb{255, 255, 255};
    }
  }
  EXPECT_GT(inked, 300 * 300 / 20);
  EXPECT_GT(paper, inked);
}

TEST(SceneFrames, APhotoPageCarriesColoursBesidesPaperAndInk) {
  const auto scene = std::make_shared<Scene>(
      Parse("field 400\ndesk 0 0 0\npage p 210 297 paper 255 255 255 ink 0 0 255 photo\nplace p 200 150 0\n"));
  ASSERT_TRUE(scene->pages[0].photo);
  std::vector<std::uint8_t> frame;
  SceneRenderer(scene).Render(DeskAt(*scene, 0), 800, 600, frame);
  int photo = 0;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      const Rgb p = PixelAt(frame, 800, 600, x, y);
      photo += p != Rgb{0, 0, 0} && p != Rgb{255, 255, 255} && p != Rgb{0, 0, 255};
    }
  }
  EXPECT_GT(photo, 20000);
}

TEST(SceneFrames, PageCornersAreWhereThePageIsDrawn) {
  const Scene scene = Parse("field 400\npage p 100 60\nplace p 200 150 90\n");
  // Turned a quarter clockwise: the page's top-left corner lies at the top right.
  const auto corners = PageCorners(scene, DeskAt(scene, 0).pages.at(0), 800);
  EXPECT_NEAR(corners[0].x, 460, 1e-9);
  EXPECT_NEAR(corners[0].y, 200, 1e-9);
  EXPECT_NEAR(corners[2].x, 340, 1e-9);
  EXPECT_NEAR(corners[2].y, 400, 1e-9);
}

TEST(SceneFrames, DegenerateSizesGiveEmptyFrames) {
  SceneRenderer renderer(std::make_shared<Scene>(DefaultScene()));
  std::vector<std::uint8_t> frame(3);
  renderer.Render({}, 0, 480, frame);
  EXPECT_TRUE(frame.empty());
  renderer.Render({}, 640, -1, frame);
  EXPECT_TRUE(frame.empty());
}

}  // namespace
}  // namespace capture
