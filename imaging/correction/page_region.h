// Finding a page lying on a darker desk: the lightness of every pixel, the
// page's pixels and its rectangle. For our page processor; internal to
// imaging/correction/.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/picture.h"

namespace imaging::correction::detail {

// Lightness (0.299 R + 0.587 G + 0.114 B, rounded) per pixel, rows from the top.
struct GreyMap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> values;
  std::uint8_t At(int x, int y) const {
    return values[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
};

GreyMap GreyMapOf(const Picture& picture);

// The page's pixels (1) among the desk's (0), rows from the top.
struct PageMask {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> inside;
  // False when no page stands out from the desk: inside is all 0.
  bool found = false;
  // The grey levels of the desk and of the paper; without a page found,
  // the paper's is the picture's most frequent level (the picture may be
  // all page).
  int deskLevel = 0;
  int paperLevel = 255;
  bool At(int x, int y) const {
    return inside[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] != 0;
  }
};

// The desk's level is the lower quartile of the picture's border (a page
// may cover part of it), pure black (a turn's fill) left out; the paper's is the most frequent level at least
// kMinContrast above it, which must cover 1% of the picture. Pixels
// lighter than halfway between form the page: the largest 4-connected
// region of them and those at least a quarter its size (the pages of a
// spread), with everything they enclose (text, photographs) filled.
PageMask FindPageMask(const GreyMap& grey);
inline constexpr int kMinContrast = 24;

// The page's rectangle after the picture is turned clockwise by `turn`
// degrees about its centre: each side where the page's count of pixels per
// column (or row) first reaches half its typical value, clamped to the
// picture; right and bottom exclusive. The whole picture without a page.
Rect StraightenedPageRect(const PageMask& mask, double turn);

}  // namespace imaging::correction::detail
