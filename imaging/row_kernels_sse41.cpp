// The bilinear turn's blend for processors with SSE4.1, four target pixels
// a step: the walk's positions in vector lanes, the two neighbours of each
// source row blended by one multiply-add of 16-bit pairs, the two rows by
// 32-bit products. The sums are the whole numbers of the portable loop, so
// the bytes are the same. Nothing here runs without the check in
// row_kernels.cpp.
#include <smmintrin.h>

#include <algorithm>
#include <cstring>

#include "imaging/row_kernel_loops.h"

namespace imaging::kernels::sse41 {

namespace {

// The walk of four consecutive positions, one a lane, stepped four at a time.
class FourWalks {
 public:
  explicit FourWalks(FineWalk walk) {
    std::int32_t fine[4];
    std::uint32_t remainder[4];
    for (int i = 0; i < 4; ++i, walk.Advance()) {
      fine[i] = walk.fine;
      remainder[i] = walk.remainder;
    }
    fine_ = _mm_loadu_si128(reinterpret_cast<const __m128i*>(fine));
    remainder_ = _mm_loadu_si128(reinterpret_cast<const __m128i*>(remainder));
    const std::uint32_t fourRemainders = 4 * walk.remainderStep;
    fineStep_ = _mm_set1_epi32(4 * walk.fineStep + static_cast<std::int32_t>(fourRemainders >> 24));
    remainderStep_ = _mm_set1_epi32(static_cast<std::int32_t>(fourRemainders & FineWalk::kRemainderMask));
    first_ = walk;
  }

  __m128i Fine() const { return fine_; }

  void Advance() {
    remainder_ = _mm_add_epi32(remainder_, remainderStep_);
    fine_ = _mm_add_epi32(fine_, _mm_add_epi32(fineStep_, _mm_srli_epi32(remainder_, 24)));
    remainder_ = _mm_and_si128(remainder_, _mm_set1_epi32(static_cast<std::int32_t>(FineWalk::kRemainderMask)));
  }

  // The scalar walk at the first lane, for the pixels after the last step of four.
  FineWalk First() const {
    FineWalk walk = first_;
    walk.fine = _mm_cvtsi128_si32(fine_);
    walk.remainder = static_cast<std::uint32_t>(_mm_cvtsi128_si32(remainder_));
    return walk;
  }

 private:
  __m128i fine_, remainder_, fineStep_, remainderStep_;
  FineWalk first_;
};

// Per lane, the pair of 16-bit weights (256 − f, f) of the fraction f in the low byte of `fine`.
__m128i WeightPairs(__m128i fraction) {
  return _mm_or_si128(_mm_slli_epi32(fraction, 16), _mm_sub_epi32(_mm_set1_epi32(256), fraction));
}

std::uint16_t Load16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Grey: each lane gathers its 2 × 2 neighbours as four bytes (row a's pair, row b's pair).
void BlendGreyRun(const std::uint8_t* rows, std::size_t stride, FineWalk x, FineWalk y, std::uint8_t* out, int count) {
  FourWalks xs(x), ys(y);
  const __m128i low = _mm_set1_epi32(0xFF);
  int i = 0;
  for (; i + 4 <= count; i += 4, xs.Advance(), ys.Advance()) {
    std::int32_t fineX[4], fineY[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(fineX), xs.Fine());
    _mm_storeu_si128(reinterpret_cast<__m128i*>(fineY), ys.Fine());
    std::uint32_t quads[4];
    for (int k = 0; k < 4; ++k) {
      const std::uint8_t* a = rows + static_cast<std::size_t>(fineY[k] >> 8) * stride + (fineX[k] >> 8);
      quads[k] = Load16(a) | (std::uint32_t{Load16(a + stride)} << 16);
    }
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(quads));
    const __m128i wx = WeightPairs(_mm_and_si128(xs.Fine(), low));
    const __m128i fy = _mm_and_si128(ys.Fine(), low);
    const __m128i fyInverse = _mm_sub_epi32(_mm_set1_epi32(256), fy);
    // Row blends (row a, row b) of pixels 0 and 1, then of 2 and 3.
    const __m128i rows01 = _mm_madd_epi16(_mm_cvtepu8_epi16(pixels), _mm_unpacklo_epi32(wx, wx));
    const __m128i rows23 = _mm_madd_epi16(_mm_unpackhi_epi8(pixels, _mm_setzero_si128()), _mm_unpackhi_epi32(wx, wx));
    const __m128i sums = _mm_hadd_epi32(_mm_mullo_epi32(rows01, _mm_unpacklo_epi32(fyInverse, fy)),
                                        _mm_mullo_epi32(rows23, _mm_unpackhi_epi32(fyInverse, fy)));
    const __m128i values = _mm_srli_epi32(_mm_add_epi32(sums, _mm_set1_epi32(32768)), 16);
    const __m128i bytes = _mm_packus_epi16(_mm_packus_epi32(values, values), _mm_setzero_si128());
    const auto packed = static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes));
    std::memcpy(out + i, &packed, sizeof packed);
  }
  BlendRunLoop<1>(rows, stride, xs.First(), ys.First(), out + i, count - i);
}

// Colour, one pixel: eight bytes from each row (its two neighbours and two
// bytes beyond), the blue, green and red pairs blended in 32-bit lanes.
template <int Lane>
__m128i BlendColourPixel(const std::uint8_t* a, std::size_t stride, __m128i wx, __m128i fy, __m128i fyInverse) {
  const __m128i both = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)),
                                          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(a + stride)));
  const __m128i pairsA = _mm_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1);
  const __m128i pairsB = _mm_setr_epi8(8, -1, 11, -1, 9, -1, 12, -1, 10, -1, 13, -1, -1, -1, -1, -1);
  constexpr int kBroadcast = Lane * 0x55;
  const __m128i weights = _mm_shuffle_epi32(wx, kBroadcast);
  const __m128i rowA = _mm_madd_epi16(_mm_shuffle_epi8(both, pairsA), weights);
  const __m128i rowB = _mm_madd_epi16(_mm_shuffle_epi8(both, pairsB), weights);
  const __m128i sums = _mm_add_epi32(_mm_mullo_epi32(rowA, _mm_shuffle_epi32(fyInverse, kBroadcast)),
                                     _mm_mullo_epi32(rowB, _mm_shuffle_epi32(fy, kBroadcast)));
  return _mm_srli_epi32(_mm_add_epi32(sums, _mm_set1_epi32(32768)), 16);
}

// Colour: four pixels a step where the eight-byte loads stay inside the
// row (the leftmost neighbour at most three pixels from its end), else the
// portable loop for those four.
void BlendColourRun(const std::uint8_t* rows, std::size_t stride, int width, FineWalk x, FineWalk y, std::uint8_t* out,
                    int count) {
  FourWalks xs(x), ys(y);
  const __m128i low = _mm_set1_epi32(0xFF);
  const __m128i compact = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int i = 0;
  for (; i + 4 <= count; i += 4, xs.Advance(), ys.Advance()) {
    std::int32_t fineX[4], fineY[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(fineX), xs.Fine());
    _mm_storeu_si128(reinterpret_cast<__m128i*>(fineY), ys.Fine());
    std::uint8_t* p = out + 3 * i;
    if (std::max(fineX[0], fineX[3]) >> 8 > width - 3) {
      BlendRunLoop<3>(rows, stride, xs.First(), ys.First(), p, 4);
      continue;
    }
    const std::uint8_t* a[4];
    for (int k = 0; k < 4; ++k) a[k] = rows + static_cast<std::size_t>(fineY[k] >> 8) * stride + 3 * (fineX[k] >> 8);
    const __m128i wx = WeightPairs(_mm_and_si128(xs.Fine(), low));
    const __m128i fy = _mm_and_si128(ys.Fine(), low);
    const __m128i fyInverse = _mm_sub_epi32(_mm_set1_epi32(256), fy);
    const __m128i pixels01 = _mm_packus_epi32(BlendColourPixel<0>(a[0], stride, wx, fy, fyInverse),
                                              BlendColourPixel<1>(a[1], stride, wx, fy, fyInverse));
    const __m128i pixels23 = _mm_packus_epi32(BlendColourPixel<2>(a[2], stride, wx, fy, fyInverse),
                                              BlendColourPixel<3>(a[3], stride, wx, fy, fyInverse));
    const __m128i bytes = _mm_shuffle_epi8(_mm_packus_epi16(pixels01, pixels23), compact);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), bytes);
    const auto last = static_cast<std::uint32_t>(_mm_extract_epi32(bytes, 2));
    std::memcpy(p + 8, &last, sizeof last);
  }
  BlendRunLoop<3>(rows, stride, xs.First(), ys.First(), out + 3 * i, count - i);
}

}  // namespace

void BlendRun(const std::uint8_t* rows, std::size_t stride, int width, int channels, FineWalk x, FineWalk y,
              std::uint8_t* out, int count) {
  if (channels == 3) {
    BlendColourRun(rows, stride, width, x, y, out, count);
  } else {
    BlendGreyRun(rows, stride, x, y, out, count);
  }
}

}  // namespace imaging::kernels::sse41
