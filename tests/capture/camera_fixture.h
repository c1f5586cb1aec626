// A camera object on a virtual camera of a given scene, with recorded
// message boxes, settings saves and trace lines.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/capture_video.h"
#include "capture/virtual/virtual_camera.h"
#include "resources/dialog_ids.h"

namespace capture {

inline Scene SceneOf(std::string_view text) {
  SceneParseResult result = ParseScene(text);
  EXPECT_TRUE(result.scene) << result.error;
  return result.scene ? *result.scene : Scene{};
}

// Waits for `condition` with a generous limit: the tests never depend on how fast frames come.
template <typename Condition>
bool WaitFor(Condition condition) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class RecordedBoxes final : public platform::MessageBoxes {
 public:
  int Show(const platform::MessageBoxRequest& request) override {
    texts.push_back(request.text);
    return platform::mb::kIdOk;
  }
  std::vector<std::string> texts;
};

// Hooks that keep a copy of each still, as the picture processing would.
class StillRecorder final : public FrameHooks {
 public:
  ProcessingSwitches Switches() const override { return {}; }
  void AnalyseFrame(const FrameView&) override { analysed.fetch_add(1); }
  void ProcessStill(const FrameView& frame, const StillParameters& parameters) override {
    std::lock_guard lock(mutex);
    stills.push_back({std::vector<std::uint8_t>(frame.pixels, frame.pixels + frame.length), frame.width, frame.height,
                      frame.sampleTime, parameters});
  }
  void ProcessStillPaged(const FrameView& frame, const StillParameters& parameters) override {
    ProcessStill(frame, parameters);
  }

  struct Still {
    std::vector<std::uint8_t> pixels;
    std::int32_t width;
    std::int32_t height;
    double sampleTime;
    StillParameters parameters;
  };
  std::size_t Count() {
    std::lock_guard lock(mutex);
    return stills.size();
  }
  Still At(std::size_t i) {
    std::lock_guard lock(mutex);
    return stills.at(i);
  }

  std::atomic<int> analysed{0};

 private:
  std::mutex mutex;
  std::vector<Still> stills;
};

class CameraTest : public ::testing::Test {
 protected:
  void Use(std::string_view sceneText) {
    video.reset();
    camera = std::make_unique<VirtualCamera>(SceneOf(sceneText));
    video =
        std::make_unique<CCaptureVideo>(CaptureLinks{*camera, callback, boxes, format, [this] { ++saves; }, capValues,
                                                     [this](std::string_view line) { trace.emplace_back(line); }});
  }
  void TearDown() override { video.reset(); }

  const PreviewArea preview{reinterpret_cast<platform::WindowHandle>(0x3010), dialog_ids::main_dialog::kPreviewControl};
  std::vector<std::string> trace;
  CSampleGrabberCB callback{nullptr};
  RecordedBoxes boxes;
  settings::VideoFormat format{0, 0, 0, kSubtypeMjpg};
  int saves = 0;
  caps::StoredValues capValues;
  std::unique_ptr<VirtualCamera> camera;
  std::unique_ptr<CCaptureVideo> video;
};

// A document camera (the first key) and a webcam.
inline constexpr const char* kDocumentCamera =
    "device \"Mervale Document Camera\" \"\\\\?\\usb#vid_4d56&pid_2c01#1\"\n";
inline constexpr const char* kWebcam = "device \"Webcam\" \"\\\\?\\usb#vid_0a11&pid_0b22#1\"\n";

}  // namespace capture
