#include "caps/names.h"

#include "protocol/stored_values.h"
#include "protocol/twain.h"

namespace caps {

using namespace twain;

std::optional<std::string_view> PixelTypeName(int pixelType, int bitDepth, std::atomic<bool>& ignoreNextCommand) {
  if (ignoreNextCommand.exchange(false)) return std::nullopt;
  switch (pixelType) {
    case TWPT_BW:
      return "1 bit B&W";
    case TWPT_GRAY:
      return bitDepth == 4 ? "4 bit Gray" : "8 bit Gray";
    case TWPT_RGB:
      return "24 bit Color";
    case kPixelTypeColourAndBlackWhite:
      return "Color and B&W";
    default:
      return std::nullopt;
  }
}

std::optional<std::string_view> PaperSizeName(int paperSize) {
  switch (paperSize) {
    case TWSS_NONE:
      return "Custom";
    case TWSS_A4LETTER:
      return "A4 Letter";
    case TWSS_USLETTER:
      return "US Letter";
    case TWSS_USLEGAL:
      return "US Legal";
    default:
      return std::nullopt;
  }
}

std::optional<std::string_view> RotationName(int rotationIndex) {
  switch (rotationIndex) {
    case TWOR_ROT0:
      return "Rotate 0'";
    case TWOR_ROT90:
      return "Rotate 90'";
    case TWOR_ROT180:
      return "Rotate 180'";
    case TWOR_ROT270:
      return "Rotate 270'";
    default:
      return std::nullopt;
  }
}

}  // namespace caps
