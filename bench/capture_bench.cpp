// The camera side of each frame: what the frame callback costs when no still
// is wanted and no analysis is on, how fast the virtual camera draws its
// frames at the sizes document cameras deliver, and how long a restart in a
// chosen format takes until the first frame of the new format arrives (what
// the user waits for after confirming the video format).
#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "capture/capture_video.h"
#include "capture/sample_grabber_cb.h"
#include "capture/virtual/scene_renderer.h"
#include "capture/virtual/virtual_camera.h"

namespace {

using namespace capture;

class IdleHooks final : public FrameHooks {
 public:
  ProcessingSwitches Switches() const override { return {}; }
  void AnalyseFrame(const FrameView&) override {}
  void ProcessStill(const FrameView&, const StillParameters&) override {}
  void ProcessStillPaged(const FrameView&, const StillParameters&) override {}
};

void FrameWithoutStill(benchmark::State& state) {
  IdleHooks hooks;
  CSampleGrabberCB callback(nullptr);
  callback.SetHooks(&hooks);
  callback.SetFrameSize(3264, 2448);
  std::vector<std::uint8_t> frame(FrameStride(3264) * 2448);
  for (auto _ : state) {
    benchmark::DoNotOptimize(callback.BufferCB(0, frame.data(), static_cast<long>(frame.size())));
  }
}
BENCHMARK(FrameWithoutStill);

// A page resting on the desk, skewed: a frame drawn whole.
void DrawFrame(benchmark::State& state) {
  const auto width = static_cast<std::int32_t>(state.range(0));
  const auto height = static_cast<std::int32_t>(state.range(1));
  auto scene = std::make_shared<const Scene>(*ParseScene("page p 210 297 seed 3\nplace p 220 165 4\n").scene);
  SceneRenderer renderer(scene);
  std::vector<std::uint8_t> frame;
  const DeskState desk = DeskAt(*scene, 0);
  for (auto _ : state) {
    renderer.Render(desk, width, height, frame);
    benchmark::DoNotOptimize(frame.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(frame.size()));
}
BENCHMARK(DrawFrame)->Args({3264, 2448})->Args({2592, 1944})->Args({640, 480})->Unit(benchmark::kMillisecond);

// Watches every frame (position correction on makes the callback hand each
// one to the analysis) for the first of a given width.
class FrameWatcher final : public FrameHooks {
 public:
  ProcessingSwitches Switches() const override {
    ProcessingSwitches switches;
    switches.autoCorrect = true;
    return switches;
  }
  void AnalyseFrame(const FrameView& frame) override {
    if (frame.width == awaitedWidth.load()) arrived.store(true);
  }
  void ProcessStill(const FrameView&, const StillParameters&) override {}
  void ProcessStillPaged(const FrameView&, const StillParameters&) override {}
  std::atomic<std::int32_t> awaitedWidth{0};
  std::atomic<bool> arrived{false};
};

class SilentBoxes final : public platform::MessageBoxes {
 public:
  int Show(const platform::MessageBoxRequest&) override { return platform::mb::kIdOk; }
};

void RestartInAFormat(benchmark::State& state) {
  VirtualCamera camera(*ParseScene("rate 120\ndevice \"Cam\" \"\\\\?\\usb#vid_4d56&pid_2c01#1\"\n"
                                   "format YUY2 1600 1200\nformat MJPG 640 480\n")
                            .scene);
  FrameWatcher watcher;
  CSampleGrabberCB callback(nullptr);
  callback.SetHooks(&watcher);
  SilentBoxes boxes;
  settings::VideoFormat saved;
  caps::StoredValues capValues;
  CCaptureVideo video(CaptureLinks{camera, callback, boxes, saved, nullptr, capValues, nullptr});
  video.StartDocumentCamera({nullptr, 3013});
  const std::vector<VideoFormat> formats = video.EnumerateFormats();
  std::size_t next = 1;
  for (auto _ : state) {
    watcher.arrived.store(false);
    watcher.awaitedWidth.store(formats.at(next).width);
    video.RestartInFormat(formats.at(next));
    while (!watcher.arrived.load()) std::this_thread::yield();
    next = 1 - next;
  }
  video.CloseCapture();
  callback.SetHooks(nullptr);
}
BENCHMARK(RestartInAFormat)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
