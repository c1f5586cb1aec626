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
#include <cstring>
#include <numbers>
#include <vector>

#include "imaging/picture_operations.h"
#include "imaging/pixel_access.h"
#include "imaging/row_kernel_loops.h"
#include "imaging/row_split.h"

namespace imaging {

namespace {

using detail::RawPixel;

// 32.32 fixed point: enough for sides of 2^20 with 2^-32 steps that stay
// exact to well below a pixel across a whole row.
constexpr int kFractionBits = 32;
constexpr std::int64_t kOne = std::int64_t{1} << kFractionBits;
constexpr std::int64_t kHalf = kOne / 2;
// Positions rounded to 1/256 of a pixel: a position a hair below a pixel
// centre takes that pixel alone, so quarter turns stay exact.
constexpr std::int64_t kRounding = kOne >> 9;
constexpr int kFineShift = kFractionBits - 8;

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

// The target columns [begin, end) of a row, clamped to [0, width).
struct Span {
  int begin = 0;
  int end = 0;
};

// floor(a / b) and ceil(a / b) for b > 0.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

// The columns x in [0, width) whose walk position start + x · step lies in
// [lo, hi): a run, as the position moves in one direction along the row.
Span ColumnsWhere(std::int64_t start, std::int64_t step, std::int64_t lo, std::int64_t hi, int width) {
  std::int64_t first = 0;
  std::int64_t last = width - 1;
  if (step > 0) {
    first = CeilDiv(lo - start, step);
    last = FloorDiv(hi - 1 - start, step);
  } else if (step < 0) {
    first = CeilDiv(start - (hi - 1), -step);
    last = FloorDiv(start - lo, -step);
  } else if (start < lo || start >= hi) {
    return {};
  }
  first = std::max<std::int64_t>(first, 0);
  last = std::min<std::int64_t>(last, width - 1);
  if (first > last) return {};
  return {static_cast<int>(first), static_cast<int>(last) + 1};
}

Span Intersection(Span a, Span b) {
  const Span both{std::max(a.begin, b.begin), std::min(a.end, b.end)};
  return both.begin < both.end ? both : Span{};
}

// The columns of a row whose position in one direction is in the source
// (the nearest pixel lies in [0, size)), and those whose blend needs no
// clamp (the pixel below the 1/256-rounded position lies in [0, size − 1)).
struct RowSpans {
  Span covered;
  Span interior;
};

RowSpans SpansOf(const SourceWalk& walk, int width, int height, int rowLength) {
  const auto covered = [&](std::int64_t start, std::int64_t step, int size) {
    return ColumnsWhere(start, step, -kHalf, size * kOne - kHalf, rowLength);
  };
  const auto interior = [&](std::int64_t start, std::int64_t step, int size) {
    return ColumnsWhere(start, step, -kRounding, (size - 1) * kOne - kRounding, rowLength);
  };
  return {Intersection(covered(walk.x, walk.stepX, width), covered(walk.y, walk.stepY, height)),
          Intersection(interior(walk.x, walk.stepX, width), interior(walk.y, walk.stepY, height))};
}

// The walk from `position` by `step` as a 32-bit walk of the rounded
// position: (position + kRounding) >> 24 taken apart into its whole 1/256
// steps and the 24-bit remainder, which every step of the 32-bit walk
// keeps equal to the same of the 64-bit walk.
kernels::FineWalk FineWalkFrom(std::int64_t position, std::int64_t step) {
  const std::int64_t rounded = position + kRounding;
  return {static_cast<std::int32_t>(rounded >> kFineShift),
          static_cast<std::uint32_t>(rounded & kernels::FineWalk::kRemainderMask),
          static_cast<std::int32_t>(step >> kFineShift),
          static_cast<std::uint32_t>(step & kernels::FineWalk::kRemainderMask)};
}

// A covered pixel within a pixel of the source's edge: the neighbour
// beyond the edge is the edge pixel itself.
template <int Channels>
void BlendAtEdge(const Picture& in, std::int64_t positionX, std::int64_t positionY, std::uint8_t* p) {
  const std::int64_t px = (positionX + kRounding) >> kFineShift;
  const std::int64_t py = (positionY + kRounding) >> kFineShift;
  const auto x0 = static_cast<int>(px >> 8);
  const auto y0 = static_cast<int>(py >> 8);
  const int xa = std::max(x0, 0) * Channels;
  const int xb = std::min(x0 + 1, in.Width() - 1) * Channels;
  kernels::BlendPixel<Channels>(in.Row(std::max(y0, 0)), in.Row(std::min(y0 + 1, in.Height() - 1)), xa, xb,
                                static_cast<std::uint32_t>(px & 0xFF), static_cast<std::uint32_t>(py & 0xFF), p);
}

template <int Channels>
void FillPixels(std::uint8_t* p, int count, RawPixel fill) {
  if (Channels == 1) {
    std::memset(p, static_cast<int>(fill & 0xFF), static_cast<std::size_t>(count));
    return;
  }
  for (int x = 0; x < count; ++x, p += Channels) {
    for (int c = 0; c < Channels; ++c) p[c] = static_cast<std::uint8_t>(fill >> (8 * c));
  }
}

// The part of a turned picture that is rendered: columns [left, right) of
// the rows from `firstRow` (counted from the bottom) on.
struct Window {
  int left = 0;
  int right = 0;
  int firstRow = 0;
};

// Bilinear rendering for pictures of `Channels` bytes per pixel whose byte
// values are intensities (24-bit colour, 8-bit grey). Weights are 8-bit.
// Each row of the turned picture, as wide as the source, falls into spans
// found from the walk: uncovered pixels take `fill`, pixels near the
// source's edge blend with clamps, and the interior runs without either;
// the parts of the spans inside the window land in `out`.
template <int Channels>
void RenderBilinearRows(const Picture& in, Picture& out, const TurnGeometry& geometry, RawPixel fill, Window window,
                        int yBegin, int yEnd) {
  for (int y = yBegin; y < yEnd; ++y) {
    const SourceWalk walk = geometry.Row(window.firstRow + y);
    std::uint8_t* row = out.Row(y);
    const RowSpans spans = SpansOf(walk, in.Width(), in.Height(), in.Width());
    // An empty interior sits at the end of the covered span.
    const Span interior =
        spans.interior.begin < spans.interior.end ? spans.interior : Span{spans.covered.end, spans.covered.end};
    // Runs `render(x, count, dst)` on the columns of [begin, end) inside the window.
    const auto inWindow = [&](int begin, int end, const auto& render) {
      const int first = std::max(begin, window.left);
      const int count = std::min(end, window.right) - first;
      if (count > 0) render(first, count, row + (first - window.left) * Channels);
    };
    const auto fills = [&](int, int count, std::uint8_t* dst) { FillPixels<Channels>(dst, count, fill); };
    const auto edges = [&](int first, int count, std::uint8_t* dst) {
      for (int x = first; x < first + count; ++x, dst += Channels) {
        BlendAtEdge<Channels>(in, walk.x + x * walk.stepX, walk.y + x * walk.stepY, dst);
      }
    };
    const auto inside = [&](int first, int count, std::uint8_t* dst) {
      kernels::BlendRun(in.Row(0), in.Stride(), in.Width(), Channels,
                        FineWalkFrom(walk.x + first * walk.stepX, walk.stepX),
                        FineWalkFrom(walk.y + first * walk.stepY, walk.stepY), dst, count);
    };
    inWindow(0, spans.covered.begin, fills);
    inWindow(spans.covered.begin, interior.begin, edges);
    inWindow(interior.begin, interior.end, inside);
    inWindow(interior.end, spans.covered.end, edges);
    inWindow(spans.covered.end, in.Width(), fills);
  }
}

// The rows of a bilinear turn, split between two threads where that pays.
template <int Channels>
void RenderBilinear(const Picture& in, Picture& out, const TurnGeometry& geometry, RawPixel fill, Window window) {
  detail::SplitRows(
      out.Height(), static_cast<std::size_t>(out.Width()) * static_cast<std::size_t>(out.Height()),
      [&](int yBegin, int yEnd) { RenderBilinearRows<Channels>(in, out, geometry, fill, window, yBegin, yEnd); });
}

// Whether the bilinear turn blends a picture's pixels: byte values that are intensities.
bool Blends(const Picture& picture) { return picture.BitsPerPixel() == 24 || picture.HasGreyPalette(); }

// The window of a blending picture's bilinear turn by a free or quarter angle, into a new picture of its size.
void RenderBilinearWindow(Picture& picture, double clockwise, Rgb fill, Window window, int width, int height) {
  Picture turned = picture.BlankLike(width, height);
  const TurnGeometry geometry(picture, picture.Width(), picture.Height(), clockwise);
  const RawPixel fillValue = detail::RawValueOf(turned, fill);
  if (picture.BitsPerPixel() == 24) {
    RenderBilinear<3>(picture, turned, geometry, fillValue, window);
  } else {
    RenderBilinear<1>(picture, turned, geometry, fillValue, window);
  }
  picture = std::move(turned);
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
  if (Blends(picture)) {
    RenderBilinearWindow(picture, clockwise, fill, {0, picture.Width(), 0}, picture.Width(), picture.Height());
    return;
  }
  Picture turned = picture.BlankLike(picture.Width(), picture.Height());
  const TurnGeometry geometry(picture, turned.Width(), turned.Height(), clockwise);
  const RawPixel fillValue = detail::RawValueOf(turned, fill);
  detail::WithDepth(picture.BitsPerPixel(),
                    [&](auto access) { RenderNearest<decltype(access)>(picture, turned, geometry, fillValue); });
  picture = std::move(turned);
}

void TurnBilinearAndCrop(Picture& picture, double degrees, Rgb fill, Rect rect) {
  if (picture.Empty()) return;
  const double clockwise = NormalisedDegrees(degrees);
  const Rect kept = CropRectangle(picture, rect);
  const bool cropped = kept.right > kept.left;
  if (QuarterTurns(clockwise) == 0 || !Blends(picture) || !cropped) {
    TurnBilinear(picture, degrees, fill);
    if (cropped) Crop(picture, kept);
    return;
  }
  RenderBilinearWindow(picture, clockwise, fill, {kept.left, kept.right, picture.Height() - kept.bottom},
                       kept.right - kept.left, kept.bottom - kept.top);
}

void TurnLeft(Picture& picture) { TurnNearest(picture, 270.0); }

void TurnRight(Picture& picture) { TurnNearest(picture, 90.0); }

}  // namespace imaging
