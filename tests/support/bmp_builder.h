// Bitmap files made byte by byte for tests, including damaged ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct BmpLayout {
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t bitCount = 24;
  std::uint32_t headerSize = 40;
  std::uint32_t clrUsed = 0;
  std::uint32_t sizeImage = 0;
  std::uint32_t compression = 0;
  bool fileHeader = true;
  std::vector<std::uint8_t> palette;  // written as given
  std::vector<std::uint8_t> rows;     // written as given; when empty, a counting pattern of the full size
                                      // (none for a negative width or height)
};

std::uint32_t RowBytes(std::int32_t width, std::uint16_t bitCount);
std::string BuildBmp(const BmpLayout& layout);
void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace testing_support
