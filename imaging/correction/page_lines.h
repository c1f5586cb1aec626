// The straight edges of a work picture: lightness at a reduced scale, its
// gradient, the thinned edge points, and the straight lines they gather on,
// each with where along it edge points and a step in lightness lie. Used by
// the page quadrilateral search (page_quad.h); internal to
// imaging/correction/.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/picture.h"

namespace imaging::correction::detail {

// What a field holds: the lightness, or how much bluer than red a pixel
// is (128 + 2 (B - R)), which tells white paper from a warm desk of about
// its lightness.
enum class Tone { Lightness, Blueness };

// Lightness of a picture at 1 / `scale` of its size (means of scale × scale
// blocks), rows from the top, and where a turn's black fill lies.
struct LightnessField {
  int width = 0;
  int height = 0;
  int scale = 1;
  Tone tone = Tone::Lightness;
  std::vector<float> values;
  // 1 where a block holds pure black (the corners a turn uncovered) or
  // touches one that does: no edge of the scene lies there.
  std::vector<std::uint8_t> fill;
  float At(int x, int y) const { return values[Index(x, y)]; }
  bool Fill(int x, int y) const { return fill[Index(x, y)] != 0; }
  // Mean lightness at (x, y) by bilinear interpolation, clamped to the field.
  float Sample(double x, double y) const;
  bool Inside(double x, double y) const { return x >= 0 && y >= 0 && x <= width - 1 && y <= height - 1; }
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
  }
};

LightnessField LightnessOf(const Picture& picture, int scale, Tone tone = Tone::Lightness);

// An edge point: a local maximum of the gradient across the edge.
struct EdgePoint {
  float x = 0;
  float y = 0;
  float gx = 0;  // gradient, towards the lighter side
  float gy = 0;
};

// The edge points of a field whose gradient reaches `minGradient` (grey
// levels per pixel), away from the field's border and from a turn's fill.
// A point's position is refined across the edge to a fraction of a pixel.
std::vector<EdgePoint> EdgePointsOf(const LightnessField& field, float minGradient);

// The edge points of the part `window` of the field (clamped to it), in
// the field's coordinates. Those 4 pixels or more inside the window are
// the field's own; nearer its edges (where the field goes on beyond) the
// smoothing sees less of the field.
std::vector<EdgePoint> EdgePointsWithin(const LightnessField& field, float minGradient, Rect window);

// A straight line n · p = offset (n a unit normal, p from the field's
// top-left), with what lies along it: bins of one pixel by the position
// t = -n.y x + n.x y along the line, counting from `firstBin`.
struct PageLine {
  double nx = 0, ny = 0, offset = 0;
  bool border = false;  // one of the field's own borders, not an edge of the scene
  int firstBin = 0;
  // Prefix counts (one more entry than bins) of the bins that hold both an
  // edge point whose gradient points along +n and a step in lightness by
  // the minimum step across the line, lighter on the +n side; and likewise
  // lighter on the -n side.
  std::vector<int> sidePlus, sideMinus;
  // The count of `prefix` over positions [from, to).
  static int Count(const std::vector<int>& prefix, int firstBin, double from, double to);
};

// The lines on which edge points gather (each voting for the directions
// within a few degrees of its own edge, a line needing half `minVotes`
// votes), none a near twin of a stronger one, that have at least
// `minVotes` bins of one side's marks; those with
// the most, at most `maxLines`. A step is counted where the mean lightness
// 2 to 6 pixels to either side of the line differs by `minStep` or more.
std::vector<PageLine> FindPageLines(const LightnessField& field, const std::vector<EdgePoint>& points, int minVotes,
                                    int maxLines, float minStep);

// The field's four borders as lines without anything along them: top,
// right, bottom, left.
std::vector<PageLine> BorderLines(const LightnessField& field);

}  // namespace imaging::correction::detail
