// The quadrilaterals our edge finder weighs: four lines of edge points, the
// corners where they meet, and how well the picture bears each out as a
// page's outline. Shared by the page quadrilateral search (page_quad.h) and
// the search for a page lying on other paper (page_on_paper.h); internal to
// imaging/correction/.
#pragma once

#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "imaging/correction/page_lines.h"
#include "imaging/correction/page_quad.h"

namespace imaging::correction::detail {

// A side a step of this many grey levels between the bands beside it.
inline constexpr float kMinStep = 8.0f;
// A side is this share of the shorter side at least.
inline constexpr double kMinSideShare = 0.1;
// The sides together are borne out along this share of their length.
inline constexpr double kMinSupport = 0.5;
// The band beside a side whose level the step is measured on, in pixels of the search.
inline constexpr int kNearBand = 6;

struct Line {
  double nx, ny, offset;
};

inline std::optional<QuadPoint> Meet(const Line& a, const Line& b) {
  const double det = a.nx * b.ny - a.ny * b.nx;
  if (std::abs(det) < 1e-9) return std::nullopt;
  return QuadPoint{(a.offset * b.ny - a.ny * b.offset) / det, (a.nx * b.offset - a.offset * b.nx) / det};
}

struct Candidate {
  std::array<const PageLine*, 4> sides{};  // top, right, bottom, left
  std::array<QuadPoint, 4> corners{};
  bool lighterInside = true;
  double score = -1;
};

inline QuadPoint CornerFrom(const Candidate& c, std::size_t side) { return c.corners[side == 3 ? 0 : side]; }
inline QuadPoint CornerTo(const Candidate& c, std::size_t side) { return c.corners[side == 3 ? 3 : side + 1]; }

// The angle between two lines' normals, in radians.
inline double Angle(const PageLine& a, const PageLine& b) {
  return std::abs(std::atan2(a.nx * b.ny - a.ny * b.nx, a.nx * b.nx + a.ny * b.ny));
}

// Two lines of one family, the first nearer the field's top (or left).
struct Pair {
  const PageLine* first;
  const PageLine* second;
};

// The quadrilateral of a pair of rows and a pair of columns.
inline Candidate QuadOf(const Pair& rows, const Pair& columns) {
  Candidate c;
  c.sides[0] = rows.first, c.sides[1] = columns.second, c.sides[2] = rows.second, c.sides[3] = columns.first;
  return c;
}

inline int BorderSides(const Candidate& c) {
  return c.sides[0]->border + c.sides[1]->border + c.sides[2]->border + c.sides[3]->border;
}

struct Bands {
  std::vector<float> in, out;
};

// Samples from 2 to `reach` pixels in and out across the sides seen that
// `wanted` selects.
Bands BandsAcross(const Candidate& c, const LightnessField& field, QuadPoint centre, int reach,
                  const std::array<bool, 4>& wanted);

// The value `share` of the way up the sorted values.
double Quantile(std::vector<float>& values, double share);
inline double Median(std::vector<float>& values) { return Quantile(values, 0.5); }

// The corners where the four lines meet, and the quadrilateral's centre
// and area; false unless it is convex, in order, within reach of the
// picture and of a page's size.
bool Close(Candidate& c, const LightnessField& field, QuadPoint& centre, double& area);

struct Totals {
  double supported = 0, unsupported = 0;
  bool valid = true;  // every side seen borne out (one of four may be weak)
  double Score() const { return supported - 0.5 * unsupported; }
};

// How well the sides seen bear the page out, it lying on the lighter (or
// darker) side of them; one weak side is allowed when `allowWeak`.
Totals SupportOf(const Candidate& c, const LightnessField& field, QuadPoint centre, bool lighter, bool allowWeak);

// Scores the quadrilateral of the four lines; false when it is no page or
// scores no more than `toBeat` (the checks that cost most are then
// skipped). On a lightness field the page must be the lighter side of its
// edges; on another tone either way, but never darker than the desk by a
// step in `lightness`.
bool Score(Candidate& c, const LightnessField& field, const LightnessField& lightness, double toBeat);

}  // namespace imaging::correction::detail
