#include "imaging/row_kernels.h"

#include <atomic>

#include "imaging/row_kernel_loops.h"

namespace imaging::kernels {

namespace {

void BgrToGreyPortable(const std::uint8_t* bgr, std::uint8_t* grey, int width) { BgrToGreyLoop(bgr, grey, width); }

void SwapRedBluePortable(const std::uint8_t* from, std::uint8_t* to, std::size_t pixels) {
  SwapRedBlueLoop(from, to, pixels);
}

void BlendThresholdsPortable(int lower, int upper, const std::uint8_t* weights, std::uint8_t* thresholds, int count) {
  BlendThresholdsLoop(lower, upper, weights, thresholds, count);
}

void PackAbovePortable(const std::uint8_t* values, const std::uint8_t* thresholds, std::uint8_t* bits, int width) {
  PackAboveLoop(values, thresholds, bits, 0, width);
}

void BlendRunPortable(const std::uint8_t* rows, std::size_t stride, int, int channels, FineWalk x, FineWalk y,
                      std::uint8_t* out, int count) {
  BlendRunLoop(rows, stride, channels, x, y, out, count);
}

struct Variants {
  void (*bgrToGrey)(const std::uint8_t*, std::uint8_t*, int);
  void (*swapRedBlue)(const std::uint8_t*, std::uint8_t*, std::size_t);
  void (*blendThresholds)(int, int, const std::uint8_t*, std::uint8_t*, int);
  void (*packAbove)(const std::uint8_t*, const std::uint8_t*, std::uint8_t*, int);
  void (*blendRun)(const std::uint8_t*, std::size_t, int, int, FineWalk, FineWalk, std::uint8_t*, int);
};

constexpr Variants kPortable{BgrToGreyPortable, SwapRedBluePortable, BlendThresholdsPortable, PackAbovePortable,
                             BlendRunPortable};

// Asked once: the processor does not change under a running program.
const Variants& Best() {
#if defined(__x86_64__) || defined(__i386__)
  static const Variants best = [] {
    __builtin_cpu_init();
    Variants chosen = kPortable;
    if (__builtin_cpu_supports("ssse3")) {
      chosen = {ssse3::BgrToGrey, ssse3::SwapRedBlue, ssse3::BlendThresholds, ssse3::PackAbove, BlendRunPortable};
    }
    if (__builtin_cpu_supports("sse4.1")) chosen.blendRun = sse41::BlendRun;
    return chosen;
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

void BlendRun(const std::uint8_t* rows, std::size_t stride, int width, int channels, FineWalk x, FineWalk y,
              std::uint8_t* out, int count) {
  Chosen().blendRun(rows, stride, width, channels, x, y, out, count);
}

void UsePortableKernels(bool portable) { portableOnly.store(portable, std::memory_order_relaxed); }

}  // namespace imaging::kernels
