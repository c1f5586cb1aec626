#include "acquire/picture_files.h"

#include "platform/files.h"

namespace acquire {

std::string PictureFolder() { return platform::PrivateTemporaryFolder("TAVO"); }

std::string PictureFileName(const std::string& folder, int number, protocol::PixelType pixelType) {
  using protocol::PixelType;
  const char* prefix = pixelType == PixelType::Grey     ? "twaingray"
                       : pixelType == PixelType::Colour ? "twainrgb"
                                                        : "twainbw";
  return folder + prefix + std::to_string(number) + ".bmp";
}

}  // namespace acquire
