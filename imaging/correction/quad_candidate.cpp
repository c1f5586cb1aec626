#include "imaging/correction/quad_candidate.h"

#include <algorithm>
#include <cmath>

namespace imaging::correction::detail {

namespace {

// The page is this share of the picture at least. Each side seen carries
// edge points with a step beside them, lighter on the same side all round,
// along this share of its length at least (clutter, a pen or a cable may
// hide the rest); more, all the sides together, when the page runs over
// the picture's border and shows fewer sides.
constexpr double kMinAreaShare = 0.05;
constexpr double kMinSideSupport = 0.35;
// A page showing all four sides may have one of them borne out along this
// share only (a pen and a cable lying across it, other sheets under it
// hiding its edge), when the four together bear it out as well as ever.
constexpr double kMinWeakSideSupport = 0.25;
constexpr double kMinSupportOverBorder = 0.7;
// The band a page over the border must differ across by a step too, in
// pixels of the search.
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
// Corners may lie beyond the picture (a page over the border) by this share of its size.
constexpr double kCornerReach = 0.25;

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

}  // namespace

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

}  // namespace imaging::correction::detail
