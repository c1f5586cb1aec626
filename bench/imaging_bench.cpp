// The picture operations of a still on 8, 5 and 0.3 megapixel frames.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/document_frame.h"
#include "imaging/bmp_file.h"
#include "imaging/colour_mode.h"
#include "imaging/picture.h"
#include "imaging/picture_operations.h"

namespace {

using imaging::Picture;

const Picture& Frame(int width, int height) {
  static std::vector<std::pair<std::pair<int, int>, Picture>> frames;
  for (const auto& [size, picture] : frames) {
    if (size == std::pair{width, height}) return picture;
  }
  frames.emplace_back(std::pair{width, height}, bench::DocumentFrame(width, height));
  return frames.back().second;
}

// Runs `operation` on a fresh copy of the frame per iteration; the copy is not timed.
template <class Operation>
void OnFrame(benchmark::State& state, Operation operation) {
  const Picture& frame = Frame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    state.PauseTiming();
    Picture picture = frame;
    state.ResumeTiming();
    operation(picture);
    benchmark::DoNotOptimize(picture.Bytes().data());
  }
  state.counters["Mpixel/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * state.range(0) * state.range(1) / 1e6, benchmark::Counter::kIsRate);
}

void FrameSizes(benchmark::internal::Benchmark* b) {
  b->Args({3264, 2448})->Args({2592, 1944})->Args({640, 480})->Unit(benchmark::kMillisecond);
}

void CopyFromFrameBuffer(benchmark::State& state) {
  const Picture& frame = Frame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    Picture copy = Picture::FromBgrRows(frame.Bytes(), frame.Width(), frame.Height(), frame.Stride());
    benchmark::DoNotOptimize(copy.Bytes().data());
  }
}
BENCHMARK(CopyFromFrameBuffer)->Apply(FrameSizes);

void ConvertToGrey(benchmark::State& state) {
  OnFrame(state, [](Picture& p) { imaging::ConvertToGrey(p); });
}
BENCHMARK(ConvertToGrey)->Apply(FrameSizes);

void ConvertToBlackWhite(benchmark::State& state) {
  OnFrame(state, [](Picture& p) { imaging::ConvertToBlackWhite(p); });
}
BENCHMARK(ConvertToBlackWhite)->Apply(FrameSizes);

void TurnNearest90(benchmark::State& state) {
  OnFrame(state, [](Picture& p) { imaging::TurnNearest(p, 90); });
}
BENCHMARK(TurnNearest90)->Apply(FrameSizes);

void TurnNearest180(benchmark::State& state) {
  OnFrame(state, [](Picture& p) { imaging::TurnNearest(p, 180); });
}
BENCHMARK(TurnNearest180)->Apply(FrameSizes);

void TurnNearest270(benchmark::State& state) {
  OnFrame(state, [](Picture& p) { imaging::TurnNearest(p, 270); });
}
BENCHMARK(TurnNearest270)->Apply(FrameSizes);

void TurnNearestFreeAngle(benchmark::State& state) {
  OnFrame(state, [](Picture& p) { imaging::TurnNearest(p, 3.7); });
}
BENCHMARK(TurnNearestFreeAngle)->Apply(FrameSizes);

void TurnBilinear(benchmark::State& state) {
  OnFrame(state, [](Picture& p) { imaging::TurnBilinear(p, 3.7, imaging::kBlack); });
}
BENCHMARK(TurnBilinear)->Apply(FrameSizes);

void ResampleToWorkSize(benchmark::State& state) {
  OnFrame(state, [](Picture& p) { imaging::ResampleNearest(p, 800, 600); });
}
BENCHMARK(ResampleToWorkSize)->Apply(FrameSizes);

void Crop(benchmark::State& state) {
  OnFrame(state, [](Picture& p) {
    imaging::Crop(p, {p.Width() / 10, p.Height() / 10, p.Width() * 9 / 10, p.Height() * 9 / 10});
  });
}
BENCHMARK(Crop)->Apply(FrameSizes);

void SaveColourBmp(benchmark::State& state) {
  const std::string path = std::string(P_tmpdir) + "/mervale_bench.bmp";
  OnFrame(state, [&path](Picture& p) { imaging::SaveBmp(p, path); });
  std::remove(path.c_str());
}
BENCHMARK(SaveColourBmp)->Apply(FrameSizes);

}  // namespace
