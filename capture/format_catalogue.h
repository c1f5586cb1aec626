// What a camera's capture pin offers, grouped by media subtype, for the
// video format dialog: its labels, the sizes of each subtype and the frame
// rate each size runs at.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "capture/media_format.h"

namespace capture {

// The lists of the dialog hold at most this many subtypes, and this many sizes of each.
inline constexpr std::size_t kMaxCatalogueFormats = 8;
inline constexpr std::size_t kMaxCatalogueSizes = 24;

// The frame rates the dialog's rate field accepts.
inline constexpr int kMinFrameRate = 0;
inline constexpr int kMaxFrameRate = 300;

struct CatalogueSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t bitRate = 0;
  std::int64_t frameInterval = 0;  // in units of 100 ns
};

struct CatalogueFormat {
  MediaSubtype subtype{};
  std::vector<CatalogueSize> sizes;
};

class FormatCatalogue {
 public:
  FormatCatalogue() = default;

  // Groups the pin's capabilities by subtype in the order each subtype is
  // first met, the sizes of a subtype in their order (duplicates kept).
  // Left out: capabilities narrower than 200 pixels, capabilities whose
  // format block is not a video information header (their size cannot be
  // read), a ninth and further subtype, and a 25th and further size of one
  // subtype.
  static FormatCatalogue FromCapabilities(std::span<const VideoFormat> capabilities);

  const std::vector<CatalogueFormat>& Formats() const { return formats_; }
  bool Empty() const { return formats_.empty(); }

  // The format list's selection for the current subtype: the last format of
  // that subtype, else the first. 0 for an empty catalogue.
  std::size_t FormatIndexFor(const MediaSubtype& subtype) const;

 private:
  std::vector<CatalogueFormat> formats_;
};

// "YUY2", "YVYU", "MJPG" or "RGB24"; "define" for any other subtype.
std::string FormatLabel(const MediaSubtype& subtype);

// " W x H ", with a space before and after. A 3264 × 2448 size is labelled
// as 3648 × 2736, the size the camera's pictures are sold by; it keeps its
// real values everywhere else.
std::string SizeLabel(const CatalogueSize& size);

// The size list's selection for the current size: the last size of that
// width and height, else the first. 0 when the format has no sizes.
std::size_t SizeIndexFor(const CatalogueFormat& format, std::int32_t width, std::int32_t height);

// Whole frames per second of a frame interval: 10 000 000 / interval with
// the fraction dropped. An interval of 0 or less tells no rate, shown as 0.
std::int64_t FramesPerSecond(std::int64_t frameInterval);

// Whether a frame rate lies within the rates the rate field accepts.
bool FrameRateAccepted(std::int64_t framesPerSecond);

}  // namespace capture
