// The virtual camera as a capture service: devices, formats, failing steps,
// and frames delivered on its own thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "capture/virtual/virtual_camera.h"
#include "resources/dialog_ids.h"

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

std::shared_ptr<CaptureDevice> BindLast(VirtualCamera& camera) {
  std::shared_ptr<CaptureDevice> device;
  camera.ForEachDevice([&](DeviceEntry& entry) { device = entry.Bind(); });
  return device;
}

// A start into a preview with `callback`, asking for `wanted` when it is given.
StartRequest RequestFor(FrameCallback& callback, std::optional<VideoFormat> wanted = std::nullopt) {
  StartRequest request;
  request.preview = {nullptr, dialog_ids::main_dialog::kPreviewControl};
  request.frames = &callback;
  request.chooseFormat = [wanted](const VideoFormat& current, const std::vector<VideoFormat>&) {
    return wanted.value_or(current);
  };
  return request;
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
  std::shared_ptr<CaptureDevice> device = BindLast(camera);
  StartRequest request = RequestFor(callback);
  std::int32_t width = 0, height = 0;
  request.connected = [&](std::int32_t w, std::int32_t h) {
    width = w;
    height = h;
  };
  ASSERT_FALSE(device->Start(request));
  EXPECT_EQ(width, 161);
  EXPECT_EQ(height, 120);
  ASSERT_TRUE(WaitFor([&] { return callback.frames.load() >= 3; }));
  EXPECT_TRUE(camera.IsStreaming());
  EXPECT_EQ(callback.lastLength.load(), static_cast<long>(FrameStride(161) * 120));

  device->Stop();
  EXPECT_FALSE(camera.IsStreaming());
  const int stopped = callback.frames.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(callback.frames.load(), stopped);
}

TEST(VirtualCamera, RefusedSizeKeepsTheDevicesFormat) {
  VirtualCamera camera(Parse("device \"A\" \"p\"\nformat YUY2 640 480\nformat MJPG 1600 1200\nrefuse 1600 1200\n"));
  CountingCallback callback;
  VideoFormat wanted = camera.GetScene().formats[1];
  ASSERT_FALSE(BindLast(camera)->Start(RequestFor(callback, wanted)));
  EXPECT_EQ(camera.DeviceFormat()->width, 640);

  wanted = {320, 240, 1000, kSubtypeMjpg};
  ASSERT_FALSE(BindLast(camera)->Start(RequestFor(callback, wanted)));
  EXPECT_EQ(camera.DeviceFormat()->width, 320);
  EXPECT_EQ(camera.DeviceFormat()->subtype, kSubtypeMjpg);
  EXPECT_EQ(camera.DeviceFormat()->bitRate, 1000u);
}

TEST(VirtualCamera, OffersItsCapabilitiesForTheChoiceOnlyInTheStandardRecord) {
  const std::string formats = "device \"A\" \"p\"\nformat YUY2 640 480\nformat MJPG 1600 1200 videoinfo2\n";
  for (const char* recordSize : {"", "record-size 64\n"}) {
    VirtualCamera camera(Parse(formats + recordSize));
    CountingCallback callback;
    std::vector<VideoFormat> offered{{1, 1, 1, kSubtypeRgb24}};
    StartRequest request = RequestFor(callback);
    request.chooseFormat = [&](const VideoFormat& current, const std::vector<VideoFormat>& capabilities) {
      offered = capabilities;
      return current;
    };
    std::shared_ptr<CaptureDevice> device = BindLast(camera);
    ASSERT_FALSE(device->Start(request));
    EXPECT_EQ(offered.size(), *recordSize == '\0' ? 2u : 0u) << recordSize;
    // The list of formats is every capability, whatever its record.
    ASSERT_TRUE(device->Formats());
    EXPECT_EQ(*device->Formats(), camera.GetScene().formats);
  }
}

TEST(VirtualCamera, AStreamThatDoesNotRunStaysBuilt) {
  VirtualCamera camera(Parse("device \"A\" \"p\"\nformat RGB24 64 48\nfail run\n"));
  CountingCallback callback;
  std::shared_ptr<CaptureDevice> device = BindLast(camera);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::optional<StartFailure> failure = device->Start(RequestFor(callback));
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->step, StartStep::Run);
    EXPECT_EQ(failure->status, virtual_errors::kRun);
  }
  EXPECT_EQ(camera.StreamsBuilt(), 1);
  EXPECT_FALSE(camera.IsStreaming());
}

// A frame callback that stops its own camera, as a still that closes the camera would.
class StoppingCallback final : public FrameCallback {
 public:
  Status BufferCB(double, const std::uint8_t*, long) override {
    if (frames.fetch_add(1) == 0) device->Stop();
    return status::kOk;
  }
  CaptureDevice* device = nullptr;
  std::atomic<int> frames{0};
};

TEST(VirtualCamera, ACameraStoppedByItsOwnFrameCallbackStartsAgain) {
  VirtualCamera camera(Parse("rate 100\ndevice \"A\" \"p\"\nformat RGB24 32 24\n"));
  StoppingCallback callback;
  std::shared_ptr<CaptureDevice> device = BindLast(camera);
  callback.device = device.get();
  ASSERT_FALSE(device->Start(RequestFor(callback)));
  ASSERT_TRUE(WaitFor([&] { return !camera.IsStreaming(); }));
  EXPECT_EQ(callback.frames.load(), 1);

  ASSERT_FALSE(device->Start(RequestFor(callback)));
  EXPECT_TRUE(WaitFor([&] { return callback.frames.load() >= 3; })) << "the second start delivers frames";
  device->Stop();
  EXPECT_FALSE(camera.IsStreaming());
}

TEST(VirtualCamera, ThePropertySheetIsTheScenes) {
  VirtualCamera camera(Parse("device \"A\" \"p\"\n"));
  EXPECT_TRUE(BindLast(camera)->ShowPropertySheet(nullptr));
  EXPECT_EQ(camera.PropertySheetsShown(), 1);
  VirtualCamera without(Parse("device \"A\" \"p\"\nfail property-pages\n"));
  EXPECT_FALSE(BindLast(without)->ShowPropertySheet(nullptr));
  EXPECT_EQ(without.PropertySheetsShown(), 0);
}

}  // namespace
}  // namespace capture
