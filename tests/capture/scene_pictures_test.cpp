// Recorded pictures played by the virtual camera, and the desk drawn as real
// desks look: the scene lines, which picture each frame shows, and what the
// frames hold.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "capture/virtual/scene_renderer.h"
#include "imaging/picture_file.h"
#include "support/temp_dir.h"

namespace capture {
namespace {

Scene Parse(const std::string& text) {
  SceneParseResult result = ParseScene(text);
  EXPECT_TRUE(result.scene) << result.error;
  return result.scene ? *result.scene : Scene{};
}

std::string ParseError(const std::string& text) {
  SceneParseResult result = ParseScene(text);
  EXPECT_FALSE(result.scene);
  return result.error;
}

// Colour of column x of picture row y (0 = top) of a frame.
Rgb PixelAt(const std::vector<std::uint8_t>& frame, int width, int height, int x, int y) {
  const std::uint8_t* p = frame.data() + static_cast<std::size_t>(height - 1 - y) * FrameStride(width) + x * 3;
  return {p[2], p[1], p[0]};
}

std::vector<std::uint8_t> Draw(const Scene& scene, std::int64_t index, int width, int height) {
  std::vector<std::uint8_t> frame;
  SceneRenderer(std::make_shared<const Scene>(scene)).Render(DeskAt(scene, index), width, height, frame);
  return frame;
}

int Lightness(Rgb c) { return (299 * c.red + 587 * c.green + 114 * c.blue) / 1000; }

class PicturesTest : public ::testing::Test {
 protected:
  // A picture of 4 x 2 pixels: left half red, right half blue.
  std::string WritePicture(const std::string& name, imaging::PictureFormat format) {
    imaging::Picture picture(4, 2, 24);
    picture.Fill({0, 0, 2, 2}, {200, 10, 10});
    picture.Fill({2, 0, 4, 2}, {10, 10, 200});
    const std::string path = folder.File(name);
    EXPECT_TRUE(imaging::SavePicture(picture, path, format));
    return path;
  }
  testing_support::TempDir folder;
};

TEST_F(PicturesTest, APictureFileIsTheFrameStretchedToTheFormat) {
  const std::string path = WritePicture("desk.png", imaging::PictureFormat::Png);
  const Scene scene = Parse("page p 20 20\nplace p 300 5 0\npicture \"" + path + "\"\n");
  ASSERT_EQ(scene.pictures.size(), 1u);
  const std::vector<std::uint8_t> frame = Draw(scene, 0, 40, 20);
  EXPECT_EQ(PixelAt(frame, 40, 20, 2, 10), (Rgb{200, 10, 10}));
  EXPECT_EQ(PixelAt(frame, 40, 20, 37, 3), (Rgb{10, 10, 200}));
  // The last picture stays once the pictures have played.
  EXPECT_EQ(DeskAt(scene, 500).picture, std::optional<std::size_t>{0});
}

TEST_F(PicturesTest, AFolderPlaysItsPicturesInNameOrderAndLoops) {
  WritePicture("b.bmp", imaging::PictureFormat::Bmp);
  WritePicture("a.jpg", imaging::PictureFormat::Jpeg);
  WritePicture("c.png", imaging::PictureFormat::Png);
  std::filesystem::create_directory(folder.File("not-a-picture.png"));
  { std::ofstream(folder.File("notes.txt")) << "not played"; }
  const Scene scene = Parse("rate 10\npictures " + folder.Path() + " 200\nloop\n");
  ASSERT_EQ(scene.pictures.size(), 3u);
  EXPECT_EQ(std::filesystem::path(scene.pictures[0].path).filename(), "a.jpg");
  EXPECT_EQ(std::filesystem::path(scene.pictures[2].path).filename(), "c.png");
  // Two frames each at 10 frames a second, then from the first again.
  const std::size_t expected[] = {0, 0, 1, 1, 2, 2, 0};
  for (std::int64_t i = 0; i < 7; ++i) EXPECT_EQ(PictureAt(scene, i), expected[i]) << i;
  EXPECT_FALSE(PictureAt(Parse("rate 10\n"), 0));
}

TEST_F(PicturesTest, MissingOrWrongPicturesAreErrorsOfTheirLine) {
  const std::string path = WritePicture("p.png", imaging::PictureFormat::Png);
  EXPECT_EQ(ParseError("rate 5\npicture " + folder.File("none.png") + "\n").rfind("line 2: ", 0), 0u);
  { std::ofstream(folder.File("notes.txt")) << "text"; }
  EXPECT_NE(ParseError("picture " + folder.File("notes.txt") + "\n"), "");
  EXPECT_NE(ParseError("picture " + path + " -5\n"), "");
  EXPECT_NE(ParseError("picture\n"), "");
  std::filesystem::create_directory(folder.File("empty"));
  EXPECT_NE(ParseError("pictures " + folder.File("empty") + "\n"), "");
  EXPECT_NE(ParseError("pictures " + folder.File("absent") + "\n"), "");
}

TEST_F(PicturesTest, APictureThatCanNoLongerBeReadShowsTheDesk) {
  const std::string path = WritePicture("gone.png", imaging::PictureFormat::Png);
  const Scene scene = Parse("desk 1 2 3\npicture " + path + "\n");
  std::filesystem::resize_file(path, 10);
  EXPECT_EQ(PixelAt(Draw(scene, 0, 8, 8), 8, 8, 4, 4), (Rgb{1, 2, 3}));
}

TEST(DeskLook, LinesAreReadAndCheckedOneByOne) {
  const Scene scene = Parse(
      "wood seed 9\nvignette 0.3\nlight 0.2 45\nperspective 0.05\nshadow 10 20 30 40\nshadow 1 2 3 4 0.5\n"
      "object round 50 60 20 10\nobject rect 5 6 7 8 1 2 3\n");
  EXPECT_TRUE(scene.look.wood);
  EXPECT_EQ(scene.look.woodSeed, 9u);
  EXPECT_DOUBLE_EQ(scene.look.vignette, 0.3);
  EXPECT_DOUBLE_EQ(scene.look.lightAngle, 45);
  EXPECT_DOUBLE_EQ(scene.look.perspective, 0.05);
  ASSERT_EQ(scene.look.shadows.size(), 2u);
  EXPECT_DOUBLE_EQ(scene.look.shadows[0].depth, 0.35);
  EXPECT_DOUBLE_EQ(scene.look.shadows[1].depth, 0.5);
  ASSERT_EQ(scene.look.objects.size(), 2u);
  EXPECT_TRUE(scene.look.objects[0].round);
  EXPECT_EQ(scene.look.objects[1].colour, (Rgb{1, 2, 3}));
  for (const char* wrong : {"vignette 2\n", "light 0.2\n", "perspective x\n", "shadow 1 2 3\n", "shadow 1 2 3 4 9\n",
                            "object square 1 2 3 4\n", "object rect 1 2 3 4 1 2 300\n", "wood grain 3\n"}) {
    EXPECT_EQ(ParseError(std::string("rate 5\n") + wrong).rfind("line 2: ", 0), 0u) << wrong;
  }
}

TEST(DeskLook, WoodShadowsLightAndObjectsShowInTheFrame) {
  const int w = 200, h = 150;  // 1 px a mm
  const std::vector<std::uint8_t> plain = Draw(Parse("field 200\ndesk 150 120 90\n"), 0, w, h);
  const std::vector<std::uint8_t> wood = Draw(Parse("field 200\ndesk 150 120 90\nwood\n"), 0, w, h);
  int differingRows = 0;
  for (int y = 1; y < h; ++y)
    differingRows += Lightness(PixelAt(wood, w, h, 100, y)) != Lightness(PixelAt(wood, w, h, 100, y - 1));
  EXPECT_GT(differingRows, h / 2);  // grain across the rows
  EXPECT_EQ(PixelAt(plain, w, h, 100, 75), (Rgb{150, 120, 90}));

  const std::vector<std::uint8_t> lit = Draw(
      Parse("field 200\ndesk 150 150 150\nvignette 0.4\nshadow 150 75 40 40 0.5\nobject round 40 40 20 20\n"), 0, w, h);
  EXPECT_LT(Lightness(PixelAt(lit, w, h, 1, 1)), Lightness(PixelAt(lit, w, h, 100, 75)));  // darker corners
  EXPECT_LT(Lightness(PixelAt(lit, w, h, 150, 75)), 0.6 * Lightness(PixelAt(lit, w, h, 100, 75)));
  EXPECT_GT(Lightness(PixelAt(lit, w, h, 40, 40)), 200);  // the white object
}

TEST(DeskLook, PerspectiveNarrowsTheFarSideAndThePageCornersFollow) {
  const Scene scene =
      Parse("field 200\ndesk 0 0 0\nperspective 0.2\npage p 100 100 paper 255 255 255\nplace p 100 75 0\n");
  const std::vector<std::uint8_t> frame = Draw(scene, 0, 200, 150);
  const auto corners = PageCorners(scene, DeskAt(scene, 0).pages[0], 200, 150);
  // The top side is shorter than the bottom side, and the drawing agrees.
  EXPECT_LT(corners[1].x - corners[0].x, corners[2].x - corners[3].x - 10);
  EXPECT_GT(Lightness(PixelAt(frame, 200, 150, static_cast<int>(corners[0].x) + 2, 30)), 200);
  EXPECT_LT(Lightness(PixelAt(frame, 200, 150, static_cast<int>(corners[0].x) - 3, 30)), 50);
}

TEST(DeskLook, TextPagesCarryInkWithOrWithoutAFont) {
  const std::string text = "field 200\ndesk 0 0 0\npage p 150 140 seed 4 text\nplace p 100 75 0\n";
  const std::vector<std::uint8_t> frame = Draw(Parse(text), 0, 400, 300);
  int ink = 0;
  for (int y = 30; y < 270; ++y) {
    for (int x = 60; x < 340; ++x) ink += Lightness(PixelAt(frame, 400, 300, x, y)) < 100;
  }
  // Letters where the platform has a font, bars where it has none: ink either way.
  EXPECT_GT(ink, 1000);
}

}  // namespace
}  // namespace capture
