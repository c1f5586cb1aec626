// A whole still, frame to stored bitmap file, as the capture thread runs it
// while the dialog waits: ProcessStill on desk frames of the virtual camera
// in each colour kind, with and without the watermark.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "acquire/page_queue.h"
#include "capture/media_format.h"
#include "capture/virtual/scene_renderer.h"
#include "platform/global_memory.h"
#include "stills/still_pipeline.h"

namespace {

using capture::PictureKind;

class NoBoxes final : public platform::MessageBoxes {
 public:
  int Show(const platform::MessageBoxRequest&) override { return platform::mb::kIdOk; }
};

// A page lying a little askew on the desk, seen by the camera.
const std::vector<std::uint8_t>& DeskFrame(int width, int height) {
  static std::vector<std::pair<std::pair<int, int>, std::vector<std::uint8_t>>> frames;
  for (const auto& [size, bytes] : frames) {
    if (size == std::pair{width, height}) return bytes;
  }
  const capture::SceneParseResult parsed = capture::ParseScene("page p 210 297 seed 11\nplace p 150 115 3\n");
  const auto scene = std::make_shared<const capture::Scene>(*parsed.scene);
  std::vector<std::uint8_t> bytes;
  capture::SceneRenderer(scene).Render(capture::DeskAt(*scene, 0), width, height, bytes);
  frames.emplace_back(std::pair{width, height}, std::move(bytes));
  return frames.back().second;
}

// The picture folder lies in a temporary directory of the benchmark's own,
// made for the first case and removed when the program ends.
class BenchFolder {
 public:
  BenchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "mervale-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    setenv("TMPDIR", path_.c_str(), 1);
  }
  ~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

 private:
  std::string path_;
};

void ProcessStill(benchmark::State& state, PictureKind kind, bool watermark) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const std::vector<std::uint8_t>& frame = DeskFrame(width, height);
  static const BenchFolder folder;
  NoBoxes boxes;
  acquire::PageQueue queue(platform::SystemGlobalMemory(), boxes);
  settings::Settings settings;
  settings.autoCorrect = 0;
  settings.autoCrop = 0;
  settings.watermarkOn = watermark ? 1 : 0;
  settings.watermarkTime = 1;
  settings.watermarkText = "Mervale 水印";
  caps::StoredValues capValues;
  imaging::StillPipeline pipeline({queue, settings, capValues, boxes, platform::SystemTextRenderer()});
  capture::StillParameters parameters;
  parameters.kind = kind;
  parameters.frameWidth = width;
  parameters.frameHeight = height;
  pipeline.PrepareStill(parameters);
  const capture::FrameView view{frame.data(), static_cast<long>(frame.size()), width, height, 0.0};

  for (auto _ : state) {
    queue.SetPictureCount(0);
    pipeline.ProcessStill(view, parameters);
  }
  state.counters["Mpixel/s"] =
      benchmark::Counter(static_cast<double>(width) * height / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void FrameSizes(benchmark::internal::Benchmark* b) {
  b->Args({3264, 2448})->Args({2592, 1944})->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_CAPTURE(ProcessStill, Colour, PictureKind::Colour, false)->Apply(FrameSizes);
BENCHMARK_CAPTURE(ProcessStill, Grey, PictureKind::Grey, false)->Apply(FrameSizes);
BENCHMARK_CAPTURE(ProcessStill, BlackWhite, PictureKind::BlackWhite, false)->Apply(FrameSizes);
BENCHMARK_CAPTURE(ProcessStill, ColourWatermark, PictureKind::Colour, true)->Apply(FrameSizes);
BENCHMARK_CAPTURE(ProcessStill, BlackWhiteWatermark, PictureKind::BlackWhite, true)->Apply(FrameSizes);

}  // namespace
