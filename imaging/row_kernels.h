// The innermost row loops of the picture work. Each is compiled twice: once
// for any processor of the target, and on x86 once more for processors with
// SSSE3 (the turn's blend: SSE4.1); the first call picks the variant the processor can run, so the same
// binary runs on any x86 processor, 32- or 64-bit. Both variants give the
// same bytes. Internal to imaging/ and acquire/.
#pragma once

#include <cstddef>
#include <cstdint>

namespace imaging::kernels {

// grey[x] = (306 red + 601 green + 117 blue) >> 10 for `width` pixels of
// blue, green, red. `grey` may be `bgr` itself: every grey byte lands at or
// before the bytes it comes from.
void BgrToGrey(const std::uint8_t* bgr, std::uint8_t* grey, int width);

// Blue, green, red becomes red, green, blue for `pixels` pixels; the rows do not overlap.
void SwapRedBlue(const std::uint8_t* from, std::uint8_t* to, std::size_t pixels);

// thresholds[i] = (lower (128 − weights[i]) + upper weights[i] + 8192) >> 14:
// one stretch of a map row blended between two cells, weights in 1/128,
// the cells in 0 .. 255 × 128.
void BlendThresholds(int lower, int upper, const std::uint8_t* weights, std::uint8_t* thresholds, int count);

// One bit per pixel, the leftmost the most significant: 1 where values[x] >
// thresholds[x]; a last partial byte is filled with zero bits. `bits` may
// be `values` itself: the bits of pixel x land at or before it.
void PackAbove(const std::uint8_t* values, const std::uint8_t* thresholds, std::uint8_t* bits, int width);

// A position along a row of a bilinear turn's walk, in 1/256 of a pixel,
// stepped in 32-bit arithmetic: `fine` whole 1/256 steps and a 24-bit
// remainder below them, carried into `fine` as the 32.32 walk would carry.
struct FineWalk {
  static constexpr std::uint32_t kRemainderMask = (1u << 24) - 1;

  void Advance() {
    remainder += remainderStep;
    fine += fineStep + static_cast<std::int32_t>(remainder >> 24);
    remainder &= kRemainderMask;
  }

  std::int32_t fine = 0;
  std::uint32_t remainder = 0;
  std::int32_t fineStep = 0;
  std::uint32_t remainderStep = 0;
};

// `count` target pixels of a bilinear turn into `out`, `channels` (1 or 3)
// bytes each: pixel i blends the four source pixels around the i-th
// position of the walks `x` and `y` (in 8-bit weights, rounded), from the
// source rows that start at `rows`, `stride` bytes apart, `width` pixels
// wide. The four pixels around every position must lie in the source.
void BlendRun(const std::uint8_t* rows, std::size_t stride, int width, int channels, FineWalk x, FineWalk y,
              std::uint8_t* out, int count);

// For tests: run the portable variants even where the vector ones could.
void UsePortableKernels(bool portable);

}  // namespace imaging::kernels
