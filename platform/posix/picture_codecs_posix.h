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

// Whether every palette entry is a grey level (red = green = blue).
inline bool PaletteIsGreyLevels(const PictureView& picture) {
  for (const PaletteColour& c : picture.palette) {
    if (c.red != c.green || c.green != c.blue) return false;
  }
  return true;
}

// Dots per inch ↔ pixels per metre, rounded.
inline unsigned DotsPerMetre(int dpi) { return static_cast<unsigned>((dpi * 10000.0) / 254.0 + 0.5); }
inline int DotsPerInchFromMetre(double perMetre) { return static_cast<int>(perMetre * 0.0254 + 0.5); }

}  // namespace platform
