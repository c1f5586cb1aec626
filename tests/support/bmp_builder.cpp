#include "support/bmp_builder.h"

#include <fstream>

namespace testing_support {
namespace {

void Put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

}  // namespace

std::uint32_t RowBytes(std::int32_t width, std::uint16_t bitCount) {
  return (static_cast<std::uint32_t>(bitCount) * static_cast<std::uint32_t>(width) + 31) / 32 * 4;
}

std::string BuildBmp(const BmpLayout& layout) {
  std::string header;
  if (layout.headerSize == 12) {
    Put32(header, 12);
    Put16(header, static_cast<std::uint32_t>(layout.width));
    Put16(header, static_cast<std::uint32_t>(layout.height));
    Put16(header, 1);
    Put16(header, layout.bitCount);
  } else {
    Put32(header, layout.headerSize);
    Put32(header, static_cast<std::uint32_t>(layout.width));
    Put32(header, static_cast<std::uint32_t>(layout.height));
    Put16(header, 1);
    Put16(header, layout.bitCount);
    Put32(header, layout.compression);
    Put32(header, layout.sizeImage);
    Put32(header, 7874);  // 200 dpi
    Put32(header, 7874);
    Put32(header, layout.clrUsed);
    Put32(header, layout.clrUsed);
    while (header.size() < layout.headerSize) header += '\0';
  }
  std::string body(layout.palette.begin(), layout.palette.end());
  if (layout.rows.empty() && layout.width > 0 && layout.height > 0) {
    const std::uint32_t size = RowBytes(layout.width, layout.bitCount) * static_cast<std::uint32_t>(layout.height);
    for (std::uint32_t i = 0; i < size; ++i) body += static_cast<char>(i * 7 + 1);
  } else {
    body.append(layout.rows.begin(), layout.rows.end());
  }
  std::string file;
  if (layout.fileHeader) {
    Put16(file, 0x4D42);
    Put32(file, static_cast<std::uint32_t>(14 + header.size() + body.size()));
    Put32(file, 0);
    Put32(file, static_cast<std::uint32_t>(14 + header.size() + layout.palette.size()));
  }
  return file + header + body;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testing_support
