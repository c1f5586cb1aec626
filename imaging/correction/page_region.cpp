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
