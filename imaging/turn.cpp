// Turns. Quarter turns move pixels exactly; free angles map every target
// pixel back into the source with a fixed-point walk along the row.
//
// Coordinates here are y-up (rows from the bottom), so a clockwise turn as
// displayed is the mathematically negative one: a turn by θ maps the offset
// (dx, dy) from the centre to (dx cos θ + dy sin θ, −dx sin θ + dy cos θ),
// and the source point of a target offset is found with the opposite turn.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "imaging/picture_operations.h"
#include "imaging/pixel_access.h"
#include "imaging/row_split.h"

namespace imaging {

namespace {

using detail::RawPixel;

// 32.32 fixed point: enough for sides of 2^20 with 2^-32 steps that stay
// exact to well below a pixel across a whole row.
constexpr int kFractionBits = 32;
constexpr std::int64_t kOne = std::int64_t{1} << kFractionBits;
constexpr std::int64_t kHalf = kOne / 2;

// The clockwise angle in [0, 360).
double NormalisedDegrees(double degrees) {
  double d = std::fmod(degrees, 360.0);
  if (d < 0) d += 360.0;
  return d;
}

// 0 to 3 when the angle is a whole number of quarter turns, else -1.
int QuarterTurns(double normalisedDegrees) {
  const double quarters = std::round(normalisedDegrees / 90.0);
  if (std::abs(normalisedDegrees - quarters * 90.0) > 1e-9) return -1;
  return static_cast<int>(quarters) % 4;
}

// A half turn in place: row y and row H − 1 − y trade places, each mirrored.
template <class Access>
void TurnHalfInPlace(Picture& picture) {
  const int w = picture.Width();
  const int h = picture.Height();
  std::vector<std::uint8_t> lower(picture.Stride()), upper(picture.Stride());
  for (int y = 0; y < (h + 1) / 2; ++y) {
    std::uint8_t* a = picture.Row(y);
    std::uint8_t* b = picture.Row(h - 1 - y);
    std::copy(a, a + picture.Stride(), lower.begin());
    std::copy(b, b + picture.Stride(), upper.begin());
    for (int x = 0; x < w; ++x) {
      Access::Put(a, x, Access::Get(upper.data(), w - 1 - x));
      Access::Put(b, x, Access::Get(lower.data(), w - 1 - x));
    }
  }
}

// Exact quarter turns into `out`. Target (x', y') reads source
//   1 quarter (90° clockwise):   (W − 1 − y', x')
//   3 quarters (270° clockwise): (y', H − 1 − x')
template <class Access>
void TurnQuarters(const Picture& in, Picture& out, int quarters) {
  const int w = in.Width();
  const int h = in.Height();
  // Tiles keep the source rows of one tile in cache while its columns are read.
  constexpr int kTile = 64;
  const int outW = out.Width();
  const int outH = out.Height();
  for (int ty = 0; ty < outH; ty += kTile) {
    for (int tx = 0; tx < outW; tx += kTile) {
      const int yEnd = std::min(ty + kTile, outH);
      const int xEnd = std::min(tx + kTile, outW);
      for (int y = ty; y < yEnd; ++y) {
        std::uint8_t* dst = out.Row(y);
        if (quarters == 1) {
          const int srcX = w - 1 - y;
          for (int x = tx; x < xEnd; ++x) Access::Put(dst, x, Access::Get(in.Row(x), srcX));
        } else {
          for (int x = tx; x < xEnd; ++x) Access::Put(dst, x, Access::Get(in.Row(h - 1 - x), y));
        }
      }
    }
  }
}

// The source position (less half a pixel, so that pixel centres fall on
// whole numbers) of target pixel (0, y) and its step per target column.
struct SourceWalk {
  std::int64_t x = 0;
  std::int64_t y = 0;
  std::int64_t stepX = 0;
  std::int64_t stepY = 0;
};

class TurnGeometry {
 public:
  TurnGeometry(const Picture& in, int outWidth, int outHeight, double clockwiseDegrees)
      : inCentreX_(in.Width() / 2.0),
        inCentreY_(in.Height() / 2.0),
        outCentreX_(outWidth / 2.0),
        outCentreY_(outHeight / 2.0),
        cos_(std::cos(clockwiseDegrees * std::numbers::pi / 180.0)),
        sin_(std::sin(clockwiseDegrees * std::numbers::pi / 180.0)) {}

  SourceWalk Row(int y) const {
    const double dx = 0.5 - outCentreX_;
    const double dy = y + 0.5 - outCentreY_;
    const double sx = inCentreX_ + dx * cos_ - dy * sin_ - 0.5;
    const double sy = inCentreY_ + dx * sin_ + dy * cos_ - 0.5;
    return {Fixed(sx), Fixed(sy), Fixed(cos_), Fixed(sin_)};
  }

 private:
  static std::int64_t Fixed(double v) { return std::llround(v * static_cast<double>(kOne)); }

  double inCentreX_, inCentreY_, outCentreX_, outCentreY_, cos_, sin_;
};

// The source pixel nearest to a walk position, or -1 outside [0, size).
inline int NearestIndex(std::int64_t position, int size) {
  const std::int64_t index = (position + kHalf) >> kFractionBits;
  return index >= 0 && index < size ? static_cast<int>(index) : -1;
}

// Nearest-pixel rendering of a free-angle turn into `out`; uncovered pixels take `fill`.
template <class Access>
void RenderNearestRows(const Picture& in, Picture& out, const TurnGeometry& geometry, RawPixel fill, int yBegin,
                       int yEnd) {
  for (int y = yBegin; y < yEnd; ++y) {
    SourceWalk walk = geometry.Row(y);
    std::uint8_t* dst = out.Row(y);
    for (int x = 0; x < out.Width(); ++x, walk.x += walk.stepX, walk.y += walk.stepY) {
      const int sx = NearestIndex(walk.x, in.Width());
      const int sy = NearestIndex(walk.y, in.Height());
      Access::Put(dst, x, sx >= 0 && sy >= 0 ? Access::Get(in.Row(sy), sx) : fill);
    }
  }
}

// The rows of a nearest-pixel turn, split between two threads where that pays.
template <class Access>
void RenderNearest(const Picture& in, Picture& out, const TurnGeometry& geometry, RawPixel fill) {
  detail::SplitRows(out.Height(), static_cast<std::size_t>(out.Width()) * static_cast<std::size_t>(out.Height()),
                    [&](int yBegin, int yEnd) { RenderNearestRows<Access>(in, out, geometry, fill, yBegin, yEnd); });
}

// Bilinear rendering for pictures of `Channels` bytes per pixel whose byte
// values are intensities (24-bit colour, 8-bit grey). Weights are 8-bit.
// Uncovered pixels take `fill`.
template <int Channels>
void RenderBilinearRows(const Picture& in, Picture& out, const TurnGeometry& geometry, RawPixel fill, int yBegin,
                        int yEnd) {
  const int w = in.Width();
  const int h = in.Height();
  for (int y = yBegin; y < yEnd; ++y) {
    SourceWalk walk = geometry.Row(y);
    std::uint8_t* dst = out.Row(y);
    for (int x = 0; x < out.Width(); ++x, walk.x += walk.stepX, walk.y += walk.stepY) {
      std::uint8_t* p = dst + x * Channels;
      if (NearestIndex(walk.x, w) < 0 || NearestIndex(walk.y, h) < 0) {
        for (int c = 0; c < Channels; ++c) p[c] = static_cast<std::uint8_t>(fill >> (8 * c));
        continue;
      }
      // Positions rounded to 1/256 of a pixel: a position a hair below a
      // pixel centre takes that pixel alone, so quarter turns stay exact.
      const std::int64_t px = (walk.x + (kOne >> 9)) >> (kFractionBits - 8);
      const std::int64_t py = (walk.y + (kOne >> 9)) >> (kFractionBits - 8);
      const auto x0 = static_cast<int>(px >> 8);
      const auto y0 = static_cast<int>(py >> 8);
      const auto fx = static_cast<std::uint32_t>(px & 0xFF);
      const auto fy = static_cast<std::uint32_t>(py & 0xFF);
      // Within half a pixel of an edge the neighbour beyond it is the edge pixel itself.
      const int xa = std::max(x0, 0) * Channels;
      const int xb = std::min(x0 + 1, w - 1) * Channels;
      const std::uint8_t* rowA = in.Row(std::max(y0, 0));
      const std::uint8_t* rowB = in.Row(std::min(y0 + 1, h - 1));
      const std::uint32_t wAA = (256 - fx) * (256 - fy);
      const std::uint32_t wBA = fx * (256 - fy);
      const std::uint32_t wAB = (256 - fx) * fy;
      const std::uint32_t wBB = fx * fy;
      for (int c = 0; c < Channels; ++c) {
        const std::uint32_t sum = rowA[xa + c] * wAA + rowA[xb + c] * wBA + rowB[xa + c] * wAB + rowB[xb + c] * wBB;
        p[c] = static_cast<std::uint8_t>((sum + 32768) >> 16);
      }
    }
  }
}

// The rows of a bilinear turn, split between two threads where that pays.
template <int Channels>
void RenderBilinear(const Picture& in, Picture& out, const TurnGeometry& geometry, RawPixel fill) {
  detail::SplitRows(out.Height(), static_cast<std::size_t>(out.Width()) * static_cast<std::size_t>(out.Height()),
                    [&](int yBegin, int yEnd) { RenderBilinearRows<Channels>(in, out, geometry, fill, yBegin, yEnd); });
}

// One side of a turned picture's bounding box, a + b rounded up; the small
// tolerance keeps sums that are whole in exact arithmetic from growing a pixel.
int GrownSide(double a, double b) { return static_cast<int>(std::ceil(a + b - 1e-6)); }

}  // namespace

void TurnNearest(Picture& picture, double degrees) {
  if (picture.Empty()) return;
  const double clockwise = NormalisedDegrees(degrees);
  const int quarters = QuarterTurns(clockwise);
  if (quarters == 0) return;
  if (quarters == 2) {
    detail::WithDepth(picture.BitsPerPixel(), [&](auto access) { TurnHalfInPlace<decltype(access)>(picture); });
    return;
  }
  if (quarters > 0) {
    Picture turned = picture.BlankLike(picture.Height(), picture.Width());
    detail::WithDepth(picture.BitsPerPixel(),
                      [&](auto access) { TurnQuarters<decltype(access)>(picture, turned, quarters); });
    picture = std::move(turned);
    return;
  }
  const double radians = clockwise * std::numbers::pi / 180.0;
  const double c = std::abs(std::cos(radians));
  const double s = std::abs(std::sin(radians));
  Picture turned = picture.BlankLike(GrownSide(picture.Width() * c, picture.Height() * s),
                                     GrownSide(picture.Width() * s, picture.Height() * c));
  if (turned.Empty()) return;
  const TurnGeometry geometry(picture, turned.Width(), turned.Height(), clockwise);
  const RawPixel white = detail::RawValueOf(turned, kWhite);
  detail::WithDepth(picture.BitsPerPixel(),
                    [&](auto access) { RenderNearest<decltype(access)>(picture, turned, geometry, white); });
  picture = std::move(turned);
}

void TurnBilinear(Picture& picture, double degrees, Rgb fill) {
  if (picture.Empty()) return;
  const double clockwise = NormalisedDegrees(degrees);
  if (QuarterTurns(clockwise) == 0) return;
  Picture turned = picture.BlankLike(picture.Width(), picture.Height());
  const TurnGeometry geometry(picture, turned.Width(), turned.Height(), clockwise);
  const RawPixel fillValue = detail::RawValueOf(turned, fill);
  if (picture.BitsPerPixel() == 24) {
    RenderBilinear<3>(picture, turned, geometry, fillValue);
  } else if (picture.HasGreyPalette()) {
    RenderBilinear<1>(picture, turned, geometry, fillValue);
  } else {
    detail::WithDepth(picture.BitsPerPixel(),
                      [&](auto access) { RenderNearest<decltype(access)>(picture, turned, geometry, fillValue); });
  }
  picture = std::move(turned);
}

void TurnLeft(Picture& picture) { TurnNearest(picture, 270.0); }

void TurnRight(Picture& picture) { TurnNearest(picture, 90.0); }

}  // namespace imaging
