// The colour modes a still can be stored in besides colour: 8-bit grey with
// fixed integer weights, and 1-bit black-and-white by an adaptive threshold.
#pragma once

#include <cstdint>

#include "imaging/picture.h"

namespace imaging {

// (306 R + 601 G + 117 B) >> 10: the weights add up to 1024.
inline std::uint8_t GreyValue(Rgb c) {
  return static_cast<std::uint8_t>((306u * c.red + 601u * c.green + 117u * c.blue) >> 10);
}

// Turns the picture into 8 bits with the grey palette, each pixel its grey
// value (a paletted picture: the grey value of its entry). Width, height and
// DPI stay. Returns false, changing nothing, for an empty picture.
bool ConvertToGrey(Picture& picture);

// Turns the picture into 1 bit with the palette black, white by an adaptive
// threshold: grey values are compared with a threshold map that blends each
// 64 × 64 box's own threshold half and half with the whole picture's, and
// is enlarged bilinearly; a pixel is white when its grey value is strictly
// greater than the map there. Width, height and DPI stay. Returns false,
// changing nothing, for an empty picture.
bool ConvertToBlackWhite(Picture& picture);

}  // namespace imaging
