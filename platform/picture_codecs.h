// Picture files other than bitmaps, read and written by the platform's codecs:
// libpng, libjpeg-turbo and libtiff on Linux, the Windows Imaging Component
// on Windows. Paths are UTF-8.
//
// Pixels travel in the layout of imaging's pictures: 24 bits (blue, green,
// red), 8 bits or 1 bit (leftmost pixel in the top bit) per pixel, rows
// bottom-up, each padded to ((width × bits + 31) / 32) × 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace platform {

enum class CodecFormat { Png, Jpeg, Tiff, Gif };

struct PaletteColour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const PaletteColour&) const = default;
};

// The rows a decoder fills: the bottom row first, `stride` bytes apart.
struct DecodeRows {
  std::uint8_t* bottom = nullptr;
  std::size_t stride = 0;
};

// Where a decoder puts what it reads. The decoder chooses the depth: 1 bit
// for two-level pictures, 8 bits for grey or up to 256 palette colours, 24
// bits for everything else (transparency is laid over white).
class DecodeTarget {
 public:
  // The rows of a zeroed picture of this size; a null `bottom` refuses the size.
  virtual DecodeRows Allocate(int width, int height, int bitsPerPixel) = 0;
  // For 8 and 1 bits; without a call the picture keeps the grey or black, white palette.
  virtual void SetPalette(std::span<const PaletteColour> palette) = 0;
  // Dots per inch as the file states them; not called when it states none.
  virtual void SetDpi(int x, int y) = 0;

 protected:
  ~DecodeTarget() = default;
};

// A picture to encode, in the layout above.
struct PictureView {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  std::size_t stride = 0;
  const std::uint8_t* rows = nullptr;  // bottom row first
  std::span<const PaletteColour> palette;
  int dpiX = 0;
  int dpiY = 0;
};

// For the implementations: rows from the top, the palettes that encoders
// hold as grey levels, and the pixels of paletted rows.

// Row y of a picture, counted from the top.
inline const std::uint8_t* RowFromTop(const PictureView& picture, int y) {
  return picture.rows + static_cast<std::size_t>(picture.height - 1 - y) * picture.stride;
}

// 8 bits with entry i = (i, i, i).
inline bool IsGreyPalette(const PictureView& picture) {
  if (picture.bitsPerPixel != 8 || picture.palette.size() != 256) return false;
  for (std::size_t i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    if (picture.palette[i] != PaletteColour{v, v, v}) return false;
  }
  return true;
}

// 1 bit with 0 black and 1 white.
inline bool IsBlackWhitePalette(const PictureView& picture) {
  return picture.bitsPerPixel == 1 && picture.palette.size() == 2 && picture.palette[0] == PaletteColour{0, 0, 0} &&
         picture.palette[1] == PaletteColour{255, 255, 255};
}

// The palette index of pixel x in a row of 8 or 1 bits.
inline std::uint8_t IndexAt(const PictureView& picture, const std::uint8_t* row, int x) {
  if (picture.bitsPerPixel == 8) return row[x];
  return static_cast<std::uint8_t>((row[x >> 3] >> (7 - (x & 7))) & 1);
}

// Reads the first picture of a file. Returns false for files the codec
// cannot read, damaged files and formats the platform lacks (GIF on Linux);
// the target may then hold part of the picture.
bool DecodePictureFile(const std::string& path, CodecFormat format, DecodeTarget& target);

// Writes a file, replacing any file of that name. Formats without palettes
// take the palette's colours (or grey levels when every entry is grey).
bool EncodePictureFile(const std::string& path, CodecFormat format, const PictureView& picture);

}  // namespace platform
