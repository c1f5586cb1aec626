// Nearest-pixel resampling through a table of source columns.
#include <cstdint>
#include <vector>

#include "imaging/picture_operations.h"
#include "imaging/pixel_access.h"

namespace imaging {

namespace {

template <class Access>
void ResampleRows(const Picture& in, Picture& out) {
  std::vector<int> sourceColumn(static_cast<std::size_t>(out.Width()));
  for (int x = 0; x < out.Width(); ++x) {
    sourceColumn[static_cast<std::size_t>(x)] = static_cast<int>(std::int64_t{x} * in.Width() / out.Width());
  }
  for (int y = 0; y < out.Height(); ++y) {
    const std::uint8_t* src = in.Row(static_cast<int>(std::int64_t{y} * in.Height() / out.Height()));
    std::uint8_t* dst = out.Row(y);
    for (int x = 0; x < out.Width(); ++x)
      Access::Put(dst, x, Access::Get(src, sourceColumn[static_cast<std::size_t>(x)]));
  }
}

}  // namespace

bool ResampleNearest(Picture& picture, int width, int height) {
  if (picture.Empty()) return false;
  if (width == picture.Width() && height == picture.Height()) return true;
  Picture resampled = ResampledNearest(picture, width, height);
  if (resampled.Empty()) return false;
  picture = std::move(resampled);
  return true;
}

Picture ResampledNearest(const Picture& picture, int width, int height) {
  if (picture.Empty()) return {};
  if (width == picture.Width() && height == picture.Height()) return picture;
  Picture resampled = picture.BlankLike(width, height);
  if (resampled.Empty()) return resampled;
  detail::WithDepth(picture.BitsPerPixel(), [&](auto access) { ResampleRows<decltype(access)>(picture, resampled); });
  return resampled;
}

}  // namespace imaging
