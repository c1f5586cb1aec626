// Helpers shared by the correction's scans: 24-bit rows and the weighted
// lightness of their pixels. Internal to imaging/correction/.
#pragma once

#include <cstdint>

#include "imaging/picture.h"

namespace imaging::correction::detail {

// The picture itself when it has 24 bits; else a 24-bit copy made in
// `storage` through its palette.
const Picture& AsColour(const Picture& picture, Picture& storage);

// 1000 × (0.299 R + 0.587 G + 0.114 B) of a blue-green-red pixel, exact in
// integers, so that comparisons with a threshold never depend on rounding.
inline int Lightness1000(const std::uint8_t* bgr) { return 114 * bgr[0] + 587 * bgr[1] + 299 * bgr[2]; }

}  // namespace imaging::correction::detail
