// The correction steps around the edge finder's and the page processor's
// call contracts, with recording fakes in their place.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "imaging/bmp_file.h"
#include "imaging/correction/correction.h"
#include "made_pages.h"
#include "support/temp_dir.h"

namespace {

using namespace correction_testing;
using imaging::correction::AutomaticCorrection;

// Answers each call with the next scripted angle and edges, and keeps what it was given.
class RecordingEdgeFinder final : public imaging::correction::EdgeFinder {
 public:
  struct Answer {
    double angle;
    float left, top, right, bottom;
  };
  struct Call {
    std::string input, output;
    double presetAngle;
    Picture work;
  };
  int FindEdge(const char* inputPath, const char* outputPath, double* angle, std::int32_t*, std::int32_t*, float* left,
               float* top, float* right, float* bottom, std::int32_t*, std::int32_t*) override {
    calls.push_back({inputPath, outputPath, *angle, imaging::LoadBmp(inputPath)});
    const Answer answer = answers.at(std::min(calls.size(), answers.size()) - 1);
    *angle = answer.angle;
    *left = answer.left;
    *top = answer.top;
    *right = answer.right;
    *bottom = answer.bottom;
    return 0;
  }
  std::vector<Answer> answers{{0, 0, 0, 800, 600}};
  std::vector<Call> calls;
};

class RecordingPageProcessor final : public imaging::correction::PageProcessor {
 public:
  struct Call {
    std::string input, output;
    std::optional<std::string> left, right;
    std::int32_t options[3];
    int mode, strength;
  };
  int Process(const char* inputPath, const char* outputPath, const char* leftPagePath, const char* rightPagePath,
              const std::int32_t* options, int mode, int strength) override {
    Call call{inputPath, outputPath, {}, {}, {options[0], options[1], options[2]}, mode, strength};
    if (leftPagePath != nullptr) call.left = leftPagePath;
    if (rightPagePath != nullptr) call.right = rightPagePath;
    calls.push_back(call);
    return 0;
  }
  std::vector<Call> calls;
};

class AutomaticCorrectionTest : public ::testing::Test {
 protected:
  testing_support::TempDir folder;
  imaging::CorrectionSwitches switches;
  RecordingEdgeFinder finder;
  RecordingPageProcessor processor;
  AutomaticCorrection correction{finder, processor};
};

TEST_F(AutomaticCorrectionTest, TheWorkPictureIsUprightUnlessTheStillIsWiderAndKeepsItsProportions) {
  for (auto [w, h, workW, workH] : {std::tuple{30, 40, 600, 800},
                                    {40, 30, 800, 600},
                                    {40, 40, 600, 600},
                                    {1920, 1080, 800, 450},
                                    {100, 20, 800, 160},
                                    {3000, 2, 800, 1}}) {
    Picture still = Desk(w, h, {100, 100, 100});
    correction.CorrectStill(still, folder.Path(), switches);
    const Picture& work = finder.calls.back().work;
    EXPECT_EQ(work.Width(), workW);
    EXPECT_EQ(work.Height(), workH);
    // Brightened by 25, contrast unchanged.
    EXPECT_EQ(work.GetPixel(5, 5), (Rgb{125, 125, 125}));
  }
  EXPECT_EQ(finder.calls.back().input, folder.File("in_pai.bmp"));
  EXPECT_EQ(finder.calls.back().output, folder.File("out_pai.bmp"));
  EXPECT_EQ(finder.calls.back().presetAngle, 0.0);
}

TEST_F(AutomaticCorrectionTest, WithoutBlackEdgeRemovalTheStillIsTurnedOnly) {
  finder.answers = {{10.0, 1, 2, 3, 4}};
  Picture still = Desk(40, 30, imaging::kWhite);
  correction.CorrectStill(still, folder.Path(), switches);
  ASSERT_EQ(finder.calls.size(), 1u);
  EXPECT_EQ(still.Width(), 40);
  EXPECT_EQ(still.Height(), 30);
  // The turn uncovers the corners, which are black.
  EXPECT_EQ(At(still, 0, 0), imaging::kBlack);
  EXPECT_EQ(At(still, 20, 15), imaging::kWhite);
}

TEST_F(AutomaticCorrectionTest, BlackEdgeRemovalMeasuresTheTurnedWorkPictureAndCropsToItsEdges) {
  switches.autoCrop = true;
  // The first call's edges are not used; the second call's angle is not used.
  finder.answers = {{0.0, 1, 1, 2, 2}, {7.0, 60, 40, 540, 760}};
  Picture still(2448, 3264, 24);
  Put(still, 244, 163, {1, 2, 3});
  Put(still, 2202, 3099, {4, 5, 6});
  correction.CorrectStill(still, folder.Path(), switches);
  ASSERT_EQ(finder.calls.size(), 2u);
  EXPECT_EQ(finder.calls[1].input, folder.File("in_pai.bmp"));
  EXPECT_EQ(finder.calls[1].presetAngle, 0.0);
  // (244, 163, 2203, 3100): trunc(2448 × 60 / 600) and so on.
  EXPECT_EQ(still.Width(), 2203 - 244);
  EXPECT_EQ(still.Height(), 3100 - 163);
  EXPECT_EQ(At(still, 0, 0), (Rgb{1, 2, 3}));
  EXPECT_EQ(At(still, still.Width() - 1, still.Height() - 1), (Rgb{4, 5, 6}));
}

TEST_F(AutomaticCorrectionTest, TheSecondMeasurementSeesTheWorkPictureTurnedLikeTheStill) {
  switches.autoCrop = true;
  finder.answers = {{10.0, 0, 0, 0, 0}, {0.0, 0, 0, 800, 600}};
  Picture still = Desk(40, 30, {200, 200, 200});
  correction.CorrectStill(still, folder.Path(), switches);
  ASSERT_EQ(finder.calls.size(), 2u);
  EXPECT_EQ(At(finder.calls[0].work, 0, 0), (Rgb{225, 225, 225}));
  EXPECT_EQ(At(finder.calls[1].work, 0, 0), imaging::kBlack);
  EXPECT_EQ(At(finder.calls[1].work, 400, 300), (Rgb{225, 225, 225}));
}

TEST_F(AutomaticCorrectionTest, EdgesOnTheWorkPictureOfAWideStillScaleAlikeBothWays) {
  switches.autoCrop = true;
  finder.answers = {{0.0, 0, 0, 0, 0}, {0.0, 100, 45, 700, 360}};
  Picture still(1920, 1080, 24);
  Put(still, 240, 108, {1, 2, 3});
  Put(still, 1679, 863, {4, 5, 6});
  correction.CorrectStill(still, folder.Path(), switches);
  ASSERT_EQ(finder.calls.size(), 2u);
  EXPECT_EQ(finder.calls[1].work.Width(), 800);
  EXPECT_EQ(finder.calls[1].work.Height(), 450);
  // 2.4 still pixels a work pixel either way: (240, 108, 1680, 864).
  EXPECT_EQ(still.Width(), 1680 - 240);
  EXPECT_EQ(still.Height(), 864 - 108);
  EXPECT_EQ(At(still, 0, 0), (Rgb{1, 2, 3}));
  EXPECT_EQ(At(still, still.Width() - 1, still.Height() - 1), (Rgb{4, 5, 6}));
}

TEST_F(AutomaticCorrectionTest, AnAngleMeasuredOnTheWorkPictureOfAWideStillIsTheStillsOwn) {
  // A line rising at 20 degrees across a 16:9 still rises at 20 degrees on its work picture.
  Picture still = Desk(1920, 1080, imaging::kWhite);
  const double slope = std::tan(20.0 * std::numbers::pi / 180.0);
  for (int x = 200; x < 1700; ++x)
    still.Fill({x, 900 - static_cast<int>(slope * (x - 200)), x + 1, 904 - static_cast<int>(slope * (x - 200))},
               imaging::kBlack);
  correction.CorrectStill(still, folder.Path(), switches);
  const Picture& work = finder.calls.at(0).work;
  auto rowOfLine = [&](int x) {
    for (int y = 0; y < work.Height(); ++y) {
      if (At(work, x, y).red < 100) return y;
    }
    return -1;
  };
  const double measured = std::atan2(rowOfLine(100) - rowOfLine(600), 500.0) * 180.0 / std::numbers::pi;
  EXPECT_NEAR(measured, 20.0, 0.3);
}

TEST_F(AutomaticCorrectionTest, OutValuesThatAreNoUsableNumbersChangeNothing) {
  switches.autoCrop = true;
  // An angle beyond a float's range, and edges that are no numbers or infinite.
  for (double angle : {double{NAN}, 1e300}) {
    finder.answers = {{angle, NAN, NAN, INFINITY, -INFINITY}};
    Picture still = Desk(40, 30, imaging::kWhite);
    correction.CorrectStill(still, folder.Path(), switches);
    EXPECT_EQ(still.Width(), 40);
    EXPECT_EQ(still.Height(), 30);
    EXPECT_EQ(At(still, 0, 0), imaging::kWhite);
  }
}

TEST_F(AutomaticCorrectionTest, BlackEdgeRemovalCropsToTheLightContent) {
  Picture still = Desk(100, 80, imaging::kBlack);
  still.Fill({20, 10, 60, 50}, imaging::kWhite);
  correction.RemoveBlackEdges(still);
  EXPECT_EQ(still.Width(), 59 - 20);
  EXPECT_EQ(still.Height(), 50 - 11);
  EXPECT_TRUE(finder.calls.empty());
}

TEST_F(AutomaticCorrectionTest, FingerErasingWithoutSmartPagingIsMode3WithoutPagePaths) {
  switches.fingerErase = true;
  switches.smartPaging = false;
  const std::string left = "left.bmp", right = "right.bmp";
  correction.RunPageProcessing("/p/twainrgb1.bmp", &left, &right, switches);
  ASSERT_EQ(processor.calls.size(), 1u);
  const auto& call = processor.calls[0];
  EXPECT_EQ(call.input, "/p/twainrgb1.bmp");
  EXPECT_EQ(call.output, "/p/twainrgb1.bmp");
  EXPECT_FALSE(call.left);
  EXPECT_FALSE(call.right);
  EXPECT_EQ(call.mode, 3);
  EXPECT_EQ(call.options[0], 1);
  EXPECT_EQ(call.options[1], 75);
  EXPECT_EQ(call.options[2], 0);
  EXPECT_EQ(call.strength, 50);
}

TEST_F(AutomaticCorrectionTest, SmartPagingHandsOnBothPagePathsInMode1) {
  switches.smartPaging = true;
  const std::string left = "/p/twainrgb1.bmp", right = "/p/twainrgb2.bmp";
  correction.RunPageProcessing("/p/twainrgb1_tmp.bmp", &left, &right, switches);
  correction.RunPageProcessing("/p/twainrgb3_tmp.bmp", nullptr, nullptr, switches);
  ASSERT_EQ(processor.calls.size(), 2u);
  EXPECT_EQ(processor.calls[0].mode, 1);
  EXPECT_EQ(processor.calls[0].output, "/p/twainrgb1_tmp.bmp");
  EXPECT_EQ(processor.calls[0].left, left);
  EXPECT_EQ(processor.calls[0].right, right);
  EXPECT_FALSE(processor.calls[1].left);
}

}  // namespace
