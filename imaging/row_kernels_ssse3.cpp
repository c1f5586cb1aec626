// The row loops compiled for processors with SSSE3 (every x86 processor of
// the last fifteen years), whose byte shuffle lets the vectoriser take
// three-byte pixels apart. Built with -mssse3 and the vectoriser on; nothing
// here is shared with other files, so none of it runs without the check in
// row_kernels.cpp.
#include <tmmintrin.h>

#include "imaging/row_kernel_loops.h"

namespace imaging::kernels::ssse3 {

void BgrToGrey(const std::uint8_t* bgr, std::uint8_t* grey, int width) { BgrToGreyLoop(bgr, grey, width); }

void SwapRedBlue(const std::uint8_t* from, std::uint8_t* to, std::size_t pixels) { SwapRedBlueLoop(from, to, pixels); }

void BlendThresholds(int lower, int upper, const std::uint8_t* weights, std::uint8_t* thresholds, int count) {
  BlendThresholdsLoop(lower, upper, weights, thresholds, count);
}

// 16 pixels a step: compare (unsigned, through the sign flip), reverse each
// group of eight bytes so that the leftmost pixel ends in the top bit, and
// gather the top bits. Each step stores its 2 bytes after loading its 16, so
// an in-place row is read before it is overwritten.
void PackAbove(const std::uint8_t* values, const std::uint8_t* thresholds, std::uint8_t* bits, int width) {
  const __m128i signFlip = _mm_set1_epi8(static_cast<char>(0x80));
  const __m128i reverseEights = _mm_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + x));
    const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(thresholds + x));
    const __m128i above = _mm_cmpgt_epi8(_mm_xor_si128(v, signFlip), _mm_xor_si128(t, signFlip));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_shuffle_epi8(above, reverseEights)));
    bits[x >> 3] = static_cast<std::uint8_t>(mask);
    bits[(x >> 3) + 1] = static_cast<std::uint8_t>(mask >> 8);
  }
  PackAboveLoop(values, thresholds, bits, x, width);
}

}  // namespace imaging::kernels::ssse3
