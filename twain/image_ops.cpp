#include "twain/image_ops.h"

#include <algorithm>
#include <cstring>

#include "acquire/picture_bitmap.h"
#include "acquire/picture_export.h"
#include "caps/items.h"
#include "caps/pixel_type.h"
#include "platform/text_encoding.h"
#include "twain/source.h"

namespace twain {
namespace {

// The whole part of a value as TWAIN carries it: through a 32-bit float and a TW_FIX32.
TW_INT32 WholePart(float value) { return caps::ToFix32(value).Whole; }

TW_FIX32 Fix(float value) { return caps::ToFix32(value); }

// Bits per sample of a response table for the current pixel type: an
// application's table holds one entry per possible sample value.
int ResponseEntries(const Source& source) {
  const caps::StoredValues& values = source.CapValues();
  const int pixelType = values.pixelType;
  const int bits = pixelType == TWPT_GRAY || pixelType == TWPT_BW ? caps::GetCurrentBitDepth(values, pixelType) : 8;
  return 1 << std::clamp(bits, 1, 8);
}

void ResetResponse(ResponseTable& table) {
  for (int i = 0; i < 256; ++i) {
    const auto value = static_cast<TW_UINT8>(i);
    table[static_cast<std::size_t>(i)] = TW_ELEMENT8{value, value, value, value};
  }
}

// Only as many entries as the application's table has for the current bit depth.
void SetResponse(const Source& source, const TripletMessage& message, ResponseTable& table) {
  std::memcpy(table.data(), message.data, static_cast<std::size_t>(ResponseEntries(source)) * sizeof(TW_ELEMENT8));
}

// The palette of a bitmap block into the application's TW_PALETTE8.
void FillPalette(platform::GlobalMemory& memory, acquire::PictureBitmap bitmap, TW_PALETTE8& palette) {
  const auto* block = static_cast<const std::uint8_t*>(memory.Lock(bitmap));
  acquire::BitmapInfoHeader header{};
  std::memcpy(&header, block, sizeof header);
  const std::uint32_t colours = std::min<std::uint32_t>(header.biClrUsed, 256);
  palette.NumColors = static_cast<TW_UINT16>(colours);
  palette.PaletteType = TWPA_RGB;
  for (std::uint32_t i = 0; i < colours; ++i) {
    const std::uint8_t* entry = block + sizeof header + i * 4;  // blue, green, red, 0
    palette.Colors[i] = TW_ELEMENT8{static_cast<TW_UINT8>(i), entry[2], entry[1], entry[0]};
  }
  memory.Unlock(bitmap);
}

}  // namespace

TW_UINT16 DescribeNextPicture(Source& source, TripletMessage& message, const DispatchRow& row) {
  const acquire::PageEntry* entry = source.Queue().Entry(source.Queue().NextPictureNumber());
  if (entry == nullptr) return Refuse(source, row, TWCC_SEQERROR);  // no picture to describe
  if (message.data == nullptr) return Refuse(source, row, TWCC_BADVALUE);

  const caps::StoredValues& values = source.CapValues();
  const float resolution = values.xResolution;
  TW_IMAGEINFO info{};
  info.XResolution = info.YResolution = Fix(resolution);
  info.ImageWidth = WholePart(resolution * entry->widthInches);
  info.ImageLength =
      WholePart(values.paperSize == TWSS_USLETTER ? resolution * entry->heightInches : resolution * 14.0f);
  info.BitsPerPixel = static_cast<TW_INT16>(caps::GetCurrentBitDepth(values, protocol::Wire(entry->pixelType)));
  if (info.BitsPerPixel < 24) {
    info.SamplesPerPixel = 1;
    info.BitsPerSample[0] = info.BitsPerPixel;
  } else {
    info.SamplesPerPixel = 3;
    info.BitsPerSample[0] = info.BitsPerSample[1] = info.BitsPerSample[2] = 8;
  }
  info.Planar = 0;
  info.PixelType = static_cast<TW_INT16>(protocol::Wire(entry->pixelType));
  info.Compression = TWCP_NONE;
  std::memcpy(message.data, &info, sizeof info);
  return TWRC_SUCCESS;
}

TW_UINT16 GetLayout(Source&, TripletMessage& message, const DispatchRow&) {
  TW_IMAGELAYOUT layout{};
  const TW_FIX32 edge{22, 33};
  layout.Frame = TW_FRAME{edge, edge, edge, edge};
  layout.DocumentNumber = 4;
  layout.PageNumber = 88;
  layout.FrameNumber = 1;
  std::memcpy(message.data, &layout, sizeof layout);
  return TWRC_SUCCESS;
}

TW_UINT16 TransferNative(Source& source, TripletMessage& message, const DispatchRow& row) {
  acquire::PageQueue& queue = source.Queue();
  std::uint32_t rowBytes = 0;
  // The whole handle, pointer-sized; 0 when no picture is handed over.
  const TW_HANDLE bitmap = queue.OpenNextPicture(rowBytes) ? queue.TakeHeldBitmap() : nullptr;
  std::memcpy(message.data, &bitmap, sizeof bitmap);
  // A missing or damaged picture file is a failed transfer in state 6: the
  // picture stays pending, so MSG_ENDXFER skips it and MSG_RESET drops all.
  if (bitmap == nullptr) return Refuse(source, row, TWCC_OPERATIONERROR);
  queue.CompleteTransfer();
  // The application frees it: its size is no longer the source's to know.
  source.Ports().memory.HandOver(bitmap);
  source.Context().protocolState = 7;
  return TWRC_XFERDONE;
}

TW_UINT16 TransferFile(Source& source, TripletMessage&, const DispatchRow&) {
  SourceContext& context = source.Context();
  acquire::PageQueue& queue = source.Queue();
  context.conditionCode = TWCC_OPERATIONERROR;
  std::uint32_t rowBytes = 0;
  if (!queue.OpenNextPicture(rowBytes)) return TWRC_FAILURE;
  const acquire::PictureBitmap bitmap = queue.TakeHeldBitmap();
  platform::GlobalMemory& memory = source.Ports().memory;
  const bool written =
      acquire::SavePictureFile(bitmap, platform::ApplicationTextToUtf8(context.fileNameCurrent),
                               source.CapValues().imageFileFormat, memory, source.Ports().messageBoxes);
  memory.Free(bitmap);
  if (!written) {
    // The output was removed; the picture's own file stays and it stays pending.
    context.conditionCode = TWCC_FILEWRITEERROR;
    return TWRC_FAILURE;
  }
  queue.CompleteTransfer();
  context.conditionCode = TWCC_SUCCESS;
  context.protocolState = 7;
  return TWRC_XFERDONE;
}

TW_UINT16 TransferRows(Source& source, TripletMessage& message, const DispatchRow& row) {
  SourceContext& context = source.Context();
  acquire::PageQueue& queue = source.Queue();
  // The bottom row went out: only MSG_ENDXFER or MSG_RESET may follow.
  if (context.protocolState == 7 && queue.TransferCompleted()) return Refuse(source, row, TWCC_SEQERROR);
  std::uint32_t rowBytes = queue.RowBytes();
  if (context.protocolState == 6 && !queue.OpenNextPicture(rowBytes)) return Refuse(source, row, TWCC_OPERATIONERROR);

  TW_IMAGEMEMXFER transfer;
  std::memcpy(&transfer, message.data, sizeof transfer);
  const acquire::PageEntry* entry = queue.Entry(queue.NextPictureNumber());
  transfer.BytesPerRow = rowBytes;
  transfer.YOffset = static_cast<TW_UINT32>(queue.RowsDelivered());
  transfer.Columns =
      entry != nullptr ? static_cast<TW_UINT32>(source.CapValues().xResolution * entry->widthInches + 0.5f) : 0;
  transfer.XOffset = 0;

  // Buffers come as plain pointers or, when the application says so, as memory handles.
  platform::GlobalMemory& memory = source.Ports().memory;
  const bool handle = (transfer.Memory.Flags & TWMF_HANDLE) != 0;
  std::uint32_t length = transfer.Memory.Length;
  auto* buffer = static_cast<std::uint8_t*>(transfer.Memory.TheMem);
  if (handle && buffer != nullptr) {
    length = static_cast<std::uint32_t>(std::min<std::size_t>(length, memory.Size(transfer.Memory.TheMem)));
    buffer = static_cast<std::uint8_t*>(memory.Lock(transfer.Memory.TheMem));
  }
  std::uint32_t written = 0;
  bool done = false;
  const bool copied = queue.CopyRows(buffer, length, written, done);
  if (handle && transfer.Memory.TheMem != nullptr) memory.Unlock(transfer.Memory.TheMem);
  if (!copied) return Refuse(source, row, TWCC_OPERATIONERROR);

  transfer.BytesWritten = written;
  transfer.Rows = rowBytes != 0 ? written / rowBytes : 0;
  std::memcpy(message.data, &transfer, sizeof transfer);
  context.protocolState = 7;
  if (!done) return TWRC_SUCCESS;
  queue.CompleteTransfer();
  return TWRC_XFERDONE;
}

TW_UINT16 GetPalette(Source& source, TripletMessage& message, const DispatchRow& row) {
  // No picture is held in these states: the palette is the one the next
  // picture will carry, read from its file without consuming it.
  platform::GlobalMemory& memory = source.Ports().memory;
  const acquire::PictureBitmap header = source.Queue().ReadNextPictureHeader();
  if (header == nullptr) return Refuse(source, row, TWCC_SEQERROR);
  TW_PALETTE8 palette{};
  FillPalette(memory, header, palette);
  memory.Free(header);
  std::memcpy(message.data, &palette, sizeof palette);
  return TWRC_SUCCESS;
}

TW_UINT16 ResetGrayResponse(Source& source, TripletMessage&, const DispatchRow&) {
  ResetResponse(source.Context().grayResponse);
  return TWRC_SUCCESS;
}

TW_UINT16 SetGrayResponse(Source& source, TripletMessage& message, const DispatchRow&) {
  SetResponse(source, message, source.Context().grayResponse);
  return TWRC_SUCCESS;
}

TW_UINT16 ResetRgbResponse(Source& source, TripletMessage&, const DispatchRow&) {
  ResetResponse(source.Context().rgbResponse);
  return TWRC_SUCCESS;
}

TW_UINT16 SetRgbResponse(Source& source, TripletMessage& message, const DispatchRow&) {
  SetResponse(source, message, source.Context().rgbResponse);
  return TWRC_SUCCESS;
}

TW_UINT16 DescribeCieColour(Source&, TripletMessage& message, const DispatchRow&) {
  TW_CIECOLOR colour;
  std::memcpy(&colour, message.data, sizeof colour);
  colour.ColorSpace = TWPT_RGB;
  colour.LowEndian = 0;
  colour.DeviceDependent = 1;
  colour.VersionNumber = 0;
  colour.StageABC.Decode[0].StartIn = Fix(0.1f);
  colour.StageLMN.Decode[0].StartIn = Fix(1.1f);
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      const TW_FIX32 mix = Fix(static_cast<float>(row) + static_cast<float>(column) / 10.0f);
      colour.StageABC.Mix[row][column] = mix;
      colour.StageLMN.Mix[row][column] = mix;
    }
  }
  colour.WhitePoint = TW_CIEPOINT{Fix(4.4f), Fix(5.5f), Fix(6.6f)};
  colour.BlackPoint = colour.WhitePaper = colour.BlackInk = TW_CIEPOINT{Fix(1.1f), Fix(5.5f), Fix(6.6f)};
  // The structure has room for one sample; the source's further samples have none.
  colour.Samples[0] = Fix(99.99f);
  std::memcpy(message.data, &colour, sizeof colour);
  return TWRC_SUCCESS;
}

}  // namespace twain
