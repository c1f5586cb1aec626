// The capability values themselves. They live as long as the library: closing
// the source releases the capability table, never these values, so what an
// application or the dialog chose survives a later open.
#pragma once

#include <cstdint>

namespace caps {

inline constexpr std::uint16_t kDefaultImageFileFormat = 2;  // TWFF_BMP

// The current values that the rest of the source reads and writes directly.
struct StoredValues {
  bool feederEnabled = true;                                  // CAP_FEEDERENABLED
  std::uint16_t imageFileFormat = kDefaultImageFileFormat;  // ICAP_IMAGEFILEFORMAT
  std::uint16_t pixelType = 2;                                // ICAP_PIXELTYPE (TWPT_RGB)
  std::uint16_t rotationIndex = 0;                            // ICAP_ORIENTATION, 0..3
  float xResolution = 200.0f;                                 // ICAP_XRESOLUTION and ICAP_YRESOLUTION
};

}  // namespace caps
