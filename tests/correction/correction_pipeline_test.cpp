// Stills through the still pipelines with the automatic correction in
// place: each correction yields the files, counts and records the
// pipelines promise.
#include <gtest/gtest.h>

#include <filesystem>

#include "acquire/picture_files.h"
#include "imaging/bmp_file.h"
#include "imaging/correction/correction.h"
#include "made_pages.h"
#include "pipeline/fake_text_renderer.h"
#include "platform/global_memory.h"
#include "stills/still_pipeline.h"
#include "support/temp_dir.h"

namespace {

using namespace correction_testing;
using capture::PictureKind;

class NoBoxes final : public platform::MessageBoxes {
 public:
  int Show(const platform::MessageBoxRequest&) override { return platform::mb::kIdOk; }
};

class CorrectedStills : public ::testing::Test {
 protected:
  CorrectedStills() {
    settings.autoCorrect = 0;
    settings.autoCrop = 0;
    capValues.pixelType = 2;
    capValues.xResolution = 100;
    pipeline.SetCorrection(&correction);
  }
  capture::FrameView View(const Picture& picture) const {
    return {picture.Bytes().data(), static_cast<long>(picture.Bytes().size()), picture.Width(), picture.Height(), 0};
  }
  void Shoot(const Picture& picture, PictureKind kind = PictureKind::Colour) {
    capture::StillParameters parameters;
    parameters.kind = kind;
    parameters.frameWidth = picture.Width();
    parameters.frameHeight = picture.Height();
    pipeline.PrepareStill(parameters);
    pipeline.ProcessStill(View(picture), parameters);
  }
  void ShootPaged(const Picture& picture, PictureKind kind = PictureKind::Colour) {
    capture::StillParameters parameters;
    parameters.kind = kind;
    pipeline.PrepareStill(parameters);
    pipeline.ProcessStillPaged(View(picture), parameters);
  }
  std::string File(const char* name) const { return acquire::PictureFolder() + name; }
  void ExpectEntry(int number, const char* name, const Picture& stored) {
    const acquire::PageEntry& entry = *queue.Entry(number);
    EXPECT_EQ(entry.filePath, File(name));
    EXPECT_FLOAT_EQ(entry.widthInches, stored.Width() / 100.0f);
    EXPECT_FLOAT_EQ(entry.heightInches, stored.Height() / 100.0f);
  }

  testing_support::TempDir temp;
  testing_support::ScopedEnvironment temporary{"TMPDIR", temp.Path()};
  NoBoxes boxes;
  acquire::PageQueue queue{platform::SystemGlobalMemory(), boxes};
  settings::Settings settings;
  caps::StoredValues capValues;
  pipeline_testing::BlockTextRenderer renderer{4000, 100};
  imaging::StillPipeline pipeline{{queue, settings, capValues, boxes, renderer}};
  imaging::correction::AutomaticCorrection correction;
};

TEST_F(CorrectedStills, PositionCorrectionStoresTheStraightenedPageCutFromTheDesk) {
  settings.autoCorrect = 1;
  settings.autoCrop = 1;
  const RenderedFrame frame = Render("page p 148 210 seed 8\nplace p 200 160 -6\n", 1280, 960);
  Shoot(frame.picture);

  const Picture stored = imaging::LoadBmp(File("twainrgb1.bmp"));
  // The page is 148 × 210 mm of a 440 mm field: 430 × 611 pixels.
  EXPECT_NEAR(stored.Width(), 430, 12);
  EXPECT_NEAR(stored.Height(), 611, 12);
  EXPECT_EQ(queue.PictureCount(), 1);
  ExpectEntry(1, "twainrgb1.bmp", stored);
  EXPECT_EQ(pipeline.LastPicturePath(), File("twainrgb1.bmp"));
  EXPECT_TRUE(std::filesystem::exists(File("in_pai.bmp")));
  EXPECT_TRUE(std::filesystem::exists(File("out_pai.bmp")));
}

TEST_F(CorrectedStills, BlackEdgeRemovalCropsTheStillToItsLightContent) {
  settings.autoCrop = 1;
  Picture picture = Desk(320, 240, imaging::kBlack);
  DrawPage(picture, {50, 30, 250, 210});
  Shoot(picture, PictureKind::Grey);
  const Picture stored = imaging::LoadBmp(File("twaingray1.bmp"));
  EXPECT_EQ(stored.BitsPerPixel(), 8);
  EXPECT_NEAR(stored.Width(), 200, 2);
  EXPECT_NEAR(stored.Height(), 180, 2);
  ExpectEntry(1, "twaingray1.bmp", stored);
  EXPECT_FALSE(std::filesystem::exists(File("in_pai.bmp")));
}

TEST_F(CorrectedStills, SmartPagingStoresTheLeftAndRightPagesUnderTwoNumbers) {
  settings.smartPaging = 1;
  queue.SetPictureCount(4);
  Picture spread = Desk(640, 400);
  DrawPage(spread, {40, 40, 250, 360});
  DrawPage(spread, {256, 40, 600, 360});
  capValues.pixelType = 1;
  ShootPaged(spread, PictureKind::Grey);

  EXPECT_TRUE(std::filesystem::exists(File("twaingray5_tmp.bmp")));
  const Picture left = imaging::LoadBmp(File("twaingray5.bmp"));
  const Picture right = imaging::LoadBmp(File("twaingray6.bmp"));
  EXPECT_EQ(left.BitsPerPixel(), 8);
  EXPECT_NEAR(left.Width(), 210, 4);
  EXPECT_NEAR(right.Width(), 344, 4);
  EXPECT_EQ(queue.PictureCount(), 6);
  ExpectEntry(5, "twaingray5.bmp", left);
  ExpectEntry(6, "twaingray6.bmp", right);
  EXPECT_EQ(pipeline.LastPicturePath(), File("twaingray6.bmp"));
}

TEST_F(CorrectedStills, FingerErasingStoresThePageWithoutTheFingers) {
  settings.fingerErase = 1;
  Picture page = Desk(640, 400);
  DrawPage(page, {60, 40, 580, 360});
  page.Fill({30, 150, 100, 175}, kSkin);
  ShootPaged(page);
  const Picture stored = imaging::LoadBmp(File("twainrgb1.bmp"));
  EXPECT_EQ(SkinPixels(stored), 0);
  EXPECT_NEAR(stored.Width(), 520, 2);
  EXPECT_EQ(queue.PictureCount(), 1);
  ExpectEntry(1, "twainrgb1.bmp", stored);
}

TEST_F(CorrectedStills, CurveFlatteningStoresThePageWithStraightLines) {
  settings.curveFlatten = 1;
  Picture page = Desk(640, 480);
  DrawPage(page, {20, 20, 620, 460}, 30);
  const Picture bent = Bent(page, {20, 20, 620, 460}, [](int x, int) { return 18 * std::sin((x - 20) / 600.0 * 3.1); });
  ShootPaged(bent, PictureKind::BlackWhite);
  const Picture stored = imaging::LoadBmp(File("twainbw1.bmp"));
  EXPECT_EQ(stored.BitsPerPixel(), 1);
  ASSERT_FALSE(stored.Empty());
  ASSERT_GE(FirstLineSpread(bent, 60, 580), 12);
  EXPECT_LE(FirstLineSpread(stored, 40, stored.Width() - 40), 3);
  EXPECT_EQ(queue.PictureCount(), 1);
  ExpectEntry(1, "twainbw1.bmp", stored);
}

}  // namespace
