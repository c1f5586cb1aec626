#include "acquire/picture_files.h"

#include "platform/files.h"

namespace acquire {

std::string PictureFolder() { return platform::PrivateTemporaryFolder("TAVO"); }

std::string PictureFileName(const std::string& folder, int number, std::uint8_t pixelType) {
  const char* prefix = pixelType == 1 ? "twaingray" : pixelType == 2 ? "twainrgb" : "twainbw";
  return folder + prefix + std::to_string(number) + ".bmp";
}

}  // namespace acquire
