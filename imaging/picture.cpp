#include "imaging/picture.h"

#include <algorithm>
#include <cstring>

#include "imaging/pixel_access.h"

namespace imaging {

namespace {

constexpr int kMaxSide = 1 << 20;
constexpr std::uint64_t kMaxRowBytes = std::uint64_t{1} << 30;

std::size_t PaletteSizeFor(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 8:
      return 256;
    case 1:
      return 2;
    default:
      return 0;
  }
}

// Grey for 8 bits, black and white for 1 bit.
std::vector<Rgb> DefaultPalette(int bitsPerPixel) {
  if (bitsPerPixel == 8) return GreyPalette();
  if (bitsPerPixel == 1) return {kBlack, kWhite};
  return {};
}

}  // namespace

std::size_t RowStride(int width, int bitsPerPixel) {
  return static_cast<std::size_t>((static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitsPerPixel) + 31) /
                                  32 * 4);
}

bool IsSupportedPicture(int width, int height, int bitsPerPixel) {
  if (bitsPerPixel != 24 && bitsPerPixel != 8 && bitsPerPixel != 1) return false;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  return static_cast<std::uint64_t>(RowStride(width, bitsPerPixel)) * static_cast<std::uint64_t>(height) <=
         kMaxRowBytes;
}

std::vector<Rgb> GreyPalette() {
  std::vector<Rgb> palette(256);
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    palette[static_cast<std::size_t>(i)] = Rgb{v, v, v};
  }
  return palette;
}

Picture::Picture(int width, int height, int bitsPerPixel) {
  if (!IsSupportedPicture(width, height, bitsPerPixel)) return;
  width_ = width;
  height_ = height;
  bits_ = bitsPerPixel;
  stride_ = RowStride(width, bitsPerPixel);
  pixels_.assign(stride_ * static_cast<std::size_t>(height), 0);
  palette_ = DefaultPalette(bitsPerPixel);
}

Picture Picture::BlankLike(int width, int height) const {
  Picture blank(width, height, bits_);
  if (blank.Empty()) return blank;
  blank.palette_ = palette_;
  blank.dpiX_ = dpiX_;
  blank.dpiY_ = dpiY_;
  return blank;
}

Picture Picture::FromBgrRows(std::span<const std::uint8_t> bytes, int width, int height, std::size_t stride) {
  if (!IsSupportedPicture(width, height, 24)) return {};
  const std::size_t used = static_cast<std::size_t>(width) * 3;
  // The last row needs only its pixels, not its padding.
  if (stride < used || bytes.size() < used || (bytes.size() - used) / stride < static_cast<std::size_t>(height - 1)) {
    return {};
  }
  Picture picture(width, height, 24);
  for (int y = 0; y < height; ++y) {
    std::memcpy(picture.Row(y), bytes.data() + static_cast<std::size_t>(y) * stride, used);
  }
  return picture;
}

void Picture::SetPalette(std::vector<Rgb> palette) {
  palette.resize(PaletteSizeFor(bits_), kBlack);
  palette_ = std::move(palette);
}

bool Picture::HasGreyPalette() const {
  if (bits_ != 8) return false;
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    if (palette_[i] != Rgb{v, v, v}) return false;
  }
  return true;
}

std::uint8_t Picture::NearestIndex(Rgb colour) const {
  std::size_t best = 0;
  int bestDistance = 1 << 30;
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    const int dr = palette_[i].red - colour.red;
    const int dg = palette_[i].green - colour.green;
    const int db = palette_[i].blue - colour.blue;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return static_cast<std::uint8_t>(best);
}

Rgb Picture::GetPixel(int x, int y) const {
  if (Empty()) return kBlack;
  if (x < 0 || y < 0 || x >= width_ || y >= height_) x = y = 0;
  return detail::WithDepth(bits_, [&](auto access) {
    const detail::RawPixel raw = access.Get(Row(y), x);
    if (bits_ == 24) {
      return Rgb{static_cast<std::uint8_t>(raw >> 16), static_cast<std::uint8_t>(raw >> 8),
                 static_cast<std::uint8_t>(raw)};
    }
    return palette_[raw];
  });
}

void Picture::SetPixel(int x, int y, Rgb colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  const detail::RawPixel raw = detail::RawValueOf(*this, colour);
  detail::WithDepth(bits_, [&](auto access) { access.Put(Row(y), x, raw); });
}

void Picture::Fill(Rect rect, Rgb colour) {
  const int left = std::clamp(std::min(rect.left, rect.right), 0, width_);
  const int right = std::clamp(std::max(rect.left, rect.right), 0, width_);
  const int top = std::clamp(std::min(rect.top, rect.bottom), 0, height_);
  const int bottom = std::clamp(std::max(rect.top, rect.bottom), 0, height_);
  if (left == right || top == bottom) return;
  const detail::RawPixel raw = detail::RawValueOf(*this, colour);
  const int firstRow = height_ - bottom;
  detail::WithDepth(bits_, [&](auto access) {
    for (int x = left; x < right; ++x) access.Put(Row(firstRow), x, raw);
  });
  if (bits_ == 1) {
    for (int y = firstRow + 1; y < height_ - top; ++y) {
      for (int x = left; x < right; ++x) detail::PixelAccess<1>::Put(Row(y), x, raw);
    }
    return;
  }
  // Whole bytes: the other rows copy the first one's span.
  const std::size_t bytesPerPixel = static_cast<std::size_t>(bits_ / 8);
  const std::size_t offset = static_cast<std::size_t>(left) * bytesPerPixel;
  const std::size_t length = static_cast<std::size_t>(right - left) * bytesPerPixel;
  for (int y = firstRow + 1; y < height_ - top; ++y) std::memcpy(Row(y) + offset, Row(firstRow) + offset, length);
}

void Picture::ShrinkInPlace(int width, int height, int bitsPerPixel) {
  const std::size_t stride = RowStride(width, bitsPerPixel);
  if (!IsSupportedPicture(width, height, bitsPerPixel) || stride * static_cast<std::size_t>(height) > pixels_.size()) {
    return;
  }
  width_ = width;
  height_ = height;
  stride_ = stride;
  pixels_.resize(stride * static_cast<std::size_t>(height));
  if (bits_ != bitsPerPixel) {
    bits_ = bitsPerPixel;
    palette_ = DefaultPalette(bitsPerPixel);
  }
}

void Picture::ClearPadding() {
  const std::size_t usedBits = static_cast<std::size_t>(width_) * static_cast<std::size_t>(bits_);
  const std::size_t fullBytes = usedBits / 8;
  const auto lastByteMask = static_cast<std::uint8_t>(0xFF00u >> (usedBits % 8));
  for (int y = 0; y < height_; ++y) {
    std::uint8_t* row = Row(y);
    std::size_t clearFrom = fullBytes;
    if (usedBits % 8) row[clearFrom++] &= lastByteMask;
    std::memset(row + clearFrom, 0, stride_ - clearFrom);
  }
}

}  // namespace imaging
