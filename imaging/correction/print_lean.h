// The direction the print on a page runs in, down the page: lines of text
// run parallel to the page's top and bottom edges, and in perspective their
// direction turns steadily from the one edge's to the other's. Used by the
// page quadrilateral search (page_quad.h) to tell the page's own top and
// bottom from the edge of a sheet beneath it; internal to
// imaging/correction/.
#pragma once

#include <array>

#include "imaging/correction/page_lines.h"
#include "imaging/correction/page_quad.h"

namespace imaging::correction::detail {

struct PrintLean {
  // False when too little print lies on the page to follow its direction.
  bool found = false;
  // Degrees clockwise (as displayed) the print runs in at the page's top
  // and bottom edges.
  double atTop = 0;
  double atBottom = 0;
};

// The print's direction on the page within `corners` (top-left, top-right,
// bottom-right, bottom-left) of `lightness`, a field of the picture's own
// pixels, the page lying turned by about `angle` degrees. The print is the
// glyph-sized dark marks inside the page, away from its edges (a pen, a
// cable or a photograph is larger); in bands down the page the direction
// along which they line up best is found, and a straight line through
// those directions, against the band's height, gives the directions at
// the edges.
PrintLean PrintLeanOf(const LightnessField& lightness, const std::array<QuadPoint, 4>& corners, double angle);

}  // namespace imaging::correction::detail
