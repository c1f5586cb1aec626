// The geometric steps every still goes through: the crop to the frame the
// user drew over the preview, and the turn by the chosen rotation.
#pragma once

#include <cstdint>

#include "imaging/picture.h"

namespace imaging {

using FrameFractions = geometry::FrameFractions;

// The fractions on a frame of width × height: each edge is the side times
// its fraction / 10000, the division truncating toward zero. Edges beyond
// what an int holds are pinned to its range (the crop clamps them anyway).
Rect FractionRect(int width, int height, FrameFractions fractions);

// With crop mode 1 or 2, crops the picture to the fractions of a frame of
// frameWidth × frameHeight (the frame's size, whatever the picture's now);
// any other mode leaves it. The crop's own rules hold: clamped edges,
// reversed edges swapped, an empty rectangle changes nothing.
void CropToFrame(Picture& picture, int frameWidth, int frameHeight, int cropMode, FrameFractions fractions);

// Turns clockwise as displayed by `degrees` with the nearest-pixel turn: 90
// and 270 swap width and height, 180 is exact, 0 changes nothing.
void TurnPicture(Picture& picture, int degrees);

}  // namespace imaging
