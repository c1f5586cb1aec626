#include "imaging/correction/page_quad.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "imaging/correction/page_on_paper.h"
#include "imaging/correction/print_lean.h"
#include "imaging/correction/quad_candidate.h"

namespace imaging::correction::detail {

namespace {

// The search runs on a field of about this many pixels along the shorter side.
constexpr int kSearchShortSide = 300;
// Edge points need a gradient of this many grey levels a pixel (the noise
// of a camera's picture stays well below).
constexpr float kMinGradient = 2.5f;
constexpr int kMaxLines = 32;
// Opposite sides of a page seen in perspective meet at no more than this
// angle, and neighbouring ones stay this close to square.
const double kMaxOppositeAngle = 15.0 * std::numbers::pi / 180.0;
const double kMaxSkewFromSquare = 20.0 * std::numbers::pi / 180.0;
// A top or bottom side runs within this many degrees of the print's
// direction at it, which is measured to about a degree.
constexpr double kMaxPrintDisagreement = 3.0;
// The refinement fits each side to full-resolution edge points within this distance.
constexpr double kRefineReach = 2.5;
const double kRefineCosine = std::cos(10.0 * std::numbers::pi / 180.0);

// Lines of one family, their normals pointing down (across) or right (along).
PageLine Oriented(PageLine line, bool across) {
  const bool flip = across ? line.ny < 0 : line.nx < 0;
  if (!flip) return line;
  line.nx = -line.nx, line.ny = -line.ny, line.offset = -line.offset;
  std::swap(line.sidePlus, line.sideMinus);
  // t changes sign: the bins now run the other way.
  auto reverse = [](std::vector<int>& prefix) {
    if (prefix.empty()) return;
    const int total = prefix.back();
    std::vector<int> reversed(prefix.size());
    for (std::size_t i = 0; i < prefix.size(); ++i) reversed[i] = total - prefix[prefix.size() - 1 - i];
    prefix.swap(reversed);
  };
  reverse(line.sidePlus), reverse(line.sideMinus);
  if (!line.sidePlus.empty()) line.firstBin = -(line.firstBin + static_cast<int>(line.sidePlus.size()) - 1);
  return line;
}

// The best page among the quadrilaterals of the lines found.
std::optional<Candidate> BestCandidate(const LightnessField& field, const LightnessField& lightness,
                                       const std::vector<PageLine>& found, std::vector<PageLine>& across,
                                       std::vector<PageLine>& along) {
  for (const PageLine& line : found) {
    const bool isAcross = std::abs(line.ny) >= std::abs(line.nx);
    (isAcross ? across : along).push_back(Oriented(line, isAcross));
  }
  const std::vector<PageLine> borders = BorderLines(field);
  across.push_back(borders[0]), across.push_back(borders[2]);
  along.push_back(borders[3]), along.push_back(borders[1]);
  const double cx = field.width / 2.0, cy = field.height / 2.0;
  auto acrossAt = [&](const PageLine& l) { return (l.offset - l.nx * cx) / l.ny; };
  auto alongAt = [&](const PageLine& l) { return (l.offset - l.ny * cy) / l.nx; };
  auto pairs = [&](const std::vector<PageLine>& lines, auto at, double minApart) {
    std::vector<Pair> result;
    for (const PageLine& a : lines) {
      for (const PageLine& b : lines) {
        // A side beyond the border is not seen: the picture's border stands
        // in for it whatever the page's angle.
        const bool beyond = a.border || b.border;
        if (at(b) - at(a) < minApart || (!beyond && Angle(a, b) > kMaxOppositeAngle)) continue;
        result.push_back({&a, &b});
      }
    }
    return result;
  };
  const double minSide = kMinSideShare * std::min(field.width, field.height);
  const std::vector<Pair> rows = pairs(across, acrossAt, minSide);
  const std::vector<Pair> columns = pairs(along, alongAt, minSide);
  std::optional<Candidate> best;
  for (const Pair& r : rows) {
    for (const Pair& c : columns) {
      const int borderSides = r.first->border + r.second->border + c.first->border + c.second->border;
      // At most two sides may lie beyond the picture (a page over the border or a corner).
      if (borderSides > 2) continue;
      const double square = std::abs(Angle(*r.first, *c.first) - std::numbers::pi / 2);
      if (square > kMaxSkewFromSquare) continue;
      Candidate candidate = QuadOf(r, c);
      if (Score(candidate, field, lightness, best ? best->score : 0.0)) best = candidate;
    }
  }
  if (best) {
    if (std::optional<Candidate> page = PageOnSheet(*best, rows, columns, field)) best = page;
  }
  return best;
}

// The part of the picture a side from `a` to `b` is refined in: its
// bounding box widened by the refinement's reach, and by what the edge
// points' smoothing and gradient see beyond it.
Rect Around(QuadPoint a, QuadPoint b) {
  const double margin = kRefineReach + 6;
  return {static_cast<int>(std::floor(std::min(a.x, b.x) - margin)),
          static_cast<int>(std::floor(std::min(a.y, b.y) - margin)),
          static_cast<int>(std::ceil(std::max(a.x, b.x) + margin)) + 1,
          static_cast<int>(std::ceil(std::max(a.y, b.y) + margin)) + 1};
}

// Fits a side's line to the full-resolution edge points near it; the
// coarse line when too few are there.
Line Refine(const Line& coarse, const std::vector<EdgePoint>& points, QuadPoint a, QuadPoint b, bool plus) {
  Line line = coarse;
  double from = -line.ny * a.x + line.nx * a.y, to = -line.ny * b.x + line.nx * b.y;
  if (from > to) std::swap(from, to);
  const double trim = 0.05 * (to - from);
  from += trim, to -= trim;
  for (double reach : {kRefineReach, 1.0}) {
    double n = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (const EdgePoint& p : points) {
      const double t = -line.ny * p.x + line.nx * p.y;
      if (t < from || t > to || std::abs(line.nx * p.x + line.ny * p.y - line.offset) > reach) continue;
      const double cosine = (p.gx * line.nx + p.gy * line.ny) / std::hypot(p.gx, p.gy);
      if ((plus ? cosine : -cosine) < kRefineCosine) continue;
      n += 1, sx += p.x, sy += p.y, sxx += p.x * p.x, syy += p.y * p.y, sxy += p.x * p.y;
    }
    if (n < 10) return line;
    const double mx = sx / n, my = sy / n;
    const double cxx = sxx / n - mx * mx, cyy = syy / n - my * my, cxy = sxy / n - mx * my;
    // The normal is the direction of least spread.
    const double theta = 0.5 * std::atan2(2 * cxy, cxx - cyy) + std::numbers::pi / 2;
    double nx = std::cos(theta), ny = std::sin(theta);
    if (nx * line.nx + ny * line.ny < 0) nx = -nx, ny = -ny;
    line = {nx, ny, nx * mx + ny * my};
  }
  return line;
}

}  // namespace

PageQuad FindPageQuad(const Picture& picture) {
  PageQuad quad;
  const int shorter = std::min(picture.Width(), picture.Height());
  const int scale = std::max(1, static_cast<int>(std::lround(static_cast<double>(shorter) / kSearchShortSide)));
  const LightnessField lightness = LightnessOf(picture, scale, Tone::Lightness);
  LightnessField field;
  std::vector<EdgePoint> coarsePoints;
  std::vector<PageLine> lines, across, along;
  std::optional<Candidate> best;
  for (Tone tone : {Tone::Lightness, Tone::Blueness}) {
    field = tone == Tone::Lightness ? lightness : LightnessOf(picture, scale, tone);
    if (field.width < 16 || field.height < 16) return quad;
    coarsePoints = EdgePointsOf(field, kMinGradient);
    const int minVotes = static_cast<int>(kMinSideShare * std::min(field.width, field.height));
    lines = FindPageLines(field, coarsePoints, minVotes, kMaxLines, kMinStep);
    across.clear(), along.clear();
    best = BestCandidate(field, lightness, lines, across, along);
    if (best) break;
  }
  if (!best) return quad;

  // Back to the picture's pixels, refined on its own edge points.
  const LightnessField fine = LightnessOf(picture, 1, field.tone);
  const double s = field.scale;
  const double shift = (s - 1) / 2;  // a block's centre in picture pixels
  auto toPicture = [&](QuadPoint p) { return QuadPoint{p.x * s + shift, p.y * s + shift}; };
  Line sides[4];
  std::array<double, 4> degrees{};
  std::array<bool, 4> seen{};
  const QuadPoint centre{(best->corners[0].x + best->corners[2].x) / 2, (best->corners[0].y + best->corners[2].y) / 2};
  for (std::size_t i = 0; i < 4; ++i) {
    const PageLine& side = *best->sides[i];
    Line line{side.nx, side.ny, side.offset * s + shift * (side.nx + side.ny)};
    if (side.border) {
      // The picture's outer edge.
      const bool far = side.offset > 0;
      line.offset = far ? (side.nx != 0 ? picture.Width() : picture.Height()) - 0.5 : -0.5;
    } else {
      const bool insidePlus = side.nx * centre.x + side.ny * centre.y > side.offset;
      const QuadPoint a = toPicture(best->corners[i == 3 ? 0 : i]);
      const QuadPoint b = toPicture(best->corners[i == 3 ? 3 : i + 1]);
      line = Refine(line, EdgePointsWithin(fine, kMinGradient, Around(a, b)), a, b, insidePlus == best->lighterInside);
      // Across (top, bottom): direction (ny, -nx); along (right, left): (-ny, nx), less a quarter turn.
      const bool isAcross = i % 2 == 0;
      degrees[i] = (isAcross ? std::atan2(-line.nx, line.ny) : std::atan2(line.nx, -line.ny) - std::numbers::pi / 2) *
                   180.0 / std::numbers::pi;
      seen[i] = true;
    }
    sides[i] = line;
  }
  const auto tl = Meet(sides[0], sides[3]), tr = Meet(sides[0], sides[1]);
  const auto br = Meet(sides[2], sides[1]), bl = Meet(sides[2], sides[3]);
  quad.sidesSeen = static_cast<int>(std::count(seen.begin(), seen.end(), true));
  if (!tl || !tr || !br || !bl || quad.sidesSeen == 0) return quad;
  quad.corners = {*tl, *tr, *br, *bl};
  auto meanOfSides = [&] {
    double sum = 0;
    for (std::size_t i = 0; i < 4; ++i) sum += seen[i] ? degrees[i] : 0.0;
    return sum / quad.sidesSeen;
  };
  // A top or bottom that the print near it does not run along is the edge
  // of something else (a sheet beneath the page, a shadow): its direction
  // is the print's there.
  if (seen[0] || seen[2]) {
    const PrintLean lean = PrintLeanOf(field.tone == Tone::Lightness ? fine : LightnessOf(picture, 1, Tone::Lightness),
                                       quad.corners, meanOfSides());
    if (lean.found) {
      if (seen[0] && std::abs(degrees[0] - lean.atTop) > kMaxPrintDisagreement) degrees[0] = lean.atTop;
      if (seen[2] && std::abs(degrees[2] - lean.atBottom) > kMaxPrintDisagreement) degrees[2] = lean.atBottom;
    }
  }
  const double angle = meanOfSides();
  quad.angle = angle >= 45.0 ? angle - 90.0 : (angle < -45.0 ? angle + 90.0 : angle);
  quad.found = true;
  return quad;
}

Rect TurnedBounds(const PageQuad& quad, int width, int height, double turn) {
  if (!quad.found) return {0, 0, width, height};
  const double radians = turn * std::numbers::pi / 180.0;
  const double c = std::cos(radians), s = std::sin(radians);
  const double cx = width / 2.0, cy = height / 2.0;
  double left = 1e18, top = 1e18, right = -1e18, bottom = -1e18;
  for (const QuadPoint& p : quad.corners) {
    // Pixel centres lie half a pixel in from the picture's corner.
    const double dx = p.x + 0.5 - cx, dy = p.y + 0.5 - cy;
    const double u = dx * c - dy * s + cx, v = dx * s + dy * c + cy;
    left = std::min(left, u), right = std::max(right, u), top = std::min(top, v), bottom = std::max(bottom, v);
  }
  const Rect bounds{static_cast<int>(std::floor(std::clamp(left, 0.0, 1.0 * width))),
                    static_cast<int>(std::floor(std::clamp(top, 0.0, 1.0 * height))),
                    static_cast<int>(std::ceil(std::clamp(right, 0.0, 1.0 * width))),
                    static_cast<int>(std::ceil(std::clamp(bottom, 0.0, 1.0 * height)))};
  if (bounds.left >= bounds.right || bounds.top >= bounds.bottom) return {0, 0, width, height};
  return bounds;
}

}  // namespace imaging::correction::detail
