// The frame callback on its own: what each frame leads to, on one thread.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "capture/sample_grabber_cb.h"

namespace capture {
namespace {

class RecordingHooks final : public FrameHooks {
 public:
  void PrepareStill(StillParameters& parameters) const override { parameters.settings = stillSettings; }
  ProcessingSwitches Switches() const override {
    ++switchReads;
    if (throwInSwitches) throw 42;  // not even a std::exception
    return switches;
  }
  void AnalyseFrame(const FrameView& frame) override { analysed.push_back(frame); }
  void ProcessStill(const FrameView& frame, const StillParameters& parameters) override {
    stills.push_back(frame);
    lastParameters = parameters;
    if (throwInPipeline) throw std::runtime_error("pipeline failed");
  }
  void ProcessStillPaged(const FrameView& frame, const StillParameters& parameters) override {
    pagedStills.push_back(frame);
    lastParameters = parameters;
  }

  ProcessingSwitches switches;
  StillSettings stillSettings;
  bool throwInPipeline = false;
  bool throwInSwitches = false;
  mutable int switchReads = 0;
  std::vector<FrameView> analysed, stills, pagedStills;
  StillParameters lastParameters;
};

class FrameCallbackTest : public ::testing::Test {
 protected:
  FrameCallbackTest() { callback.SetHooks(&hooks); }

  std::vector<std::string> trace;
  RecordingHooks hooks;
  CSampleGrabberCB callback{[this](std::string_view line) { trace.emplace_back(line); }};
  std::vector<std::uint8_t> frame = std::vector<std::uint8_t>(12 * 2, 7);
};

TEST(AnalysisRule, FollowsTheAutomaticScanningAndPositionCorrection) {
  EXPECT_FALSE(AnalysisWanted({}));
  EXPECT_TRUE(AnalysisWanted({.detectionRunning = true, .autoContinuous = true}));
  EXPECT_FALSE(AnalysisWanted({.detectionRunning = true, .autoContinuous = false}));
  EXPECT_TRUE(AnalysisWanted({.autoContinuous = true, .scanType = 2}));
  EXPECT_FALSE(AnalysisWanted({.autoContinuous = true, .scanType = 1}));
  EXPECT_TRUE(AnalysisWanted({.autoCorrect = true}));
  EXPECT_FALSE(AnalysisWanted({.autoCorrect = true, .fingerErase = true}));
  EXPECT_FALSE(AnalysisWanted({.autoCorrect = true, .curveFlatten = true}));
  EXPECT_TRUE(AnalysisWanted({.detectionRunning = true, .autoContinuous = true, .smartPaging = true}));
}

TEST(PictureKinds, FollowThePixelType) {
  EXPECT_EQ(PictureKindForPixelType(0), PictureKind::BlackWhite);
  EXPECT_EQ(PictureKindForPixelType(1), PictureKind::Grey);
  EXPECT_EQ(PictureKindForPixelType(2), PictureKind::Colour);
  EXPECT_EQ(PictureKindForPixelType(3), PictureKind::BlackWhite);
}

TEST_F(FrameCallbackTest, FramesWithoutStillOrAnalysisOnlyReadTheSwitches) {
  for (int i = 0; i < 5; ++i) EXPECT_EQ(callback.BufferCB(i, frame.data(), 24), status::kOk);
  EXPECT_EQ(hooks.switchReads, 5);
  EXPECT_TRUE(hooks.analysed.empty());
  EXPECT_TRUE(hooks.stills.empty());
}

TEST_F(FrameCallbackTest, AStillTakesTheRequestOfTheNextFrameAndIsMarkedDone) {
  callback.SetFrameSize(4, 2);
  callback.SetRotation(2);
  callback.SetRotation(4);  // not an index: the previous rotation stays
  callback.SetCropMode(2);
  callback.SetCropRect(100, 200, 9000, 9500);
  callback.SetPictureKind(PictureKind::Grey);
  callback.RequestStill();
  EXPECT_FALSE(callback.Still().Done());

  EXPECT_EQ(callback.BufferCB(1.5, frame.data(), 24), status::kOk);
  ASSERT_EQ(hooks.stills.size(), 1u);
  EXPECT_EQ(hooks.stills[0].pixels, frame.data());  // handed over, not copied
  EXPECT_EQ(hooks.stills[0].length, 24);
  EXPECT_EQ(hooks.stills[0].width, 4);
  EXPECT_EQ(hooks.stills[0].height, 2);
  EXPECT_TRUE(hooks.stills[0].HoldsWholeFrame());
  EXPECT_EQ(hooks.lastParameters.rotation, 180);
  EXPECT_EQ(hooks.lastParameters.cropMode, 2);
  EXPECT_EQ(hooks.lastParameters.cropRect, (CropRect{100, 200, 9000, 9500}));
  EXPECT_EQ(hooks.lastParameters.kind, PictureKind::Grey);
  EXPECT_FALSE(callback.Still().Requested());
  EXPECT_TRUE(callback.Still().Done());

  callback.BufferCB(2, frame.data(), 24);
  EXPECT_EQ(hooks.stills.size(), 1u);  // one request, one still
}

TEST_F(FrameCallbackTest, AStillKeepsTheParametersOfItsRequest) {
  callback.SetRotation(1);
  hooks.stillSettings.watermarkText = "asked";
  callback.RequestStill();
  callback.SetRotation(3);
  callback.SetCropMode(2);
  hooks.stillSettings.watermarkText = "changed";
  callback.BufferCB(0, frame.data(), 24);
  EXPECT_EQ(hooks.lastParameters.rotation, 90);
  EXPECT_EQ(hooks.lastParameters.cropMode, 0);
  EXPECT_EQ(hooks.lastParameters.settings.watermarkText, "asked");
  EXPECT_FALSE(hooks.lastParameters.late);
}

// The wait ran out before any frame came: the still is handed on marked
// late, and its end does not end the wait of the next request.
TEST_F(FrameCallbackTest, AStillWhoseWaitRanOutArrivesLateAndEndsNoNewerWait) {
  const std::uint32_t first = callback.RequestStill();
  EXPECT_FALSE(callback.Still().WaitDone(first, std::chrono::milliseconds(0)));
  EXPECT_TRUE(callback.Still().Requested());
  callback.BufferCB(0, frame.data(), 24);
  ASSERT_EQ(hooks.stills.size(), 1u);
  EXPECT_TRUE(hooks.lastParameters.late);
  EXPECT_EQ(hooks.lastParameters.sequence, first);
  EXPECT_TRUE(callback.Still().Done());

  const std::uint32_t second = callback.RequestStill();
  EXPECT_NE(second, first);
  EXPECT_FALSE(callback.Still().Done());
  EXPECT_FALSE(callback.Still().WaitDone(second, std::chrono::milliseconds(0)));
}

TEST_F(FrameCallbackTest, ANewRequestReplacesOneNoFrameTook) {
  const std::uint32_t first = callback.RequestStill();
  callback.Still().WaitDone(first, std::chrono::milliseconds(0));
  callback.SetRotation(2);
  const std::uint32_t second = callback.RequestStill();
  callback.BufferCB(0, frame.data(), 24);
  callback.BufferCB(1, frame.data(), 24);
  ASSERT_EQ(hooks.stills.size(), 1u);
  EXPECT_EQ(hooks.lastParameters.sequence, second);
  EXPECT_EQ(hooks.lastParameters.rotation, 180);
  EXPECT_FALSE(hooks.lastParameters.late);
  EXPECT_TRUE(callback.Still().WaitDone(second, std::chrono::milliseconds(0)));
}

TEST_F(FrameCallbackTest, AMissingBufferLeavesTheRequestForTheNextFrame) {
  callback.RequestStill();
  EXPECT_EQ(callback.BufferCB(0, nullptr, 0), status::kPointer);
  EXPECT_TRUE(callback.Still().Requested());
  EXPECT_FALSE(callback.Still().Done());
  EXPECT_EQ(callback.BufferCB(0, frame.data(), 24), status::kOk);
  EXPECT_EQ(hooks.stills.size(), 1u);
}

TEST_F(FrameCallbackTest, PageOptionsSendStillsToThePagePipelineWithoutAnalysis) {
  hooks.switches = {.autoCorrect = true, .fingerErase = true};
  hooks.stillSettings.fingerErase = true;
  callback.RequestStill();
  callback.BufferCB(0, frame.data(), 24);
  EXPECT_TRUE(hooks.analysed.empty());
  EXPECT_TRUE(hooks.stills.empty());
  EXPECT_EQ(hooks.pagedStills.size(), 1u);
}

TEST_F(FrameCallbackTest, AnalysisSeesEveryFrameBeforeTheStill) {
  hooks.switches = {.autoCorrect = true};
  callback.BufferCB(0, frame.data(), 24);
  callback.RequestStill();
  callback.BufferCB(1, frame.data(), 24);
  EXPECT_EQ(hooks.analysed.size(), 2u);
  EXPECT_EQ(hooks.stills.size(), 1u);
}

TEST_F(FrameCallbackTest, AFailingPipelineStillReleasesTheWaiter) {
  hooks.throwInPipeline = true;
  callback.RequestStill();
  EXPECT_EQ(callback.BufferCB(0, frame.data(), 24), status::kOk);
  EXPECT_TRUE(callback.Still().Done());
}

TEST_F(FrameCallbackTest, AnythingThrownOutsideThePipelineEndsInTheTraceAndAFailedFrame) {
  hooks.throwInSwitches = true;
  EXPECT_EQ(callback.BufferCB(0, frame.data(), 24), status::kFail);
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(trace.back(), "\nBufferCB failed: unknown exception");
  hooks.throwInSwitches = false;
  EXPECT_EQ(callback.BufferCB(1, frame.data(), 24), status::kOk);
}

TEST(FrameCallbackWithoutHooks, TakesStillsWithoutPictures) {
  CSampleGrabberCB callback(nullptr);
  std::uint8_t pixel[4] = {};
  callback.RequestStill();
  callback.BufferCB(0, pixel, 4);
  EXPECT_TRUE(callback.Still().Done());
  EXPECT_FALSE(callback.Still().Requested());
}

TEST(FrameCallbackLife, WritesItsTraceLines) {
  std::vector<std::string> trace;
  {
    CSampleGrabberCB callback([&](std::string_view line) { trace.emplace_back(line); });
    const ColourCoefficients initial = callback.GetColourCoefficients();
    EXPECT_FLOAT_EQ(initial.green, 0.59f);
    callback.SetColourCoefficients(0.2f, 0.7f, 0.1f, 0.5f);
    EXPECT_FLOAT_EQ(callback.GetColourCoefficients().threshold, 0.5f);
  }
  EXPECT_EQ(trace, (std::vector<std::string>{"CSampleGrabberCB构造", "CSampleGrabberCB去构造"}));
}

TEST(FrameViews, KnowWhetherTheBufferHoldsTheWholeFrame) {
  std::uint8_t bytes[32] = {};
  EXPECT_TRUE((FrameView{bytes, 32, 5, 2}).HoldsWholeFrame());  // stride 16
  EXPECT_FALSE((FrameView{bytes, 31, 5, 2}).HoldsWholeFrame());
  EXPECT_FALSE((FrameView{nullptr, 32, 5, 2}).HoldsWholeFrame());
  EXPECT_FALSE((FrameView{bytes, 32, 0, 2}).HoldsWholeFrame());
  EXPECT_FALSE((FrameView{bytes, -1, 5, 2}).HoldsWholeFrame());
}

}  // namespace
}  // namespace capture
