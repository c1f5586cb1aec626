// The camera in the whole source: enabling the source starts it in the main
// dialog's preview control, stills can be taken, disabling stops it; without
// a document camera the application is asked to close the source.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "camera_fixture.h"
#include "library/main_dialog_bridge.h"
#include "platform/dialog.h"
#include "platform/global_memory.h"
#include "platform/posix/headless_host.h"
#include "platform/text_encoding.h"
#include "twain/source.h"

namespace capture {
namespace {

using namespace twain;

class RecordingManager final : public platform::SourceManagerLink {
 public:
  bool SendNull(TW_IDENTITY&, TW_IDENTITY&, TW_UINT16 message) override {
    messages.push_back(message);
    return true;
  }
  std::vector<TW_UINT16> messages;
};

class SourceWithCamera : public ::testing::Test {
 protected:
  ~SourceWithCamera() override {
    source.reset();
    std::filesystem::remove(tracePath);
  }

  void Load(std::string_view sceneText) {
    camera = std::make_unique<VirtualCamera>(SceneOf(sceneText));
    source = std::make_unique<Source>(
        SourcePorts{platform::SystemGlobalMemory(), manager, boxes, platform::SystemDialogs(), tracePath, camera.get()},
        &library::MakeMainDialog);
  }

  TW_UINT16 Call(TW_UINT16 dat, TW_UINT16 msg, void* data) {
    TW_IDENTITY origin = application;
    return source->Entry(&origin, DG_CONTROL, dat, msg, data);
  }
  void OpenAndEnable() {
    application.Id = 7;
    TW_IDENTITY record = MakeSourceIdentity();
    record.Id = 42;
    ASSERT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &record), TWRC_SUCCESS);
    TW_USERINTERFACE ui{1, 0, nullptr};
    ASSERT_EQ(Call(DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
  }
  TW_UINT16 Disable() {
    TW_USERINTERFACE ui{0, 0, nullptr};
    return Call(DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
  }
  std::string Trace() const {
    std::ifstream file(tracePath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  const std::string tracePath = (std::filesystem::temp_directory_path() /
                                 ("mervale-camera-trace-" + std::to_string(getpid()) + "-" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log"))
                                    .string();
  TW_IDENTITY application{};
  RecordedBoxes boxes;
  RecordingManager manager;
  std::unique_ptr<VirtualCamera> camera;
  std::unique_ptr<Source> source;
};

TEST_F(SourceWithCamera, EnablingStartsTheCameraAndDisablingStopsIt) {
  Load("rate 60\ndevice \"Mervale Document Camera\" \"\\\\?\\usb#vid_4d56&pid_2c01#1\"\nformat RGB24 64 48\n");
  OpenAndEnable();
  EXPECT_TRUE(camera->IsStreaming());
  ASSERT_TRUE(camera->VideoWindow().owner);
  EXPECT_EQ(camera->VideoWindow().owner->controlId, dialog_ids::main_dialog::kPreviewControl);
  EXPECT_EQ(camera->VideoWindow().owner->dialog, source->UserInterface().Window()->Handle());
  EXPECT_EQ(source->UserSettings().documentFormat.width, 64);

  source->Camera().CaptureStill(false);
  EXPECT_TRUE(source->GrabberCallback().Still().Done());

  EXPECT_EQ(Disable(), TWRC_SUCCESS);
  EXPECT_FALSE(camera->IsStreaming());
  EXPECT_FALSE(source->Camera().IsBuilt());
  EXPECT_TRUE(boxes.texts.empty());
  EXPECT_TRUE(manager.messages.empty());
}

TEST_F(SourceWithCamera, WithoutADocumentCameraTheApplicationIsAskedToClose) {
  Load("device \"Webcam\" \"\\\\?\\usb#vid_0a11&pid_0b22#1\"\n");
  OpenAndEnable();
  EXPECT_EQ(boxes.texts, (std::vector<std::string>{"No Available Device!"}));
  EXPECT_TRUE(manager.messages.empty()) << "not before MSG_ENABLEDS returned";
  platform::headless::AdvanceClock(1);
  EXPECT_EQ(manager.messages, (std::vector<TW_UINT16>{MSG_CLOSEDSREQ}));
  EXPECT_EQ(Disable(), TWRC_SUCCESS);
}

TEST_F(SourceWithCamera, TheCameraObjectsLiveAsLongAsTheLibrary) {
  Load("rate 60\n");
  source.reset();
  const std::string trace = Trace();
  const auto at = [&](std::string_view utf8) { return trace.find(platform::Utf8ToGbk(utf8)); };
  ASSERT_NE(at("CSampleGrabberCB构造"), std::string::npos);
  EXPECT_LT(at("CSampleGrabberCB构造"), at("CCaptureVideo::CCaptureVideo()"));
  EXPECT_LT(at("CCaptureVideo::CCaptureVideo()"), at("CCaptureVideo::~CCaptureVideo()"));
  EXPECT_LT(at("CCaptureVideo::~CCaptureVideo()"), at("CSampleGrabberCB去构造"));
  EXPECT_NE(at("CSampleGrabberCB去构造"), std::string::npos);
}

}  // namespace
}  // namespace capture
