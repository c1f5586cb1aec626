#include "twain/entry_trace.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/local_time.h"

namespace twain {
namespace {

// Copies at most `count` bytes of the caller's block into a cleared area,
// never more than the structure behind `dat` holds.
template <std::size_t N>
std::array<unsigned char, N> PeekData(TW_UINT16 dat, const void* data) {
  std::array<unsigned char, N> area{};
  if (data != nullptr) std::memcpy(area.data(), data, std::min(N, TraceableDataSize(dat)));
  return area;
}

std::string HexLine(const char* label, const unsigned char* bytes) {
  char line[80];
  std::snprintf(line, sizeof line, "\n\t\t data(%s)：%02x%02x%02x%02x %02x%02x%02x%02x", label, bytes[0], bytes[1],
                bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7]);
  return line;
}

}  // namespace

std::size_t TraceableDataSize(TW_UINT16 dat) {
  switch (dat) {
    case DAT_CAPABILITY:
      return sizeof(TW_CAPABILITY);
    case DAT_EVENT:
      return sizeof(TW_EVENT);
    case DAT_IDENTITY:
      return sizeof(TW_IDENTITY);
    case DAT_PARENT:
      return sizeof(void*);
    case DAT_PENDINGXFERS:
      return sizeof(TW_PENDINGXFERS);
    case DAT_SETUPMEMXFER:
      return sizeof(TW_SETUPMEMXFER);
    case DAT_SETUPFILEXFER:
      return sizeof(TW_SETUPFILEXFER);
    case DAT_STATUS:
      return sizeof(TW_STATUS);
    case DAT_USERINTERFACE:
      return sizeof(TW_USERINTERFACE);
    case DAT_XFERGROUP:
      return sizeof(TW_UINT32);
    case DAT_ENTRYPOINT:
      return sizeof(TW_ENTRYPOINT);
    case DAT_IMAGEINFO:
      return sizeof(TW_IMAGEINFO);
    case DAT_IMAGELAYOUT:
      return sizeof(TW_IMAGELAYOUT);
    case DAT_IMAGEMEMXFER:
      return sizeof(TW_IMAGEMEMXFER);
    case DAT_IMAGENATIVEXFER:
      return sizeof(TW_HANDLE);
    case DAT_CIECOLOR:
      return sizeof(TW_CIECOLOR);
    case DAT_GRAYRESPONSE:
      return sizeof(TW_GRAYRESPONSE);
    case DAT_RGBRESPONSE:
      return sizeof(TW_RGBRESPONSE);
    case DAT_JPEGCOMPRESSION:
      return sizeof(TW_JPEGCOMPRESSION);
    case DAT_PALETTE8:
      return sizeof(TW_PALETTE8);
    default:
      return 0;  // DAT_IMAGEFILEXFER carries no data; unknown DATs are not read
  }
}

std::string FormatEntryBlock(std::int32_t counter, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg) {
  char block[160];
  std::snprintf(block, sizeof block,
                "\n%d:-----------------\n\tDS_Entry parameter：\n\t DG: 0x%04x\n\tDAT: 0x%04x\n\tMSG: 0x%04x",
                static_cast<int>(counter), static_cast<unsigned>(dg), static_cast<unsigned>(dat),
                static_cast<unsigned>(msg));
  return block;
}

std::string FormatEntryData(TW_UINT16 dat, const void* data) {
  const auto area = PeekData<16>(dat, data);
  return HexLine(" 1- 8", area.data()) + HexLine(" 9-16", area.data() + 8);
}

std::string FormatReturnBlock(TW_UINT16 result, TW_UINT16 dat, const void* data) {
  char head[64];
  std::snprintf(head, sizeof head, "\n\n  DS_Entry return data：0x%04x", static_cast<unsigned>(result));
  const auto area = PeekData<8>(dat, data);

  char time[64] = "";
  const std::tm local = platform::LocalTimeNow();
  std::strftime(time, sizeof time, "time:%Y-%m-%d %X", &local);

  return std::string(head) + HexLine(" 1- 8", area.data()) + "\n-------------------------------------\n" + time + "\n";
}

}  // namespace twain
