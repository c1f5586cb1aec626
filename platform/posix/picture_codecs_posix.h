// The codec libraries behind platform/picture_codecs.h on Linux, one file each.
#pragma once

#include <cstdio>
#include <string>

#include "platform/picture_codecs.h"

namespace platform {

bool DecodePng(std::FILE* file, DecodeTarget& target);
bool EncodePng(std::FILE* file, const PictureView& picture);
bool DecodeJpeg(std::FILE* file, DecodeTarget& target);
bool EncodeJpeg(std::FILE* file, const PictureView& picture);
bool DecodeTiff(const std::string& path, DecodeTarget& target);
bool EncodeTiff(const std::string& path, const PictureView& picture);

// Helpers shared by the encoders.

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

// Whether every palette entry is a grey level (red = green = blue).
inline bool PaletteIsGreyLevels(const PictureView& picture) {
  for (const PaletteColour& c : picture.palette) {
    if (c.red != c.green || c.green != c.blue) return false;
  }
  return true;
}

// The palette index of pixel x in a row of 8 or 1 bits.
inline std::uint8_t IndexAt(const PictureView& picture, const std::uint8_t* row, int x) {
  if (picture.bitsPerPixel == 8) return row[x];
  return static_cast<std::uint8_t>((row[x >> 3] >> (7 - (x & 7))) & 1);
}

// Dots per inch ↔ pixels per metre, rounded.
inline unsigned DotsPerMetre(int dpi) { return static_cast<unsigned>((dpi * 10000.0) / 254.0 + 0.5); }
inline int DotsPerInchFromMetre(double perMetre) { return static_cast<int>(perMetre * 0.0254 + 0.5); }

}  // namespace platform
