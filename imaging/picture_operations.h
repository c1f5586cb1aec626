// Geometric and tonal operations on a picture, each changing it in place.
// Every operation keeps the picture's depth, palette and DPI, and does
// nothing to an empty picture.
#pragma once

#include "imaging/picture.h"

namespace imaging {

// Crops to `rect`, counted from the top-left with right and bottom
// exclusive. Each edge is clamped to the picture; reversed edges (left
// beyond right, top below bottom) are swapped. A rectangle that is empty
// after that leaves the picture unchanged.
void Crop(Picture& picture, Rect rect);

// The rectangle Crop keeps of `rect`, edges clamped and ordered; all zero
// when the crop would leave the picture unchanged.
Rect CropRectangle(const Picture& picture, Rect rect);

// Sets every pixel (x, y) of `source` at (x + dx, y + dy) of `target`, rows
// counted from the bottom; pixels that fall outside `target` are dropped.
// A source of another depth or palette is matched colour by colour.
void Paste(Picture& target, const Picture& source, int dx, int dy);

// Resamples to width × height by nearest pixel: the pixel at (x, y) comes
// from (trunc(x × W / width), trunc(y × H / height)). Returns false, leaving
// the picture unchanged, when the new size cannot be held.
bool ResampleNearest(Picture& picture, int width, int height);

// The same resampling into a new picture, leaving `picture` as it is; an
// empty picture when the picture is empty or the new size cannot be held.
Picture ResampledNearest(const Picture& picture, int width, int height);

// Turns clockwise as displayed by `degrees` (negative: counter-clockwise),
// taking the nearest pixel and growing the picture to the bounding box of
// the turned corners. Quarter turns are exact: 90 and 270 swap width and
// height, 180 mirrors both ways. The corners a free angle uncovers are white.
void TurnNearest(Picture& picture, double degrees);

// Turns clockwise as displayed by `degrees` about the centre with bilinear
// interpolation, keeping the picture's size; what the turned picture no
// longer covers takes `fill`. Pictures with a palette other than the grey
// one take the nearest pixel instead of blending their indices.
void TurnBilinear(Picture& picture, double degrees, Rgb fill);

// TurnBilinear, then Crop to `rect`, with the same bytes; only the pixels
// the crop keeps are worked out.
void TurnBilinearAndCrop(Picture& picture, double degrees, Rgb fill, Rect rect);

// Quarter turns of the preview: counter-clockwise and clockwise.
void TurnLeft(Picture& picture);
void TurnRight(Picture& picture);

// Every channel value v becomes
// min(255, max(0, trunc(brightness + 128 + (v − 128) × (100 + contrast) / 100 + 0.5))).
// Pictures with a palette have their palette entries changed.
void AdjustBrightnessContrast(Picture& picture, int brightness, int contrast);

}  // namespace imaging
