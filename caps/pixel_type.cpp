#include "caps/pixel_type.h"

#include "platform/diagnostics.h"

namespace caps {
namespace {

bool IsPixelType(int pixelType) { return pixelType >= 0 && pixelType < kPixelTypeCount; }

}  // namespace

const std::uint16_t* GetSupportedBitDepth(int& count, int pixelType) {
  if (!IsPixelType(pixelType)) {
    platform::DebugOutput("GetSupportedBitDepth: unsupported pixeltype\n");
    count = 0;
    return nullptr;
  }
  const auto& depths = kSupportedBitDepths[pixelType];
  count = static_cast<int>(depths.size());
  return depths.data();
}

std::uint16_t GetCurrentBitDepth(const StoredValues& values, int pixelType) {
  if (!IsPixelType(pixelType)) {
    platform::DebugOutput("GetCurrentBitDepth: unsupported pixeltype\n");
    return 0;
  }
  return values.bitDepths[pixelType];
}

void SetCurrentBitDepth(StoredValues& values, std::uint16_t bitDepth, int pixelType) {
  if (!IsPixelType(pixelType)) {
    platform::DebugOutput("SetCurrentBitDepth: unsupported pixeltype\n");
    return;
  }
  values.bitDepths[pixelType] = bitDepth;
}

}  // namespace caps
