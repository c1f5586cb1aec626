// Pixel types and their bit depths. Each pixel type 0..3 allows exactly one
// bit depth, which is also its default: 1 (black-and-white), 8 (grey),
// 24 (colour) and 25, the marker of pixel type 3 (colour and black-and-white
// from one shot), which no bitmap carries. The current bit depths are
// StoredValues::bitDepths; writing the current pixel type never changes them.
#pragma once

#include <array>
#include <cstdint>

#include "protocol/stored_values.h"

namespace caps {

inline constexpr std::array<std::array<std::uint16_t, 1>, kPixelTypeCount> kSupportedBitDepths = {
    {{1}, {8}, {24}, {25}}};

// The allowed bit depths of `pixelType` and their count (1). For any other
// type: a diagnostic line, count 0 and null.
const std::uint16_t* GetSupportedBitDepth(int& count, int pixelType);

// The current bit depth of `pixelType`; for any other type a diagnostic line and 0.
std::uint16_t GetCurrentBitDepth(const StoredValues& values, int pixelType);

// Stores `bitDepth` as the current bit depth of `pixelType`, unchecked; for
// any other type a diagnostic line, and nothing is stored.
void SetCurrentBitDepth(StoredValues& values, std::uint16_t bitDepth, int pixelType);

}  // namespace caps
