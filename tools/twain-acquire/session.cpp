#include "session.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

using namespace twain;

namespace acquire_tool {
namespace {

#pragma pack(push, 2)
struct FileHeader {
  TW_UINT16 type;
  TW_UINT32 size;
  TW_UINT32 reserved;
  TW_UINT32 offBits;
};
struct InfoHeader {
  TW_UINT32 size;
  TW_INT32 width;
  TW_INT32 height;
  TW_UINT16 planes;
  TW_UINT16 bitCount;
  TW_UINT32 compression;
  TW_UINT32 sizeImage;
  TW_INT32 xPelsPerMeter;
  TW_INT32 yPelsPerMeter;
  TW_UINT32 clrUsed;
  TW_UINT32 clrImportant;
};
#pragma pack(pop)

const char* PixelTypeName(TW_INT16 pixelType) {
  switch (pixelType) {
    case TWPT_BW:
      return "black-and-white";
    case TWPT_GRAY:
      return "grey";
    case TWPT_RGB:
      return "colour";
    default:
      return "other";
  }
}

float FromFix32(TW_FIX32 fix) { return static_cast<float>(fix.Whole) + static_cast<float>(fix.Frac) / 65536.0f; }

TW_UINT32 ToFix32Item(float value) {
  const auto scaled = static_cast<TW_INT32>(std::lround(value * 65536.0f));
  const TW_FIX32 fix{static_cast<TW_INT16>(scaled >> 16), static_cast<TW_UINT16>(scaled & 0xFFFF)};
  TW_UINT32 item = 0;
  std::memcpy(&item, &fix, sizeof fix);
  return item;
}

}  // namespace

bool WriteBitmapFile(const std::string& path, const std::uint8_t* dib, std::size_t dibBytes) {
  if (dibBytes < sizeof(InfoHeader)) return false;
  InfoHeader info;
  std::memcpy(&info, dib, sizeof info);
  const FileHeader header{0x4D42, static_cast<TW_UINT32>(sizeof(FileHeader) + dibBytes), 0,
                          static_cast<TW_UINT32>(sizeof(FileHeader) + sizeof info + info.clrUsed * 4)};
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = std::fwrite(&header, sizeof header, 1, file) == 1 && std::fwrite(dib, 1, dibBytes, file) == dibBytes;
  return std::fclose(file) == 0 && ok;
}

Session::Session(SourceLink& link, SessionOptions options, std::FILE* log)
    : link_(link), options_(std::move(options)), log_(log) {}

bool Session::SetOneValue(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item, const char* name) {
  TW_HANDLE container = link_.Allocate(sizeof(TW_ONEVALUE) + 4);
  TW_ONEVALUE value{itemType, item};
  std::memcpy(link_.Lock(container), &value, sizeof value);
  link_.Unlock(container);
  TW_CAPABILITY capability{cap, TWON_ONEVALUE, container};
  const TW_UINT16 rc = link_.Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
  link_.Free(container);
  std::fprintf(log_, "set %s: %s\n", name, rc == TWRC_SUCCESS ? "accepted" : "refused");
  return rc == TWRC_SUCCESS;
}

bool Session::Negotiate() {
  bool ok = true;
  if (options_.pixelType) ok &= SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, *options_.pixelType, "pixel type");
  if (options_.resolution)
    ok &= SetOneValue(ICAP_XRESOLUTION, TWTY_FIX32, ToFix32Item(*options_.resolution), "resolution");
  const TW_UINT16 mechanism = options_.mechanism == Mechanism::Native ? TWSX_NATIVE
                              : options_.mechanism == Mechanism::File ? TWSX_FILE
                                                                      : TWSX_MEMORY;
  ok &= SetOneValue(ICAP_XFERMECH, TWTY_UINT16, mechanism, "transfer mechanism");
  return ok;
}

int Session::ReceivePictures() {
  const int before = received_;
  for (;;) {
    TW_IMAGEINFO info{};
    if (link_.Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) != TWRC_SUCCESS) {
      std::fprintf(log_, "image info: refused\n");
      break;
    }
    const auto start = std::chrono::steady_clock::now();
    const std::string path = options_.outputFolder + "/picture" + std::to_string(received_ + 1) + ".bmp";
    std::size_t bytes = 0;
    bool ok = false;
    switch (options_.mechanism) {
      case Mechanism::Native:
        ok = TransferNative(path, bytes);
        break;
      case Mechanism::File:
        ok = TransferFile(path, bytes);
        break;
      case Mechanism::Memory:
        ok = TransferMemory(info, path, bytes);
        break;
    }
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    TW_PENDINGXFERS pending{};
    link_.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    if (!ok) {
      std::fprintf(log_, "picture %d: transfer failed\n", received_ + 1);
      TW_PENDINGXFERS reset{};
      if (pending.Count != 0) link_.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &reset);
      break;
    }
    ++received_;
    std::fprintf(log_, "picture %d: %d x %d, %s, %zu bytes, %.0f ms, %s\n", received_, info.ImageWidth,
                 info.ImageLength, PixelTypeName(info.PixelType), bytes, milliseconds, path.c_str());
    if (pending.Count == 0) break;
  }
  return received_ - before;
}

bool Session::TransferNative(const std::string& path, std::size_t& bytes) {
  TW_HANDLE bitmap = nullptr;
  if (link_.Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap) != TWRC_XFERDONE || bitmap == nullptr) return false;
  const auto* dib = static_cast<const std::uint8_t*>(link_.Lock(bitmap));
  InfoHeader info;
  std::memcpy(&info, dib, sizeof info);
  bytes = sizeof info + info.clrUsed * 4 + info.sizeImage;
  const bool ok = WriteBitmapFile(path, dib, bytes);
  link_.Unlock(bitmap);
  link_.Free(bitmap);  // the application owns what a native transfer hands over
  return ok;
}

bool Session::TransferFile(const std::string& path, std::size_t& bytes) {
  TW_SETUPFILEXFER setup{};
  std::snprintf(setup.FileName, sizeof setup.FileName, "%s", path.c_str());
  setup.Format = TWFF_BMP;
  if (link_.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup) != TWRC_SUCCESS) return false;
  if (link_.Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr) != TWRC_XFERDONE) return false;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    std::fseek(file, 0, SEEK_END);
    bytes = static_cast<std::size_t>(std::ftell(file));
    std::fclose(file);
  }
  return bytes > 0;
}

bool Session::TransferMemory(const TW_IMAGEINFO& info, const std::string& path, std::size_t& bytes) {
  TW_SETUPMEMXFER setup{};
  if (link_.Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) != TWRC_SUCCESS) return false;
  const TW_UINT32 size = options_.bufferBytes != 0 ? options_.bufferBytes : setup.Preferred;
  std::vector<std::uint8_t> buffer(size);
  std::vector<std::uint8_t> rows;  // top row first, as they arrive
  TW_UINT32 bytesPerRow = 0;
  for (;;) {
    TW_IMAGEMEMXFER transfer{};
    transfer.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, size, buffer.data()};
    const TW_UINT16 rc = link_.Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &transfer);
    if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) return false;
    bytesPerRow = transfer.BytesPerRow;
    rows.insert(rows.end(), buffer.begin(), buffer.begin() + transfer.BytesWritten);
    if (rc == TWRC_XFERDONE) break;
    if (transfer.BytesWritten == 0) return false;  // a buffer smaller than one row never ends
  }
  if (bytesPerRow == 0) return false;

  // Back to a bottom-up bitmap, colour pixels as blue, green, red again.
  const int bits = info.BitsPerPixel;
  const TW_UINT32 colours = bits == 1 ? 2 : bits == 8 ? 256 : 0;
  const std::size_t height = rows.size() / bytesPerRow;
  InfoHeader header{sizeof(InfoHeader),
                    static_cast<TW_INT32>(info.ImageWidth),
                    static_cast<TW_INT32>(height),
                    1,
                    static_cast<TW_UINT16>(bits),
                    0,
                    static_cast<TW_UINT32>(rows.size()),
                    static_cast<TW_INT32>(std::lround(FromFix32(info.XResolution) / 0.0254f)),
                    static_cast<TW_INT32>(std::lround(FromFix32(info.YResolution) / 0.0254f)),
                    colours,
                    colours};
  std::vector<std::uint8_t> dib(sizeof header + colours * 4 + rows.size());
  std::memcpy(dib.data(), &header, sizeof header);
  for (TW_UINT32 i = 0; i < colours; ++i) {
    const auto level = static_cast<std::uint8_t>(colours == 2 ? i * 255 : i);
    std::uint8_t* entry = dib.data() + sizeof header + i * 4;
    entry[0] = entry[1] = entry[2] = level;
  }
  std::uint8_t* pixels = dib.data() + sizeof header + colours * 4;
  for (std::size_t row = 0; row < height; ++row) {
    std::uint8_t* target = pixels + (height - 1 - row) * bytesPerRow;
    std::memcpy(target, rows.data() + row * bytesPerRow, bytesPerRow);
    if (bits == 24) {
      for (TW_UINT32 i = 0; i + 3 <= bytesPerRow; i += 3) std::swap(target[i], target[i + 2]);
    }
  }
  bytes = rows.size();
  return WriteBitmapFile(path, dib.data(), dib.size());
}

}  // namespace acquire_tool
