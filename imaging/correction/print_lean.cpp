#include "imaging/correction/print_lean.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace imaging::correction::detail {

namespace {

// The print is looked for inside this share of the page (its corners drawn
// towards its centre), clear of the edges and of what lies along them.
constexpr double kInnerShare = 0.85;
// Ink is this many grey levels darker than the paper (the lightness that
// this share of the page's pixels stays below).
constexpr double kInkBelowPaper = 30;
constexpr double kPaperQuantile = 0.9;
// A glyph, a word or a short line of them is no taller than this share of
// the page and no wider than this one.
constexpr double kMaxMarkHeight = 0.05;
constexpr double kMaxMarkWidth = 0.3;
// Bands down the page. A band's direction counts when this many pixels of
// print lie in it and they line up along it this much better than along a
// typical direction (the ratio of the sums of squared counts per row); the
// print is followed when this many bands count.
constexpr int kBands = 5;
constexpr std::size_t kMinBandPixels = 120;
constexpr double kMinLineUp = 1.4;
constexpr int kMinBandsFound = 3;
// A band's direction is found on at most this many of its pixels, taken
// evenly through it: plenty for a page full of print.
constexpr std::size_t kMaxBandPixels = 4000;
// Directions tried: whole degrees within this many of the page's, then
// tenths within a degree of the best.
constexpr int kSearchReach = 15;
constexpr int kFineSteps = 10;
constexpr double kFineStep = 0.1;
// The bands' directions lie within this many degrees of the straight line through them.
constexpr double kMaxSpread = 1.0;

struct Mark {
  double u, v;  // from the page's centre: along the page and down it
};

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// How well the marks line up along `degrees`: the sum of squared counts of
// marks per pixel row across that direction.
double LineUp(const std::vector<Mark>& marks, double degrees, double reach) {
  const double s = std::sin(Radians(degrees)), c = std::cos(Radians(degrees));
  const int rows = 2 * static_cast<int>(std::ceil(reach)) + 3;
  std::vector<int> counts(static_cast<std::size_t>(rows), 0);
  for (const Mark& m : marks) {
    const int row = static_cast<int>(std::floor(m.v * c - m.u * s + reach)) + 1;
    if (row >= 0 && row < rows) ++counts[static_cast<std::size_t>(row)];
  }
  double sum = 0;
  for (int n : counts) sum += static_cast<double>(n) * n;
  return sum;
}

// The direction (degrees from the page's) the marks line up along best,
// and how much better than along a typical direction tried.
struct BandDirection {
  double degrees = 0;
  double lineUp = 0;
};

BandDirection DirectionOf(const std::vector<Mark>& marks, double reach) {
  std::vector<double> coarse;
  BandDirection best;
  double bestSum = -1;
  for (int whole = -kSearchReach; whole <= kSearchReach; ++whole) {
    const double sum = LineUp(marks, whole, reach);
    coarse.push_back(sum);
    if (sum > bestSum) bestSum = sum, best.degrees = whole;
  }
  const double around = best.degrees;
  for (int tenth = -kFineSteps; tenth <= kFineSteps; ++tenth) {
    const double d = around + tenth * kFineStep;
    const double sum = LineUp(marks, d, reach);
    if (sum > bestSum) bestSum = sum, best.degrees = d;
  }
  std::nth_element(coarse.begin(), coarse.begin() + static_cast<std::ptrdiff_t>(coarse.size() / 2), coarse.end());
  const double typical = coarse[coarse.size() / 2];
  best.lineUp = typical > 0 ? bestSum / typical : 0.0;
  return best;
}

// The ink within a quadrilateral of the field: 1 for each pixel darker
// than kInkBelowPaper under the paper, over the quadrilateral's bounding
// box (clamped to the field) from (left, top).
struct InkMask {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<std::uint8_t> ink;
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
  }
};

InkMask InkWithin(const LightnessField& field, const std::array<QuadPoint, 4>& quad) {
  double left = 1e18, top = 1e18, right = -1e18, bottom = -1e18;
  for (const QuadPoint& p : quad) {
    left = std::min(left, p.x), right = std::max(right, p.x), top = std::min(top, p.y), bottom = std::max(bottom, p.y);
  }
  InkMask mask;
  mask.left = std::max(0, static_cast<int>(std::ceil(left)));
  mask.top = std::max(0, static_cast<int>(std::ceil(top)));
  const int x1 = std::min(field.width - 1, static_cast<int>(std::floor(right)));
  const int y1 = std::min(field.height - 1, static_cast<int>(std::floor(bottom)));
  if (x1 <= mask.left || y1 <= mask.top) return {};
  mask.width = x1 - mask.left + 1, mask.height = y1 - mask.top + 1;
  auto within = [&](int x, int y) {
    for (std::size_t i = 0; i < 4; ++i) {
      const QuadPoint a = quad[i], b = quad[(i + 1) % 4];
      if ((b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x) < 0) return false;
    }
    return true;
  };
  std::vector<std::uint8_t> inside(static_cast<std::size_t>(mask.width) * static_cast<std::size_t>(mask.height), 0);
  std::vector<float> paper;
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      if (!within(x + mask.left, y + mask.top)) continue;
      inside[mask.Index(x, y)] = 1;
      paper.push_back(field.At(x + mask.left, y + mask.top));
    }
  }
  if (paper.empty()) return {};
  const auto at = paper.begin() + static_cast<std::ptrdiff_t>(kPaperQuantile * static_cast<double>(paper.size() - 1));
  std::nth_element(paper.begin(), at, paper.end());
  const double ink = *at - kInkBelowPaper;
  mask.ink.assign(inside.size(), 0);
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      mask.ink[mask.Index(x, y)] = inside[mask.Index(x, y)] && field.At(x + mask.left, y + mask.top) < ink;
    }
  }
  return mask;
}

// The pixels of the mask's marks (8-connected ink) no taller than
// `maxHeight` and no wider than `maxWidth` pixels, in the page's own axes
// from `centre`, the page turned by `angle` degrees.
std::vector<Mark> SmallMarks(InkMask mask, QuadPoint centre, double angle, double maxHeight, double maxWidth) {
  const double s = std::sin(Radians(angle)), c = std::cos(Radians(angle));
  constexpr std::uint8_t kGathered = 2;
  std::vector<Mark> marks;
  std::vector<std::size_t> pending, mark;
  for (std::size_t seed = 0; seed < mask.ink.size(); ++seed) {
    if (mask.ink[seed] != 1) continue;
    mark.clear();
    pending.push_back(seed);
    mask.ink[seed] = kGathered;
    int left = mask.width, right = -1, top = mask.height, bottom = -1;
    while (!pending.empty()) {
      const std::size_t p = pending.back();
      pending.pop_back();
      mark.push_back(p);
      const int x = static_cast<int>(p % static_cast<std::size_t>(mask.width));
      const int y = static_cast<int>(p / static_cast<std::size_t>(mask.width));
      left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= mask.width || ny >= mask.height) continue;
          const std::size_t q = mask.Index(nx, ny);
          if (mask.ink[q] == 1) mask.ink[q] = kGathered, pending.push_back(q);
        }
      }
    }
    if (bottom - top > maxHeight || right - left > maxWidth) continue;
    for (std::size_t p : mark) {
      const double dx = static_cast<double>(p % static_cast<std::size_t>(mask.width)) + mask.left - centre.x;
      const double dy = static_cast<double>(p / static_cast<std::size_t>(mask.width)) + mask.top - centre.y;
      marks.push_back({dx * c + dy * s, dy * c - dx * s});
    }
  }
  return marks;
}

}  // namespace

PrintLean PrintLeanOf(const LightnessField& lightness, const std::array<QuadPoint, 4>& corners, double angle) {
  PrintLean lean;
  QuadPoint centre{0, 0};
  for (const QuadPoint& p : corners) centre.x += p.x / 4, centre.y += p.y / 4;
  std::array<QuadPoint, 4> inner;
  for (std::size_t i = 0; i < 4; ++i) {
    inner[i] = {centre.x + kInnerShare * (corners[i].x - centre.x), centre.y + kInnerShare * (corners[i].y - centre.y)};
  }
  const double s = std::sin(Radians(angle)), c = std::cos(Radians(angle));
  auto down = [&](QuadPoint p) { return (p.y - centre.y) * c - (p.x - centre.x) * s; };
  const double height = std::hypot(corners[3].x - corners[0].x, corners[3].y - corners[0].y);
  const double width = std::hypot(corners[1].x - corners[0].x, corners[1].y - corners[0].y);
  const std::vector<Mark> marks =
      SmallMarks(InkWithin(lightness, inner), centre, angle, kMaxMarkHeight * height, kMaxMarkWidth * width);
  if (marks.empty()) return lean;
  double first = 1e18, last = -1e18, reach = 0;
  for (const Mark& m : marks) {
    first = std::min(first, m.v), last = std::max(last, m.v), reach = std::max(reach, std::hypot(m.u, m.v));
  }
  std::vector<std::vector<Mark>> bands(kBands);
  for (const Mark& m : marks) {
    const int band = std::min(kBands - 1, static_cast<int>((m.v - first) / (last - first + 1e-9) * kBands));
    bands[static_cast<std::size_t>(band)].push_back(m);
  }
  // A straight line through the bands' directions against their mean
  // height down the page, weighted by their print.
  double n = 0, sv = 0, sd = 0, svv = 0, svd = 0;
  std::vector<std::array<double, 3>> found;  // height, direction, weight
  for (const std::vector<Mark>& band : bands) {
    if (band.size() < kMinBandPixels) continue;
    const std::size_t stride = (band.size() + kMaxBandPixels - 1) / kMaxBandPixels;
    std::vector<Mark> sample;
    for (std::size_t k = 0; k < band.size(); k += stride) sample.push_back(band[k]);
    const BandDirection direction = DirectionOf(sample, reach);
    if (direction.lineUp < kMinLineUp) continue;
    double v = 0;
    for (const Mark& m : band) v += m.v;
    v /= static_cast<double>(band.size());
    const auto weight = static_cast<double>(band.size());
    found.push_back({v, direction.degrees, weight});
    n += weight, sv += weight * v, sd += weight * direction.degrees;
    svv += weight * v * v, svd += weight * v * direction.degrees;
  }
  if (static_cast<int>(found.size()) < kMinBandsFound) return lean;
  const double spread = svv - sv * sv / n;
  const double slope = spread > 1e-9 ? (svd - sv * sd / n) / spread : 0.0;
  const double base = (sd - slope * sv) / n;
  for (const auto& [v, degrees, weight] : found) {
    if (std::abs(base + slope * v - degrees) > kMaxSpread) return lean;
  }
  const QuadPoint topMiddle{(corners[0].x + corners[1].x) / 2, (corners[0].y + corners[1].y) / 2};
  const QuadPoint bottomMiddle{(corners[3].x + corners[2].x) / 2, (corners[3].y + corners[2].y) / 2};
  lean.found = true;
  lean.atTop = angle + base + slope * down(topMiddle);
  lean.atBottom = angle + base + slope * down(bottomMiddle);
  return lean;
}

}  // namespace imaging::correction::detail
