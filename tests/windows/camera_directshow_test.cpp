// The DirectShow capture service under Wine, against the virtual camera
// filter (MervaleCamera.dll) registered as a video input device for the
// duration of these tests: the document camera is found, bound, runs into a
// preview control, and its stills are the scene's frames.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "capture/capture_video.h"
#include "capture/system_capture_service.h"
#include "capture/virtual/scene_renderer.h"
#include "protocol/twain.h"
#include "registered_camera.h"
#include "resources/dialog_ids.h"
#include "twain_application.h"
#include "wine_desktop.h"

namespace {

using namespace capture;

constexpr char kScene[] =
    "rate 30\n"
    "format RGB24 320 240\n"
    "format YUY2 640 480\n"
    "format MJPG 160 120\n"
    "format RGB24 800 600\n"
    "current RGB24 320 240\n"
    "refuse 800 600\n"
    "page p 210 297 seed 11\n"
    "place p 200 150 4\n"
    "move p 230 170 -3 1000\n"
    "wait 500\n"
    "loop\n";

constexpr int kPreviewControl = dialog_ids::main_dialog::kPreviewControl;

class RecordedBoxes final : public platform::MessageBoxes {
 public:
  int Show(const platform::MessageBoxRequest& request) override {
    texts.push_back(request.text);
    return platform::mb::kIdOk;
  }
  std::vector<std::string> texts;
};

class StillRecorder final : public FrameHooks {
 public:
  ProcessingSwitches Switches() const override { return {}; }
  void AnalyseFrame(const FrameView&) override {}
  void ProcessStill(const FrameView& frame, const StillParameters&) override {
    pixels.assign(frame.pixels, frame.pixels + frame.length);
    width = frame.width;
    height = frame.height;
    ++stills;
  }
  void ProcessStillPaged(const FrameView& frame, const StillParameters& parameters) override {
    ProcessStill(frame, parameters);
  }
  // Written on the streaming thread before the still is marked done, read after.
  std::vector<std::uint8_t> pixels;
  std::int32_t width = 0, height = 0;
  int stills = 0;
};

const auto* const registeredCamera =
    ::testing::AddGlobalTestEnvironment(new wine_desktop::RegisteredCamera(kScene, MERVALE_CAMERA_PATH));

class DirectShowCamera : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog_ = CreateWindowExW(0, L"STATIC", L"Camera test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 520, 420, nullptr,
                              nullptr, nullptr, nullptr);
    ASSERT_NE(dialog_, nullptr);
    control_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_GRAYRECT, 8, 8, 480, 360, dialog_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPreviewControl)), nullptr, nullptr);
    ASSERT_NE(control_, nullptr);
    callback_.SetHooks(&recorder_);
  }

  void TearDown() override {
    video_.CloseCapture();
    callback_.SetHooks(nullptr);
    DestroyWindow(dialog_);
  }

  PreviewArea Preview() const { return {dialog_, kPreviewControl}; }

  HWND dialog_ = nullptr;
  HWND control_ = nullptr;
  RecordedBoxes boxes_;
  StillRecorder recorder_;
  settings::VideoFormat format_{0, 0, 0, kSubtypeMjpg};
  int saves_ = 0;
  caps::StoredValues capValues_;
  CSampleGrabberCB callback_{nullptr};
  CCaptureVideo video_{
      CaptureLinks{SystemVideoCaptureService(), callback_, boxes_, format_, [this] { ++saves_; }, capValues_, nullptr}};
};

TEST_F(DirectShowCamera, FindsBindsAndRunsTheDocumentCameraIntoThePreviewControl) {
  EXPECT_EQ(video_.FindDocumentCamera(), 0);
  ASSERT_EQ(video_.StartDocumentCamera(Preview()), kStartOk);
  EXPECT_TRUE(boxes_.texts.empty());
  // The largest size the camera offers (in 24-bit RGB, the only kind it streams) was chosen.
  EXPECT_EQ(format_.width, 800);
  EXPECT_EQ(format_.height, 600);
  EXPECT_EQ(saves_, 0);
  // ...but the camera refuses it, so it runs in its own format.
  EXPECT_EQ(callback_.FrameWidth(), 320);
  EXPECT_EQ(callback_.FrameHeight(), 240);

  wine_desktop::Pump(500);
  HWND video = FindWindowExW(control_, nullptr, nullptr, nullptr);
  EXPECT_NE(video, nullptr) << "the video window is a child of the preview control";
  if (video != nullptr) {
    RECT placed{};
    GetWindowRect(video, &placed);
    EXPECT_EQ(placed.right - placed.left, 480);  // 4:3 into 4:3: the whole control
  }
  wine_desktop::SaveScreenshot(wine_desktop::OutputFolder() + L"camera-preview.bmp");
}

TEST_F(DirectShowCamera, AStillIsTheFrameTheSceneShows) {
  format_ = {320, 240, 0, kSubtypeRgb24};
  ASSERT_EQ(video_.StartDocumentCamera(Preview()), kStartOk);
  wine_desktop::Pump(300);
  video_.CaptureStill(false);
  ASSERT_EQ(recorder_.stills, 1);
  ASSERT_EQ(recorder_.width, 320);
  ASSERT_EQ(recorder_.height, 240);
  ASSERT_EQ(recorder_.pixels.size(), FrameStride(320) * 240);

  SceneParseResult parsed = ParseScene(kScene);
  ASSERT_TRUE(parsed.scene);
  const auto scene = std::make_shared<const Scene>(*parsed.scene);
  SceneRenderer renderer(scene);
  // Wine's grabber reports no sample time, so the still is looked for among
  // every frame of the scene's loop.
  bool matched = false;
  std::vector<std::uint8_t> expected;
  for (std::int64_t index = 0; index < StepFrames(*scene, 1000) + StepFrames(*scene, 500) && !matched; ++index) {
    renderer.Render(DeskAt(*scene, index), 320, 240, expected);
    matched = expected == recorder_.pixels;
  }
  EXPECT_TRUE(matched);
}

TEST_F(DirectShowCamera, TearsDownAndStartsAgain) {
  ASSERT_EQ(video_.StartDocumentCamera(Preview()), kStartOk);
  wine_desktop::Pump(200);
  video_.TearDownGraph();
  EXPECT_FALSE(video_.IsBuilt());
  ASSERT_EQ(video_.StartDocumentCamera(Preview()), kStartOk);
  video_.CaptureStill(false);
  EXPECT_EQ(recorder_.stills, 1);
  video_.StopPreview();
  ASSERT_EQ(video_.StartDocumentCamera(Preview()), kStartOk);
}

TEST_F(DirectShowCamera, ListsTheCamerasFormatsAndRestartsInAChosenOne) {
  ASSERT_EQ(video_.StartDocumentCamera(Preview()), kStartOk);
  const std::vector<VideoFormat> formats = video_.EnumerateFormats();
  std::vector<std::pair<std::int32_t, std::int32_t>> sizes;
  for (const VideoFormat& format : formats) {
    sizes.emplace_back(format.width, format.height);
    EXPECT_EQ(format.subtype, kSubtypeRgb24);  // the only kind the camera streams
    EXPECT_EQ(format.frameInterval, 333333);
  }
  EXPECT_EQ(sizes,
            (std::vector<std::pair<std::int32_t, std::int32_t>>{{320, 240}, {640, 480}, {160, 120}, {800, 600}}));
  ASSERT_EQ(formats.size(), 4u);

  ASSERT_EQ(video_.RestartInFormat(formats[2]), kStartOk);
  EXPECT_EQ(format_.width, 160);
  EXPECT_EQ(format_.height, 120);
  EXPECT_EQ(format_.subtype, kSubtypeRgb24);
  EXPECT_EQ(callback_.FrameWidth(), 160);
  wine_desktop::Pump(200);
  video_.CaptureStill(false);
  ASSERT_EQ(recorder_.stills, 1);
  EXPECT_EQ(recorder_.width, 160);
  EXPECT_EQ(recorder_.height, 120);
  // The camera has no property pages of its own: the sheet is not shown, and nothing fails.
  video_.ShowDeviceProperties(dialog_);
  EXPECT_TRUE(boxes_.texts.empty());
}

// The source itself, loaded by Wine's source manager, with the camera attached.
class SourceWithCamera : public ::testing::Test {
 protected:
  wine_desktop::TwainApplication application_{"Camera test"};
  // A camera message must not hang the test: every box is answered and recorded.
  wine_desktop::BoxWatchdog boxes_{{L"MervaleTwain", L"Sample Source Error"}};
};

TEST_F(SourceWithCamera, EnablingRunsTheCameraInTheDialogsPreviewControl) {
  ASSERT_TRUE(application_.ManagerOpen());
  ASSERT_TRUE(application_.OpenSource());
  ASSERT_EQ(application_.Enable(), twain::TWRC_SUCCESS);
  wine_desktop::Pump(500);
  HWND dialog = FindWindowW(L"#32770", L"Vistrelle Twain V4.1");
  ASSERT_NE(dialog, nullptr);
  HWND preview = GetDlgItem(dialog, kPreviewControl);
  ASSERT_NE(preview, nullptr);
  EXPECT_NE(FindWindowExW(preview, nullptr, nullptr, nullptr), nullptr) << "the video window is in the preview";
  wine_desktop::SaveScreenshot(wine_desktop::OutputFolder() + L"dialog-with-camera.bmp");

  EXPECT_EQ(application_.Disable(), twain::TWRC_SUCCESS);
  EXPECT_EQ(application_.CloseSource(), twain::TWRC_SUCCESS);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_TRUE(boxes_.Answered().empty());
}

}  // namespace
