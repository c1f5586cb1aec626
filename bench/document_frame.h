// A synthetic document frame shared by the picture benchmarks.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/picture.h"

namespace bench {

// A page under a lamp: paper brighter towards the top-left, lines of dark
// strokes, and a little sensor noise, so that every box of the adaptive
// threshold sees a realistic histogram.
inline imaging::Picture DocumentFrame(int width, int height) {
  std::vector<std::uint8_t> bytes(imaging::RowStride(width, 24) * static_cast<std::size_t>(height));
  std::uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bytes.data() + imaging::RowStride(width, 24) * static_cast<std::size_t>(y);
    const bool textLine = (y / 24) % 3 != 0 && y > height / 10 && y < height * 9 / 10;
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int light = 150 + 80 * (x + y) / (width + height);
      const bool stroke = textLine && x > width / 10 && x < width * 9 / 10 && (x / 3 + y / 5) % 7 == 0;
      const int value = (stroke ? 40 : light) + static_cast<int>(noise >> 29);
      row[3 * x] = static_cast<std::uint8_t>(value - 6);
      row[3 * x + 1] = static_cast<std::uint8_t>(value);
      row[3 * x + 2] = static_cast<std::uint8_t>(value + 4);
    }
  }
  return imaging::Picture::FromBgrRows(bytes, width, height, imaging::RowStride(width, 24));
}

}  // namespace bench
