// The picture every processing step works on: width × height pixels of 24
// bits (blue, green, red), 8 bits or 1 bit, rows stored bottom-up and padded
// to four bytes exactly as in a bitmap file, a palette for 8 and 1 bits, and
// a DPI pair. Rows count from the bottom; rectangles (crop, fill) count from
// the top-left, as the user sees the picture.
//
// Padding bytes and the unused bits of a 1-bit row's last byte are always
// zero, so the rows can be written to a file as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "protocol/geometry.h"

namespace imaging {

using Rgb = geometry::Rgb;

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};

using Rect = geometry::Rect;

inline constexpr int kDefaultDpi = 96;

// Bytes of one stored row: ((width × bits + 31) / 32) × 4.
std::size_t RowStride(int width, int bitsPerPixel);

// Whether a picture of this size and depth can be held: both sides positive
// and at most 1 << 20, depth 24, 8 or 1, and at most 1 GiB of rows.
bool IsSupportedPicture(int width, int height, int bitsPerPixel);

// The 256-entry grey palette, entry i = (i, i, i).
std::vector<Rgb> GreyPalette();

class Picture {
 public:
  // An empty picture: no pixels.
  Picture() = default;

  // A picture of zero bytes (black for 24 bits and for the default palettes);
  // 8 bits get the grey palette, 1 bit the palette black, white; DPI 96.
  // Empty when IsSupportedPicture refuses the size or depth.
  Picture(int width, int height, int bitsPerPixel);

  // A zeroed picture of the given size with this picture's depth, palette and DPI.
  Picture BlankLike(int width, int height) const;

  // Copies a 24-bit frame whose rows are `stride` bytes apart, bottom row
  // first, without flipping. Empty when the bytes cannot hold the rows.
  static Picture FromBgrRows(std::span<const std::uint8_t> bytes, int width, int height, std::size_t stride);

  bool Empty() const { return width_ == 0; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bits_; }
  std::size_t Stride() const { return stride_; }

  // Row y, counted from the bottom.
  std::uint8_t* Row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * stride_; }
  const std::uint8_t* Row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * stride_; }
  std::span<const std::uint8_t> Bytes() const { return pixels_; }

  // 256 entries for 8 bits, 2 for 1 bit, none for 24 bits.
  const std::vector<Rgb>& Palette() const { return palette_; }
  // Takes the entries for this depth; missing ones become black, extra ones are dropped.
  void SetPalette(std::vector<Rgb> palette);
  bool HasGreyPalette() const;
  // The palette entry closest to `colour` (the lowest one among equals).
  std::uint8_t NearestIndex(Rgb colour) const;

  int DpiX() const { return dpiX_; }
  int DpiY() const { return dpiY_; }
  // A DPI of 0 or less becomes 96.
  void SetDpiX(int dpi) { dpiX_ = dpi > 0 ? dpi : kDefaultDpi; }
  void SetDpiY(int dpi) { dpiY_ = dpi > 0 ? dpi : kDefaultDpi; }

  // The colour at (x, y), rows from the bottom. Outside the picture: the
  // colour of pixel (0, 0); black for an empty picture.
  Rgb GetPixel(int x, int y) const;
  // Sets (x, y), rows from the bottom; paletted pictures take the nearest
  // entry. Outside the picture nothing happens.
  void SetPixel(int x, int y, Rgb colour);

  // Fills the part of `rect` (top-left coordinates, reversed edges swapped)
  // that lies inside the picture.
  void Fill(Rect rect, Rgb colour);

  // Zeroes the row padding and the unused bits of 1-bit rows, after rows
  // were written directly (by a file reader, or an operation working in place).
  void ClearPadding();

  // Takes a shape that needs no more bytes than the current one, keeping the
  // buffer: its first RowStride(width, bits) × height bytes become the rows,
  // as they are; a change of depth resets the palette to the depth's default. For
  // operations that write their result over their input, which saves
  // allocating (and on first touch, faulting in) a second frame.
  void ShrinkInPlace(int width, int height, int bitsPerPixel);

 private:
  int width_ = 0;
  int height_ = 0;
  int bits_ = 0;
  std::size_t stride_ = 0;
  std::vector<std::uint8_t> pixels_;
  std::vector<Rgb> palette_;
  int dpiX_ = kDefaultDpi;
  int dpiY_ = kDefaultDpi;
};

}  // namespace imaging
