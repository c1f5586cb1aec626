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
// Bands down the page; a band's direction counts when this many pixels of
// print lie in it and they line up along it this much better than along a
// typical direction (the ratio of the sums of squared counts per row).
constexpr int kBands = 5;
constexpr std::size_t kMinBandPixels = 120;
constexpr double kMinLineUp = 1.4;
// A band's direction is found on at most this many of its pixels, taken
// evenly through it: plenty for a page full of print.
constexpr std::size_t kMaxBandPixels = 4000;
constexpr int kMinBandsFound = 3;
// Directions tried, within this many degrees of the page's: in whole
// degrees, then in tenths about the best.
constexpr double kSearchReach = 15.0;
constexpr double kFineReach = 1.0;
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
  for (double d = -kSearchReach; d <= kSearchReach; d += 1.0) {
    const double sum = LineUp(marks, d, reach);
    coarse.push_back(sum);
    if (sum > bestSum) bestSum = sum, best.degrees = d;
  }
  const double around = best.degrees;
  for (double d = around - kFineReach; d <= around + kFineReach + 1e-9; d += kFineStep) {
    const double sum = LineUp(marks, d, reach);
    if (sum > bestSum) bestSum = sum, best.degrees = d;
  }
  std::nth_element(coarse.begin(), coarse.begin() + static_cast<std::ptrdiff_t>(coarse.size() / 2), coarse.end());
  const double typical = coarse[coarse.size() / 2];
  best.lineUp = typical > 0 ? bestSum / typical : 0.0;
  return best;
}

// The dark marks of glyph size within the inner quadrilateral, in the
// page's own axes from its centre.
std::vector<Mark> PrintMarks(const LightnessField& field, const std::array<QuadPoint, 4>& inner, QuadPoint centre,
                             double angle, double maxHeight, double maxWidth) {
  double left = 1e18, top = 1e18, right = -1e18, bottom = -1e18;
  for (const QuadPoint& p : inner) {
    left = std::min(left, p.x), right = std::max(right, p.x), top = std::min(top, p.y), bottom = std::max(bottom, p.y);
  }
  const int x0 = std::max(0, static_cast<int>(std::ceil(left))), y0 = std::max(0, static_cast<int>(std::ceil(top)));
  const int x1 = std::min(field.width - 1, static_cast<int>(std::floor(right)));
  const int y1 = std::min(field.height - 1, static_cast<int>(std::floor(bottom)));
  if (x1 <= x0 || y1 <= y0) return {};
  const int w = x1 - x0 + 1, h = y1 - y0 + 1;
  auto within = [&](int x, int y) {
    for (std::size_t i = 0; i < 4; ++i) {
      const QuadPoint a = inner[i], b = inner[(i + 1) % 4];
      if ((b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x) < 0) return false;
    }
    return true;
  };
  std::vector<float> paper;
  std::vector<std::uint8_t> inside(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      if (!within(x, y)) continue;
      inside[static_cast<std::size_t>(y - y0) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x - x0)] = 1;
      paper.push_back(field.At(x, y));
    }
  }
  if (paper.empty()) return {};
  const auto at = paper.begin() + static_cast<std::ptrdiff_t>(kPaperQuantile * static_cast<double>(paper.size() - 1));
  std::nth_element(paper.begin(), at, paper.end());
  const double ink = *at - kInkBelowPaper;
  // 1: ink not yet gathered into a mark, 2: gathered.
  std::vector<std::uint8_t> dark(inside.size(), 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
      dark[i] = inside[i] && field.At(x + x0, y + y0) < ink;
    }
  }
  const double s = std::sin(Radians(angle)), c = std::cos(Radians(angle));
  std::vector<Mark> marks;
  std::vector<std::size_t> pending, mark;
  for (std::size_t seed = 0; seed < dark.size(); ++seed) {
    if (dark[seed] != 1) continue;
    mark.clear();
    pending.push_back(seed);
    dark[seed] = 2;
    int mx0 = w, mx1 = -1, my0 = h, my1 = -1;
    while (!pending.empty()) {
      const std::size_t p = pending.back();
      pending.pop_back();
      mark.push_back(p);
      const int x = static_cast<int>(p % static_cast<std::size_t>(w)),
                y = static_cast<int>(p / static_cast<std::size_t>(w));
      mx0 = std::min(mx0, x), mx1 = std::max(mx1, x), my0 = std::min(my0, y), my1 = std::max(my1, y);
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
          const std::size_t q =
              static_cast<std::size_t>(ny) * static_cast<std::size_t>(w) + static_cast<std::size_t>(nx);
          if (dark[q] == 1) dark[q] = 2, pending.push_back(q);
        }
      }
    }
    if (my1 - my0 > maxHeight || mx1 - mx0 > maxWidth) continue;
    for (std::size_t p : mark) {
      const double dx = static_cast<double>(p % static_cast<std::size_t>(w)) + x0 - centre.x;
      const double dy = static_cast<double>(p / static_cast<std::size_t>(w)) + y0 - centre.y;
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
      PrintMarks(lightness, inner, centre, angle, kMaxMarkHeight * height, kMaxMarkWidth * width);
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
