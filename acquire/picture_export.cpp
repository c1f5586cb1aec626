#include "acquire/picture_export.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/file_stream.h"
#include "platform/picture_codecs.h"
#include "protocol/stored_values.h"

namespace acquire {
namespace {

std::optional<platform::CodecFormat> CodecOf(std::uint16_t fileFormat) {
  switch (fileFormat) {
    case twain::TWFF_TIFF:
      return platform::CodecFormat::Tiff;
    case twain::TWFF_PNG:
      return platform::CodecFormat::Png;
    case twain::TWFF_JFIF:
      return platform::CodecFormat::Jpeg;
    default:
      return std::nullopt;
  }
}

int DotsPerInch(std::int32_t pixelsPerMetre) {
  return pixelsPerMetre > 0 ? static_cast<int>(std::lround(pixelsPerMetre * 0.0254)) : 0;
}

// Whether the path names a plain file (or nothing yet), which a failed write
// may remove; a device the application named is left alone. The path is
// opened for writing as the encoder will open it.
bool OpensAsPlainFile(const std::string& path) {
  const platform::FileHandle file = platform::OpenFile(path, "wb");
  return file && platform::IsRegularFile(file.get());
}

// Encodes a block whose header, palette and rows lie within `blockSize`.
bool EncodeBlock(const std::uint8_t* block, std::size_t blockSize, const std::string& path,
                 platform::CodecFormat codec) {
  BitmapInfoHeader header{};
  std::memcpy(&header, block, sizeof header);
  const int bits = header.biBitCount;
  if (header.biSize != sizeof header || header.biCompression != 0 || (bits != 1 && bits != 8 && bits != 24) ||
      header.biWidth <= 0 || header.biHeight <= 0) {
    return false;
  }
  const std::uint64_t stride = BitmapRowBytes(header.biWidth, header.biBitCount);
  const std::uint64_t colours = bits == 24 ? 0 : BitmapColorCount(header);
  const std::uint64_t rowsAt = sizeof header + colours * 4;
  if (colours > 256 || rowsAt + stride * static_cast<std::uint64_t>(header.biHeight) > blockSize) return false;

  std::vector<platform::PaletteColour> palette(static_cast<std::size_t>(colours));
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const std::uint8_t* quad = block + sizeof header + 4 * i;  // blue, green, red, reserved
    palette[i] = {quad[2], quad[1], quad[0]};
  }
  platform::PictureView picture;
  picture.width = header.biWidth;
  picture.height = header.biHeight;
  picture.bitsPerPixel = bits;
  picture.stride = static_cast<std::size_t>(stride);
  picture.rows = block + rowsAt;
  picture.palette = palette;
  picture.dpiX = DotsPerInch(header.biXPelsPerMeter);
  picture.dpiY = DotsPerInch(header.biYPelsPerMeter);
  return platform::EncodePictureFile(path, codec, picture);
}

}  // namespace

bool WritesFileFormat(std::uint16_t fileFormat) {
  return std::find(caps::kImageFileFormats.begin(), caps::kImageFileFormats.end(), fileFormat) !=
         caps::kImageFileFormats.end();
}

bool SavePictureFile(PictureBitmap bitmap, const std::string& path, std::uint16_t fileFormat,
                     platform::GlobalMemory& memory, platform::MessageBoxes& boxes) {
  if (fileFormat == twain::TWFF_BMP) return SaveBitmapFile(bitmap, path, memory, boxes);
  const std::optional<platform::CodecFormat> codec = CodecOf(fileFormat);
  if (bitmap == nullptr || !codec) return false;
  const std::size_t blockSize = memory.Size(bitmap);
  if (blockSize < sizeof(BitmapInfoHeader)) return false;
  const bool plainFile = OpensAsPlainFile(path);
  const bool whole = EncodeBlock(static_cast<const std::uint8_t*>(memory.Lock(bitmap)), blockSize, path, *codec);
  memory.Unlock(bitmap);
  if (!whole && plainFile) platform::RemoveFile(path);
  return whole;
}

}  // namespace acquire
