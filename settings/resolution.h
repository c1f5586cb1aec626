// The coupling of the resolution capability and the DPI the pictures carry.
#pragma once

#include <cstdint>

#include "protocol/stored_values.h"
#include "settings/settings.h"

namespace settings {

// The source itself sets the resolution: it becomes the current X and Y
// resolution, and both DPI fields take it with its fraction dropped. (An
// application's MSG_SET changes only the capability value.)
void SetSourceResolution(Settings& settings, caps::StoredValues& capValues, float resolution);

// Stores a new DPI pair, as loaded from the file or entered in the parameter
// dialog. When the horizontal value differs from the current resolution it
// becomes the resolution, and then both DPI fields equal it.
void ApplyDpiPair(Settings& settings, caps::StoredValues& capValues, std::int32_t dpiX, std::int32_t dpiY);

}  // namespace settings
