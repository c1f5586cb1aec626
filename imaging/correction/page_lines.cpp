#include "imaging/correction/page_lines.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "imaging/correction/colour_rows.h"

namespace imaging::correction::detail {

namespace {

// Directions of the line search: normals in half-degree steps over half a turn.
constexpr int kDirections = 360;
constexpr double kDirectionStep = std::numbers::pi / kDirections;
// An edge point votes for the directions within 4 degrees of its own.
constexpr int kVoteSpread = 8;
// Lines closer than this in direction (steps) and offset (pixels) are twins.
constexpr int kTwinDirections = 4;
constexpr double kTwinOffset = 3.0;
// A peak outvotes the cells within this many directions and offsets.
constexpr int kPeakDirections = 4;
constexpr int kPeakOffsets = 2;
// The strongest lines of votes that are examined for the sides they bear.
constexpr int kMaxCandidates = 64;
// An edge point belongs to a line within this distance and angle.
constexpr double kOnLine = 1.5;
const double kOnLineCosine = std::cos(8.0 * std::numbers::pi / 180.0);
// The bands either side of a line whose lightness is compared.
constexpr int kBandNear = 2;
constexpr int kBandFar = 6;

std::vector<int> Prefix(const std::vector<std::uint8_t>& marks) {
  std::vector<int> prefix(marks.size() + 1, 0);
  for (std::size_t i = 0; i < marks.size(); ++i) prefix[i + 1] = prefix[i] + marks[i];
  return prefix;
}

struct Marks {
  std::vector<std::uint8_t> plus, minus;
};

// Marks the bins along `line` that hold edge points lighter on the +n side
// and those lighter on the -n side, each widened by a bin either way so
// that the steps of a slanting chain of pixels leave no gaps.
Marks MarkEdges(const PageLine& line, const std::vector<EdgePoint>& points, std::size_t bins) {
  std::vector<std::uint8_t> plus(bins, 0), minus(bins, 0);
  for (const EdgePoint& p : points) {
    if (std::abs(line.nx * p.x + line.ny * p.y - line.offset) > kOnLine) continue;
    const double along = p.gx * line.nx + p.gy * line.ny;
    if (along * along < kOnLineCosine * kOnLineCosine * (p.gx * p.gx + p.gy * p.gy)) continue;
    std::vector<std::uint8_t>& marks = along > 0 ? plus : minus;
    const double t = -line.ny * p.x + line.nx * p.y;
    const int bin = static_cast<int>(std::floor(t)) - line.firstBin;
    for (int b = bin - 1; b <= bin + 1; ++b) {
      if (b >= 0 && b < static_cast<int>(bins)) marks[static_cast<std::size_t>(b)] = 1;
    }
  }
  return {std::move(plus), std::move(minus)};
}

// Marks the bins along `line` where the mean lightness of the band on the
// +n side and on the -n side differ by `minStep` or more.
Marks MarkSteps(const PageLine& line, const LightnessField& field, std::size_t bins, float minStep) {
  std::vector<std::uint8_t> plus(bins, 0), minus(bins, 0);
  for (std::size_t b = 0; b < bins; ++b) {
    const double t = line.firstBin + static_cast<double>(b) + 0.5;
    const double x0 = line.offset * line.nx - t * line.ny;
    const double y0 = line.offset * line.ny + t * line.nx;
    double sumPlus = 0, sumMinus = 0;
    bool usable = true;
    for (int d = kBandNear; d <= kBandFar && usable; ++d) {
      const double xp = x0 + d * line.nx, yp = y0 + d * line.ny;
      const double xm = x0 - d * line.nx, ym = y0 - d * line.ny;
      usable = field.Inside(xp, yp) && field.Inside(xm, ym) &&
               !field.Fill(static_cast<int>(std::lround(xp)), static_cast<int>(std::lround(yp))) &&
               !field.Fill(static_cast<int>(std::lround(xm)), static_cast<int>(std::lround(ym)));
      if (usable) {
        sumPlus += field.Sample(xp, yp);
        sumMinus += field.Sample(xm, ym);
      }
    }
    if (!usable) continue;
    const double step = (sumPlus - sumMinus) / (kBandFar - kBandNear + 1);
    plus[b] = step >= minStep;
    minus[b] = step <= -minStep;
  }
  return {std::move(plus), std::move(minus)};
}

// Bins with both an edge point and a step, lighter on the same side.
void MarkSides(PageLine& line, const LightnessField& field, const std::vector<EdgePoint>& points, std::size_t bins,
               float minStep) {
  Marks edges = MarkEdges(line, points, bins);
  const Marks steps = MarkSteps(line, field, bins, minStep);
  for (std::size_t b = 0; b < bins; ++b) {
    edges.plus[b] &= steps.plus[b];
    edges.minus[b] &= steps.minus[b];
  }
  line.sidePlus = Prefix(edges.plus);
  line.sideMinus = Prefix(edges.minus);
}

struct Peak {
  int direction;
  int offsetBin;
  int votes;
};

}  // namespace

float LightnessField::Sample(double x, double y) const {
  x = std::clamp(x, 0.0, static_cast<double>(width - 1));
  y = std::clamp(y, 0.0, static_cast<double>(height - 1));
  const int x0 = std::min(static_cast<int>(x), width - 2 < 0 ? 0 : width - 2);
  const int y0 = std::min(static_cast<int>(y), height - 2 < 0 ? 0 : height - 2);
  const int x1 = std::min(x0 + 1, width - 1);
  const int y1 = std::min(y0 + 1, height - 1);
  const auto fx = static_cast<float>(x - x0);
  const auto fy = static_cast<float>(y - y0);
  const float top = At(x0, y0) + (At(x1, y0) - At(x0, y0)) * fx;
  const float bottom = At(x0, y1) + (At(x1, y1) - At(x0, y1)) * fx;
  return top + (bottom - top) * fy;
}

LightnessField LightnessOf(const Picture& input, int scale, Tone tone) {
  Picture storage;
  const Picture& picture = AsColour(input, storage);
  LightnessField field;
  field.scale = std::max(1, scale);
  field.tone = tone;
  field.width = picture.Width() / field.scale;
  field.height = picture.Height() / field.scale;
  if (field.width < 1 || field.height < 1) return LightnessField{};
  const std::size_t size = static_cast<std::size_t>(field.width) * static_cast<std::size_t>(field.height);
  field.values.assign(size, 0.0f);
  std::vector<std::uint8_t> black(size, 0);
  const int s = field.scale;
  const float perPixel = 1.0f / (1000.0f * static_cast<float>(s * s));
  for (int y = 0; y < field.height * s; ++y) {
    const std::uint8_t* row = picture.Row(picture.Height() - 1 - y);
    const std::size_t base = static_cast<std::size_t>(y / s) * static_cast<std::size_t>(field.width);
    for (int x = 0; x < field.width * s; ++x) {
      const std::uint8_t* pixel = row + 3 * static_cast<std::ptrdiff_t>(x);
      const std::size_t at = base + static_cast<std::size_t>(x / s);
      const int value = tone == Tone::Lightness ? Lightness1000(pixel) : 128000 + 2000 * (pixel[0] - pixel[2]);
      field.values[at] += static_cast<float>(value) * perPixel;
      if ((pixel[0] | pixel[1] | pixel[2]) == 0) black[at] = 1;
    }
  }
  field.fill.assign(size, 0);
  for (int y = 0; y < field.height; ++y) {
    for (int x = 0; x < field.width; ++x) {
      if (!black[field.Index(x, y)]) continue;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (nx >= 0 && ny >= 0 && nx < field.width && ny < field.height) field.fill[field.Index(nx, ny)] = 1;
        }
      }
    }
  }
  return field;
}

namespace {

// The field smoothed by the binomial kernel 1 4 6 4 1 across and down
// (about a pixel of Gaussian blur), which steadies the gradient's direction
// along a stepped or noisy edge.
std::vector<float> Smoothed(const LightnessField& field) {
  const int w = field.width, h = field.height;
  std::vector<float> across(field.values.size()), both(field.values.size());
  auto clampedX = [&](int x) { return std::clamp(x, 0, w - 1); };
  auto clampedY = [&](int y) { return std::clamp(y, 0, h - 1); };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      across[field.Index(x, y)] =
          (field.At(clampedX(x - 2), y) + 4 * field.At(clampedX(x - 1), y) + 6 * field.At(x, y) +
           4 * field.At(clampedX(x + 1), y) + field.At(clampedX(x + 2), y)) /
          16;
    }
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      both[field.Index(x, y)] = (across[field.Index(x, clampedY(y - 2))] + 4 * across[field.Index(x, clampedY(y - 1))] +
                                 6 * across[field.Index(x, y)] + 4 * across[field.Index(x, clampedY(y + 1))] +
                                 across[field.Index(x, clampedY(y + 2))]) /
                                16;
    }
  }
  return both;
}

}  // namespace

std::vector<EdgePoint> EdgePointsOf(const LightnessField& field, float minGradient) {
  const int w = field.width, h = field.height;
  std::vector<EdgePoint> points;
  if (w < 5 || h < 5) return points;
  const std::vector<float> smooth = Smoothed(field);
  auto at = [&](int x, int y) { return smooth[field.Index(x, y)]; };
  std::vector<float> gx(field.values.size(), 0.0f), gy(field.values.size(), 0.0f), magnitude(field.values.size(), 0);
  for (int y = 1; y + 1 < h; ++y) {
    for (int x = 1; x + 1 < w; ++x) {
      const float a = at(x - 1, y - 1), b = at(x, y - 1), c = at(x + 1, y - 1);
      const float d = at(x - 1, y), f = at(x + 1, y);
      const float g = at(x - 1, y + 1), k = at(x, y + 1), m = at(x + 1, y + 1);
      const std::size_t at = field.Index(x, y);
      gx[at] = ((c + 2 * f + m) - (a + 2 * d + g)) / 8.0f;
      gy[at] = ((g + 2 * k + m) - (a + 2 * b + c)) / 8.0f;
      magnitude[at] = std::sqrt(gx[at] * gx[at] + gy[at] * gy[at]);
    }
  }
  for (int y = 2; y + 2 < h; ++y) {
    for (int x = 2; x + 2 < w; ++x) {
      const std::size_t at = field.Index(x, y);
      const float m0 = magnitude[at];
      if (m0 < minGradient || field.fill[at]) continue;
      // The neighbour across the edge: the gradient's direction rounded to
      // one of eight (tan 22.5 degrees = 0.4142).
      const float ax = std::abs(gx[at]), ay = std::abs(gy[at]);
      const int sx = ax < 0.4142f * ay ? 0 : (gx[at] < 0 ? -1 : 1);
      const int sy = ay < 0.4142f * ax ? 0 : (gy[at] < 0 ? -1 : 1);
      const float before = magnitude[field.Index(x - sx, y - sy)];
      const float after = magnitude[field.Index(x + sx, y + sy)];
      if (m0 < before || m0 <= after) continue;
      const float curvature = before - 2 * m0 + after;
      const float shift = curvature < 0 ? std::clamp(0.5f * (before - after) / curvature, -0.5f, 0.5f) : 0.0f;
      points.push_back({static_cast<float>(x) + shift * static_cast<float>(sx),
                        static_cast<float>(y) + shift * static_cast<float>(sy), gx[at], gy[at]});
    }
  }
  return points;
}

std::vector<EdgePoint> EdgePointsWithin(const LightnessField& field, float minGradient, Rect window) {
  window = {std::max(window.left, 0), std::max(window.top, 0), std::min(window.right, field.width),
            std::min(window.bottom, field.height)};
  if (window.right - window.left < 5 || window.bottom - window.top < 5) return {};
  LightnessField part;
  part.width = window.right - window.left;
  part.height = window.bottom - window.top;
  part.scale = field.scale;
  part.tone = field.tone;
  const std::size_t size = static_cast<std::size_t>(part.width) * static_cast<std::size_t>(part.height);
  part.values.resize(size);
  part.fill.resize(size);
  for (int y = 0; y < part.height; ++y) {
    const std::size_t from = field.Index(window.left, window.top + y);
    std::copy_n(field.values.begin() + static_cast<std::ptrdiff_t>(from), part.width,
                part.values.begin() + static_cast<std::ptrdiff_t>(part.Index(0, y)));
    std::copy_n(field.fill.begin() + static_cast<std::ptrdiff_t>(from), part.width,
                part.fill.begin() + static_cast<std::ptrdiff_t>(part.Index(0, y)));
  }
  std::vector<EdgePoint> points = EdgePointsOf(part, minGradient);
  for (EdgePoint& p : points) {
    p.x += static_cast<float>(window.left);
    p.y += static_cast<float>(window.top);
  }
  return points;
}

int PageLine::Count(const std::vector<int>& prefix, int firstBin, double from, double to) {
  if (prefix.size() < 2 || to <= from) return 0;
  const int last = static_cast<int>(prefix.size()) - 1;
  const int a = std::clamp(static_cast<int>(std::floor(from)) - firstBin, 0, last);
  const int b = std::clamp(static_cast<int>(std::ceil(to)) - firstBin, 0, last);
  return prefix[static_cast<std::size_t>(b)] - prefix[static_cast<std::size_t>(a)];
}

std::vector<PageLine> FindPageLines(const LightnessField& field, const std::vector<EdgePoint>& points, int minVotes,
                                    int maxLines, float minStep) {
  std::vector<PageLine> lines;
  if (field.width < 5 || field.height < 5 || points.empty()) return lines;
  const double cx = field.width / 2.0, cy = field.height / 2.0;
  const int reach = static_cast<int>(std::ceil(std::hypot(cx, cy))) + 2;
  const int offsets = 2 * reach + 1;
  std::vector<double> cosines(kDirections), sines(kDirections);
  for (int i = 0; i < kDirections; ++i) {
    cosines[static_cast<std::size_t>(i)] = std::cos(i * kDirectionStep);
    sines[static_cast<std::size_t>(i)] = std::sin(i * kDirectionStep);
  }
  std::vector<int> votes(static_cast<std::size_t>(kDirections) * static_cast<std::size_t>(offsets), 0);
  for (const EdgePoint& p : points) {
    double own = std::atan2(p.gy, p.gx);
    if (own < 0) own += std::numbers::pi;
    const int centre = static_cast<int>(std::lround(own / kDirectionStep));
    for (int k = centre - kVoteSpread; k <= centre + kVoteSpread; ++k) {
      const int i = ((k % kDirections) + kDirections) % kDirections;
      const double rho =
          (p.x - cx) * cosines[static_cast<std::size_t>(i)] + (p.y - cy) * sines[static_cast<std::size_t>(i)];
      const int bin = static_cast<int>(std::lround(rho)) + reach;
      if (bin >= 0 && bin < offsets) ++votes[static_cast<std::size_t>(i) * static_cast<std::size_t>(offsets) + bin];
    }
  }
  // Peaks: cells that no cell near them in direction and offset outvotes
  // (the earlier cell wins a tie), so that a curve's ridge of votes gives
  // few lines.
  auto cell = [&](int i, int r) {
    if (i < 0 || i >= kDirections) {  // across the half turn the offset changes sign
      i = (i + kDirections) % kDirections;
      r = 2 * reach - r;
    }
    return r < 0 || r >= offsets ? 0 : votes[static_cast<std::size_t>(i) * static_cast<std::size_t>(offsets) + r];
  };
  std::vector<Peak> peaks;
  for (int i = 0; i < kDirections; ++i) {
    for (int r = 0; r < offsets; ++r) {
      const int v = votes[static_cast<std::size_t>(i) * static_cast<std::size_t>(offsets) + r];
      // Half the votes: a side broken by a cable or a pen, or bending a
      // little in perspective, spreads its votes over neighbouring cells;
      // its marks are counted along the whole line below.
      if (v < minVotes / 2) continue;
      bool peak = true;
      for (int di = -kPeakDirections; di <= kPeakDirections && peak; ++di) {
        for (int dr = -kPeakOffsets; dr <= kPeakOffsets && peak; ++dr) {
          const int other = cell(i + di, r + dr);
          const bool earlier = di < 0 || (di == 0 && dr < 0);
          peak = other < v || (other == v && !earlier) || (di == 0 && dr == 0);
        }
      }
      if (peak) peaks.push_back({i, r, v});
    }
  }
  std::sort(peaks.begin(), peaks.end(), [](const Peak& a, const Peak& b) { return a.votes > b.votes; });
  std::vector<Peak> kept;
  for (const Peak& peak : peaks) {
    if (static_cast<int>(kept.size()) >= kMaxCandidates) break;
    const bool twin = std::any_of(kept.begin(), kept.end(), [&](const Peak& other) {
      int apart = std::abs(peak.direction - other.direction);
      double offsetApart = std::abs(peak.offsetBin - other.offsetBin);
      if (apart > kDirections / 2) {  // across the half turn the offset changes sign
        apart = kDirections - apart;
        offsetApart = std::abs((peak.offsetBin - reach) + (other.offsetBin - reach));
      }
      return apart <= kTwinDirections && offsetApart <= kTwinOffset;
    });
    if (!twin) kept.push_back(peak);
  }
  const double corners[4][2] = {
      {0, 0}, {field.width - 1.0, 0}, {0, field.height - 1.0}, {field.width - 1.0, field.height - 1.0}};
  for (const Peak& peak : kept) {
    PageLine line;
    line.nx = cosines[static_cast<std::size_t>(peak.direction)];
    line.ny = sines[static_cast<std::size_t>(peak.direction)];
    line.offset = (peak.offsetBin - reach) + line.nx * cx + line.ny * cy;
    double low = 1e9, high = -1e9;
    for (const auto& corner : corners) {
      const double t = -line.ny * corner[0] + line.nx * corner[1];
      low = std::min(low, t);
      high = std::max(high, t);
    }
    line.firstBin = static_cast<int>(std::floor(low));
    const auto bins = static_cast<std::size_t>(std::ceil(high) - line.firstBin + 1);
    MarkSides(line, field, points, bins, minStep);
    if (std::max(line.sidePlus.back(), line.sideMinus.back()) >= minVotes) lines.push_back(std::move(line));
  }
  // The lines that bear out a page's side best.
  std::stable_sort(lines.begin(), lines.end(), [](const PageLine& a, const PageLine& b) {
    return std::max(a.sidePlus.back(), a.sideMinus.back()) > std::max(b.sidePlus.back(), b.sideMinus.back());
  });
  if (static_cast<int>(lines.size()) > maxLines) lines.resize(static_cast<std::size_t>(maxLines));
  return lines;
}

std::vector<PageLine> BorderLines(const LightnessField& field) {
  const double right = field.width - 1.0, bottom = field.height - 1.0;
  std::vector<PageLine> borders(4);
  borders[0].ny = 1;
  borders[1].nx = 1, borders[1].offset = right;
  borders[2].ny = 1, borders[2].offset = bottom;
  borders[3].nx = 1;
  for (PageLine& line : borders) line.border = true;
  return borders;
}

}  // namespace imaging::correction::detail
