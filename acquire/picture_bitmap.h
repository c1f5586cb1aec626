// Pictures as packed device-independent bitmaps in movable global memory: a
// 40-byte information header, the palette, and the rows bottom first, each
// padded to four bytes. This is what a native transfer hands the application.
#pragma once

#include <cstdint>
#include <string>

#include "platform/global_memory.h"
#include "platform/message_box.h"

namespace acquire {

using PictureBitmap = platform::MemoryHandle;

#pragma pack(push, 2)
struct BitmapFileHeader {
  std::uint16_t bfType;
  std::uint32_t bfSize;
  std::uint16_t bfReserved1;
  std::uint16_t bfReserved2;
  std::uint32_t bfOffBits;
};

struct BitmapCoreHeader {
  std::uint32_t bcSize;
  std::uint16_t bcWidth;
  std::uint16_t bcHeight;
  std::uint16_t bcPlanes;
  std::uint16_t bcBitCount;
};

struct BitmapInfoHeader {
  std::uint32_t biSize;
  std::int32_t biWidth;
  std::int32_t biHeight;
  std::uint16_t biPlanes;
  std::uint16_t biBitCount;
  std::uint32_t biCompression;
  std::uint32_t biSizeImage;
  std::int32_t biXPelsPerMeter;
  std::int32_t biYPelsPerMeter;
  std::uint32_t biClrUsed;
  std::uint32_t biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BitmapFileHeader) == 14);
static_assert(sizeof(BitmapCoreHeader) == 12);
static_assert(sizeof(BitmapInfoHeader) == 40);

inline constexpr std::uint16_t kBitmapSignature = 0x4D42;  // "BM"

// Bytes of one row: the bits of `width` pixels rounded up to whole 32-bit words.
std::uint64_t BitmapRowBytes(std::int64_t width, std::uint16_t bitCount);

// The palette entries a header announces: for a core header 2, 16 or 256 by
// bit count (else 0); for an information header biClrUsed, or that rule when it is 0.
std::uint16_t BitmapColorCount(const BitmapInfoHeader& header);
std::uint16_t BitmapColorCount(const BitmapCoreHeader& header);
// The palette's bytes in the file: three per entry after a core header, four otherwise.
std::uint32_t BitmapPaletteBytes(const BitmapInfoHeader& header);
std::uint32_t BitmapPaletteBytes(const BitmapCoreHeader& header);

// Copies one row of `bytes` for a memory transfer. With `redBlueSwapped`
// (24-bit rows) every whole group of three turns from blue, green, red into
// red, green, blue, and bytes after the last whole group are left as they
// are; otherwise the row is copied as it is.
void CopyBitmapRow(const std::uint8_t* from, std::uint8_t* to, std::size_t bytes, bool redBlueSwapped);

// Reads the header and palette of the picture at the file's position into a
// new block (header and palette only), the header completed with biSizeImage
// and biClrUsed. Null for anything this source cannot hand on safely: a
// header other than 12 or 40 bytes, a compressed or unknown pixel format, a
// size that does not fit, a palette that is cut short.
PictureBitmap ReadBitmapHeader(std::FILE* file, platform::GlobalMemory& memory);

// Reads a picture file into a whole block; the file stays, for the transfer
// to delete once the picture is handed over. Null when the path is not a
// plain file (links are not followed) or cannot be read as a bitmap, and
// when the file holds fewer bytes of rows than its header states.
PictureBitmap LoadPictureBitmap(const std::string& path, platform::GlobalMemory& memory, platform::MessageBoxes& boxes);

// Writes a block as a bitmap file, replacing any file of that name, and
// checks every write through the close. Returns whether the file was written
// whole; a plain file that was not is removed (a device the application
// named is left alone). False without a block.
bool SaveBitmapFile(PictureBitmap bitmap, const std::string& path, platform::GlobalMemory& memory,
                    platform::MessageBoxes& boxes);

}  // namespace acquire
