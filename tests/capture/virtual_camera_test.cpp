// The virtual camera as a capture service: devices, formats, failing steps,
// and frames delivered on its own thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "capture/virtual/virtual_camera.h"

namespace capture {
namespace {

Scene Parse(std::string_view text) {
  SceneParseResult result = ParseScene(text);
  EXPECT_TRUE(result.scene) << result.error;
  return result.scene ? *result.scene : Scene{};
}

// Waits for `condition` with a generous limit; the tests never depend on how fast frames come.
template <typename Condition>
bool WaitFor(Condition condition) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class CountingCallback final : public FrameCallback {
 public:
  Status BufferCB(double, const std::uint8_t* buffer, long length) override {
    if (buffer != nullptr) lastLength.store(length);
    frames.fetch_add(1);
    return status::kOk;
  }
  std::atomic<int> frames{0};
  std::atomic<long> lastLength{0};
};

struct BuiltGraph {
  std::unique_ptr<FilterGraph> graph;
  std::unique_ptr<MediaControl> control;
  std::shared_ptr<CaptureDevice> device;
  std::unique_ptr<SampleGrabber> grabber;
};

// The graph as a camera start builds it, without the decisions: the last device bound.
BuiltGraph Build(VirtualCamera& camera, FrameCallback& callback) {
  BuiltGraph built;
  Status status = status::kFail;
  built.graph = camera.CreateGraph(status);
  built.control = built.graph->QueryMediaControl(status);
  camera.ForEachDevice([&](DeviceEntry& entry) { built.device = entry.Bind(); });
  EXPECT_TRUE(Succeeded(built.graph->AddCaptureDevice(built.device.get(), "Capture Filter")));
  built.grabber = camera.CreateSampleGrabber(status);
  EXPECT_TRUE(Succeeded(built.grabber->SetMediaTypeRgb24()));
  EXPECT_TRUE(Succeeded(built.graph->AddGrabber(*built.grabber, "Grabber")));
  EXPECT_TRUE(Succeeded(built.graph->RenderStream(PinCategory::Preview, *built.device, *built.grabber)));
  built.grabber->DeliverTo(&callback);
  return built;
}

TEST(VirtualCamera, EnumeratesTheScenesDevicesInOrder) {
  VirtualCamera camera(Parse("device \"A\" \"pa\"\ndevice - \"pb\"\ndevice \"C\" -\n"));
  std::vector<std::optional<std::string>> names;
  EXPECT_TRUE(camera.ForEachDevice([&](DeviceEntry& entry) { names.push_back(entry.friendlyName); }));
  EXPECT_EQ(names, (std::vector<std::optional<std::string>>{"A", std::nullopt, "C"}));

  VirtualCamera none(Parse("rate 15\n"));
  EXPECT_FALSE(none.ForEachDevice([](DeviceEntry&) { ADD_FAILURE() << "no device to visit"; }));
}

TEST(VirtualCamera, DeliversFramesOfTheConnectedSizeUntilStopped) {
  VirtualCamera camera(Parse("rate 100\ndevice \"A\" \"p\"\nformat RGB24 161 120\n"));
  CountingCallback callback;
  BuiltGraph built = Build(camera, callback);
  std::int32_t width = 0, height = 0;
  ASSERT_EQ(built.grabber->GetConnectedSize(width, height), status::kOk);
  EXPECT_EQ(width, 161);
  EXPECT_EQ(height, 120);

  ASSERT_EQ(built.control->Run(), status::kOk);
  ASSERT_TRUE(WaitFor([&] { return callback.frames.load() >= 3; }));
  EXPECT_TRUE(camera.IsStreaming());
  EXPECT_EQ(callback.lastLength.load(), static_cast<long>(FrameStride(161) * 120));

  built.control->Stop();
  EXPECT_FALSE(camera.IsStreaming());
  const int stopped = callback.frames.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(callback.frames.load(), stopped);
}

TEST(VirtualCamera, RefusedSizeKeepsTheDevicesFormat) {
  VirtualCamera camera(Parse("device \"A\" \"p\"\nformat YUY2 640 480\nformat MJPG 1600 1200\nrefuse 1600 1200\n"));
  Status status = status::kFail;
  auto graph = camera.CreateGraph(status);
  std::shared_ptr<CaptureDevice> device;
  camera.ForEachDevice([&](DeviceEntry& entry) { device = entry.Bind(); });
  graph->AddCaptureDevice(device.get(), "Capture Filter");
  EXPECT_FALSE(graph->FindStreamConfig(device.get(), PinCategory::Capture, StreamMedia::Interleaved));
  EXPECT_FALSE(graph->FindStreamConfig(device.get(), PinCategory::Preview, StreamMedia::Video));
  auto config = graph->FindStreamConfig(device.get(), PinCategory::Capture, StreamMedia::Video);
  ASSERT_TRUE(config);

  VideoFormat format;
  config->GetFormat(format);
  format.width = 1600;
  format.height = 1200;
  EXPECT_FALSE(Succeeded(config->SetFormat(format)));
  EXPECT_EQ(camera.DeviceFormat()->width, 640);
  format.subtype = kSubtypeMjpg;
  format.width = 320;
  format.height = 240;
  EXPECT_TRUE(Succeeded(config->SetFormat(format)));
  EXPECT_EQ(camera.DeviceFormat()->width, 320);
  EXPECT_EQ(camera.DeviceFormat()->subtype, kSubtypeMjpg);
}

TEST(VirtualCamera, RemovingDownstreamLeavesTheDeviceAlone) {
  VirtualCamera camera(Parse("rate 100\ndevice \"A\" \"p\"\nformat RGB24 64 48\n"));
  CountingCallback callback;
  BuiltGraph built = Build(camera, callback);
  EXPECT_EQ(camera.FiltersInNewestGraph(), (std::vector<std::string>{"Capture Filter", "Grabber", "Video Renderer"}));
  built.control->Run();
  ASSERT_TRUE(WaitFor([&] { return callback.frames.load() >= 1; }));
  built.graph->RemoveDownstream(*built.device);
  EXPECT_FALSE(camera.IsStreaming());
  EXPECT_EQ(camera.FiltersInNewestGraph(), (std::vector<std::string>{"Capture Filter"}));
}

}  // namespace
}  // namespace capture
