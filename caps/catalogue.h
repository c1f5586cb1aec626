// The catalogue: the 44 capability records the source answers for, in slot
// order (which is also the search order), with their allowed and default
// items. Allowed and default items are constants; current items are the
// StoredValues. ICAP_XRESOLUTION and ICAP_YRESOLUTION share one value, as do
// ICAP_XSCALING and ICAP_YSCALING. ICAP_BITDEPTH has no record of its own:
// the records 0x9000 + pixel type answer for it (pixel_type.h).
#pragma once

#include <array>
#include <cstdint>

#include "caps/capability_table.h"
#include "protocol/stored_values.h"

namespace caps {

inline constexpr int kCatalogueSize = 44;

// Allowed items the main dialog offers in its lists.
inline constexpr std::array<std::uint16_t, 4> kPixelTypes = {twain::TWPT_BW, twain::TWPT_GRAY, twain::TWPT_RGB,
                                                             kPixelTypeColourAndBlackWhite};
inline constexpr std::array<std::uint16_t, 4> kRotations = {twain::TWOR_ROT0, twain::TWOR_ROT90, twain::TWOR_ROT180,
                                                            twain::TWOR_ROT270};
inline constexpr std::array<std::uint16_t, 1> kPaperSizes = {twain::TWSS_USLETTER};
inline constexpr std::array<float, 8> kResolutions = {1.0f, 100.0f, 150.0f, 200.0f, 250.0f, 300.0f, 350.0f, 400.0f};

// The records in slot order, pointing at `values` for their current items.
std::array<CapabilityRecord, kCatalogueSize> CatalogueRecords(StoredValues& values);

// The source itself sets the resolution (the settings file's horizontal DPI
// when the dialog opens, the parameter dialog's DPI fields): `resolution`
// becomes the current X and Y resolution, and the result, the resolution
// with its fraction dropped, is what the caller must store in both of its
// DPI fields (dpiX and dpiY of the settings), which the picture files carry.
// A MSG_SET of ICAP_XRESOLUTION or ICAP_YRESOLUTION, by contrast, changes the
// capability value only. Resolutions beyond the range of int saturate.
[[nodiscard]] int SetResolutionAsSource(StoredValues& values, float resolution);

}  // namespace caps
