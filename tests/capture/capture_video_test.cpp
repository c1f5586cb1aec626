// The camera object on the virtual camera: finding and binding the document
// camera, the format it runs in, the steps of a start and their messages,
// the video window, stopping and tearing down.
#include "camera_fixture.h"

#include <algorithm>

namespace capture {
namespace {

std::string Scene(const std::string& devices, const std::string& rest = "format RGB24 64 48\n") {
  return "rate 60\n" + devices + rest;
}

TEST_F(CameraTest, WithoutDevicesThePresenceCheckAnswersMinusOne) {
  Use("rate 60\n");
  EXPECT_EQ(video->FindDocumentCamera(), -1);
  std::shared_ptr<CaptureDevice> device;
  EXPECT_FALSE(video->BindDocumentCamera(device));
  EXPECT_EQ(video->StartDocumentCamera(preview), kStartNoDevice);
  EXPECT_EQ(boxes.texts, (std::vector<std::string>{"No Available Device!"}));
}

TEST_F(CameraTest, OnlyTheTablesKeysQualify) {
  Use(Scene(std::string(kWebcam) + "device \"Mervale Document Camera\" \"\\\\?\\USB#VID_4D56&PID_2C01#1\"\n"));
  EXPECT_EQ(video->FindDocumentCamera(), 1);
  EXPECT_EQ(video->StartDocumentCamera(preview), kStartNoDevice);
  EXPECT_EQ(boxes.texts, (std::vector<std::string>{"No Available Device!"}));
  EXPECT_FALSE(camera->BoundDevice());
}

TEST_F(CameraTest, ADeviceWithoutAReadableNameIsInvisible) {
  Use(Scene("device - \"\\\\?\\usb#vid_4d56&pid_2c01#1\"\ndevice \"Mervale Document Camera\" -\n"));
  EXPECT_EQ(video->FindDocumentCamera(), 1);
  std::shared_ptr<CaptureDevice> device;
  EXPECT_TRUE(video->BindDocumentCamera(device));  // enumerated, nothing bound
  EXPECT_FALSE(device);
}

TEST_F(CameraTest, OfTwoDocumentCamerasTheLastIsBound) {
  Use(Scene(std::string(kDocumentCamera) + kWebcam + "device \"Second\" \"\\\\?\\usb#vid_4d56&pid_2c02#9\"\n"));
  EXPECT_EQ(video->FindDocumentCamera(), 0);
  EXPECT_EQ(video->StartDocumentCamera(preview), kStartOk);
  EXPECT_EQ(camera->BoundDevice(), 2u);
  EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(CameraTest, FirstStartChoosesTheLargestFormatByOrderAndKeepsItInMemory) {
  // 640 x 960 replaces the wider 800 x 600 (it is higher); the MJPG 640 x 480
  // then replaces it (same width, MJPG). The videoinfo2 entry is never looked at.
  Use(Scene(kDocumentCamera,
            "format YUY2 320 240\nformat MJPG 640 480\nformat YUY2 800 600\nformat YUY2 640 960\n"
            "format RGB24 2000 2000 videoinfo2\nformat MJPG 640 480 30\nformat YUY2 176 144\n"
            "current YUY2 320 240\n"));
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  EXPECT_EQ(format.width, 640);
  EXPECT_EQ(format.height, 480);
  EXPECT_EQ(format.subtype, kSubtypeMjpg);
  EXPECT_EQ(format.bitRate, 640u * 480 * 16 * 30);
  EXPECT_EQ(saves, 0);  // chosen formats reach the file with the next save
  EXPECT_EQ(camera->DeviceFormat()->width, 640);
  EXPECT_EQ(callback.FrameWidth(), 640);
  EXPECT_EQ(callback.FrameHeight(), 480);
}

TEST_F(CameraTest, AnUnknownCapabilityRecordSizeAdoptsAndSavesTheCamerasOwnFormat) {
  Use(Scene(kDocumentCamera, "record-size 64\nformat MJPG 1600 1200\ncurrent YUY2 320 240 10\n"));
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  EXPECT_EQ(format, (VideoFormat{320, 240, 320 * 240 * 16 * 10, kSubtypeYuy2}));
  EXPECT_EQ(saves, 1);
}

TEST_F(CameraTest, ASavedFormatIsApplied) {
  format = {160, 120, 1234, kSubtypeYuy2};
  Use(Scene(kDocumentCamera, "format MJPG 1600 1200\nformat YUY2 160 120\n"));
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  const VideoFormat applied = *camera->DeviceFormat();
  EXPECT_EQ(applied.width, 160);
  EXPECT_EQ(applied.subtype, kSubtypeYuy2);
  EXPECT_EQ(applied.bitRate, 1234u);
  EXPECT_EQ(callback.FrameWidth(), 160);
  EXPECT_EQ(saves, 0);
}

TEST_F(CameraTest, ACameraThatRefusesTheSavedSizeRunsInItsOwn) {
  format = {1600, 1200, 0, kSubtypeMjpg};
  Use(Scene(kDocumentCamera, "format MJPG 1600 1200\ncurrent RGB24 80 60\nrefuse 1600 1200\n"));
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  EXPECT_EQ(callback.FrameWidth(), 80);
  EXPECT_EQ(callback.FrameHeight(), 60);
  EXPECT_EQ(format.width, 1600);  // the saved format stays what the user chose
}

TEST_F(CameraTest, TheConnectedSizeReachesTheFrames) {
  Use(Scene(kDocumentCamera, "format RGB24 98 50\n"));
  StillRecorder recorder;
  callback.SetHooks(&recorder);
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  video->CaptureStill(false);
  ASSERT_EQ(recorder.Count(), 1u);
  const StillRecorder::Still still = recorder.At(0);
  EXPECT_EQ(still.width, 98);
  EXPECT_EQ(still.height, 50);
  EXPECT_EQ(still.pixels.size(), FrameStride(98) * 50);
  EXPECT_EQ(still.parameters.frameWidth, 98);
  video->StopPreview();
  callback.SetHooks(nullptr);
}

struct FailingStart {
  const char* step;
  const char* message;
  int result;
};

class FailingStarts : public CameraTest, public ::testing::WithParamInterface<FailingStart> {};

TEST_P(FailingStarts, ShowTheirMessageAndReturnTheirCode) {
  const FailingStart& failure = GetParam();
  Use(Scene(kDocumentCamera, std::string("format RGB24 64 48\nfail ") + failure.step + "\n"));
  EXPECT_EQ(video->StartDocumentCamera(preview), failure.result);
  if (*failure.message == '\0') {
    EXPECT_TRUE(boxes.texts.empty());
  } else {
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{failure.message}));
  }
  EXPECT_FALSE(camera->IsStreaming());
}

INSTANTIATE_TEST_SUITE_P(
    CameraStart, FailingStarts,
    ::testing::Values(FailingStart{"create-graph", "Failed to get video interfaces!", virtual_errors::kCreateGraph},
                      FailingStart{"bind", "load   config   filter   failed! ", kStartNoStreamConfig},
                      FailingStart{"create-grabber", "Fail to create SampleGrabber, maybe qedit.dll is not registered?",
                                   virtual_errors::kCreateGrabber},
                      FailingStart{"stream-config", "load   config   filter   failed! ", kStartNoStreamConfig},
                      FailingStart{"grabber-type", "Fail to set media type!", virtual_errors::kGrabberType},
                      FailingStart{"add-grabber", "Fail to put sample grabber in graph", virtual_errors::kAddGrabber},
                      FailingStart{"render", "Can’t build the graph", virtual_errors::kRender},
                      FailingStart{"connected-type", "Failt to read the connected media type",
                                   virtual_errors::kConnectedType},
                      FailingStart{"run", "Couldn’t run the graph!", virtual_errors::kRun}),
    [](const ::testing::TestParamInfo<FailingStart>& info) {
      std::string name = info.param.step;
      std::replace(name.begin(), name.end(), '-', '_');
      return name;
    });

TEST_F(CameraTest, AFailedBuildLeavesNothingBehindButAFailedRunKeepsTheGraph) {
  Use(Scene(kDocumentCamera, "format RGB24 64 48\nfail render\n"));
  video->StartDocumentCamera(preview);
  EXPECT_FALSE(video->IsBuilt());  // the next start builds anew
  Use(Scene(kDocumentCamera, "format RGB24 64 48\nfail run\n"));
  video->StartDocumentCamera(preview);
  EXPECT_TRUE(video->IsBuilt());  // the next start only runs it again
}

TEST_F(CameraTest, WithoutAPreviewPinTheCapturePinIsConnected) {
  Use(Scene(kDocumentCamera, "format RGB24 64 48\nfail render-preview\n"));
  EXPECT_EQ(video->StartDocumentCamera(preview), kStartOk);
}

TEST_F(CameraTest, TheVideoGoesIntoThePreviewControlAtTheFramesProportions) {
  Use(Scene(kDocumentCamera, "preview 640 480\nformat RGB24 160 90\n"));  // 16:9 into 4:3
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  const VideoWindowRecord window = camera->VideoWindow();
  ASSERT_TRUE(window.owner);
  EXPECT_EQ(window.owner->controlId, dialog_ids::main_dialog::kPreviewControl);
  EXPECT_EQ(window.owner->dialog, preview.dialog);
  EXPECT_TRUE(window.childStyle);
  EXPECT_TRUE(window.visible);
  ASSERT_TRUE(window.messageDrain);
  EXPECT_EQ(window.messageDrain->controlId, dialog_ids::main_dialog::kPreviewControl);
  EXPECT_EQ(window.position, (WindowRect{0, 60, 640, 360}));

  video->StopPreview();
  EXPECT_FALSE(camera->VideoWindow().visible);
  EXPECT_FALSE(camera->VideoWindow().owner);
}

TEST_F(CameraTest, AVideoWindowThatCannotBeOwnedStaysUnplaced) {
  Use(Scene(kDocumentCamera, "format RGB24 64 48\nfail video-window\n"));
  EXPECT_EQ(video->StartDocumentCamera(preview), kStartOk);
  EXPECT_FALSE(camera->VideoWindow().position);
  EXPECT_FALSE(camera->VideoWindow().visible);
}

TEST(VideoPlacement, FitsTheFrameIntoTheControl) {
  EXPECT_EQ(FitVideo({400, 300}, 1600, 900), (WindowRect{0, 37, 400, 225}));   // 37.5 truncated
  EXPECT_EQ(FitVideo({400, 300}, 300, 400), (WindowRect{87, 0, 225, 300}));    // 3:4 into 4:3
  EXPECT_EQ(FitVideo({400, 300}, 640, 480), (WindowRect{0, 0, 400, 300}));     // equal ratios: full width
  EXPECT_EQ(FitVideo({712, 534}, 1920, 1080), (WindowRect{0, 66, 712, 400}));  // 66.75 and 400.5 truncated
  EXPECT_EQ(FitVideo({400, 300}, 0, 480), (WindowRect{0, 0, 400, 300}));
  EXPECT_EQ(FitVideo({0, 0}, 640, 480), (WindowRect{0, 0, 0, 0}));
}

TEST_F(CameraTest, StoppingKeepsTheGraphForANewBuildAndTearingDownEmptiesIt) {
  Use(Scene(kDocumentCamera));
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  ASSERT_TRUE(WaitFor([&] { return camera->FramesDelivered() > 0; }));
  video->StopPreview();
  EXPECT_FALSE(camera->IsStreaming());
  EXPECT_FALSE(video->IsBuilt());

  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  EXPECT_TRUE(camera->IsStreaming());
  video->TearDownGraph();
  EXPECT_FALSE(camera->IsStreaming());
  EXPECT_FALSE(video->IsBuilt());

  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);  // a restart into the same control
  EXPECT_TRUE(camera->IsStreaming());
  EXPECT_EQ(camera->StreamsBuilt(), 3);
}

TEST_F(CameraTest, AStartOfARunningCameraOnlyRunsIt) {
  Use(Scene(kDocumentCamera));
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  EXPECT_EQ(camera->StreamsBuilt(), 1);
  EXPECT_TRUE(camera->IsStreaming());
}

class PreviewWindowSpy final : public PicturePreview {
 public:
  void Show() override { ++shown; }
  void Close() override { ++closed; }
  int shown = 0;
  int closed = 0;
};

TEST_F(CameraTest, ClosingTheCaptureClosesThePicturePreviewAndStopsTheCamera) {
  Use(Scene(kDocumentCamera));
  PreviewWindowSpy previewWindow;
  video->SetPicturePreview(&previewWindow);
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  video->CloseCapture();
  EXPECT_EQ(previewWindow.closed, 1);
  EXPECT_FALSE(camera->IsStreaming());
  EXPECT_FALSE(video->IsBuilt());
  EXPECT_FALSE(camera->VideoWindow().visible);
}

TEST_F(CameraTest, ThePropertySheetNeedsARunningCamera) {
  Use(Scene(kDocumentCamera));
  video->ShowDeviceProperties(nullptr);
  EXPECT_EQ(camera->PropertySheetsShown(), 0);
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  video->ShowDeviceProperties(nullptr);
  EXPECT_EQ(camera->PropertySheetsShown(), 1);
}

TEST_F(CameraTest, TheFormatsAreTheRunningCamerasCapabilitiesAsReported) {
  // Every capability, in order: narrow ones, other format blocks and an
  // unknown record size included (the catalogue makes its own choice).
  const std::string formats =
      "record-size 64\nformat YUY2 176 144\nformat MJPG 1600 1200 5\nformat RGB24 2000 2000 videoinfo2\n";
  Use(Scene(kDocumentCamera, formats));
  EXPECT_TRUE(video->EnumerateFormats().empty());  // no camera runs yet
  EXPECT_EQ(boxes.texts, (std::vector<std::string>{"load   config   filter   failed! "}));

  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  const std::vector<VideoFormat> listed = video->EnumerateFormats();
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed, camera->GetScene().formats);
  EXPECT_EQ(listed[1].frameInterval, 2000000);
  EXPECT_EQ(listed[2].formatType, FormatType::Other);
  EXPECT_EQ(boxes.texts.size(), 1u);
}

TEST_F(CameraTest, ARestartInAChosenFormatRemembersItAndRunsInIt) {
  Use(Scene(kDocumentCamera, "format YUY2 640 480\nformat MJPG 320 240 30\ncurrent YUY2 640 480\n"));
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  ASSERT_EQ(camera->StreamsBuilt(), 1);
  const VideoFormat chosen = video->EnumerateFormats().at(1);

  EXPECT_EQ(video->RestartInFormat(chosen), kStartOk);
  EXPECT_EQ(format, RememberedPart(chosen));  // in memory: the file gets it with the next save
  EXPECT_EQ(format.frameInterval, 0);
  EXPECT_EQ(saves, 0);
  EXPECT_EQ(camera->StreamsBuilt(), 2);
  EXPECT_TRUE(camera->IsStreaming());
  EXPECT_EQ(camera->DeviceFormat()->subtype, kSubtypeMjpg);
  EXPECT_EQ(callback.FrameWidth(), 320);
  EXPECT_EQ(callback.FrameHeight(), 240);
  EXPECT_EQ(camera->VideoWindow().owner->controlId, preview.controlId);
}

TEST_F(CameraTest, AFormatChosenBeforeAnyStartWaitsForTheFirst) {
  Use(Scene(kDocumentCamera, "format YUY2 640 480\nformat MJPG 320 240\n"));
  EXPECT_EQ(video->RestartInFormat({320, 240, 99, kSubtypeMjpg}), kStartOk);
  EXPECT_FALSE(camera->IsStreaming());
  EXPECT_EQ(camera->StreamsBuilt(), 0);
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  EXPECT_EQ(callback.FrameWidth(), 320);
  EXPECT_EQ(camera->DeviceFormat()->bitRate, 99u);
}

TEST_F(CameraTest, ARestartIntoARefusedFormatRunsInTheCamerasOwn) {
  Use(Scene(kDocumentCamera, "format YUY2 640 480\nformat MJPG 1600 1200\nrefuse 1600 1200\n"));
  ASSERT_EQ(video->StartDocumentCamera(preview), kStartOk);
  EXPECT_EQ(video->RestartInFormat(video->EnumerateFormats().at(1)), kStartOk);
  EXPECT_EQ(format.width, 1600);  // the user's choice stays remembered
  EXPECT_EQ(callback.FrameWidth(), 640);
}

TEST_F(CameraTest, TheCameraObjectWritesItsTraceLines) {
  Use(Scene(kDocumentCamera));
  video.reset();
  EXPECT_EQ(trace, (std::vector<std::string>{"CCaptureVideo::CCaptureVideo()", "CCaptureVideo::~CCaptureVideo()"}));
}

}  // namespace
}  // namespace capture
