// The marks over the live preview and the mouse: the selection frame and
// the crop region it hands to the camera, the ID-card guide frame with its
// zones and limits, the detected page outline, and the banner.
#include <gtest/gtest.h>

#include <algorithm>

#include "imaging/picture_file.h"
#include "ui/main_dialog_fixture.h"
#include "ui/page_outline.h"

namespace ui_testing {
namespace {

using namespace ui;
using namespace dialog_ids::main_dialog;
namespace headless = platform::headless;
using platform::Point;

constexpr unsigned kLeft = platform::kMouseLeftButton;

// The marks of one kind drawn since the record was last cleared.
std::vector<headless::DrawnMark> Marks(headless::DrawnMark::Kind kind) {
  std::vector<headless::DrawnMark> marks;
  for (const headless::DrawnMark& mark : headless::Drawing()) {
    if (mark.kind == kind) marks.push_back(mark);
  }
  return marks;
}

class OverlayTest : public MainDialogTest {
 protected:
  void SetUp() override {
    Enable();
    // The preview: 534 x 400 pixels at client (8, 8), the client area at screen (100, 130).
    ASSERT_EQ(Dialog().ItemClientRect(kPreviewControl), (platform::Rect{8, 8, 542, 408}));
    ASSERT_EQ(Dialog().ClientToScreen({0, 0}), (Point{100, 130}));
  }
  capture::StillParameters Still() const { return source->GrabberCallback().Parameters(); }
  // The guide frame as timer 2 draws it: its outline's corners.
  platform::Rect DrawnGuideFrame() {
    headless::ClearDrawing();
    headless::AdvanceClock(kOverlayPeriod);
    const auto lines = Marks(headless::DrawnMark::Kind::Polyline);
    if (lines.empty() || lines[0].points.size() != 5) return {};
    return {lines[0].points[0].x, lines[0].points[0].y, lines[0].points[2].x, lines[0].points[2].y};
  }
};

TEST_F(OverlayTest, ADraggedFrameBecomesTheCropRegionOfTheNextShot) {
  Dialog().Drag({108, 58}, {308, 258}, 0);
  EXPECT_TRUE(source->UserSettings().cropFrameShown);
  EXPECT_TRUE(Dialog().IsTimerRunning(kSelectionFrameTimer));
  EXPECT_EQ(Still().cropMode, 2);
  EXPECT_EQ(Still().cropRect, (capture::CropRect{1872, 1250, 5617, 6250}));

  // The frame is redrawn in magenta while it is shown (beside the page outline's thick line).
  headless::ClearDrawing();
  headless::AdvanceClock(kOverlayPeriod);
  const auto lines = Marks(headless::DrawnMark::Kind::Polyline);
  const auto frame = std::find_if(lines.begin(), lines.end(), [](const auto& mark) { return mark.penWidth == 1; });
  ASSERT_NE(frame, lines.end());
  EXPECT_EQ(frame->colour, (platform::Rgb{255, 0, 255}));
  EXPECT_EQ(frame->points.front(), (Point{108, 58}));
  EXPECT_EQ(frame->points[2], (Point{308, 258}));

  ASSERT_TRUE(Dialog().Click(kScanButton));
  const imaging::Picture shot = imaging::LoadPicture(Picture("twainrgb1.bmp"));
  EXPECT_NEAR(shot.Width(), 160 * (5617 - 1872) / 10000, 2);
  EXPECT_NEAR(shot.Height(), 120 * (6250 - 1250) / 10000, 2);
}

TEST_F(OverlayTest, ADragOfFivePixelsOrLessLeavesNoFrame) {
  Dialog().Drag({200, 200}, {205, 260}, 0);
  EXPECT_FALSE(source->UserSettings().cropFrameShown);
  EXPECT_FALSE(Dialog().IsTimerRunning(kSelectionFrameTimer));
  EXPECT_EQ(Still().cropMode, 0);
}

TEST_F(OverlayTest, AMoveWithShiftHeldEndsTheDragAndKeepsASmallFrame) {
  Dialog().LeftButtonDown({200, 200}, kLeft);
  Dialog().MouseMove({203, 203}, kLeft);
  Dialog().MouseMove({250, 250}, kLeft | platform::kMouseShift);
  EXPECT_TRUE(source->UserSettings().cropFrameShown);
  EXPECT_EQ(Still().cropMode, 0);         // too small for a region
  Dialog().MouseMove({300, 300}, kLeft);  // the drag is over: the corner stays
  EXPECT_EQ(source->UserSettings().cropFrameEnd, (settings::ClientPoint{203, 203}));
}

TEST_F(OverlayTest, ClicksOutsideThePreviewStartNoFrame) {
  Dialog().Drag({4, 4}, {300, 300}, 0);
  EXPECT_FALSE(source->UserSettings().cropFrameShown);
}

TEST_F(OverlayTest, TheGuideFrameIsPlacedFromTheSettingsAndShowsTheSide) {
  ASSERT_TRUE(Dialog().Click(kIdCardRadio));
  EXPECT_EQ(DrawnGuideFrame(), (platform::Rect{198, 158, 352, 256}));
  const auto texts = Marks(headless::DrawnMark::Kind::Text);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "Front");
  EXPECT_EQ(texts[0].font.face, "Arial");
  EXPECT_EQ(Marks(headless::DrawnMark::Kind::Rectangle).size(), 8u);  // the handles

  ASSERT_TRUE(Dialog().Click(kScanButton));
  DrawnGuideFrame();
  ASSERT_FALSE(Marks(headless::DrawnMark::Kind::Text).empty());
  EXPECT_EQ(Marks(headless::DrawnMark::Kind::Text)[0].text, "Back");
}

TEST_F(OverlayTest, DraggingInsideMovesTheGuideFrameAndTheSettingsFollow) {
  ASSERT_TRUE(Dialog().Click(kIdCardRadio));
  Dialog().MouseMove({275, 207}, kLeft);  // the first move only marks where the drag starts
  EXPECT_EQ(Dialog().CurrentCursor(), platform::Cursor::Hand);
  Dialog().MouseMove({285, 212}, kLeft);
  EXPECT_EQ(DrawnGuideFrame(), (platform::Rect{208, 163, 362, 261}));
  EXPECT_EQ(source->UserSettings().idLeft, 3745);
  EXPECT_EQ(source->UserSettings().idUp, 3875);

  // Saved and placed again, the frame comes back where it was left, give or take a pixel of rounding.
  source->UserSettingsFile().SaveSettings();
  ASSERT_TRUE(Dialog().Click(kDefaultRadio));
  source->UserSettings() = settings::Settings{};
  source->UserSettingsFile().LoadSettings();
  ASSERT_TRUE(Dialog().Click(kIdCardRadio));
  const platform::Rect again = DrawnGuideFrame();
  EXPECT_NEAR(again.left, 208, 1);
  EXPECT_NEAR(again.top, 163, 1);
  EXPECT_NEAR(again.right, 362, 1);
  EXPECT_NEAR(again.bottom, 261, 1);
}

TEST_F(OverlayTest, TheGuideFrameKeepsItsLimits) {
  ASSERT_TRUE(Dialog().Click(kIdCardRadio));
  // A corner zone moves its two edges.
  Dialog().MouseMove({352, 256}, 0);
  EXPECT_EQ(Dialog().CurrentCursor(), platform::Cursor::SizeNwSe);
  Dialog().MouseMove({352, 256}, kLeft);
  Dialog().MouseMove({362, 266}, kLeft);
  EXPECT_EQ(DrawnGuideFrame(), (platform::Rect{198, 158, 362, 266}));

  // Pulled right in steps, the right edge stops more than 5 pixels short of the preview's edge (542).
  Dialog().MouseMove({362, 207}, 0);
  EXPECT_EQ(Dialog().CurrentCursor(), platform::Cursor::SizeWe);
  for (int x = 362; x <= 560; x += 10) Dialog().MouseMove({x, 207}, kLeft);
  EXPECT_EQ(DrawnGuideFrame().right, 532);
  // Pushed right, the left edge stops while the frame is still more than 20 pixels wide.
  Dialog().MouseMove({198, 207}, 0);
  for (int x = 198; x <= 560; x += 10) Dialog().MouseMove({x, 207}, kLeft);
  EXPECT_EQ(DrawnGuideFrame(), (platform::Rect{508, 158, 532, 266}));
}

TEST_F(OverlayTest, ClicksInIdCardModeNeverStartASelection) {
  ASSERT_TRUE(Dialog().Click(kIdCardRadio));
  Dialog().Drag({108, 58}, {308, 258}, 0);
  EXPECT_FALSE(source->UserSettings().cropFrameShown);
}

TEST_F(OverlayTest, TheOutlineTimerDrawsTheDetectedPageAndClearsTheDetectionOutsideAutomaticScanning) {
  // Both corrections are on at first start: painting started the outline timer.
  ASSERT_TRUE(Dialog().IsTimerRunning(kPageOutlineTimer));
  imaging::DetectedPage& page = source->PageDetection();
  imaging::PageQuad quad;
  quad.corners = {{{20, 10}, {140, 10}, {20, 100}, {140, 100}}};
  page.SetQuad(quad);
  page.pageDetected.store(true);
  headless::ClearDrawing();
  headless::AdvanceClock(kOverlayPeriod);
  EXPECT_FALSE(page.pageDetected.load());
  const auto lines = Marks(headless::DrawnMark::Kind::Polyline);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].penWidth, 3);
  EXPECT_EQ(lines[0].points.size(), 5u);

  // While the automatic scanning's detection runs, a repaint restarts the
  // timer, and the page it found stays for the shot timer to take.
  page.autoScanRunning.store(true);
  page.pageDetected.store(true);
  Dialog().Paint();
  headless::AdvanceClock(4 * kOverlayPeriod);
  EXPECT_TRUE(page.pageDetected.load());
  page.autoScanRunning.store(false);
}

TEST_F(OverlayTest, PaintingDrawsTheBannerUnderTheRotationList) {
  headless::ClearDrawing();
  Dialog().Paint();
  const auto texts = Marks(headless::DrawnMark::Kind::CentredText);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "Mervale Imaging");
  EXPECT_EQ(texts[0].font.face, "Times New Roman");
  EXPECT_TRUE(texts[0].font.italic);
  EXPECT_EQ(texts[0].colour, (platform::Rgb{240, 240, 240}));
  const platform::Rect list = Dialog().ItemClientRect(kRotationList);
  EXPECT_EQ(texts[0].rect.top, list.bottom + 3);
  EXPECT_EQ(texts[0].rect.bottom, list.bottom + 30);
}

TEST(PageOutline, MapsFrameCornersOntoThePreview) {
  imaging::PageQuad quad;
  quad.corners = {{{40, 30}, {120, 30}, {40, 90}, {120, 90}}};
  const auto points = MapOutline(quad, {100, 200, 500, 500}, {160, 120, 0, {}});
  // P1 near the top-left, then P2, P4, P3 measured back from the far edges.
  EXPECT_EQ(points[0], (Point{201, 275}));
  EXPECT_EQ(points[1], (Point{397, 273}));
  EXPECT_EQ(points[2], (Point{397, 423}));
  EXPECT_EQ(points[3], (Point{201, 425}));
  // Without a known frame size the outline collapses onto the corners.
  const auto unknown = MapOutline(quad, {100, 200, 500, 500}, {});
  EXPECT_EQ(unknown[0], (Point{101, 200}));
  EXPECT_EQ(unknown[2], (Point{497, 498}));
}

}  // namespace
}  // namespace ui_testing
