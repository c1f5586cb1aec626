// The pixel types of the source, in one vocabulary: what ICAP_PIXELTYPE
// negotiates, what a still is shot as, what a stored picture's record and
// file name say. The values are TWAIN's for black-and-white, grey and
// colour; "Color and B&W" is the source's own: one shot yields a colour and
// a black-and-white picture.
#pragma once

#include <cstdint>

namespace protocol {

enum class PixelType : std::uint16_t { BlackWhite = 0, Grey = 1, Colour = 2, ColourAndBlackWhite = 3 };
inline constexpr int kPixelTypeCount = 4;

// The value as TWAIN carries it (TW_UINT16).
constexpr std::uint16_t Wire(PixelType type) { return static_cast<std::uint16_t>(type); }

// A carried value as a pixel type: any value but the four is black-and-white.
constexpr PixelType PixelTypeOf(unsigned value) {
  return value < kPixelTypeCount ? static_cast<PixelType>(value) : PixelType::BlackWhite;
}

// What a picture of this type is stored as: grey and colour as themselves,
// anything else (the pair's other half included) black-and-white.
constexpr PixelType StoredAs(PixelType type) {
  return type == PixelType::Grey || type == PixelType::Colour ? type : PixelType::BlackWhite;
}

}  // namespace protocol
