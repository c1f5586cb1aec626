// Crop and paste: both copy runs of whole rows, byte-wise where the depth allows.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "imaging/picture_operations.h"
#include "imaging/pixel_access.h"

namespace imaging {

namespace {

// Copies `count` pixels of a row from column srcX to column dstX; both rows
// have `bits`. Overlapping runs are allowed when the destination lies at or
// before the source.
void CopyRun(int bits, const std::uint8_t* src, int srcX, std::uint8_t* dst, int dstX, int count) {
  if (bits == 1) {
    detail::CopyBitRun(src, srcX, dst, dstX, count);
    return;
  }
  const std::size_t bytesPerPixel = static_cast<std::size_t>(bits / 8);
  std::memmove(dst + static_cast<std::size_t>(dstX) * bytesPerPixel,
               src + static_cast<std::size_t>(srcX) * bytesPerPixel, static_cast<std::size_t>(count) * bytesPerPixel);
}

}  // namespace

Rect CropRectangle(const Picture& picture, Rect rect) {
  const int width = picture.Width();
  const int height = picture.Height();
  const int left = std::clamp(std::min(rect.left, rect.right), 0, width);
  const int right = std::clamp(std::max(rect.left, rect.right), 0, width);
  const int top = std::clamp(std::min(rect.top, rect.bottom), 0, height);
  const int bottom = std::clamp(std::max(rect.top, rect.bottom), 0, height);
  if (left == right || top == bottom) return {};
  if (left == 0 && top == 0 && right == width && bottom == height) return {};
  return {left, top, right, bottom};
}

void Crop(Picture& picture, Rect rect) {
  const Rect kept = CropRectangle(picture, rect);
  if (kept.right == kept.left) return;
  const int left = kept.left;
  const int right = kept.right;
  const int top = kept.top;
  const int bottom = kept.bottom;
  const int height = picture.Height();

  // In place: each kept row moves to its place in the smaller picture, which
  // lies at or before where it was. Rows count from the bottom: the
  // rectangle's bottom edge is row height − bottom.
  const int bits = picture.BitsPerPixel();
  const int newWidth = right - left;
  const int newHeight = bottom - top;
  const std::size_t newStride = RowStride(newWidth, bits);
  const int firstRow = height - bottom;
  std::uint8_t* rows = picture.Row(0);
  for (int y = 0; y < newHeight; ++y) {
    CopyRun(bits, picture.Row(firstRow + y), left, rows + static_cast<std::size_t>(y) * newStride, 0, newWidth);
  }
  picture.ShrinkInPlace(newWidth, newHeight, bits);
  picture.ClearPadding();
}

void Paste(Picture& target, const Picture& source, int dx, int dy) {
  if (target.Empty() || source.Empty()) return;
  // The part of the source that lands inside the target, in source coordinates.
  const auto x0 = static_cast<int>(std::max<std::int64_t>(0, -std::int64_t{dx}));
  const auto x1 = static_cast<int>(std::min<std::int64_t>(source.Width(), std::int64_t{target.Width()} - dx));
  const auto y0 = static_cast<int>(std::max<std::int64_t>(0, -std::int64_t{dy}));
  const auto y1 = static_cast<int>(std::min<std::int64_t>(source.Height(), std::int64_t{target.Height()} - dy));
  if (x0 >= x1 || y0 >= y1) return;

  if (source.BitsPerPixel() == target.BitsPerPixel() && source.Palette() == target.Palette()) {
    for (int y = y0; y < y1; ++y) {
      CopyRun(source.BitsPerPixel(), source.Row(y), x0, target.Row(y + dy), x0 + dx, x1 - x0);
    }
    return;
  }
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) target.SetPixel(x + dx, y + dy, source.GetPixel(x, y));
  }
}

}  // namespace imaging
