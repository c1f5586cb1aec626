// Small pictures whose every pixel tells where it came from.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/picture.h"

namespace imaging_testing {

// A colour unique to (x, y) for pictures up to 256 × 256.
inline imaging::Rgb Marker(int x, int y) {
  return {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
          static_cast<std::uint8_t>((x * 7 + y * 3) & 0xFF)};
}

// A value for (x, y) that differs between neighbours, for 8-bit and 1-bit pictures.
inline std::uint8_t Level(int x, int y, int bits) {
  return bits == 1 ? static_cast<std::uint8_t>(((x * 5 + y * 3) % 7) % 2) : static_cast<std::uint8_t>(x * 16 + y);
}

// A picture of the given depth whose pixels are Marker (24 bits) or Level (8 and 1 bits).
inline imaging::Picture MarkedPicture(int width, int height, int bits) {
  imaging::Picture picture(width, height, bits);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (bits == 24) {
        picture.SetPixel(x, y, Marker(x, y));
      } else {
        const imaging::Rgb colour = picture.Palette()[Level(x, y, bits)];
        picture.SetPixel(x, y, colour);
      }
    }
  }
  return picture;
}

inline imaging::Picture Uniform(int width, int height, imaging::Rgb colour) {
  imaging::Picture picture(width, height, 24);
  picture.Fill({0, 0, width, height}, colour);
  return picture;
}

inline std::vector<std::uint8_t> BytesOf(const imaging::Picture& picture) {
  return {picture.Bytes().begin(), picture.Bytes().end()};
}

}  // namespace imaging_testing
