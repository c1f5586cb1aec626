// The names under which the main dialog lists pixel types, paper sizes and
// rotations. A value without a name gives none.
#pragma once

#include <atomic>
#include <optional>
#include <string_view>

namespace caps {

// "1 bit B&W", "8 bit Gray" ("4 bit Gray" for a bit depth of 4), "24 bit Color"
// or "Color and B&W". Like the dialog's latched handlers it consumes a set
// ignore-next-command latch: it clears the latch and gives none instead.
std::optional<std::string_view> PixelTypeName(int pixelType, int bitDepth, std::atomic<bool>& ignoreNextCommand);

// "Custom", "A4 Letter", "US Letter" or "US Legal".
std::optional<std::string_view> PaperSizeName(int paperSize);

// "Rotate 0'", "Rotate 90'", "Rotate 180'" or "Rotate 270'" for the rotation index 0..3.
std::optional<std::string_view> RotationName(int rotationIndex);

}  // namespace caps
