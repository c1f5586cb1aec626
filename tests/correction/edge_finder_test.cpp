// Our edge finder on work pictures of the virtual camera, whose truth is
// known: the angle that straightens the page and its rectangle once turned.
#include <gtest/gtest.h>

#include "imaging/bmp_file.h"
#include "imaging/correction/correction.h"
#include "made_pages.h"
#include "support/temp_dir.h"

namespace {

using namespace correction_testing;

struct Measured {
  double angle = 99;
  Rect page;
  std::int32_t width = -1, height = -1, found = -1, sidesSeen = -1;
};

class PageEdgeFinderTest : public ::testing::Test {
 protected:
  // Renders the scene's first frame as the work picture (800 × 600,
  // brightened by 25) and measures it.
  Measured Measure(const std::string& sceneText) {
    frame = Render(sceneText, 800, 600);
    imaging::AdjustBrightnessContrast(frame.picture, 25, 0);
    imaging::SaveBmp(frame.picture, input);
    return MeasureFile(input);
  }
  Measured MeasureFile(const std::string& path) {
    Measured m;
    float left = -1, top = -1, right = -1, bottom = -1;
    finder->FindEdge(path.c_str(), output.c_str(), &m.angle, &m.width, &m.height, &left, &top, &right, &bottom,
                     &m.found, &m.sidesSeen);
    m.page = {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right), static_cast<int>(bottom)};
    return m;
  }

  testing_support::TempDir folder;
  std::string input = folder.File("in_pai.bmp");
  std::string output = folder.File("out_pai.bmp");
  std::unique_ptr<imaging::correction::EdgeFinder> finder = imaging::correction::MakePageEdgeFinder();
  RenderedFrame frame;
};

TEST_F(PageEdgeFinderTest, ATextPageOnADarkerDeskIsStraightenedAndBounded) {
  const Measured m = Measure("page p 210 297 seed 5\nplace p 230 170 -8\n");
  EXPECT_NEAR(m.angle, 8.0, 0.2);
  EXPECT_GT(Overlap(m.page, TruePage(frame, 8.0)), 0.97);
  EXPECT_EQ(m.found, 1);
  EXPECT_EQ(m.sidesSeen, 4);
  EXPECT_EQ(m.width, 800);
  EXPECT_EQ(m.height, 600);
  // The page as the caller will crop it.
  const Picture written = imaging::LoadBmp(output);
  EXPECT_EQ(written.Width(), m.page.right - m.page.left);
  EXPECT_EQ(written.Height(), m.page.bottom - m.page.top);
}

TEST_F(PageEdgeFinderTest, APhotographOnThePageDoesNotDisturbIt) {
  const Measured m = Measure("desk 40 38 36\npage p 250 180 seed 6 photo\nplace p 210 160 12\n");
  EXPECT_NEAR(m.angle, -12.0, 0.2);
  EXPECT_GT(Overlap(m.page, TruePage(frame, -12.0)), 0.97);
}

TEST_F(PageEdgeFinderTest, APageOverThePicturesBorderIsMeasuredByTheEdgesItShows) {
  const Measured m = Measure("field 360\npage p 210 297 seed 7\nplace p 150 140 5\n");
  EXPECT_NEAR(m.angle, -5.0, 0.2);
  EXPECT_GT(Overlap(m.page, TruePage(frame, -5.0)), 0.95);
  EXPECT_EQ(m.sidesSeen, 2);
  // Turned, the picture's own top and bottom edges slant across the page.
  EXPECT_LE(m.page.top, 10);
  EXPECT_GE(m.page.bottom, 590);
}

TEST_F(PageEdgeFinderTest, ABareDeskIsTheWholePictureUnturned) {
  for (const char* desk : {"desk 104 84 66\n", "desk 200 200 200\n", "desk 10 10 10\n"}) {
    const Measured m = Measure(desk);
    EXPECT_EQ(m.angle, 0.0);
    EXPECT_EQ(m.page.left, 0);
    EXPECT_EQ(m.page.top, 0);
    EXPECT_EQ(m.page.right, 800);
    EXPECT_EQ(m.page.bottom, 600);
    EXPECT_EQ(m.found, 0);
  }
}

TEST_F(PageEdgeFinderTest, AnUnreadableFileStillGetsAllFourEdges) {
  const Measured m = MeasureFile(folder.File("missing.bmp"));
  EXPECT_EQ(m.angle, 0.0);
  EXPECT_EQ(m.page.left, 0);
  EXPECT_EQ(m.page.top, 0);
  EXPECT_EQ(m.page.right, 0);
  EXPECT_EQ(m.page.bottom, 0);
  EXPECT_EQ(m.found, 0);
}

}  // namespace
