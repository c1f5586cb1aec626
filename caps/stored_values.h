// The capability values themselves. They live as long as the library: closing
// the source releases the capability table, never these values, so what an
// application or the dialog chose survives a later open.
#pragma once

#include <cstdint>

namespace caps {

inline constexpr std::uint16_t kDefaultImageFileFormat = 2;  // TWFF_BMP

struct StoredValues {
  bool feederEnabled = true;                                  // CAP_FEEDERENABLED
  std::uint16_t imageFileFormat = kDefaultImageFileFormat;  // ICAP_IMAGEFILEFORMAT
};

}  // namespace caps
