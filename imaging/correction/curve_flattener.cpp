// Curve flattening. An open book's lines bend towards the gutter; here the
// bend is followed by how far the row profile of ink moves from one strip
// of columns to the next, and undone by shifting each column vertically.
// The shift of a column is one offset for the upper half of the text and
// one for the lower half, interpolated linearly between them, so a bend
// that grows from the middle of the page towards its top and bottom is
// straightened as well as one that moves all lines alike. Sideways
// stretching (the foreshortening near the gutter) is not undone.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "imaging/correction/page_steps.h"

namespace imaging::correction::detail {

namespace {

constexpr int kStrips = 32;
constexpr int kMinStripWidth = 12;
constexpr int kMinStrips = 6;
// A strip follows its neighbour only when their profiles agree this well.
constexpr double kMinAgreement = 0.5;

using Profile = std::vector<double>;

// The best vertical offset of `next` against `previous` (how far its lines
// lie lower) within ±reach, to a fraction of a pixel; NaN when the two
// profiles do not agree.
double ProfileOffset(const Profile& previous, const Profile& next, int reach) {
  const int n = static_cast<int>(previous.size());
  double bestScore = -1;
  int best = 0;
  std::vector<double> scores(static_cast<std::size_t>(2 * reach + 1), 0.0);
  double energyA = 0, energyB = 0;
  for (int y = 0; y < n; ++y) {
    energyA += previous[static_cast<std::size_t>(y)] * previous[static_cast<std::size_t>(y)];
    energyB += next[static_cast<std::size_t>(y)] * next[static_cast<std::size_t>(y)];
  }
  if (energyA <= 0 || energyB <= 0) return NAN;
  for (int shift = -reach; shift <= reach; ++shift) {
    double score = 0;
    for (int y = std::max(0, -shift); y < std::min(n, n - shift); ++y) {
      score += previous[static_cast<std::size_t>(y)] * next[static_cast<std::size_t>(y + shift)];
    }
    scores[static_cast<std::size_t>(shift + reach)] = score;
    if (score > bestScore) {
      bestScore = score;
      best = shift;
    }
  }
  if (bestScore < kMinAgreement * std::sqrt(energyA * energyB)) return NAN;
  double fraction = 0;
  if (best > -reach && best < reach) {
    const double a = scores[static_cast<std::size_t>(best + reach - 1)];
    const double b = scores[static_cast<std::size_t>(best + reach)];
    const double c = scores[static_cast<std::size_t>(best + reach + 1)];
    const double curvature = a - 2 * b + c;
    if (curvature < 0) fraction = std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5);
  }
  return best + fraction;
}

// Offsets of every strip from the strip with the most ink, each found
// against the nearest strip towards it that could be followed. `valid`
// marks the strips that could.
std::vector<double> StripOffsets(const std::vector<Profile>& profiles, int reach, std::vector<bool>& valid) {
  const std::size_t n = profiles.size();
  std::vector<double> offsets(n, 0.0);
  valid.assign(n, false);
  std::size_t reference = 0;
  double most = -1;
  for (std::size_t s = 0; s < n; ++s) {
    double ink = 0;
    for (double v : profiles[s]) ink += v;
    if (ink > most) {
      most = ink;
      reference = s;
    }
  }
  if (most <= 0) return offsets;
  valid[reference] = true;
  for (int direction : {1, -1}) {
    std::size_t anchor = reference;
    for (auto s = static_cast<std::ptrdiff_t>(reference) + direction; s >= 0 && s < static_cast<std::ptrdiff_t>(n);
         s += direction) {
      const auto strip = static_cast<std::size_t>(s);
      const double offset = ProfileOffset(profiles[anchor], profiles[strip], reach);
      if (std::isnan(offset)) continue;
      offsets[strip] = offsets[anchor] + offset;
      valid[strip] = true;
      anchor = strip;
    }
  }
  return offsets;
}

// The least-squares cubic through the valid (x, offset) pairs, x scaled to
// [-1, 1]; coefficients from the constant up. Degree drops with few points.
std::array<double, 4> FitCubic(const std::vector<double>& xs, const std::vector<double>& offsets,
                               const std::vector<bool>& valid) {
  std::array<std::array<double, 5>, 4> system{};
  for (std::size_t i = 0; i < xs.size(); ++i) {
    if (!valid[i]) continue;
    std::array<double, 4> powers{1, xs[i], xs[i] * xs[i], xs[i] * xs[i] * xs[i]};
    for (std::size_t r = 0; r < 4; ++r) {
      for (std::size_t c = 0; c < 4; ++c) system[r][c] += powers[r] * powers[c];
      system[r][4] += powers[r] * offsets[i];
    }
  }
  // Gaussian elimination with partial pivoting; a vanishing pivot drops the term.
  std::array<double, 4> solution{};
  for (std::size_t col = 0; col < 4; ++col) {
    std::size_t pivot = col;
    for (std::size_t r = col + 1; r < 4; ++r) {
      if (std::abs(system[r][col]) > std::abs(system[pivot][col])) pivot = r;
    }
    std::swap(system[col], system[pivot]);
    if (std::abs(system[col][col]) < 1e-9) continue;
    for (std::size_t r = 0; r < 4; ++r) {
      if (r == col) continue;
      const double factor = system[r][col] / system[col][col];
      for (std::size_t c = col; c < 5; ++c) system[r][c] -= factor * system[col][c];
    }
  }
  for (std::size_t r = 0; r < 4; ++r) {
    solution[r] = std::abs(system[r][r]) < 1e-9 ? 0.0 : system[r][4] / system[r][r];
  }
  return solution;
}

double Evaluate(const std::array<double, 4>& cubic, double x) {
  return cubic[0] + x * (cubic[1] + x * (cubic[2] + x * cubic[3]));
}

}  // namespace

bool FlattenLines(Picture& picture, const GreyMap& grey, const PageMask& mask, Rect area) {
  const int w = area.right - area.left;
  const int stripWidth = std::max(kMinStripWidth, w / kStrips);
  const int strips = w / stripWidth;
  if (strips < kMinStrips || area.bottom - area.top < 32) return false;
  const int inkLevel = InkLevel(mask);

  // The text's rows, split into an upper and a lower half.
  int textTop = -1;
  int textBottom = -1;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (grey.At(x, y) < inkLevel) {
        if (textTop < 0) textTop = y;
        textBottom = y + 1;
        break;
      }
    }
  }
  if (textTop < 0 || textBottom - textTop < 32) return false;
  const int middle = (textTop + textBottom) / 2;
  const int reach = std::max(4, stripWidth / 2);

  std::vector<double> centres(static_cast<std::size_t>(strips));
  for (int s = 0; s < strips; ++s) {
    centres[static_cast<std::size_t>(s)] = ((s + 0.5) * stripWidth) / w * 2.0 - 1.0;
  }
  std::array<std::array<double, 4>, 2> fits{};
  double largest = 0;
  for (int half = 0; half < 2; ++half) {
    const int top = half == 0 ? textTop : middle;
    const int bottom = half == 0 ? middle : textBottom;
    std::vector<Profile> profiles(static_cast<std::size_t>(strips),
                                  Profile(static_cast<std::size_t>(bottom - top), 0.0));
    for (int y = top; y < bottom; ++y) {
      for (int x = area.left; x < area.left + strips * stripWidth; ++x) {
        if (grey.At(x, y) < inkLevel)
          profiles[static_cast<std::size_t>((x - area.left) / stripWidth)][static_cast<std::size_t>(y - top)] += 1;
      }
    }
    // Correlate around each profile's mean, so that blank rows weigh nothing.
    for (Profile& profile : profiles) {
      double mean = 0;
      for (double v : profile) mean += v;
      mean /= static_cast<double>(profile.size());
      for (double& v : profile) v -= mean;
    }
    std::vector<bool> valid;
    const std::vector<double> offsets = StripOffsets(profiles, reach, valid);
    if (std::count(valid.begin(), valid.end(), true) < kMinStrips) return false;
    fits[static_cast<std::size_t>(half)] = FitCubic(centres, offsets, valid);
    for (double x : centres) largest = std::max(largest, std::abs(Evaluate(fits[static_cast<std::size_t>(half)], x)));
  }
  if (largest < 0.5) return false;

  // Each target pixel takes the source pixel its column's offset points at,
  // blended between the two rows around it; rows outside the area clamp.
  const Picture source = picture;
  const double upperRow = (textTop + middle) / 2.0;
  const double lowerRow = (middle + textBottom) / 2.0;
  std::vector<double> upper(static_cast<std::size_t>(w)), lower(static_cast<std::size_t>(w));
  for (int x = 0; x < w; ++x) {
    const double at = (x + 0.5) / w * 2.0 - 1.0;
    upper[static_cast<std::size_t>(x)] = Evaluate(fits[0], at);
    lower[static_cast<std::size_t>(x)] = Evaluate(fits[1], at);
  }
  const int height = picture.Height();
  for (int y = area.top; y < area.bottom; ++y) {
    const double t = (y - upperRow) / (lowerRow - upperRow);
    std::uint8_t* out = picture.Row(height - 1 - y);
    for (int x = 0; x < w; ++x) {
      const double u = upper[static_cast<std::size_t>(x)];
      const double from = std::clamp(y + u + (lower[static_cast<std::size_t>(x)] - u) * t,
                                     static_cast<double>(area.top), static_cast<double>(area.bottom - 1));
      const int y0 = static_cast<int>(from);
      const int y1 = std::min(y0 + 1, area.bottom - 1);
      const auto weight = static_cast<int>((from - y0) * 256);
      const std::uint8_t* a = source.Row(height - 1 - y0) + 3 * static_cast<std::ptrdiff_t>(area.left + x);
      const std::uint8_t* b = source.Row(height - 1 - y1) + 3 * static_cast<std::ptrdiff_t>(area.left + x);
      std::uint8_t* p = out + 3 * static_cast<std::ptrdiff_t>(area.left + x);
      for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>((a[c] * (256 - weight) + b[c] * weight + 128) >> 8);
    }
  }
  return true;
}

}  // namespace imaging::correction::detail
