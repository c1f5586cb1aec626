// Pixel access for the loops of the picture operations, one type per depth.
// The loops are templates over these types, so each is compiled for one
// depth and nothing decides the depth per pixel. Internal to imaging/.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>

#include "imaging/picture.h"

namespace imaging::detail {

// A raw pixel value: blue | green << 8 | red << 16 for 24 bits, the palette index otherwise.
using RawPixel = std::uint32_t;

template <int Bits>
struct PixelAccess;

template <>
struct PixelAccess<24> {
  static RawPixel Get(const std::uint8_t* row, int x) {
    const std::uint8_t* p = row + 3 * static_cast<std::ptrdiff_t>(x);
    return p[0] | (RawPixel{p[1]} << 8) | (RawPixel{p[2]} << 16);
  }
  static void Put(std::uint8_t* row, int x, RawPixel value) {
    std::uint8_t* p = row + 3 * static_cast<std::ptrdiff_t>(x);
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
    p[2] = static_cast<std::uint8_t>(value >> 16);
  }
};

template <>
struct PixelAccess<8> {
  static RawPixel Get(const std::uint8_t* row, int x) { return row[x]; }
  static void Put(std::uint8_t* row, int x, RawPixel value) { row[x] = static_cast<std::uint8_t>(value); }
};

// The leftmost pixel is the most significant bit of its byte.
template <>
struct PixelAccess<1> {
  static RawPixel Get(const std::uint8_t* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1u; }
  static void Put(std::uint8_t* row, int x, RawPixel value) {
    const auto mask = static_cast<std::uint8_t>(0x80u >> (x & 7));
    if (value) {
      row[x >> 3] |= mask;
    } else {
      row[x >> 3] &= static_cast<std::uint8_t>(~mask);
    }
  }
};

// Calls fn(PixelAccess<depth>{}) for the depth of a non-empty picture.
template <class Fn>
decltype(auto) WithDepth(int bitsPerPixel, Fn&& fn) {
  switch (bitsPerPixel) {
    case 24:
      return std::forward<Fn>(fn)(PixelAccess<24>{});
    case 8:
      return std::forward<Fn>(fn)(PixelAccess<8>{});
    default:
      return std::forward<Fn>(fn)(PixelAccess<1>{});
  }
}

// Copies `count` 1-bit pixels from column srcX of `src` to column dstX of
// `dst`. The runs may overlap when the destination lies at or before the
// source: every pixel is read before anything after it is written.
inline void CopyBitRun(const std::uint8_t* src, int srcX, std::uint8_t* dst, int dstX, int count) {
  int done = 0;
  if ((srcX & 7) == 0 && (dstX & 7) == 0) {
    done = count & ~7;
    std::memmove(dst + (dstX >> 3), src + (srcX >> 3), static_cast<std::size_t>(done >> 3));
  }
  for (; done < count; ++done) PixelAccess<1>::Put(dst, dstX + done, PixelAccess<1>::Get(src, srcX + done));
}

inline RawPixel PackBgr(Rgb c) { return c.blue | (RawPixel{c.green} << 8) | (RawPixel{c.red} << 16); }

// The raw value that stands for `colour` in `picture`.
inline RawPixel RawValueOf(const Picture& picture, Rgb colour) {
  return picture.BitsPerPixel() == 24 ? PackBgr(colour) : picture.NearestIndex(colour);
}

}  // namespace imaging::detail
