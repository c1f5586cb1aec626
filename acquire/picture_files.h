// Where stored pictures wait for the application, and their names.
#pragma once

#include <cstdint>
#include <string>

#include "protocol/pixel_type.h"

namespace acquire {

// The picture folder "TAVO", created when missing, in a place that belongs to
// the user alone (platform::PrivateTemporaryFolder); empty when none can be had.
std::string PictureFolder();

// The file of picture `number`: "twaingray" for grey, "twainrgb" for
// colour, "twainbw" for anything else, then the number and ".bmp".
std::string PictureFileName(const std::string& folder, int number, protocol::PixelType pixelType);

}  // namespace acquire
