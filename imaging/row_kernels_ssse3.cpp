// The row loops compiled for processors with SSSE3 (every x86 processor of
// the last fifteen years), whose byte shuffle lets the vectoriser take
// three-byte pixels apart. Built with -mssse3 and the vectoriser on; nothing
// here is shared with other files, so none of it runs without the check in
// row_kernels.cpp.
#include <tmmintrin.h>

#include "imaging/row_kernel_loops.h"

namespace imaging::kernels::ssse3 {

namespace {

// The grey sums of the four pixels in the first twelve bytes of `bgr`:
// blue and green in 16-bit pairs times (117, 601), red times 306.
__m128i FourGreySums(const __m128i bgr) {
  const __m128i blueGreen = _mm_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1);
  const __m128i red = _mm_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1);
  const __m128i blueGreenWeights = _mm_setr_epi16(117, 601, 117, 601, 117, 601, 117, 601);
  const __m128i redWeights = _mm_setr_epi16(306, 0, 306, 0, 306, 0, 306, 0);
  const __m128i sums = _mm_add_epi32(_mm_madd_epi16(_mm_shuffle_epi8(bgr, blueGreen), blueGreenWeights),
                                     _mm_madd_epi16(_mm_shuffle_epi8(bgr, red), redWeights));
  return _mm_srli_epi32(sums, 10);
}

__m128i LoadAt(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

}  // namespace

// 16 pixels a step, four from each sixteen-byte load (whose last four
// bytes the step leaves): the last load ends four bytes past the sixteen
// pixels, so two more pixels must follow them in the row. All of a step's
// loads come before its store, which lands at or before them: the row may
// be converted in place.
void BgrToGrey(const std::uint8_t* bgr, std::uint8_t* grey, int width) {
  int x = 0;
  for (; x + 18 <= width; x += 16) {
    const std::uint8_t* p = bgr + 3 * static_cast<std::ptrdiff_t>(x);
    const __m128i a = FourGreySums(LoadAt(p));
    const __m128i b = FourGreySums(LoadAt(p + 12));
    const __m128i c = FourGreySums(LoadAt(p + 24));
    const __m128i d = FourGreySums(LoadAt(p + 36));
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(grey + x), bytes);
  }
  BgrToGreyLoop(bgr + 3 * static_cast<std::ptrdiff_t>(x), grey + x, width - x);
}

void SwapRedBlue(const std::uint8_t* from, std::uint8_t* to, std::size_t pixels) { SwapRedBlueLoop(from, to, pixels); }

// Eight thresholds a step: the pair (lower, upper) times the pair
// (128 − weight, weight) is one multiply-add of 16-bit pairs, as both
// cells are at most 255 × 128.
void BlendThresholds(int lower, int upper, const std::uint8_t* weights, std::uint8_t* thresholds, int count) {
  const __m128i cells = _mm_set1_epi32(static_cast<int>((static_cast<unsigned>(upper) << 16) | (lower & 0xFFFF)));
  const __m128i whole = _mm_set1_epi16(128);
  const __m128i rounding = _mm_set1_epi32(8192);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m128i weight =
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(weights + i)), _mm_setzero_si128());
    const __m128i rest = _mm_sub_epi16(whole, weight);
    const __m128i low = _mm_madd_epi16(cells, _mm_unpacklo_epi16(rest, weight));
    const __m128i high = _mm_madd_epi16(cells, _mm_unpackhi_epi16(rest, weight));
    const __m128i values = _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(low, rounding), 14),
                                           _mm_srai_epi32(_mm_add_epi32(high, rounding), 14));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(thresholds + i), _mm_packus_epi16(values, values));
  }
  BlendThresholdsLoop(lower, upper, weights + i, thresholds + i, count - i);
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
