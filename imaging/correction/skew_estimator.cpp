// The skew estimate: a line vote (Hough transform) over the upper edges of
// dark strokes in the middle half of the picture.
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "imaging/correction/colour_rows.h"
#include "imaging/correction/correction.h"

namespace imaging::correction {

namespace {

// 0.299 R + 0.587 G + 0.114 B < 128.
constexpr int kDark1000 = 128000;
constexpr int kStrongest = 20;

struct AngleTable {
  std::array<double, kSkewAngles> cosine{};
  std::array<double, kSkewAngles> sine{};
};

AngleTable MakeAngleTable() {
  AngleTable table;
  for (int i = 0; i < kSkewAngles; ++i) {
    const double radians = (kSkewFirstAngle + kSkewAngleStep * i) * std::numbers::pi / 180.0;
    table.cosine[static_cast<std::size_t>(i)] = std::cos(radians);
    table.sine[static_cast<std::size_t>(i)] = std::sin(radians);
  }
  return table;
}

// Whether each pixel of columns [first, last] of row y is dark.
void DarkFlags(const Picture& picture, int y, int first, int last, std::vector<std::uint8_t>& flags) {
  const std::uint8_t* row = picture.Row(y);
  for (int x = first; x <= last; ++x) {
    flags[static_cast<std::size_t>(x - first)] =
        detail::Lightness1000(row + 3 * static_cast<std::ptrdiff_t>(x)) < kDark1000;
  }
}

// The mean angle of the 20 cells with the most votes. Cells are taken in
// index order; once 20 are kept, a cell replaces the weakest kept one (the
// first of equals in the list) only with strictly more votes.
double MeanOfStrongest(const std::vector<std::int32_t>& votes) {
  std::array<std::int32_t, kStrongest> kept{};
  std::array<std::size_t, kStrongest> cells{};
  int count = 0;
  int weakest = 0;
  auto findWeakest = [&] {
    weakest = 0;
    for (int j = 1; j < kStrongest; ++j) {
      if (kept[static_cast<std::size_t>(j)] < kept[static_cast<std::size_t>(weakest)]) weakest = j;
    }
  };
  for (std::size_t c = 0; c < votes.size(); ++c) {
    if (count < kStrongest) {
      kept[static_cast<std::size_t>(count)] = votes[c];
      cells[static_cast<std::size_t>(count)] = c;
      if (++count == kStrongest) findWeakest();
    } else if (votes[c] > kept[static_cast<std::size_t>(weakest)]) {
      kept[static_cast<std::size_t>(weakest)] = votes[c];
      cells[static_cast<std::size_t>(weakest)] = c;
      findWeakest();
    }
  }
  double sum = 0;
  for (int j = 0; j < count; ++j) {
    sum += kSkewFirstAngle + kSkewAngleStep * static_cast<double>(cells[static_cast<std::size_t>(j)] % kSkewAngles);
  }
  return count > 0 ? sum / count : 0.0;
}

}  // namespace

double SkewEstimator::Estimate(const Picture& input) const {
  Picture storage;
  const Picture& picture = detail::AsColour(input, storage);
  const int w = picture.Width();
  const int h = picture.Height();
  if (w < 1 || h < 3) return 0.0;

  const AngleTable table = MakeAngleTable();
  const std::size_t distances = static_cast<std::size_t>(2.0 * (w + h) / 1.0);
  std::vector<std::int32_t> votes(distances * kSkewAngles, 0);

  const int first = w / 4;
  const int last = 3 * w / 4;
  const std::size_t columns = static_cast<std::size_t>(last - first + 1);
  std::vector<std::uint8_t> dark(columns), darkAbove(columns);
  bool anyVote = false;
  DarkFlags(picture, 1, first, last, dark);
  for (int y = 1; y <= h - 2; ++y) {
    DarkFlags(picture, y + 1, first, last, darkAbove);
    for (int x = first; x <= last; ++x) {
      const std::size_t at = static_cast<std::size_t>(x - first);
      if (!dark[at] || darkAbove[at]) continue;
      anyVote = true;
      // d + W lies in (0.65 W, H + 1.26 W) for these columns and angles of
      // at most 20 degrees, always inside the 2 (W + H) bins.
      for (int i = 0; i < kSkewAngles; ++i) {
        const double d = y * table.cosine[static_cast<std::size_t>(i)] - x * table.sine[static_cast<std::size_t>(i)];
        const auto bin = static_cast<std::size_t>(d + w);
        ++votes[bin * kSkewAngles + static_cast<std::size_t>(i)];
      }
    }
    dark.swap(darkAbove);
  }
  return anyVote ? MeanOfStrongest(votes) : 0.0;
}

}  // namespace imaging::correction
