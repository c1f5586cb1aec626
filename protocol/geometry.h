// Rectangles, points and colours, one of each for every room: the dialogs'
// client and screen coordinates, a picture's pixels, the virtual camera's
// scenes, and the parts of a frame counted in ten-thousandths.
#pragma once

#include <cstdint>

namespace geometry {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// Counted from the top-left; right and bottom are exclusive.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Edges of a rectangle in ten-thousandths of a frame's width (left, right)
// or height (top, bottom), counted from the top-left: the same part of the
// frame whatever its size in pixels.
struct FrameFractions {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const FrameFractions&, const FrameFractions&) = default;
};

}  // namespace geometry
