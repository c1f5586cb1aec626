#include "imaging/row_kernels.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define MERVALE_X86_KERNELS 1
#endif

namespace imaging::kernels {

namespace {

// The loop bodies, written for the compiler to vectorise; inlined into each
// variant, which compiles them for its own instruction set.
#define MERVALE_KERNEL_BODY inline __attribute__((always_inline))

// Grey values through a small buffer, so that the vector loop may assume
// that its input and output do not overlap even when the row is converted
// in place: a chunk is read whole before its grey bytes are stored.
MERVALE_KERNEL_BODY void BgrToGreyBody(const std::uint8_t* bgr, std::uint8_t* grey, int width) {
  constexpr int kChunk = 256;
  std::uint8_t chunk[kChunk];
  for (int start = 0; start < width; start += kChunk) {
    const int count = std::min(kChunk, width - start);
    const std::uint8_t* __restrict src = bgr + 3 * static_cast<std::ptrdiff_t>(start);
    for (int x = 0; x < count; ++x) {
      chunk[x] = static_cast<std::uint8_t>((306u * src[3 * x + 2] + 601u * src[3 * x + 1] + 117u * src[3 * x]) >> 10);
    }
    std::memcpy(grey + start, chunk, static_cast<std::size_t>(count));
  }
}

MERVALE_KERNEL_BODY void SwapRedBlueBody(const std::uint8_t* __restrict from, std::uint8_t* __restrict to,
                                         std::size_t pixels) {
  for (std::size_t i = 0; i < pixels; ++i) {
    to[3 * i] = from[3 * i + 2];
    to[3 * i + 1] = from[3 * i + 1];
    to[3 * i + 2] = from[3 * i];
  }
}

MERVALE_KERNEL_BODY void BlendThresholdsBody(int lower, int upper, const std::uint8_t* __restrict weights,
                                             std::uint8_t* __restrict thresholds, int count) {
  for (int i = 0; i < count; ++i) {
    const int weight = weights[i];
    thresholds[i] = static_cast<std::uint8_t>((lower * (128 - weight) + upper * weight + 8192) >> 14);
  }
}

// Pixels from `from` (a multiple of 8) to the end of the row, one at a time.
void PackAboveFrom(const std::uint8_t* values, const std::uint8_t* thresholds, std::uint8_t* bits, int from,
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

void BgrToGreyPortable(const std::uint8_t* bgr, std::uint8_t* grey, int width) { BgrToGreyBody(bgr, grey, width); }
void SwapRedBluePortable(const std::uint8_t* from, std::uint8_t* to, std::size_t pixels) {
  SwapRedBlueBody(from, to, pixels);
}
void BlendThresholdsPortable(int lower, int upper, const std::uint8_t* weights, std::uint8_t* thresholds, int count) {
  BlendThresholdsBody(lower, upper, weights, thresholds, count);
}
void PackAbovePortable(const std::uint8_t* values, const std::uint8_t* thresholds, std::uint8_t* bits, int width) {
  PackAboveFrom(values, thresholds, bits, 0, width);
}

#ifdef MERVALE_X86_KERNELS
#define MERVALE_AVX2 __attribute__((target("avx2")))

MERVALE_AVX2 void BgrToGreyAvx2(const std::uint8_t* bgr, std::uint8_t* grey, int width) {
  BgrToGreyBody(bgr, grey, width);
}
MERVALE_AVX2 void SwapRedBlueAvx2(const std::uint8_t* from, std::uint8_t* to, std::size_t pixels) {
  SwapRedBlueBody(from, to, pixels);
}
MERVALE_AVX2 void BlendThresholdsAvx2(int lower, int upper, const std::uint8_t* weights, std::uint8_t* thresholds,
                                      int count) {
  BlendThresholdsBody(lower, upper, weights, thresholds, count);
}

// 32 pixels a step: compare (unsigned, through the sign flip), reverse each
// group of eight bytes so that the leftmost pixel ends in the top bit, and
// gather the top bits. Each step stores its 4 bytes after loading its 32, so
// an in-place row is read before it is overwritten.
MERVALE_AVX2 void PackAboveAvx2(const std::uint8_t* values, const std::uint8_t* thresholds, std::uint8_t* bits,
                                int width) {
  const __m256i signFlip = _mm256_set1_epi8(static_cast<char>(0x80));
  const __m256i reverseEights = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2,
                                                 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(values + x));
    const __m256i t = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(thresholds + x));
    const __m256i above = _mm256_cmpgt_epi8(_mm256_xor_si256(v, signFlip), _mm256_xor_si256(t, signFlip));
    const auto mask = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_shuffle_epi8(above, reverseEights)));
    const std::uint8_t packed[4] = {static_cast<std::uint8_t>(mask), static_cast<std::uint8_t>(mask >> 8),
                                    static_cast<std::uint8_t>(mask >> 16), static_cast<std::uint8_t>(mask >> 24)};
    std::memcpy(bits + (x >> 3), packed, sizeof packed);
  }
  PackAboveFrom(values, thresholds, bits, x, width);
}
#endif

struct Variants {
  void (*bgrToGrey)(const std::uint8_t*, std::uint8_t*, int);
  void (*swapRedBlue)(const std::uint8_t*, std::uint8_t*, std::size_t);
  void (*blendThresholds)(int, int, const std::uint8_t*, std::uint8_t*, int);
  void (*packAbove)(const std::uint8_t*, const std::uint8_t*, std::uint8_t*, int);
};

constexpr Variants kPortable{BgrToGreyPortable, SwapRedBluePortable, BlendThresholdsPortable, PackAbovePortable};

const Variants& Best() {
#ifdef MERVALE_X86_KERNELS
  static const Variants best = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? Variants{BgrToGreyAvx2, SwapRedBlueAvx2, BlendThresholdsAvx2, PackAboveAvx2}
                                          : kPortable;
  }();
  return best;
#else
  return kPortable;
#endif
}

std::atomic<bool> portableOnly{false};

const Variants& Chosen() { return portableOnly.load(std::memory_order_relaxed) ? kPortable : Best(); }

}  // namespace

void BgrToGrey(const std::uint8_t* bgr, std::uint8_t* grey, int width) { Chosen().bgrToGrey(bgr, grey, width); }

void SwapRedBlue(const std::uint8_t* from, std::uint8_t* to, std::size_t pixels) {
  Chosen().swapRedBlue(from, to, pixels);
}

void BlendThresholds(int lower, int upper, const std::uint8_t* weights, std::uint8_t* thresholds, int count) {
  Chosen().blendThresholds(lower, upper, weights, thresholds, count);
}

void PackAbove(const std::uint8_t* values, const std::uint8_t* thresholds, std::uint8_t* bits, int width) {
  Chosen().packAbove(values, thresholds, bits, width);
}

void UsePortableKernels(bool portable) { portableOnly.store(portable, std::memory_order_relaxed); }

}  // namespace imaging::kernels
