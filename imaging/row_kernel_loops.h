// The loop bodies behind imaging/row_kernels.h, written for the compiler to
// vectorise. Each file that compiles a variant of the kernels includes them
// with its own instruction set; the functions have internal linkage, so no
// variant's copy can stand in for another's. Internal to imaging/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "imaging/row_kernels.h"

namespace imaging::kernels {
namespace {

// Grey values through a small buffer, so that the vector loop may assume
// that its input and output do not overlap even when the row is converted
// in place: a chunk is read whole before its grey bytes are stored.
inline void BgrToGreyLoop(const std::uint8_t* bgr, std::uint8_t* grey, int width) {
  constexpr int kChunk = 256;
  std::uint8_t chunk[kChunk];
  for (int start = 0; start < width; start += kChunk) {
    const int count = width - start < kChunk ? width - start : kChunk;
    const std::uint8_t* __restrict src = bgr + 3 * static_cast<std::ptrdiff_t>(start);
    for (int x = 0; x < count; ++x) {
      chunk[x] = static_cast<std::uint8_t>((306u * src[3 * x + 2] + 601u * src[3 * x + 1] + 117u * src[3 * x]) >> 10);
    }
    std::memcpy(grey + start, chunk, static_cast<std::size_t>(count));
  }
}

inline void SwapRedBlueLoop(const std::uint8_t* __restrict from, std::uint8_t* __restrict to, std::size_t pixels) {
  for (std::size_t i = 0; i < pixels; ++i) {
    to[3 * i] = from[3 * i + 2];
    to[3 * i + 1] = from[3 * i + 1];
    to[3 * i + 2] = from[3 * i];
  }
}

inline void BlendThresholdsLoop(int lower, int upper, const std::uint8_t* __restrict weights,
                                std::uint8_t* __restrict thresholds, int count) {
  for (int i = 0; i < count; ++i) {
    const int weight = weights[i];
    thresholds[i] = static_cast<std::uint8_t>((lower * (128 - weight) + upper * weight + 8192) >> 14);
  }
}

// Pixels from `from` (a multiple of 8) to the end of the row, one at a time.
inline void PackAboveLoop(const std::uint8_t* values, const std::uint8_t* thresholds, std::uint8_t* bits, int from,
                          int width) {
  unsigned byte = 0;
  for (int x = from; x < width; ++x) {
    byte = (byte << 1) | (values[x] > thresholds[x] ? 1u : 0u);
    if ((x & 7) == 7) {
      bits[x >> 3] = static_cast<std::uint8_t>(byte);
      byte = 0;
    }
  }
  if (width & 7) bits[width >> 3] = static_cast<std::uint8_t>(byte << (8 - (width & 7)));
}

// One pixel of a bilinear turn from source bytes xa and xb of rows a and
// b, weighted by the fractions (in 1/256) of the position past xa and row a.
template <int Channels>
inline void BlendPixel(const std::uint8_t* rowA, const std::uint8_t* rowB, int xa, int xb, std::uint32_t fx,
                       std::uint32_t fy, std::uint8_t* p) {
  const std::uint32_t wAA = (256 - fx) * (256 - fy);
  const std::uint32_t wBA = fx * (256 - fy);
  const std::uint32_t wAB = (256 - fx) * fy;
  const std::uint32_t wBB = fx * fy;
  for (int c = 0; c < Channels; ++c) {
    const std::uint32_t sum = rowA[xa + c] * wAA + rowA[xb + c] * wBA + rowB[xa + c] * wAB + rowB[xb + c] * wBB;
    p[c] = static_cast<std::uint8_t>((sum + 32768) >> 16);
  }
}

template <int Channels>
inline void BlendRunLoop(const std::uint8_t* rows, std::size_t stride, FineWalk x, FineWalk y, std::uint8_t* out,
                         int count) {
  for (int i = 0; i < count; ++i, x.Advance(), y.Advance()) {
    const std::uint8_t* rowA = rows + static_cast<std::size_t>(y.fine >> 8) * stride;
    const int xa = (x.fine >> 8) * Channels;
    BlendPixel<Channels>(rowA, rowA + stride, xa, xa + Channels, static_cast<std::uint32_t>(x.fine & 0xFF),
                         static_cast<std::uint32_t>(y.fine & 0xFF), out + i * Channels);
  }
}

inline void BlendRunLoop(const std::uint8_t* rows, std::size_t stride, int channels, FineWalk x, FineWalk y,
                         std::uint8_t* out, int count) {
  if (channels == 3) {
    BlendRunLoop<3>(rows, stride, x, y, out, count);
  } else {
    BlendRunLoop<1>(rows, stride, x, y, out, count);
  }
}

}  // namespace

// The variant for processors with SSSE3 (row_kernels_ssse3.cpp), on x86 only.
namespace ssse3 {
void BgrToGrey(const std::uint8_t* bgr, std::uint8_t* grey, int width);
void SwapRedBlue(const std::uint8_t* from, std::uint8_t* to, std::size_t pixels);
void BlendThresholds(int lower, int upper, const std::uint8_t* weights, std::uint8_t* thresholds, int count);
void PackAbove(const std::uint8_t* values, const std::uint8_t* thresholds, std::uint8_t* bits, int width);
}  // namespace ssse3

// The variant for processors with SSE4.1 (row_kernels_sse41.cpp), on x86 only.
namespace sse41 {
void BlendRun(const std::uint8_t* rows, std::size_t stride, int width, int channels, FineWalk x, FineWalk y,
              std::uint8_t* out, int count);
}  // namespace sse41

}  // namespace imaging::kernels
