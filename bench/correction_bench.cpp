// Speed of the automatic correction on frames of the virtual camera: the
// skew estimate that the page detection runs on a 640 x 480 copy of every
// frame, the content rectangle of a full frame, the position correction of
// a 3264 x 2448 still (on a plain desk, and on a desk as real desks look,
// with and without a page), one call of the edge finder on its work
// picture, and the page processor on a 3264 x 2448 spread.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_folder.h"
#include "capture/media_format.h"
#include "capture/virtual/scene_renderer.h"
#include "imaging/bmp_file.h"
#include "imaging/correction/correction.h"
#include "imaging/picture_operations.h"

namespace {

using imaging::Picture;

Picture Frame(const char* sceneText, int width, int height) {
  const capture::SceneParseResult parsed = capture::ParseScene(sceneText);
  const auto scene = std::make_shared<const capture::Scene>(*parsed.scene);
  std::vector<std::uint8_t> bytes;
  capture::SceneRenderer(scene).Render(capture::DeskAt(*scene, 0), width, height, bytes);
  return Picture::FromBgrRows(bytes, width, height, capture::FrameStride(width));
}

constexpr const char* kPageOnDesk = "page p 210 297 seed 11\nplace p 220 165 3\n";
// A page filling the whole field: text lines everywhere, the most votes.
constexpr const char* kPageFillingFrame = "field 200\npage p 210 297 seed 12\nplace p 100 75 2\n";
// A desk as real desks look: wood, white things beside the page, a shadow
// across it, uneven light; and the same desk bare, where every search of
// the edge finder runs and finds nothing.
constexpr const char* kRealisticDesk =
    "desk 186 152 116\nwood seed 7\nvignette 0.3\nlight 0.25 200\nobject round 385 70 64 64\n"
    "object rect 70 262 130 14\nshadow 220 250 300 80 0.3\npage p 210 297 seed 11 text\nplace p 220 165 3\n";
constexpr const char* kRealisticBareDesk =
    "desk 186 152 116\nwood seed 7\nvignette 0.3\nlight 0.25 200\nobject round 385 70 64 64\n"
    "object rect 70 262 130 14\nshadow 220 250 300 80 0.3\n";
constexpr const char* kSpread =
    "page l 210 297 seed 13\npage r 210 297 seed 14\nplace l 113 165 0\nplace r 327 165 0\n";

const bench::BenchFolder& Folder() {
  static const bench::BenchFolder folder("mervale-correction");
  return folder;
}

// As the page detection prepares each frame: 640 x 480, brightened by 25.
void SkewEstimate(benchmark::State& state, const char* sceneText) {
  Picture picture = Frame(sceneText, 3264, 2448);
  imaging::ResampleNearest(picture, 640, 480);
  imaging::AdjustBrightnessContrast(picture, 25, 0);
  const imaging::correction::SkewEstimator estimator;
  for (auto _ : state) benchmark::DoNotOptimize(estimator.Estimate(picture));
}
// The most edge points a picture can have: black and white rows alternating.
void SkewEstimateWorstCase(benchmark::State& state) {
  Picture picture(640, 480, 24);
  for (int y = 0; y < 480; y += 2) picture.Fill({0, y, 640, y + 1}, imaging::kWhite);
  const imaging::correction::SkewEstimator estimator;
  for (auto _ : state) benchmark::DoNotOptimize(estimator.Estimate(picture));
}
BENCHMARK(SkewEstimateWorstCase)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(SkewEstimate, PageOnDesk, kPageOnDesk)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(SkewEstimate, PageFillingFrame, kPageFillingFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void ContentRect(benchmark::State& state) {
  const Picture picture = Frame(kPageOnDesk, 3264, 2448);
  for (auto _ : state) {
    imaging::Rect rect{0, 0, picture.Width(), picture.Height()};
    imaging::correction::FindContentRect(picture, rect);
    benchmark::DoNotOptimize(rect);
  }
}
BENCHMARK(ContentRect)->Unit(benchmark::kMillisecond)->UseRealTime();

void CorrectStill(benchmark::State& state, const char* sceneText) {
  const Picture frame = Frame(sceneText, 3264, 2448);
  const imaging::CorrectionSwitches switches{.autoCrop = state.range(0) != 0};
  imaging::correction::AutomaticCorrection correction;
  for (auto _ : state) {
    state.PauseTiming();
    Picture still = frame;
    state.ResumeTiming();
    correction.CorrectStill(still, Folder().Path(), switches);
    benchmark::DoNotOptimize(still.Width());
  }
}
BENCHMARK_CAPTURE(CorrectStill, PageOnDesk, kPageOnDesk)
    ->ArgName("crop")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(CorrectStill, RealisticDesk, kRealisticDesk)
    ->ArgName("crop")
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(CorrectStill, RealisticBareDesk, kRealisticBareDesk)
    ->ArgName("crop")
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One call of our edge finder on the 800 x 600 work picture of a still, as
// the position correction makes it (twice a still with cropping): the
// file read, the search, and the turned and cropped page written.
void FindEdge(benchmark::State& state, const char* sceneText) {
  Picture work = Frame(sceneText, 3264, 2448);
  imaging::ResampleNearest(work, 800, 600);
  imaging::AdjustBrightnessContrast(work, 25, 0);
  const std::string input = Folder().Path() + "edge_in.bmp";
  const std::string output = Folder().Path() + "edge_out.bmp";
  imaging::SaveBmp(work, input);
  const std::unique_ptr<imaging::correction::EdgeFinder> finder = imaging::correction::MakePageEdgeFinder();
  for (auto _ : state) {
    double angle = 0;
    std::int32_t extra[4] = {};
    float edges[4] = {};
    finder->FindEdge(input.c_str(), output.c_str(), &angle, &extra[0], &extra[1], &edges[0], &edges[1], &edges[2],
                     &edges[3], &extra[2], &extra[3]);
    benchmark::DoNotOptimize(angle);
  }
}
BENCHMARK_CAPTURE(FindEdge, PageOnDesk, kPageOnDesk)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(FindEdge, RealisticDesk, kRealisticDesk)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(FindEdge, RealisticBareDesk, kRealisticBareDesk)->Unit(benchmark::kMillisecond)->UseRealTime();

// The page processor on a stored spread, as smart paging hands it over;
// argument 3 erases fingers too.
void ProcessSpread(benchmark::State& state) {
  const Picture spread = Frame(kSpread, 3264, 2448);
  const std::string input = Folder().Path() + "twainrgb1_tmp.bmp";
  const std::string left = Folder().Path() + "twainrgb1.bmp";
  const std::string right = Folder().Path() + "twainrgb2.bmp";
  const std::unique_ptr<imaging::correction::PageProcessor> processor = imaging::correction::MakeBookPageProcessor();
  const std::int32_t options[3] = {1, 75, 0};
  for (auto _ : state) {
    state.PauseTiming();
    imaging::SaveBmp(spread, input);
    state.ResumeTiming();
    processor->Process(input.c_str(), input.c_str(), left.c_str(), right.c_str(), options,
                       static_cast<int>(state.range(0)), 50);
  }
}
BENCHMARK(ProcessSpread)->ArgName("mode")->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
