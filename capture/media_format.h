// Video formats as the capture service describes them: the media subtype
// identifier and the few fields of a video format block the source reads.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace capture {

// The settings record keeps subtypes in this same GUID layout.
using MediaSubtype = settings::MediaSubtype;

// The subtype of a four-character code: the code in the first 32 bits of the
// standard media-type base identifier.
constexpr MediaSubtype FourCcSubtype(std::uint32_t fourCc) {
  return {fourCc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

inline constexpr MediaSubtype kSubtypeMjpg = settings::kMjpgSubtype;
inline constexpr MediaSubtype kSubtypeYuy2 = settings::kYuy2Subtype;
inline constexpr MediaSubtype kSubtypeYvyu = FourCcSubtype(0x55595659);  // "YVYU"
inline constexpr MediaSubtype kSubtypeRgb24 = {
    0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

// "MJPG", "YUY2", "YVYU", "RGB24", else the four characters of a
// four-character-code subtype, else an empty name.
std::string SubtypeName(const MediaSubtype& subtype);
// The inverse: the four names above, or any four printable characters as a
// four-character code. Nothing for other texts.
std::optional<MediaSubtype> SubtypeFromName(std::string_view name);

// The one video format record, shared with the settings that remember the chosen one.
using FormatType = settings::FormatType;
using VideoFormat = settings::VideoFormat;

// What the settings remember of a format: its size, bit-rate value and subtype.
constexpr VideoFormat RememberedPart(const VideoFormat& format) {
  return {format.width, format.height, format.bitRate, format.subtype};
}

// Bytes of one row of a 24-bit frame: three bytes a pixel, padded to four.
constexpr std::size_t FrameStride(std::int32_t width) {
  if (width <= 0) return 0;
  return ((static_cast<std::size_t>(width) * 24 + 31) & ~std::size_t{31}) / 8;
}

}  // namespace capture
