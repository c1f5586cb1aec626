#include "imaging/bmp_file.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/file_stream.h"

namespace imaging {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
// The longest header we read: the version 5 header and a full palette.
constexpr std::size_t kLongestHead = kFileHeaderBytes + 124 + 256 * 4;

std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | (std::uint32_t{b[at + 1]} << 8) | (std::uint32_t{b[at + 2]} << 16) | (std::uint32_t{b[at + 3]} << 24);
}

std::int32_t I32(std::span<const std::uint8_t> b, std::size_t at) { return static_cast<std::int32_t>(U32(b, at)); }

void PutU16(std::uint8_t* at, std::uint32_t v) {
  at[0] = static_cast<std::uint8_t>(v);
  at[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::uint8_t* at, std::uint32_t v) {
  PutU16(at, v);
  PutU16(at + 2, v >> 16);
}

std::uint32_t PixelsPerMetre(int dpi) { return static_cast<std::uint32_t>((std::int64_t{dpi} * 10000 + 127) / 254); }

int DotsPerInch(std::int32_t pixelsPerMetre) {
  return pixelsPerMetre > 0 ? static_cast<int>((std::int64_t{pixelsPerMetre} * 254 + 5000) / 10000) : 0;
}

// What the headers say, checked against the file's size.
struct Layout {
  int width = 0;
  int height = 0;
  bool topDown = false;
  int fileBits = 0;
  int pictureBits = 0;
  std::size_t fileStride = 0;
  std::uint64_t pixelOffset = 0;
  std::vector<Rgb> palette;
  int dpiX = 0;
  int dpiY = 0;
};

std::optional<Layout> ParseHeaders(std::span<const std::uint8_t> head, std::uint64_t fileSize) {
  if (head.size() < kFileHeaderBytes + 4 || head[0] != 'B' || head[1] != 'M') return std::nullopt;
  const std::uint32_t headerBytes = U32(head, 14);
  const bool core = headerBytes == 12;
  if (!core && (headerBytes < kInfoHeaderBytes || headerBytes > 124)) return std::nullopt;
  if (head.size() < kFileHeaderBytes + headerBytes) return std::nullopt;

  Layout layout;
  std::int64_t height = 0;
  unsigned planes = 0, compression = 0;
  std::uint32_t coloursUsed = 0;
  if (core) {
    layout.width = U16(head, 18);
    height = U16(head, 20);
    planes = U16(head, 22);
    layout.fileBits = U16(head, 24);
  } else {
    layout.width = I32(head, 18);
    height = I32(head, 22);
    planes = U16(head, 26);
    layout.fileBits = U16(head, 28);
    compression = U32(head, 30);
    layout.dpiX = DotsPerInch(I32(head, 38));
    layout.dpiY = DotsPerInch(I32(head, 42));
    coloursUsed = U32(head, 46);
  }
  const int bits = layout.fileBits;
  if (planes != 1 || compression != 0) return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
  // A negative height means rows stored top row first.
  layout.topDown = height < 0;
  if (layout.width <= 0 || height == 0 || height < -std::int64_t{INT_MAX}) return std::nullopt;
  layout.height = static_cast<int>(layout.topDown ? -height : height);
  layout.pictureBits = bits == 4 ? 8 : bits == 32 ? 24 : bits;
  if (!IsSupportedPicture(layout.width, layout.height, layout.pictureBits)) return std::nullopt;
  layout.fileStride = RowStride(layout.width, bits);

  std::uint64_t paletteEnd = kFileHeaderBytes + headerBytes;
  if (bits <= 8) {
    const std::uint32_t most = 1u << bits;
    if (coloursUsed > most) return std::nullopt;
    const std::uint32_t colours = coloursUsed != 0 ? coloursUsed : most;
    const std::size_t entryBytes = core ? 3 : 4;
    if (head.size() < paletteEnd + colours * entryBytes) return std::nullopt;
    for (std::uint32_t i = 0; i < colours; ++i) {
      const std::size_t at = static_cast<std::size_t>(paletteEnd) + i * entryBytes;
      layout.palette.push_back(Rgb{head[at + 2], head[at + 1], head[at]});
    }
    paletteEnd += colours * entryBytes;
  }
  layout.pixelOffset = U32(head, 10);
  const std::uint64_t pixelBytes = std::uint64_t{layout.fileStride} * static_cast<std::uint64_t>(layout.height);
  if (layout.pixelOffset < paletteEnd || layout.pixelOffset > fileSize || fileSize - layout.pixelOffset < pixelBytes) {
    return std::nullopt;
  }
  return layout;
}

// Reads the picture through readAt(offset, destination, count), which
// returns whether it could fill the destination.
template <class ReadAt>
Picture ReadBmp(std::uint64_t fileSize, ReadAt readAt) {
  if (fileSize < kFileHeaderBytes + 4) return {};
  std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kLongestHead)));
  if (!readAt(0, head.data(), head.size())) return {};
  const std::optional<Layout> layout = ParseHeaders(head, fileSize);
  if (!layout) return {};

  Picture picture(layout->width, layout->height, layout->pictureBits);
  if (picture.Empty()) return {};
  if (layout->pictureBits != 24) picture.SetPalette(layout->palette);
  picture.SetDpiX(layout->dpiX);
  picture.SetDpiY(layout->dpiY);

  const int height = layout->height;
  if (layout->fileBits == layout->pictureBits && !layout->topDown) {
    // Our own files: the rows are exactly the picture's bytes.
    if (!readAt(layout->pixelOffset, picture.Row(0), picture.Stride() * static_cast<std::size_t>(height))) return {};
  } else {
    std::vector<std::uint8_t> fileRow(layout->fileStride);
    for (int i = 0; i < height; ++i) {
      if (!readAt(layout->pixelOffset + std::uint64_t{layout->fileStride} * static_cast<std::uint64_t>(i),
                  fileRow.data(), fileRow.size())) {
        return {};
      }
      std::uint8_t* row = picture.Row(layout->topDown ? height - 1 - i : i);
      if (layout->fileBits == 4) {
        for (int x = 0; x < layout->width; ++x) {
          row[x] = static_cast<std::uint8_t>((fileRow[static_cast<std::size_t>(x >> 1)] >> ((x & 1) ? 0 : 4)) & 0x0F);
        }
      } else if (layout->fileBits == 32) {
        for (int x = 0; x < layout->width; ++x) std::memcpy(row + 3 * x, &fileRow[4 * static_cast<std::size_t>(x)], 3);
      } else {
        std::memcpy(row, fileRow.data(), picture.Stride());
      }
    }
  }
  picture.ClearPadding();
  return picture;
}

}  // namespace

bool SaveBmp(const Picture& picture, const std::string& path) {
  if (picture.Empty()) return false;
  const std::size_t paletteBytes = picture.Palette().size() * 4;
  const std::size_t imageBytes = picture.Stride() * static_cast<std::size_t>(picture.Height());
  const std::size_t offBits = kFileHeaderBytes + kInfoHeaderBytes + paletteBytes;

  std::vector<std::uint8_t> head(offBits, 0);
  head[0] = 'B';
  head[1] = 'M';
  PutU32(&head[2], static_cast<std::uint32_t>(offBits + imageBytes));
  PutU32(&head[10], static_cast<std::uint32_t>(offBits));
  PutU32(&head[14], kInfoHeaderBytes);
  PutU32(&head[18], static_cast<std::uint32_t>(picture.Width()));
  PutU32(&head[22], static_cast<std::uint32_t>(picture.Height()));
  PutU16(&head[26], 1);
  PutU16(&head[28], static_cast<std::uint32_t>(picture.BitsPerPixel()));
  PutU32(&head[34], static_cast<std::uint32_t>(imageBytes));
  PutU32(&head[38], PixelsPerMetre(picture.DpiX()));
  PutU32(&head[42], PixelsPerMetre(picture.DpiY()));
  PutU32(&head[46], static_cast<std::uint32_t>(picture.Palette().size()));
  std::uint8_t* entry = &head[kFileHeaderBytes + kInfoHeaderBytes];
  for (const Rgb& colour : picture.Palette()) {
    entry[0] = colour.blue;
    entry[1] = colour.green;
    entry[2] = colour.red;
    entry += 4;
  }

  platform::FileReplacement file(path);
  std::FILE* stream = file.Stream();
  return stream != nullptr && std::fwrite(head.data(), 1, head.size(), stream) == head.size() &&
         std::fwrite(picture.Bytes().data(), 1, imageBytes, stream) == imageBytes && file.Commit();
}

Picture LoadBmp(const std::string& path) {
  const platform::FileHandle file = platform::OpenRegularFile(path);
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return {};
  const long size = std::ftell(file.get());
  if (size < 0) return {};
  return ReadBmp(static_cast<std::uint64_t>(size), [&file](std::uint64_t offset, std::uint8_t* to, std::size_t n) {
    return offset <= LONG_MAX && std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) == 0 &&
           std::fread(to, 1, n, file.get()) == n;
  });
}

Picture DecodeBmp(std::span<const std::uint8_t> bytes) {
  return ReadBmp(bytes.size(), [bytes](std::uint64_t offset, std::uint8_t* to, std::size_t n) {
    if (offset > bytes.size() || bytes.size() - offset < n) return false;
    std::memcpy(to, bytes.data() + offset, n);
    return true;
  });
}

}  // namespace imaging
