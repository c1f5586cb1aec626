// The steps of our page processor, each on a 24-bit picture and the page
// found on it. Internal to imaging/correction/.
#pragma once

#include "imaging/correction/page_region.h"
#include "imaging/picture.h"

namespace imaging::correction::detail {

// The page's (or spread's) rectangle, counted from the top-left: the
// straight rectangle of the page found on `mask`, or the whole picture.
Rect PageArea(const PageMask& mask);

// Levels below this count as ink on the page: at least 40 below the
// paper, or half way from the paper to the desk.
int InkLevel(const PageMask& mask);

// The colour of the page's paper: the median of each channel over the
// pixels of `area` whose lightness lies within 24 levels of the paper's.
Rgb PaperColour(const Picture& picture, const GreyMap& grey, const PageMask& mask, Rect area);

// Where a spread in `area` divides, as a column of the picture. A gutter
// is looked for in the middle 40% of the area: first a valley of darkness
// that runs down whole columns (the shadow or the desk between the pages),
// then the widest band of columns without ink (the margins of two pages
// lying close); without either, the middle of the area. `evident` tells
// whether a gutter was seen.
int FindGutter(const GreyMap& grey, const PageMask& mask, Rect area, bool* evident);

// Skin-coloured regions inside `area` that reach its left or right side
// and lie within the side margins (a finger holding the page down), grown
// by two pixels, painted with `paper`. Returns the pixels painted.
int EraseFingers(Picture& picture, Rect area, Rgb paper);

// Straightens text lines that bend up or down across `area`: the lines'
// height is followed from strip to strip of columns, separately in the
// upper and lower half of the text, and every column is shifted up or down
// by the smoothed offsets, interpolated between the halves. Text without
// enough lines to follow is left as it is. Returns whether it moved pixels.
bool FlattenLines(Picture& picture, const GreyMap& grey, const PageMask& mask, Rect area);

}  // namespace imaging::correction::detail
