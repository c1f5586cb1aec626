// Where the page lies, what colour its paper is, and where a spread divides.
#include <algorithm>
#include <array>
#include <vector>

#include "imaging/correction/page_steps.h"

namespace imaging::correction::detail {

namespace {

// The median of each column of `area` in [from, to), with the ink count.
struct ColumnStats {
  std::vector<int> median;
  std::vector<int> ink;
};

ColumnStats StatsOf(const GreyMap& grey, Rect area, int from, int to, int inkLevel) {
  const auto columns = static_cast<std::size_t>(to - from);
  std::vector<std::array<int, 256>> histograms(columns);
  for (auto& histogram : histograms) histogram.fill(0);
  ColumnStats stats{std::vector<int>(columns, 0), std::vector<int>(columns, 0)};
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = from; x < to; ++x) {
      const std::uint8_t level = grey.At(x, y);
      ++histograms[static_cast<std::size_t>(x - from)][level];
      if (level < inkLevel) ++stats.ink[static_cast<std::size_t>(x - from)];
    }
  }
  const int half = (area.bottom - area.top + 1) / 2;
  for (std::size_t c = 0; c < columns; ++c) {
    int seen = 0;
    int level = 0;
    while (level < 255 && (seen += histograms[c][static_cast<std::size_t>(level)]) < half) ++level;
    stats.median[c] = level;
  }
  return stats;
}

// The middle of the longest run of `profile` entries for which `inRun`
// holds, and its length; length 0 when there is none.
template <class Predicate>
std::pair<int, int> LongestRun(const std::vector<int>& profile, Predicate inRun) {
  int bestStart = 0;
  int bestLength = 0;
  int start = 0;
  for (int i = 0; i <= static_cast<int>(profile.size()); ++i) {
    const bool in = i < static_cast<int>(profile.size()) && inRun(i);
    if (in) continue;
    if (i - start > bestLength) {
      bestLength = i - start;
      bestStart = start;
    }
    start = i + 1;
  }
  return {bestStart + bestLength / 2, bestLength};
}

}  // namespace

int InkLevel(const PageMask& mask) {
  const int contrast = mask.found ? mask.paperLevel - mask.deskLevel : mask.paperLevel;
  return mask.paperLevel - std::max(40, contrast / 2);
}

Rect PageArea(const PageMask& mask) {
  if (!mask.found) return {0, 0, mask.width, mask.height};
  return StraightenedPageRect(mask, 0.0);
}

Rgb PaperColour(const Picture& picture, const GreyMap& grey, const PageMask& mask, Rect area) {
  std::array<std::array<int, 256>, 3> histograms{};
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    const std::uint8_t* row = picture.Row(picture.Height() - 1 - y);
    for (int x = area.left; x < area.right; ++x) {
      if (std::abs(grey.At(x, y) - mask.paperLevel) > 24) continue;
      const std::uint8_t* pixel = row + 3 * static_cast<std::ptrdiff_t>(x);
      for (std::size_t c = 0; c < 3; ++c) ++histograms[c][pixel[c]];
      ++count;
    }
  }
  if (count == 0) return kWhite;
  std::array<std::uint8_t, 3> median{};
  for (std::size_t c = 0; c < 3; ++c) {
    int seen = 0;
    int level = 0;
    while (level < 255 && (seen += histograms[c][static_cast<std::size_t>(level)]) * 2 < count) ++level;
    median[c] = static_cast<std::uint8_t>(level);
  }
  return {median[2], median[1], median[0]};
}

int FindGutter(const GreyMap& grey, const PageMask& mask, Rect area, bool* evident) {
  *evident = false;
  const int width = area.right - area.left;
  const int middle = area.left + width / 2;
  const int from = area.left + width * 3 / 10;
  const int to = area.left + width * 7 / 10;
  if (to - from < 5 || area.bottom <= area.top) return middle;

  const ColumnStats stats = StatsOf(grey, area, from, to, InkLevel(mask));
  const std::vector<int>& medians = stats.median;
  std::vector<int> sorted = medians;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
  const int paper = sorted[sorted.size() / 2];
  // A valley of whole columns darker than the paper: its darkest run's middle.
  std::vector<int> smooth(medians.size());
  for (std::size_t i = 0; i < medians.size(); ++i) {
    const std::size_t a = i >= 2 ? i - 2 : 0;
    const std::size_t b = std::min(medians.size(), i + 3);
    int sum = 0;
    for (std::size_t j = a; j < b; ++j) sum += medians[j];
    smooth[i] = sum / static_cast<int>(b - a);
  }
  const int darkest = *std::min_element(smooth.begin(), smooth.end());
  const int depth = std::max(16, (paper - (mask.found ? mask.deskLevel : 0)) / 4);
  if (paper - darkest >= depth) {
    *evident = true;
    return from + LongestRun(smooth, [&](int i) { return smooth[static_cast<std::size_t>(i)] <= darkest + 2; }).first;
  }
  // Else the widest band without ink: the two pages' inner margins.
  const int inkFree = (area.bottom - area.top) / 500;
  const auto [centre, length] =
      LongestRun(stats.ink, [&](int i) { return stats.ink[static_cast<std::size_t>(i)] <= inkFree; });
  if (length >= std::max(3, width / 100)) {
    *evident = true;
    return from + centre;
  }
  return middle;
}

}  // namespace imaging::correction::detail
