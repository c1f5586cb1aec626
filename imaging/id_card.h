// ID cards: each side is cut to the card area of the frame, and the back's
// shot composes front and back onto one page of A4 proportions.
//
// The front is shot first, turned a quarter clockwise and stored under the
// number the composed page takes later; the back's shot loads that file,
// turns it back, and lays front and back into the upper and lower halves
// of a white page, which is then turned a quarter clockwise in its turn.
#pragma once

#include <string>

#include "imaging/geometry.h"
#include "imaging/picture.h"

namespace imaging {

struct PageSize {
  int width = 0;
  int height = 0;
};

// The composed page for frames `frameWidth` wide (before any crop): up to
// 1600 → 1104 × 1560, up to 2048 → 1413 × 1987, up to 2592 → 1789 × 2515,
// up to 3264 → 2253 × 3180, wider → 2521 × 3566.
PageSize IdCardPageSize(int frameWidth);

// Lays both sides onto a white page of `page` size and `back`'s depth: each
// side is first cut to the page's width and half its height (left columns,
// top rows), then centred, the back in the lower half and the front in the
// upper half (halves and centring by integer division). An empty front
// leaves the upper half white.
Picture ComposeIdCardPage(Picture front, Picture back, PageSize page);

struct IdCardShot {
  int frameWidth = 0;
  int frameHeight = 0;
  // Cut the picture to `cardArea` of the frame first; off when position
  // correction has already cut it to the page.
  bool cropToCardArea = true;
  FrameFractions cardArea;
  bool backSide = false;
  // Where the front side was stored: read by the back side's shot.
  std::string frontPath;
};

// The ID-card step of a still. The front: cut to the card area and turned
// a quarter clockwise. The back: cut likewise, composed with the stored
// front (turned a quarter back first; a front that cannot be loaded leaves
// its half empty) onto a page of IdCardPageSize, and the page turned a
// quarter clockwise replaces the picture.
void HandleIdCard(Picture& picture, const IdCardShot& shot);

}  // namespace imaging
