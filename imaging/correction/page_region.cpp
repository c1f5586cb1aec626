#include "imaging/correction/page_region.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "imaging/correction/colour_rows.h"

namespace imaging::correction::detail {

namespace {

std::size_t Index(int x, int y, int width) {
  return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
}

// The lower quartile of the border's levels, leaving out pure black: the
// fill of corners that a turn uncovered, not the desk.
int BorderLowerQuartile(const GreyMap& grey) {
  std::array<int, 256> histogram{};
  int total = 0;
  auto count = [&](int x, int y) {
    ++histogram[grey.At(x, y)];
    ++total;
  };
  for (int x = 0; x < grey.width; ++x) {
    count(x, 0);
    if (grey.height > 1) count(x, grey.height - 1);
  }
  for (int y = 1; y + 1 < grey.height; ++y) {
    count(0, y);
    if (grey.width > 1) count(grey.width - 1, y);
  }
  if (histogram[0] < total) {
    total -= histogram[0];
    histogram[0] = 0;
  }
  int seen = 0;
  for (int level = 0; level < 256; ++level) {
    seen += histogram[static_cast<std::size_t>(level)];
    if (4 * seen >= total) return level;
  }
  return 255;
}

// Marks the 4-connected regions of `light` pixels in `mask` (1) that are
// at least a quarter the size of the largest (the pages of a spread lying
// apart), all else 0.
void KeepPageRegions(const std::vector<std::uint8_t>& light, int width, int height, std::vector<std::uint8_t>& mask) {
  std::vector<std::int32_t> label(light.size(), -1);
  std::vector<std::size_t> stack;
  std::vector<std::size_t> sizes;
  std::int32_t next = 0;
  for (std::size_t start = 0; start < light.size(); ++start) {
    if (!light[start] || label[start] >= 0) continue;
    std::size_t size = 0;
    label[start] = next;
    stack.push_back(start);
    while (!stack.empty()) {
      const std::size_t at = stack.back();
      stack.pop_back();
      ++size;
      const int x = static_cast<int>(at % static_cast<std::size_t>(width));
      const int y = static_cast<int>(at / static_cast<std::size_t>(width));
      const auto visit = [&](int nx, int ny) {
        if (nx < 0 || ny < 0 || nx >= width || ny >= height) return;
        const std::size_t n = Index(nx, ny, width);
        if (light[n] && label[n] < 0) {
          label[n] = next;
          stack.push_back(n);
        }
      };
      visit(x - 1, y);
      visit(x + 1, y);
      visit(x, y - 1);
      visit(x, y + 1);
    }
    sizes.push_back(size);
    ++next;
  }
  const std::size_t largest = sizes.empty() ? 0 : *std::max_element(sizes.begin(), sizes.end());
  mask.assign(light.size(), 0);
  for (std::size_t i = 0; i < light.size(); ++i) {
    mask[i] = label[i] >= 0 && 4 * sizes[static_cast<std::size_t>(label[i])] >= largest;
  }
}

// Adds to `mask` every pixel that the outside (the region of non-mask
// pixels reached from the picture's border) cannot reach.
void FillEnclosed(std::vector<std::uint8_t>& mask, int width, int height) {
  std::vector<std::uint8_t> outside(mask.size(), 0);
  std::vector<std::size_t> stack;
  auto seed = [&](int x, int y) {
    const std::size_t at = Index(x, y, width);
    if (!mask[at] && !outside[at]) {
      outside[at] = 1;
      stack.push_back(at);
    }
  };
  for (int x = 0; x < width; ++x) {
    seed(x, 0);
    seed(x, height - 1);
  }
  for (int y = 0; y < height; ++y) {
    seed(0, y);
    seed(width - 1, y);
  }
  while (!stack.empty()) {
    const std::size_t at = stack.back();
    stack.pop_back();
    const int x = static_cast<int>(at % static_cast<std::size_t>(width));
    const int y = static_cast<int>(at / static_cast<std::size_t>(width));
    if (x > 0) seed(x - 1, y);
    if (x + 1 < width) seed(x + 1, y);
    if (y > 0) seed(x, y - 1);
    if (y + 1 < height) seed(x, y + 1);
  }
  for (std::size_t i = 0; i < mask.size(); ++i) mask[i] = !outside[i];
}

struct Point {
  double x;
  double y;
};

// Page pixels with a desk neighbour, relative to the picture's middle
// pixel, so that a square side projects onto whole numbers (the bins'
// centres); pixels on the picture's border are the picture's edge, not the
// page's, and are left out.
std::vector<Point> PageBorderPoints(const PageMask& mask) {
  std::vector<Point> points;
  const int cx = mask.width / 2;
  const int cy = mask.height / 2;
  for (int y = 1; y + 1 < mask.height; ++y) {
    for (int x = 1; x + 1 < mask.width; ++x) {
      if (!mask.At(x, y)) continue;
      if (mask.At(x - 1, y) && mask.At(x + 1, y) && mask.At(x, y - 1) && mask.At(x, y + 1)) continue;
      points.push_back({static_cast<double>(x - cx), static_cast<double>(y - cy)});
    }
  }
  return points;
}

// How sharply the points gather on lines along and across the direction
// `degrees` (clockwise from the x axis): the sum of squared counts of their
// projections in one-pixel bins, each point split between its two bins.
double AlignmentScore(const std::vector<Point>& points, double degrees, double reach, std::vector<double>& bins) {
  const double radians = degrees * std::numbers::pi / 180.0;
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  const auto span = static_cast<std::size_t>(2 * reach + 3);
  bins.assign(2 * span, 0.0);
  auto splat = [&](std::size_t base, double position) {
    const double shifted = position + reach + 1;
    const auto low = static_cast<std::size_t>(shifted);
    const double fraction = shifted - static_cast<double>(low);
    bins[base + low] += 1 - fraction;
    bins[base + low + 1] += fraction;
  };
  for (const Point& p : points) {
    splat(0, p.x * c + p.y * s);
    splat(span, -p.x * s + p.y * c);
  }
  double score = 0;
  for (double count : bins) score += count * count;
  return score;
}

// The correction to `degrees` that least squares give: on each of the
// strongest lines across and along the direction (the page's sides), the
// points within 3 pixels are fitted with a straight line, and the sides'
// angles from the direction are averaged, weighted by their points.
double FittedCorrection(const std::vector<Point>& points, double degrees, double reach) {
  const double radians = degrees * std::numbers::pi / 180.0;
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  double weighted = 0;
  double weight = 0;
  for (int across = 0; across < 2; ++across) {
    // Across: sides of constant p = x c + y s, running along q; else the other way.
    std::vector<double> position(points.size()), along(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
      const double p = points[i].x * c + points[i].y * s;
      const double q = -points[i].x * s + points[i].y * c;
      position[i] = across == 0 ? p : q;
      along[i] = across == 0 ? q : p;
    }
    std::vector<int> bins(static_cast<std::size_t>(2 * reach + 3), 0);
    for (double v : position) ++bins[static_cast<std::size_t>(std::lround(v + reach + 1))];
    // The two strongest bins at least 10 bins apart: the two sides.
    std::vector<std::size_t> peaks;
    for (int side = 0; side < 2; ++side) {
      std::size_t best = 0;
      for (std::size_t b = 0; b < bins.size(); ++b) {
        const bool apart = std::all_of(peaks.begin(), peaks.end(),
                                       [&](std::size_t peak) { return (b > peak ? b - peak : peak - b) >= 10; });
        if (apart && bins[b] > bins[best]) best = b;
      }
      peaks.push_back(best);
    }
    for (std::size_t peak : peaks) {
      const double centre = static_cast<double>(peak) - reach - 1;
      double n = 0, sa = 0, sp = 0, saa = 0, sap = 0;
      for (std::size_t i = 0; i < points.size(); ++i) {
        if (std::abs(position[i] - centre) > 3) continue;
        n += 1, sa += along[i], sp += position[i], saa += along[i] * along[i], sap += along[i] * position[i];
      }
      const double spread = n * saa - sa * sa;
      if (n < 20 || spread <= 0) continue;
      const double slope = (n * sap - sa * sp) / spread;
      // A side drifting across as it runs along lies turned from the direction.
      const double off = std::atan(slope) * 180.0 / std::numbers::pi;
      weighted += (across == 0 ? -off : off) * n;
      weight += n;
    }
  }
  return weight > 0 ? weighted / weight : 0.0;
}

// The level at which a count profile reaches half its typical value: half
// the 80th percentile of its non-zero bins.
double HalfTypical(const std::vector<int>& profile) {
  std::vector<int> counts;
  for (int count : profile) {
    if (count > 0) counts.push_back(count);
  }
  if (counts.empty()) return 1;
  const std::size_t at = counts.size() * 4 / 5;
  std::nth_element(counts.begin(), counts.begin() + static_cast<std::ptrdiff_t>(at), counts.end());
  return std::max(1.0, counts[at] / 2.0);
}

// First and one past the last bin reaching `level`; [0, 0) when none does.
std::pair<int, int> SpanAbove(const std::vector<int>& profile, double level) {
  int first = -1;
  int last = -1;
  for (int i = 0; i < static_cast<int>(profile.size()); ++i) {
    if (profile[static_cast<std::size_t>(i)] >= level) {
      if (first < 0) first = i;
      last = i;
    }
  }
  return first < 0 ? std::pair{0, 0} : std::pair{first, last + 1};
}

}  // namespace

GreyMap GreyMapOf(const Picture& input) {
  Picture storage;
  const Picture& picture = AsColour(input, storage);
  GreyMap grey{picture.Width(), picture.Height(), {}};
  grey.values.resize(static_cast<std::size_t>(grey.width) * static_cast<std::size_t>(grey.height));
  for (int y = 0; y < grey.height; ++y) {
    const std::uint8_t* row = picture.Row(grey.height - 1 - y);
    std::uint8_t* out = grey.values.data() + Index(0, y, grey.width);
    for (int x = 0; x < grey.width; ++x) {
      out[x] = static_cast<std::uint8_t>((Lightness1000(row + 3 * static_cast<std::ptrdiff_t>(x)) + 500) / 1000);
    }
  }
  return grey;
}

PageMask FindPageMask(const GreyMap& grey) {
  PageMask mask{grey.width, grey.height, {}, false, 0, 255};
  mask.inside.assign(grey.values.size(), 0);
  if (grey.width < 3 || grey.height < 3) return mask;

  mask.deskLevel = BorderLowerQuartile(grey);
  std::array<int, 256> histogram{};
  for (std::uint8_t level : grey.values) ++histogram[level];
  // Without a page standing out, the picture may be all page: its most frequent level is the paper's.
  const int mostFrequent = static_cast<int>(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
  mask.paperLevel = mostFrequent;
  int paper = -1;
  for (int level = mask.deskLevel + kMinContrast; level < 256; ++level) {
    if (paper < 0 || histogram[static_cast<std::size_t>(level)] >= histogram[static_cast<std::size_t>(paper)]) {
      paper = level;
    }
  }
  if (paper < 0 || histogram[static_cast<std::size_t>(paper)] * 100 < static_cast<int>(grey.values.size())) {
    return mask;
  }
  mask.paperLevel = paper;
  const int threshold = (mask.deskLevel + paper) / 2;
  std::vector<std::uint8_t> light(grey.values.size());
  for (std::size_t i = 0; i < light.size(); ++i) light[i] = grey.values[i] > threshold;
  KeepPageRegions(light, grey.width, grey.height, mask.inside);
  FillEnclosed(mask.inside, grey.width, grey.height);
  std::size_t area = 0;
  for (std::uint8_t in : mask.inside) area += in;
  mask.found = area * 100 >= mask.inside.size();
  if (!mask.found) {
    std::fill(mask.inside.begin(), mask.inside.end(), std::uint8_t{0});
    mask.paperLevel = mostFrequent;
  }
  return mask;
}

double PageEdgeAngle(const PageMask& mask, int* pointsUsed) {
  if (pointsUsed != nullptr) *pointsUsed = 0;
  if (!mask.found) return 0.0;
  const std::vector<Point> points = PageBorderPoints(mask);
  if (pointsUsed != nullptr) *pointsUsed = static_cast<int>(points.size());
  if (points.size() < 8) return 0.0;
  const double reach = std::hypot(mask.width, mask.height) / 2 + 2;
  std::vector<double> bins;
  auto bestIn = [&](double from, double to, double step) {
    double best = from;
    double bestScore = -1;
    for (double degrees = from; degrees < to + step / 2; degrees += step) {
      const double score = AlignmentScore(points, degrees, reach, bins);
      if (score > bestScore) {
        bestScore = score;
        best = degrees;
      }
    }
    return best;
  };
  const double coarse = bestIn(-45.0, 44.5, 0.5);
  double fine = bestIn(coarse - 0.5, coarse + 0.5, 0.05);
  // Least squares refine within the search's step; beyond it they followed something else.
  const double correction = FittedCorrection(points, fine, reach);
  if (std::abs(correction) <= 0.05) fine += correction;
  // Keep within [-45, 45): a page turned by 45 degrees either way is the same.
  return fine >= 45.0 ? fine - 90.0 : (fine < -45.0 ? fine + 90.0 : fine);
}

Rect StraightenedPageRect(const PageMask& mask, double turn) {
  if (!mask.found) return {0, 0, mask.width, mask.height};
  // A point at offset (dx, dy) from the centre lands at
  // (dx cos t - dy sin t, dx sin t + dy cos t) when turned clockwise by t.
  const double radians = turn * std::numbers::pi / 180.0;
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  const double cx = mask.width / 2.0;
  const double cy = mask.height / 2.0;
  std::vector<int> columns(static_cast<std::size_t>(mask.width), 0);
  std::vector<int> rows(static_cast<std::size_t>(mask.height), 0);
  for (int y = 0; y < mask.height; ++y) {
    const double dy = y + 0.5 - cy;
    for (int x = 0; x < mask.width; ++x) {
      if (!mask.At(x, y)) continue;
      const double dx = x + 0.5 - cx;
      const double u = dx * c - dy * s + cx;
      const double v = dx * s + dy * c + cy;
      if (u >= 0 && u < mask.width) ++columns[static_cast<std::size_t>(u)];
      if (v >= 0 && v < mask.height) ++rows[static_cast<std::size_t>(v)];
    }
  }
  const auto [left, right] = SpanAbove(columns, HalfTypical(columns));
  const auto [top, bottom] = SpanAbove(rows, HalfTypical(rows));
  if (left >= right || top >= bottom) return {0, 0, mask.width, mask.height};
  return {left, top, right, bottom};
}

}  // namespace imaging::correction::detail
