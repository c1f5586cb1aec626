// The frame sizes the camera filter streams and their media types: 24-bit
// RGB, rows bottom-up, one media type per size.
#pragma once

#include <dshow.h>

#include <cstddef>
#include <optional>

namespace virtual_camera {

struct Format {
  LONG width = 0;
  LONG height = 0;
  REFERENCE_TIME frameInterval = 0;

  // Formats are the same size; the interval is what that size streams at.
  bool operator==(const Format& other) const { return width == other.width && height == other.height; }
};

std::size_t FrameBytes(LONG width, LONG height);

// Copies `source` into `target`, with a format block of its own.
HRESULT CopyMediaType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source);
// A copy of `source` allocated with CoTaskMemAlloc; null without memory.
AM_MEDIA_TYPE* NewMediaType(const AM_MEDIA_TYPE& source);

// The media type of a format. The caller frees its block.
AM_MEDIA_TYPE MediaTypeOf(const Format& format);
// The format of a media type, when it is one the camera can stream.
std::optional<Format> FormatOf(const AM_MEDIA_TYPE& type);

}  // namespace virtual_camera
