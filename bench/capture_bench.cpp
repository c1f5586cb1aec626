// The camera side of each frame: what the frame callback costs when no still
// is wanted and no analysis is on, and how fast the virtual camera draws its
// frames at the sizes document cameras deliver.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "capture/sample_grabber_cb.h"
#include "capture/virtual/scene_renderer.h"

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

}  // namespace
