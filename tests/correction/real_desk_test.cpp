// Our edge finder on desks as real desks look, and the position correction
// of a still shot from a picture file by the virtual camera.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/bmp_file.h"
#include "imaging/correction/correction.h"
#include "imaging/picture_file.h"
#include "made_pages.h"
#include "support/temp_dir.h"

namespace {

using namespace correction_testing;

struct Found {
  double angle = 99;
  Rect page;
  std::int32_t found = -1;
};

class RealDeskTest : public ::testing::Test {
 protected:
  // The scene's first frame at 800 x 600, brightened as a work picture, measured.
  Found Measure(const std::string& sceneText) {
    frame = Render(sceneText, 800, 600);
    imaging::AdjustBrightnessContrast(frame.picture, 25, 0);
    imaging::SaveBmp(frame.picture, input);
    Found f;
    std::int32_t width = 0, height = 0, sides = 0;
    float left = -1, top = -1, right = -1, bottom = -1;
    finder->FindEdge(input.c_str(), output.c_str(), &f.angle, &width, &height, &left, &top, &right, &bottom, &f.found,
                     &sides);
    f.page = {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right), static_cast<int>(bottom)};
    return f;
  }
  void ExpectNoPage(const Found& f) {
    EXPECT_EQ(f.found, 0);
    EXPECT_EQ(f.angle, 0.0);
    EXPECT_EQ(f.page.left, 0);
    EXPECT_EQ(f.page.top, 0);
    EXPECT_EQ(f.page.right, 800);
    EXPECT_EQ(f.page.bottom, 600);
  }

  testing_support::TempDir folder;
  std::string input = folder.File("in_pai.bmp");
  std::string output = folder.File("out_pai.bmp");
  std::unique_ptr<imaging::correction::EdgeFinder> finder = imaging::correction::MakePageEdgeFinder();
  RenderedFrame frame;
};

constexpr const char* kLightWood =
    "field 440\ndesk 186 152 116\nwood seed 7\nvignette 0.3\nlight 0.25 200\n"
    "object round 385 70 64 64 250 250 246\nobject rect 70 262 130 14\n";

TEST_F(RealDeskTest, BareDesksWithGrainShadowsAndWhiteThingsHoldNoPage) {
  ExpectNoPage(Measure(kLightWood));
  ExpectNoPage(Measure(std::string(kLightWood) + "shadow 220 150 200 120 0.4\n"));
  ExpectNoPage(Measure("field 440\ndesk 50 46 48\nwood seed 2\nvignette 0.6\nperspective 0.05\n"));
  // A white surface running out of the picture beside a grey desk is no page either.
  ExpectNoPage(Measure("field 440\ndesk 120 110 118\nobject rect 420 165 120 400 240 240 236\n"));
}

TEST_F(RealDeskTest, APageOnLightWoodBesideWhiteThingsIsFoundWhole) {
  const Found f = Measure(std::string(kLightWood) + "page p 210 297 seed 5 text\nplace p 215 165 -7\n");
  EXPECT_EQ(f.found, 1);
  EXPECT_NEAR(f.angle, 7.0, 0.2);
  EXPECT_GT(Overlap(f.page, TruePage(frame, 7.0)), 0.95);
}

TEST_F(RealDeskTest, AShadowOverHalfThePageDoesNotCutItInHalf) {
  const Found f =
      Measure("field 440\ndesk 90 80 70\npage p 210 297 seed 6\nplace p 220 165 4\nshadow 220 300 440 300 0.45\n");
  EXPECT_NEAR(f.angle, -4.0, 0.2);
  EXPECT_GT(Overlap(f.page, TruePage(frame, -4.0)), 0.95);
}

TEST_F(RealDeskTest, PaperNoLighterThanTheDeskIsFoundByItsEdges) {
  // Bluish white paper on a pink desk of nearly its lightness.
  const Found f = Measure("field 440\ndesk 205 180 190\npage p 210 297 seed 8 paper 196 188 236\nplace p 220 165 -5\n");
  EXPECT_EQ(f.found, 1);
  EXPECT_NEAR(f.angle, 5.0, 0.3);
  EXPECT_GT(Overlap(f.page, TruePage(frame, 5.0)), 0.93);
}

// A dark cable lying straight across a light desk and the page on it, and
// a soft shadow over the page's top-left: the cable's edge is no side of
// the page, which is found whole; the desk alone holds no page.
constexpr const char* kCableDesk = "field 440\ndesk 228 220 222\nshadow 220 200 440 10 0.9\nshadow 100 90 60 140 0.6\n";

TEST_F(RealDeskTest, ACableAcrossThePageDoesNotCutItOff) {
  ExpectNoPage(Measure(kCableDesk));
  for (const double angle : {0.5, -6.0, 10.0}) {
    const Found f = Measure(std::string(kCableDesk) + "page p 210 297 seed 62 text\nplace p 214 165 " +
                            std::to_string(angle) + "\n");
    EXPECT_EQ(f.found, 1) << angle;
    EXPECT_NEAR(f.angle, -angle, 0.1) << angle;
    EXPECT_GT(Overlap(f.page, TruePage(frame, -angle)), 0.97) << angle;
  }
}

// A greyish page lying on a larger sheet of white copy paper turned a
// little differently, on a desk darker than both: the sheet's outline
// closes round the page too, but the page is what is measured.
TEST_F(RealDeskTest, APageOnALargerLighterSheetIsFoundNotTheSheet) {
  const std::pair<double, double> poses[] = {{0, 4}, {-6, -2}, {10, 6}, {3, -1}};  // the page's and the sheet's turn
  for (const auto& [angle, sheetAngle] : poses) {
    const Found f = Measure(
        "field 440\ndesk 185 178 175\npage sheet 196 262 seed 80 paper 228 228 225 ink 228 228 225\n"
        "page p 148 210 seed 81 paper 210 208 202\nplace sheet 210 168 " +
        std::to_string(sheetAngle) + "\nplace p 208 165 " + std::to_string(angle) + "\n");
    EXPECT_EQ(f.found, 1) << angle;
    EXPECT_NEAR(f.angle, -angle, 0.1) << angle;
    EXPECT_GT(Overlap(f.page, TruePage(frame, -angle)), 0.97) << angle;
  }
}

// A page lying on a narrower sheet of the same paper that shows below it
// turned another way: the outline closing round both has the sheet's bottom edge,
// but the page's print runs along the page's own top and bottom, and the
// angle is the page's.
TEST_F(RealDeskTest, APageOnAStackIsTurnedAsItsPrintRunsNotAsTheSheetBeneath) {
  const std::pair<double, double> poses[] = {{2, -5}, {-4, 3}, {0, 6}};  // the page's and the sheet's turn
  for (const auto& [angle, sheetAngle] : poses) {
    const Found f = Measure(
        "field 440\ndesk 90 80 70\npage sheet 120 210 seed 90 paper 236 235 230 ink 236 235 230\n"
        "page p 148 210 seed 91 paper 236 235 230\nplace sheet 214 185 " +
        std::to_string(sheetAngle) + "\nplace p 214 165 " + std::to_string(angle) + "\n");
    EXPECT_EQ(f.found, 1) << angle;
    EXPECT_NEAR(f.angle, -angle, 0.5) << angle;
  }
}

// Nor is a photograph with the block of text under it taken for a page on
// a sheet: the page holding them is found whole.
TEST_F(RealDeskTest, APhotographAndTextOnAPageAreNotAPageOnASheet) {
  const std::pair<double, double> poses[] = {{291, 0}, {307, 2}, {301, -6}};  // across and turn; down is 205
  for (const auto& [across, angle] : poses) {
    const Found f = Measure("field 520\ndesk 104 84 66\npage wide 250 176 seed 27 photo\nplace wide " +
                            std::to_string(across) + " 205 " + std::to_string(angle) + "\n");
    EXPECT_EQ(f.found, 1) << angle;
    EXPECT_NEAR(f.angle, -angle, 0.1) << angle;
    EXPECT_GT(Overlap(f.page, TruePage(frame, -angle)), 0.97) << angle;
  }
}

TEST_F(RealDeskTest, PagesOverABorderOrACornerOrPartlyHiddenAreMeasuredByWhatTheyShow) {
  struct Case {
    const char* what;
    const char* page;
    double angle;  // the turn that straightens it
  };
  const Case cases[] = {
      {"over the top", "page p 210 297 seed 6\nplace p 220 130 5\n", -5},
      {"over the left", "page p 297 210 seed 6\nplace p 100 165 -4\n", 4},
      {"over the top-left corner", "page p 210 297 seed 6\nplace p 60 60 3\n", -3},
      {"a dark hand over its right side", "page p 210 297 seed 6\nplace p 220 165 6\nshadow 330 165 40 60 0.8\n", -6},
      {"turned far", "page p 148 210 seed 6\nplace p 220 165 30\n", -30},
      {"over the bottom, turned 15 degrees", "page p 210 297 seed 6\nplace p 200 230 15\n", -15},
  };
  for (const Case& c : cases) {
    const Found f = Measure(std::string("field 440\ndesk 90 80 70\n") + c.page);
    EXPECT_EQ(f.found, 1) << c.what;
    EXPECT_NEAR(f.angle, c.angle, 0.1) << c.what;
    EXPECT_GT(Overlap(f.page, TruePage(frame, c.angle)), 0.97) << c.what;
  }
}

// A 16:9 picture file played by the virtual camera: the still is turned
// straight and cropped to the page in its own proportions.
TEST(PictureStill, AStillShotFromAPictureFileIsStraightenedAndCropped) {
  testing_support::TempDir folder;
  const RenderedFrame recorded =
      Render("field 480\ndesk 70 60 55\npage p 148 210 seed 9 paper 250 250 250\nplace p 240 135 12\n", 1280, 720);
  const std::string file = folder.File("recorded.jpg");
  ASSERT_TRUE(imaging::SavePicture(recorded.picture, file, imaging::PictureFormat::Jpeg));
  const RenderedFrame shot = Render("format RGB24 1920 1080\npicture " + file + "\n", 1920, 1080);
  ASSERT_EQ(shot.picture.Width(), 1920);

  Picture still = shot.picture;
  imaging::correction::AutomaticCorrection correction;
  correction.CorrectStill(still, folder.Path(), imaging::CorrectionSwitches{.autoCrop = true});
  // The page is 148 x 210 mm of a 480 mm field shown 1920 pixels wide: 592 x 840 pixels.
  EXPECT_NEAR(still.Width(), 592, 592 * 0.04);
  EXPECT_NEAR(still.Height(), 840, 840 * 0.04);
  // Straight: the page's paper reaches the crop's corners' neighbourhood on every side.
  for (auto [x, y] : {std::pair{15, 15},
                      {still.Width() - 15, 15},
                      {15, still.Height() - 15},
                      {still.Width() - 15, still.Height() - 15}}) {
    EXPECT_GT(At(still, x, y).red, 200) << x << "," << y;
  }
}

}  // namespace
