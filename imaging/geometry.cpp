#include "imaging/geometry.h"

#include <algorithm>
#include <limits>

#include "imaging/picture_operations.h"

namespace imaging {

namespace {

int FractionOf(int side, std::int32_t fraction) {
  const std::int64_t edge = std::int64_t{side} * fraction / 10000;
  return static_cast<int>(
      std::clamp<std::int64_t>(edge, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

Rect FractionRect(int width, int height, FrameFractions fractions) {
  return {FractionOf(width, fractions.left), FractionOf(height, fractions.top), FractionOf(width, fractions.right),
          FractionOf(height, fractions.bottom)};
}

void CropToFrame(Picture& picture, int frameWidth, int frameHeight, int cropMode, FrameFractions fractions) {
  if (cropMode != 1 && cropMode != 2) return;
  Crop(picture, FractionRect(frameWidth, frameHeight, fractions));
}

void TurnPicture(Picture& picture, int degrees) {
  if (degrees % 360 == 0) return;
  TurnNearest(picture, degrees);
}

}  // namespace imaging
