#include "imaging/correction/page_quad.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "imaging/correction/page_lines.h"

namespace imaging::correction::detail {

namespace {

// The search runs on a field of about this many pixels along the shorter side.
constexpr int kSearchShortSide = 300;
// Edge points need a gradient of this many grey levels a pixel (the noise
// of a camera's picture stays well below), and a side a step of this many
// grey levels between the bands beside it.
constexpr float kMinGradient = 2.5f;
constexpr float kMinStep = 8.0f;
constexpr int kMaxLines = 32;
// A side is this share of the shorter side at least, the page this share
// of the picture. Each side seen carries edge points with a step beside
// them, lighter on the same side all round, along this share of its length
// at least (clutter, a pen or a cable may hide the rest), and the sides
// together along this share of theirs; more when the page runs over the
// picture's border and shows fewer sides.
constexpr double kMinSideShare = 0.1;
constexpr double kMinAreaShare = 0.05;
constexpr double kMinSideSupport = 0.35;
// A page showing all four sides may have one of them borne out along this
// share only (a pen and a cable lying across it, other sheets under it
// hiding its edge), when the four together bear it out as well as ever.
constexpr double kMinWeakSideSupport = 0.25;
constexpr double kMinSupport = 0.5;
constexpr double kMinSupportOverBorder = 0.7;
// Bands beside a side, in pixels of the search: the step's, and the one a
// page over the border must differ by too.
constexpr int kNearBand = 6;
constexpr int kWideBand = 16;
// A thin band: the inside's level is taken this far in, the level beyond
// the band from this far out; the band steps away from the inside's level
// by this much at least (well above the soft shadow under a page's edge on
// a desk of the paper's level), and the level beyond differs from the
// inside's by less than this share of the band's step.
constexpr int kThinInsideFrom = 3;
constexpr int kThinInsideTo = 10;
constexpr int kThinBeyond = 10;
constexpr double kThinReturn = 0.35;
constexpr float kThinMinStep = 3 * kMinStep;
// Opposite sides of a page seen in perspective meet at no more than this
// angle, and neighbouring ones stay this close to square.
const double kMaxOppositeAngle = 15.0 * std::numbers::pi / 180.0;
const double kMaxSkewFromSquare = 20.0 * std::numbers::pi / 180.0;
// A page on a larger sheet covers this share of the sheet at least, its
// corners within this many pixels of the sheet's outline.
constexpr double kMinPageOnSheetShare = 0.5;
constexpr double kCornerSlack = 1.5;
// Corners may lie beyond the picture (a page over the border) by this share of its size.
constexpr double kCornerReach = 0.25;
// The refinement fits each side to full-resolution edge points within this distance.
constexpr double kRefineReach = 2.5;
const double kRefineCosine = std::cos(10.0 * std::numbers::pi / 180.0);

struct Line {
  double nx, ny, offset;
};

std::optional<QuadPoint> Meet(const Line& a, const Line& b) {
  const double det = a.nx * b.ny - a.ny * b.nx;
  if (std::abs(det) < 1e-9) return std::nullopt;
  return QuadPoint{(a.offset * b.ny - a.ny * b.offset) / det, (a.nx * b.offset - a.offset * b.nx) / det};
}

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

// The part [from, to] of the line's positions t that lies inside the field.
bool VisibleSpan(const PageLine& line, const LightnessField& field, double& from, double& to) {
  // Point at t: (offset nx - t ny, offset ny + t nx).
  auto clip = [&](double base, double slope, double limit) {
    if (std::abs(slope) < 1e-12) return base >= 0 && base <= limit;
    double a = -base / slope, b = (limit - base) / slope;
    if (a > b) std::swap(a, b);
    from = std::max(from, a), to = std::min(to, b);
    return from < to;
  };
  return clip(line.offset * line.nx, -line.ny, field.width - 1.0) &&
         clip(line.offset * line.ny, line.nx, field.height - 1.0);
}

struct SideSupport {
  double seen = 0;       // visible length
  double supported = 0;  // length with both an edge point and a step of the right way
  bool valid = false;    // supported along kMinSideSupport of it
  bool weak = false;     // supported along kMinWeakSideSupport of it only
};

// How well a side between corners `a` and `b` is borne out, the page's
// inside lying at `centre` and lighter (`lighterInside`) or darker.
SideSupport Support(const PageLine& line, const LightnessField& field, QuadPoint a, QuadPoint b, QuadPoint centre,
                    bool lighterInside, double minSide) {
  SideSupport s;
  double from = -line.ny * a.x + line.nx * a.y, to = -line.ny * b.x + line.nx * b.y;
  if (from > to) std::swap(from, to);
  if (!VisibleSpan(line, field, from, to) || to - from < minSide) return s;
  const bool insidePlus = line.nx * centre.x + line.ny * centre.y > line.offset;
  const bool plus = insidePlus == lighterInside;  // the lighter side is +n
  s.seen = to - from;
  s.supported = PageLine::Count(plus ? line.sidePlus : line.sideMinus, line.firstBin, from, to);
  s.valid = s.supported >= kMinSideSupport * s.seen;
  s.weak = !s.valid && s.supported >= kMinWeakSideSupport * s.seen;
  return s;
}

struct Candidate {
  std::array<const PageLine*, 4> sides{};  // top, right, bottom, left
  std::array<QuadPoint, 4> corners{};
  bool lighterInside = true;
  double score = -1;
};

QuadPoint CornerFrom(const Candidate& c, std::size_t side) { return c.corners[side == 3 ? 0 : side]; }
QuadPoint CornerTo(const Candidate& c, std::size_t side) { return c.corners[side == 3 ? 3 : side + 1]; }

double Angle(const PageLine& a, const PageLine& b) {
  return std::abs(std::atan2(a.nx * b.ny - a.ny * b.nx, a.nx * b.nx + a.ny * b.ny));
}

struct Bands {
  std::vector<float> in, out;
};

// Samples from 2 to `reach` pixels in and out across the sides seen that
// `wanted` selects.
Bands BandsAcross(const Candidate& c, const LightnessField& field, QuadPoint centre, int reach,
                  const std::array<bool, 4>& wanted) {
  Bands bands;
  std::vector<float>& in = bands.in;
  std::vector<float>& out = bands.out;
  for (std::size_t i = 0; i < 4; ++i) {
    if (c.sides[i]->border || !wanted[i]) continue;
    const QuadPoint a = CornerFrom(c, i), b = CornerTo(c, i);
    const PageLine& line = *c.sides[i];
    const double inward = line.nx * centre.x + line.ny * centre.y > line.offset ? 1.0 : -1.0;
    const double nx = inward * line.nx, ny = inward * line.ny;
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    for (double along = 0; along <= length; along += 2) {
      const double x = a.x + (b.x - a.x) * along / length, y = a.y + (b.y - a.y) * along / length;
      if (!field.Inside(x + reach * nx, y + reach * ny) || !field.Inside(x - reach * nx, y - reach * ny)) continue;
      for (int d = 2; d <= reach; ++d) {
        in.push_back(field.Sample(x + d * nx, y + d * ny));
        out.push_back(field.Sample(x - d * nx, y - d * ny));
      }
    }
  }
  return bands;
}

// The value `share` of the way up the sorted values.
double Quantile(std::vector<float>& values, double share) {
  const auto at = values.begin() + static_cast<std::ptrdiff_t>(share * static_cast<double>(values.size() - 1));
  std::nth_element(values.begin(), at, values.end());
  return static_cast<double>(*at);
}

double Median(std::vector<float>& values) { return Quantile(values, 0.5); }

// The step in `field` into the quadrilateral across its sides seen: the
// mean, over points along them, of the difference from 2 to `reach`
// pixels out to as far in; with `typical`, the difference of the medians
// of all such samples in and out instead, which lines of text beside a
// side do not shift.
double StepInward(const Candidate& c, const LightnessField& field, QuadPoint centre, int reach, bool typical = false) {
  Bands bands = BandsAcross(c, field, centre, reach, {true, true, true, true});
  if (bands.in.empty()) return 0.0;
  if (!typical) {
    double sum = 0;
    for (std::size_t k = 0; k < bands.in.size(); ++k) sum += bands.in[k] - bands.out[k];
    return sum / static_cast<double>(bands.in.size());
  }
  return Median(bands.in) - Median(bands.out);
}

// Whether the side from `a` to `b` is the edge of something thin and dark
// lying across the page (a cable, a pen) rather than the page's own edge:
// just outside it the field falls well below the inside's level, but
// further out it comes back to about that level. Measured on the medians
// along the side at each distance across it, which text and short
// occluders do not move.
bool ThinBandEdge(const PageLine& line, const LightnessField& field, QuadPoint a, QuadPoint b, QuadPoint centre) {
  const double inward = line.nx * centre.x + line.ny * centre.y > line.offset ? 1.0 : -1.0;
  const double nx = inward * line.nx, ny = inward * line.ny;
  const double length = std::hypot(b.x - a.x, b.y - a.y);
  std::array<std::vector<float>, 2 * kWideBand + 1> across;
  for (double along = 0; along <= length; along += 1) {
    const double x = a.x + (b.x - a.x) * along / length, y = a.y + (b.y - a.y) * along / length;
    if (!field.Inside(x + kWideBand * nx, y + kWideBand * ny) ||
        !field.Inside(x - kWideBand * nx, y - kWideBand * ny)) {
      continue;
    }
    for (int d = -kWideBand; d <= kWideBand; ++d) {
      across[static_cast<std::size_t>(d + kWideBand)].push_back(field.Sample(x + d * nx, y + d * ny));
    }
  }
  if (across[0].size() < 4) return false;
  auto level = [&](int d) {
    std::vector<float>& values = across[static_cast<std::size_t>(d + kWideBand)];
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return static_cast<double>(*middle);
  };
  auto mean = [&](int from, int to) {
    double sum = 0;
    for (int d = from; d <= to; ++d) sum += level(d);
    return sum / (to - from + 1);
  };
  const double inside = mean(kThinInsideFrom, kThinInsideTo);
  double darkest = inside;
  for (int d = 1; d <= kNearBand; ++d) darkest = std::min(darkest, level(-d));
  const double step = inside - darkest;
  const double beyond = mean(-kWideBand, -kThinBeyond) - inside;
  return step >= kThinMinStep && std::abs(beyond) < kThinReturn * step;
}

// The corners where the four lines meet, and the quadrilateral's centre
// and area; false unless it is convex, in order, within reach of the
// picture and of a page's size.
bool Close(Candidate& c, const LightnessField& field, QuadPoint& centre, double& area) {
  const Line l[4] = {{c.sides[0]->nx, c.sides[0]->ny, c.sides[0]->offset},
                     {c.sides[1]->nx, c.sides[1]->ny, c.sides[1]->offset},
                     {c.sides[2]->nx, c.sides[2]->ny, c.sides[2]->offset},
                     {c.sides[3]->nx, c.sides[3]->ny, c.sides[3]->offset}};
  const auto tl = Meet(l[0], l[3]), tr = Meet(l[0], l[1]), br = Meet(l[2], l[1]), bl = Meet(l[2], l[3]);
  if (!tl || !tr || !br || !bl) return false;
  c.corners = {*tl, *tr, *br, *bl};
  const double reachX = kCornerReach * field.width, reachY = kCornerReach * field.height;
  area = 0;
  centre = {0, 0};
  for (std::size_t i = 0; i < 4; ++i) {
    const QuadPoint& p = c.corners[i];
    const QuadPoint& q = c.corners[(i + 1) % 4];
    const QuadPoint& r = c.corners[(i + 2) % 4];
    if (p.x < -reachX || p.y < -reachY || p.x > field.width - 1 + reachX || p.y > field.height - 1 + reachY) {
      return false;
    }
    // Clockwise as displayed (y down) at every corner: convex and in order.
    if ((q.x - p.x) * (r.y - q.y) - (q.y - p.y) * (r.x - q.x) <= 0) return false;
    area += p.x * q.y - q.x * p.y;
    centre.x += p.x / 4, centre.y += p.y / 4;
  }
  area /= 2;
  return area >= kMinAreaShare * field.width * field.height;
}

int BorderSides(const Candidate& c) {
  return c.sides[0]->border + c.sides[1]->border + c.sides[2]->border + c.sides[3]->border;
}

struct Totals {
  double supported = 0, unsupported = 0;
  bool valid = true;  // every side seen borne out (one of four may be weak)
  double Score() const { return supported - 0.5 * unsupported; }
};

// How well the sides seen bear the page out, it lying on the lighter (or
// darker) side of them; one weak side is allowed when `allowWeak`.
Totals SupportOf(const Candidate& c, const LightnessField& field, QuadPoint centre, bool lighter, bool allowWeak) {
  const double minSide = kMinSideShare * std::min(field.width, field.height);
  Totals totals;
  int weakSides = 0;
  for (std::size_t i = 0; i < 4 && totals.valid; ++i) {
    if (c.sides[i]->border) continue;
    const SideSupport s = Support(*c.sides[i], field, CornerFrom(c, i), CornerTo(c, i), centre, lighter, minSide);
    weakSides += s.weak;
    totals.valid = s.valid || (s.weak && allowWeak && weakSides == 1);
    totals.supported += s.supported;
    totals.unsupported += s.seen - s.supported;
  }
  return totals;
}

// Scores the quadrilateral of the four lines; false when it is no page or
// scores no more than `toBeat` (the checks that cost most are then
// skipped). On a lightness field the page must be the lighter side of its
// edges; on another tone either way, but never darker than the desk by a
// step in `lightness`.
bool Score(Candidate& c, const LightnessField& field, const LightnessField& lightness, double toBeat) {
  QuadPoint centre;
  double area = 0;
  if (!Close(c, field, centre, area)) return false;
  c.score = -1;
  const int borderSides = BorderSides(c);
  const bool onLightness = field.tone == Tone::Lightness;
  for (bool lighter : {true, false}) {
    if (onLightness && !lighter) continue;
    const Totals totals = SupportOf(c, field, centre, lighter, borderSides == 0);
    const double score = totals.Score();
    // A page running over the border shows fewer sides: what it shows must bear it out better.
    const double wanted = borderSides > 0 ? kMinSupportOverBorder : kMinSupport;
    bool valid = totals.valid && totals.supported >= wanted * (totals.supported + totals.unsupported);
    if (!valid || score <= std::max(toBeat, c.score)) continue;
    // Paper of another tint must not be darker than the desk; a page over
    // the border must differ from what lies beyond its sides well out from
    // them (the rows of text on a page seen close up do not).
    valid = valid && (onLightness || StepInward(c, lightness, centre, kNearBand) > -kMinStep) &&
            (borderSides == 0 || (lighter ? 1 : -1) * StepInward(c, field, centre, kWideBand, true) >= kMinStep);
    // Last, as it costs most: no side may be a cable's or a pen's edge.
    for (std::size_t i = 0; i < 4 && valid; ++i) {
      valid = c.sides[i]->border || !ThinBandEdge(*c.sides[i], field, CornerFrom(c, i), CornerTo(c, i), centre);
    }
    if (valid) {
      c.score = score;
      c.lighterInside = lighter;
    }
  }
  return c.score > std::max(toBeat, 0.0);
}

// Two lines of one family, the first nearer the field's top (or left).
struct Pair {
  const PageLine* first;
  const PageLine* second;
};

// Whether a page on a sheet shows along each of its sides what paper does:
// an even level just inside every side (its blank margin), the same all
// round, darker than the sheet beyond the side (`lighter` 1, or lighter
// when -1) and lighter than the desk at `desk`, each by a step. Inside the
// edges of a photograph or of a block of text on a page lie uneven things,
// and different things inside different sides.
bool UniformMargins(const Candidate& page, const LightnessField& field, QuadPoint centre, double lighter, double desk) {
  double lowest = 1e9, highest = -1e9;
  for (std::size_t i = 0; i < 4; ++i) {
    std::array<bool, 4> only{};
    only[i] = true;
    Bands bands = BandsAcross(page, field, centre, kNearBand, only);
    if (bands.in.empty()) return false;
    const double in = Median(bands.in), out = Median(bands.out);
    if (lighter * (out - in) < kMinStep || lighter * (in - desk) < kMinStep) return false;
    if (Quantile(bands.in, 0.75) - Quantile(bands.in, 0.25) >= kMinStep) return false;
    lowest = std::min(lowest, in), highest = std::max(highest, in);
  }
  return highest - lowest < kMinStep;
}

// The quadrilateral of a pair of rows and a pair of columns.
Candidate QuadOf(const Pair& rows, const Pair& columns) {
  Candidate c;
  c.sides[0] = rows.first, c.sides[1] = columns.second, c.sides[2] = rows.second, c.sides[3] = columns.first;
  return c;
}

// A page lying on a larger sheet of lighter paper (a magazine page on copy
// paper): the sheet's outline closes round both, so the best quadrilateral
// is the sheet's. The page is then the best quadrilateral within it, half
// its size at least, whose edges step the other way (the page darker than
// the sheet beside it) and whose margins are even paper (UniformMargins).
std::optional<Candidate> PageOnSheet(const Candidate& sheet, const std::vector<Pair>& rows,
                                     const std::vector<Pair>& columns, const LightnessField& field) {
  Candidate outline = sheet;
  QuadPoint sheetCentre;
  double sheetArea = 0;
  if (BorderSides(sheet) > 0 || !Close(outline, field, sheetCentre, sheetArea)) return std::nullopt;
  Bands beyond = BandsAcross(outline, field, sheetCentre, kNearBand, {true, true, true, true});
  if (beyond.out.empty()) return std::nullopt;
  const double desk = Median(beyond.out);
  const double lighter = sheet.lighterInside ? 1.0 : -1.0;
  auto insideSheet = [&](QuadPoint p) {
    for (std::size_t j = 0; j < 4; ++j) {
      const PageLine& side = *sheet.sides[j];
      const double inward = side.nx * sheetCentre.x + side.ny * sheetCentre.y > side.offset ? 1.0 : -1.0;
      if (!side.border && inward * (side.nx * p.x + side.ny * p.y - side.offset) < -kCornerSlack) return false;
    }
    return true;
  };
  std::optional<Candidate> best;
  for (const Pair& r : rows) {
    for (const Pair& c : columns) {
      Candidate page = QuadOf(r, c);
      if (BorderSides(page) > 0) continue;
      QuadPoint centre;
      double area = 0;
      if (!Close(page, field, centre, area) || area < kMinPageOnSheetShare * sheetArea) continue;
      if (!std::all_of(page.corners.begin(), page.corners.end(), insideSheet)) continue;
      const Totals totals = SupportOf(page, field, centre, !sheet.lighterInside, false);
      if (!totals.valid || totals.supported < kMinSupport * (totals.supported + totals.unsupported) ||
          (best && totals.Score() <= best->score)) {
        continue;
      }
      if (!UniformMargins(page, field, centre, lighter, desk)) continue;
      page.lighterInside = !sheet.lighterInside;
      page.score = totals.Score();
      best = page;
    }
  }
  return best;
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
  double angleSum = 0;
  quad.sidesSeen = 0;
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
      const double degrees =
          (isAcross ? std::atan2(-line.nx, line.ny) : std::atan2(line.nx, -line.ny) - std::numbers::pi / 2) * 180.0 /
          std::numbers::pi;
      angleSum += degrees;
      ++quad.sidesSeen;
    }
    sides[i] = line;
  }
  const auto tl = Meet(sides[0], sides[3]), tr = Meet(sides[0], sides[1]);
  const auto br = Meet(sides[2], sides[1]), bl = Meet(sides[2], sides[3]);
  if (!tl || !tr || !br || !bl || quad.sidesSeen == 0) return quad;
  quad.corners = {*tl, *tr, *br, *bl};
  const double angle = angleSum / quad.sidesSeen;
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
