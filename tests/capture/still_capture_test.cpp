// Stills across the two threads: the dialog's thread asks and waits, the
// camera's streaming thread takes the request with the next frame.
#include "camera_fixture.h"

#include <cmath>
#include <condition_variable>
#include <thread>

namespace capture {
namespace {

constexpr const char* kStillScene =
    "rate 30\n"
    "device \"Mervale Document Camera\" \"\\\\?\\usb#vid_4d56&pid_2c01#1\"\n"
    "format RGB24 120 90\n"
    "page p 210 297 seed 7\n"
    "place p 120 100 0\n"
    "move p 260 180 12 2000\n"
    "wait 500\n"
    "loop\n";

TEST_F(CameraTest, AStillTakenWhileFramesFlowIsTheFrameTheSceneShows) {
  Use(kStillScene);
  StillRecorder recorder;
  callback.SetHooks(&recorder);
  capValues.pixelType = 1;
  video->SetRotation(1);
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  ASSERT_TRUE(WaitFor([&] { return camera->FramesDelivered() >= 2; }));

  video->CaptureStill(false);
  ASSERT_EQ(recorder.Count(), 1u);
  EXPECT_TRUE(callback.Still().Done());
  const StillRecorder::Still still = recorder.At(0);
  EXPECT_EQ(still.parameters.kind, PictureKind::Grey);
  EXPECT_EQ(still.parameters.rotation, 90);

  // The frame's index follows from its sample time; drawing it again gives the same pixels.
  const auto index = std::llround(still.sampleTime * camera->GetScene().framesPerSecond);
  std::vector<std::uint8_t> expected;
  camera->Renderer().Render(DeskAt(camera->GetScene(), index), 120, 90, expected);
  EXPECT_EQ(still.pixels, expected);

  // The second still of a colour and black-and-white pair follows at once.
  capValues.pixelType = 0;
  video->CaptureStill(false);
  ASSERT_EQ(recorder.Count(), 2u);
  EXPECT_EQ(recorder.At(1).parameters.kind, PictureKind::BlackWhite);
  video->CloseCapture();
  callback.SetHooks(nullptr);
}

TEST_F(CameraTest, AStillAskedForWithoutFramesWaitsOutItsLimitAndTheNextFrameTakesIt) {
  Use(kStillScene);
  StillRecorder recorder;
  callback.SetHooks(&recorder);
  video->SetStillWaitLimit(std::chrono::milliseconds(50));
  video->CaptureStill(false);  // no camera runs
  EXPECT_EQ(recorder.Count(), 0u);
  EXPECT_FALSE(callback.Still().Done());
  EXPECT_TRUE(callback.Still().Requested());

  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  ASSERT_TRUE(WaitFor([&] { return callback.Still().Done(); }));
  EXPECT_EQ(recorder.Count(), 1u);
  EXPECT_TRUE(recorder.At(0).parameters.late);
  EXPECT_FALSE(callback.Still().Requested());
  video->CloseCapture();
  callback.SetHooks(nullptr);
}

// Hooks whose still processing holds until the test lets it go on.
class HoldingHooks final : public FrameHooks {
 public:
  ProcessingSwitches Switches() const override { return {}; }
  void AnalyseFrame(const FrameView&) override {}
  void ProcessStill(const FrameView&, const StillParameters&) override {
    std::unique_lock lock(mutex_);
    entered_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_; });
    finished_ = true;
  }
  void ProcessStillPaged(const FrameView& frame, const StillParameters& parameters) override {
    ProcessStill(frame, parameters);
  }
  void WaitUntilEntered() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return entered_; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  bool Finished() {
    std::lock_guard lock(mutex_);
    return finished_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool entered_ = false;
  bool released_ = false;
  bool finished_ = false;
};

// Once a frame has taken the still, the dialog waits for the end of its
// processing, past the limit, so the processing never overlaps what the
// dialog does next.
TEST_F(CameraTest, AStillAFrameTookIsWaitedForPastTheLimit) {
  Use(kStillScene);
  HoldingHooks hooks;
  callback.SetHooks(&hooks);
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  const std::uint32_t still = callback.RequestStill();
  hooks.WaitUntilEntered();
  std::thread release([&hooks] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    hooks.Release();
  });
  EXPECT_TRUE(callback.Still().WaitDone(still, std::chrono::milliseconds(1)));
  EXPECT_TRUE(hooks.Finished());
  release.join();
  video->CloseCapture();
  callback.SetHooks(nullptr);
}

TEST_F(CameraTest, AStillShowsThePicturePreviewWhenAsked) {
  struct Spy final : PicturePreview {
    void Show() override { ++shown; }
    void Close() override {}
    int shown = 0;
  } previewWindow;
  Use(kStillScene);
  video->SetPicturePreview(&previewWindow);
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  video->CaptureStill(true);
  video->CaptureStill(false);
  EXPECT_EQ(previewWindow.shown, 1);
  video->CloseCapture();
}

// With no still wanted and no analysis on, frames go by untouched.
TEST_F(CameraTest, FramesWithoutStillOrAnalysisReachNoPipeline) {
  Use(kStillScene);
  StillRecorder recorder;
  callback.SetHooks(&recorder);
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  ASSERT_TRUE(WaitFor([&] { return camera->FramesDelivered() >= 10; }));
  video->StopPreview();
  EXPECT_EQ(recorder.Count(), 0u);
  EXPECT_EQ(recorder.analysed.load(), 0);
  callback.SetHooks(nullptr);
}

}  // namespace
}  // namespace capture
