// The automatic scanning's page detection on the streaming thread, at the
// frame sizes document cameras deliver: the part every frame pays (the
// 640 x 480 copy, its skew, the rest rule) and the part a page at rest adds
// (the full frame turned and its page rectangle found). A 15 fps camera keeps
// its rate with the preview while the per-frame part stays within 5 ms.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "capture/media_format.h"
#include "capture/virtual/scene_renderer.h"
#include "stills/page_detector.h"

namespace {

// A skewed page resting on the desk, drawn at the benchmark's size.
std::vector<std::uint8_t> RestingPage(std::int32_t width, std::int32_t height) {
  auto scene =
      std::make_shared<const capture::Scene>(*capture::ParseScene("page p 210 297 seed 3\nplace p 220 165 4\n").scene);
  std::vector<std::uint8_t> frame;
  capture::SceneRenderer(scene).Render(capture::DeskAt(*scene, 0), width, height, frame);
  return frame;
}

void DetectPagePerFrame(benchmark::State& state) {
  const auto width = static_cast<std::int32_t>(state.range(0));
  const auto height = static_cast<std::int32_t>(state.range(1));
  const std::vector<std::uint8_t> pixels = RestingPage(width, height);
  const capture::FrameView frame{pixels.data(), static_cast<long>(pixels.size()), width, height, 0};
  imaging::DetectedPage shared;
  imaging::PageDetector detector(shared);
  for (auto _ : state) {
    double degrees = 0;
    benchmark::DoNotOptimize(detector.MeasureFrame(frame, degrees));
  }
}
BENCHMARK(DetectPagePerFrame)->Args({640, 480})->Args({1600, 1200})->Args({3264, 2448})->Unit(benchmark::kMillisecond);

void DetectPageAtRest(benchmark::State& state) {
  const auto width = static_cast<std::int32_t>(state.range(0));
  const auto height = static_cast<std::int32_t>(state.range(1));
  const std::vector<std::uint8_t> pixels = RestingPage(width, height);
  const capture::FrameView frame{pixels.data(), static_cast<long>(pixels.size()), width, height, 0};
  imaging::DetectedPage shared;
  imaging::PageDetector detector(shared);
  double degrees = 0;
  detector.MeasureFrame(frame, degrees);
  for (auto _ : state) {
    imaging::PageQuad quad;
    benchmark::DoNotOptimize(detector.LocatePage(frame, degrees, quad));
  }
}
BENCHMARK(DetectPageAtRest)->Args({640, 480})->Args({1600, 1200})->Args({3264, 2448})->Unit(benchmark::kMillisecond);

}  // namespace
