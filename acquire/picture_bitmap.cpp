#include "acquire/picture_bitmap.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "imaging/row_kernels.h"
#include "platform/file_stream.h"

namespace acquire {
namespace {

// Pictures larger than this are refused rather than allocated: no document
// camera delivers anything near it, and a damaged header may claim anything.
constexpr std::uint64_t kMaxImageBytes = 1ull << 30;
constexpr std::int32_t kMaxDimension = 1 << 16;
constexpr std::uint32_t kUncompressed = 0;

std::uint16_t ColorCountForBits(std::uint16_t bitCount) {
  switch (bitCount) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

bool IsSupportedBitCount(std::uint16_t bitCount) {
  return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

// The rows this source can hand on: uncompressed, bottom-up, of a sane size,
// with at most a full palette.
bool IsSafeHeader(const BitmapInfoHeader& header, std::uint16_t colorCount) {
  if (header.biCompression != kUncompressed || !IsSupportedBitCount(header.biBitCount)) return false;
  if (header.biWidth <= 0 || header.biHeight <= 0) return false;
  if (header.biWidth > kMaxDimension || header.biHeight > kMaxDimension) return false;
  if (colorCount > 256) return false;
  return BitmapRowBytes(header.biWidth, header.biBitCount) * static_cast<std::uint64_t>(header.biHeight) <=
         kMaxImageBytes;
}

}  // namespace

std::uint64_t BitmapRowBytes(std::int64_t width, std::uint16_t bitCount) {
  return (static_cast<std::uint64_t>(bitCount) * static_cast<std::uint64_t>(width) + 31) / 32 * 4;
}

std::uint16_t BitmapColorCount(const BitmapInfoHeader& header) {
  if (header.biClrUsed != 0) return static_cast<std::uint16_t>(std::min<std::uint32_t>(header.biClrUsed, 0xFFFF));
  return ColorCountForBits(header.biBitCount);
}

std::uint16_t BitmapColorCount(const BitmapCoreHeader& header) { return ColorCountForBits(header.bcBitCount); }

std::uint32_t BitmapPaletteBytes(const BitmapInfoHeader& header) { return BitmapColorCount(header) * 4u; }
std::uint32_t BitmapPaletteBytes(const BitmapCoreHeader& header) { return BitmapColorCount(header) * 3u; }

void CopyBitmapRow(const std::uint8_t* from, std::uint8_t* to, std::size_t bytes, bool redBlueSwapped) {
  if (!redBlueSwapped) {
    std::memcpy(to, from, bytes);
    return;
  }
  imaging::kernels::SwapRedBlue(from, to, bytes / 3);
}

PictureBitmap ReadBitmapHeader(std::FILE* file, platform::GlobalMemory& memory) {
  const long start = std::ftell(file);
  BitmapFileHeader fileHeader{};
  if (std::fread(&fileHeader, sizeof fileHeader, 1, file) != 1) return nullptr;
  std::uint32_t offBits = fileHeader.bfOffBits;
  if (fileHeader.bfType != kBitmapSignature) {
    offBits = 0;
    std::fseek(file, start, SEEK_SET);
  }

  BitmapInfoHeader header{};
  if (std::fread(&header, sizeof header, 1, file) != 1) return nullptr;
  const bool core = header.biSize == sizeof(BitmapCoreHeader);
  if (!core && header.biSize != sizeof(BitmapInfoHeader)) return nullptr;
  std::uint16_t colorCount;
  if (core) {
    BitmapCoreHeader coreHeader{};
    std::memcpy(&coreHeader, &header, sizeof coreHeader);
    colorCount = BitmapColorCount(coreHeader);
    header = BitmapInfoHeader{};
    header.biSize = sizeof(BitmapInfoHeader);
    header.biWidth = coreHeader.bcWidth;
    header.biHeight = coreHeader.bcHeight;
    header.biPlanes = coreHeader.bcPlanes;
    header.biBitCount = coreHeader.bcBitCount;
    header.biClrUsed = header.biClrImportant = colorCount;
    std::fseek(file, -static_cast<long>(sizeof header - sizeof coreHeader), SEEK_CUR);
  } else {
    colorCount = BitmapColorCount(header);
  }
  if (!IsSafeHeader(header, colorCount)) return nullptr;

  // A stated image size smaller than the rows would let a reader run past the block.
  const std::uint64_t rowsBytes = BitmapRowBytes(header.biWidth, header.biBitCount) * header.biHeight;
  if (header.biSizeImage < rowsBytes || header.biSizeImage > kMaxImageBytes) {
    header.biSizeImage = static_cast<std::uint32_t>(rowsBytes);
  }
  if (header.biClrUsed == 0) header.biClrUsed = colorCount;

  PictureBitmap bitmap = memory.Allocate(sizeof header + colorCount * 4u);
  if (bitmap == nullptr) return nullptr;
  auto* block = static_cast<std::uint8_t*>(memory.Lock(bitmap));
  std::memcpy(block, &header, sizeof header);
  std::uint8_t* palette = block + sizeof header;
  bool complete = true;
  if (colorCount != 0 && core) {
    // Widen the three-byte entries in place, from the last to the first.
    complete = std::fread(palette, 3, colorCount, file) == colorCount;
    for (int i = colorCount - 1; i >= 0; --i) {
      std::memmove(palette + i * 4, palette + i * 3, 3);
      palette[i * 4 + 3] = 0;
    }
  } else if (colorCount != 0) {
    complete = std::fread(palette, 4, colorCount, file) == colorCount;
  }
  memory.Unlock(bitmap);
  if (!complete) {
    memory.Free(bitmap);
    return nullptr;
  }
  if (colorCount != 0 && offBits != 0) std::fseek(file, start + static_cast<long>(offBits), SEEK_SET);
  return bitmap;
}

PictureBitmap LoadPictureBitmap(const std::string& path, platform::GlobalMemory& memory,
                                platform::MessageBoxes& boxes) {
  const platform::FileHandle file = platform::OpenRegularFile(path);
  if (!file) return nullptr;
  PictureBitmap bitmap = ReadBitmapHeader(file.get(), memory);
  if (bitmap == nullptr) return nullptr;

  BitmapInfoHeader header{};
  std::memcpy(&header, memory.Lock(bitmap), sizeof header);
  memory.Unlock(bitmap);
  const std::size_t rowsOffset = sizeof header + BitmapPaletteBytes(header);
  // A new block of the whole size, into which header and palette move: a
  // fresh block comes zeroed at no cost from the system, where growing the
  // small one would clear every byte of the rows before the read fills them.
  PictureBitmap grown = memory.Allocate(rowsOffset + header.biSizeImage);
  if (grown == nullptr) {
    memory.Free(bitmap);
    boxes.Show({nullptr, "ReAlloc failed.", "Sample Source", platform::mb::kOk});
    return nullptr;
  }
  auto* block = static_cast<std::uint8_t*>(memory.Lock(grown));
  std::memcpy(block, memory.Lock(bitmap), rowsOffset);
  memory.Unlock(bitmap);
  memory.Free(bitmap);
  // The rows in one read: the stream hands a large request straight to the system.
  const std::size_t done = std::fread(block + rowsOffset, 1, header.biSizeImage, file.get());
  memory.Unlock(grown);
  // A file cut after its header was written is damaged like any other: its
  // missing rows are not made up. (A stated image size beyond the rows may
  // find the file shorter; the rows are what must be there.)
  if (done < BitmapRowBytes(header.biWidth, header.biBitCount) * static_cast<std::uint64_t>(header.biHeight)) {
    memory.Free(grown);
    return nullptr;
  }
  return grown;
}

bool SaveBitmapFile(PictureBitmap bitmap, const std::string& path, platform::GlobalMemory& memory,
                    platform::MessageBoxes& boxes) {
  if (bitmap == nullptr) return false;
  const std::size_t blockSize = memory.Size(bitmap);
  if (blockSize < sizeof(BitmapInfoHeader)) return false;
  const auto* block = static_cast<const std::uint8_t*>(memory.Lock(bitmap));
  BitmapInfoHeader header{};
  std::memcpy(&header, block, sizeof header);

  const std::int64_t size =
      static_cast<std::int64_t>(BitmapRowBytes(header.biWidth, header.biBitCount)) * header.biHeight +
      static_cast<std::int64_t>(header.biClrUsed) * 4 + 54;
  if (size <= 14 || size > static_cast<std::int64_t>(kMaxImageBytes)) {
    platform::ReportAssertion(boxes, "Twd_hdib", __LINE__);
    memory.Unlock(bitmap);
    return false;
  }
  BitmapFileHeader fileHeader{kBitmapSignature, static_cast<std::uint32_t>(size), 0, 0, header.biClrUsed * 4 + 54};
  // Never read past the block, whatever its header claims.
  const std::size_t body = std::min<std::size_t>(static_cast<std::size_t>(size) - 14, blockSize);
  platform::FileHandle file = platform::OpenFile(path, "wb");
  // Only a plain file is removed after a failure: the application may name a device.
  const bool plainFile = platform::IsRegularFile(file.get());
  const bool written = file && std::fwrite(&fileHeader, sizeof fileHeader, 1, file.get()) == 1 &&
                       std::fwrite(block, 1, body, file.get()) == body;
  memory.Unlock(bitmap);
  const bool whole = platform::CloseWritten(std::move(file)) && written;
  if (!whole && plainFile) platform::RemoveFile(path);
  return whole;
}

}  // namespace acquire
