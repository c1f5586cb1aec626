// The page on a work picture as a quadrilateral of straight edges: four
// lines of edge points (or two, the page running over two opposite borders
// of the picture) across each of which the lightness steps the same way,
// all round the page; for a page lying on a larger sheet of lighter paper,
// the one inside the sheet's outline across whose sides it steps the other
// way. Our edge finder's measurement; internal to imaging/correction/.
#pragma once

#include <array>

#include "imaging/picture.h"

namespace imaging::correction::detail {

struct QuadPoint {
  double x = 0;
  double y = 0;
};

struct PageQuad {
  // False on a bare desk: nothing closes round a page.
  bool found = false;
  // Top-left, top-right, bottom-right, bottom-left, in pixels of the
  // picture from its top-left corner (pixel centres at whole numbers).
  // A side along the picture's border lies on the border's outer edge.
  std::array<QuadPoint, 4> corners{};
  // Degrees the page lies turned clockwise (as displayed) from square: the
  // mean direction of the sides seen, in [-45, 45), a top or bottom the
  // page's print does not run along counting with the print's direction.
  double angle = 0;
  // How many of the four sides are edges seen in the picture (2 to 4).
  int sidesSeen = 0;
};

PageQuad FindPageQuad(const Picture& picture);

// The bounding rectangle of the quadrilateral once the picture is turned
// clockwise by `turn` degrees about its centre, clamped to the picture;
// right and bottom exclusive. The whole picture without a page.
Rect TurnedBounds(const PageQuad& quad, int width, int height, double turn);

}  // namespace imaging::correction::detail
