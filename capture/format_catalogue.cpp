#include "capture/format_catalogue.h"

#include <algorithm>
#include <cstdio>

namespace capture {
namespace {

// Narrower capabilities are the camera's thumbnail modes, never a document format.
constexpr std::int32_t kMinCatalogueWidth = 200;

}  // namespace

FormatCatalogue FormatCatalogue::FromCapabilities(std::span<const VideoFormat> capabilities) {
  FormatCatalogue catalogue;
  for (const VideoFormat& capability : capabilities) {
    if (capability.formatType != FormatType::VideoInfo || capability.width < kMinCatalogueWidth) continue;
    auto format = std::find_if(catalogue.formats_.begin(), catalogue.formats_.end(),
                               [&](const CatalogueFormat& f) { return f.subtype == capability.subtype; });
    if (format == catalogue.formats_.end()) {
      if (catalogue.formats_.size() == kMaxCatalogueFormats) continue;
      catalogue.formats_.push_back(CatalogueFormat{capability.subtype, {}});
      format = catalogue.formats_.end() - 1;
    }
    if (format->sizes.size() == kMaxCatalogueSizes) continue;
    format->sizes.push_back({capability.width, capability.height, capability.bitRate, capability.frameInterval});
  }
  return catalogue;
}

std::size_t FormatCatalogue::FormatIndexFor(const MediaSubtype& subtype) const {
  std::size_t selected = 0;
  for (std::size_t i = 0; i < formats_.size(); ++i) {
    if (formats_[i].subtype == subtype) selected = i;
  }
  return selected;
}

std::string FormatLabel(const MediaSubtype& subtype) {
  if (subtype == kSubtypeYuy2) return "YUY2";
  if (subtype == kSubtypeYvyu) return "YVYU";
  if (subtype == kSubtypeMjpg) return "MJPG";
  if (subtype == kSubtypeRgb24) return "RGB24";
  return "define";
}

std::string SizeLabel(const CatalogueSize& size) {
  const bool soldLarger = size.width == 3264 && size.height == 2448;
  char label[32];
  std::snprintf(label, sizeof label, " %d x %d ", soldLarger ? 3648 : size.width, soldLarger ? 2736 : size.height);
  return label;
}

std::size_t SizeIndexFor(const CatalogueFormat& format, std::int32_t width, std::int32_t height) {
  std::size_t selected = 0;
  for (std::size_t i = 0; i < format.sizes.size(); ++i) {
    if (format.sizes[i].width == width && format.sizes[i].height == height) selected = i;
  }
  return selected;
}

std::int64_t FramesPerSecond(std::int64_t frameInterval) {
  if (frameInterval <= 0) return 0;
  return 10000000 / frameInterval;
}

bool FrameRateAccepted(std::int64_t framesPerSecond) {
  return framesPerSecond >= kMinFrameRate && framesPerSecond <= kMaxFrameRate;
}

}  // namespace capture
