#include "caps/items.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "protocol/stored_values.h"

namespace caps {

using namespace twain;

namespace {

// The longest text a string item keeps, or 0 for items that are not strings.
std::size_t TextLimit(TW_UINT16 itemType) {
  switch (itemType) {
    case TWTY_STR32:
      return 32;
    case TWTY_STR64:
      return 64;
    case TWTY_STR128:
      return 128;
    case TWTY_STR255:
      return 255;
    default:
      return 0;
  }
}

float LoadFloat(const std::byte* at) {
  float value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

void StoreFix32(float value, std::byte* at) {
  const TW_FIX32 fix = ToFix32(value);
  std::memcpy(at, &fix, sizeof fix);
}

float LoadFix32(const std::byte* at) {
  TW_FIX32 fix;
  std::memcpy(&fix, at, sizeof fix);
  return FromFix32(fix);
}

}  // namespace

std::size_t ItemSize(TW_UINT16 itemType) {
  switch (itemType) {
    case TWTY_INT8:
    case TWTY_UINT8:
      return 1;
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32:
      return 4;
    case TWTY_FRAME:
      return sizeof(TW_FRAME);
    case TWTY_STR32:
      return sizeof(TW_STR32);
    case TWTY_STR64:
      return sizeof(TW_STR64);
    case TWTY_STR128:
      return sizeof(TW_STR128);
    case TWTY_STR255:
      return sizeof(TW_STR255);
    default:  // INT16, UINT16, BOOL and anything unknown
      return 2;
  }
}

TW_FIX32 ToFix32(float value) {
  const double scaled = std::trunc(static_cast<double>(value) * 65536.0 + 0.5);
  constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
  constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
  const std::int32_t n = std::isnan(scaled) ? 0 : static_cast<std::int32_t>(std::clamp(scaled, kLowest, kHighest));
  TW_FIX32 fix;
  fix.Whole = static_cast<TW_INT16>(n >> 16);
  fix.Frac = static_cast<TW_UINT16>(n & 0xFFFF);
  return fix;
}

float FromFix32(TW_FIX32 fix) { return static_cast<float>(fix.Whole + fix.Frac / 65536.0); }

void WriteContainerItem(TW_UINT16 itemType, const std::byte* stored, std::byte* out) {
  const std::size_t size = ItemSize(itemType);
  if (const std::size_t limit = TextLimit(itemType); limit != 0) {
    const auto* text = reinterpret_cast<const char*>(stored);
    const std::size_t length = strnlen(text, limit);
    std::memset(out, 0, size);
    std::memcpy(out, text, length);
    return;
  }
  switch (itemType) {
    case TWTY_FIX32:
      StoreFix32(LoadFloat(stored), out);
      return;
    case TWTY_FRAME: {
      StoredFrame frame;
      std::memcpy(&frame, stored, sizeof frame);
      StoreFix32(frame.left, out + offsetof(TW_FRAME, Left));
      StoreFix32(frame.top, out + offsetof(TW_FRAME, Top));
      StoreFix32(frame.right, out + offsetof(TW_FRAME, Right));
      StoreFix32(frame.bottom, out + offsetof(TW_FRAME, Bottom));
      return;
    }
    default:
      std::memcpy(out, stored, size);
      return;
  }
}

bool ReadContainerItem(TW_UINT16 itemType, std::span<const std::byte> source, std::byte* stored) {
  const std::size_t size = ItemSize(itemType);
  if (const std::size_t limit = TextLimit(itemType); limit != 0) {
    const auto* text = reinterpret_cast<const char*>(source.data());
    const std::size_t length = strnlen(text, std::min(limit, source.size()));
    std::memset(stored, 0, size);
    std::memcpy(stored, text, length);
    return true;
  }
  if (source.size() < size) return false;
  const std::byte* item = source.data();
  switch (itemType) {
    case TWTY_FIX32: {
      const float value = LoadFix32(item);
      std::memcpy(stored, &value, sizeof value);
      return true;
    }
    case TWTY_FRAME: {
      StoredFrame frame;
      frame.left = LoadFix32(item + offsetof(TW_FRAME, Left));
      frame.top = LoadFix32(item + offsetof(TW_FRAME, Top));
      frame.right = LoadFix32(item + offsetof(TW_FRAME, Right));
      frame.bottom = LoadFix32(item + offsetof(TW_FRAME, Bottom));
      std::memcpy(stored, &frame, sizeof frame);
      return true;
    }
    default:
      std::memcpy(stored, item, size);
      return true;
  }
}

bool ListContains(const std::byte* list, std::uint32_t count, const std::byte* item, std::size_t itemSize) {
  return ListIndexOf(list, count, item, itemSize) != count;
}

std::uint32_t ListIndexOf(const std::byte* list, std::uint32_t count, const std::byte* item, std::size_t itemSize) {
  for (std::uint32_t index = 0; index < count; ++index) {
    if (std::memcmp(list + index * itemSize, item, itemSize) == 0) return index;
  }
  return count;
}

}  // namespace caps
