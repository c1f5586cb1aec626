#include "settings/resolution.h"

#include <cmath>
#include <limits>

namespace settings {
namespace {

// Drops the fraction; values outside the integer range saturate instead of
// being undefined.
std::int32_t WholeDpi(float resolution) {
  if (std::isnan(resolution)) return 0;
  const double whole = std::trunc(static_cast<double>(resolution));
  if (whole <= std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  if (whole >= std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(whole);
}

}  // namespace

void SetSourceResolution(Settings& settings, caps::StoredValues& capValues, float resolution) {
  capValues.xResolution = resolution;
  settings.dpiX = WholeDpi(resolution);
  settings.dpiY = settings.dpiX;
}

void ApplyDpiPair(Settings& settings, caps::StoredValues& capValues, std::int32_t dpiX, std::int32_t dpiY) {
  settings.dpiX = dpiX;
  settings.dpiY = dpiY;
  const float horizontal = static_cast<float>(dpiX);
  if (capValues.xResolution != horizontal) {
    capValues.xResolution = horizontal;
    settings.dpiY = dpiX;
  }
}

}  // namespace settings
