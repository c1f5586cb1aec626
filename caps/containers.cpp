#include "caps/containers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "caps/items.h"

namespace caps {

using namespace twain;

namespace {

void Put(std::byte* container, std::size_t offset, TW_UINT16 value) {
  std::memcpy(container + offset, &value, sizeof value);
}

void Put(std::byte* container, std::size_t offset, TW_UINT32 value) {
  std::memcpy(container + offset, &value, sizeof value);
}

// Allocates a zeroed container of `bytes`, lets `fill` write it while locked
// and hands it to the application's TW_CAPABILITY.
template <typename Fill>
TW_UINT16 MakeContainer(platform::GlobalMemory& memory, TW_CAPABILITY& capability, TW_UINT16 conType, std::size_t bytes,
                        Fill fill) {
  capability.ConType = conType;
  capability.hContainer = nullptr;
  platform::MemoryHandle handle = memory.Allocate(bytes);
  if (handle == nullptr) return TWCC_LOWMEMORY;
  auto* container = static_cast<std::byte*>(memory.Lock(handle));
  if (container == nullptr) {
    memory.Free(handle);
    return TWCC_LOWMEMORY;
  }
  fill(container);
  memory.Unlock(handle);
  capability.hContainer = handle;
  memory.HandOver(handle);
  return TWCC_SUCCESS;
}

void WriteItems(TW_UINT16 itemType, TW_UINT32 count, const std::byte* items, std::byte* out) {
  const std::size_t size = ItemSize(itemType);
  for (TW_UINT32 index = 0; index < count; ++index)
    WriteContainerItem(itemType, items + index * size, out + index * size);
}

// A range field holds the low four bytes of the item in container form.
void PutRangeValue(TW_UINT16 itemType, const std::byte* stored, std::byte* field) {
  std::array<std::byte, kMaxItemSize> item{};
  WriteContainerItem(itemType, stored, item.data());
  std::memcpy(field, item.data(), std::min<std::size_t>(ItemSize(itemType), sizeof(TW_UINT32)));
}

}  // namespace

TW_UINT16 MakeOneValueContainer(platform::GlobalMemory& memory, TW_CAPABILITY& capability, TW_UINT16 itemType,
                                const std::byte* item) {
  return MakeContainer(memory, capability, TWON_ONEVALUE, ItemSize(itemType) + 6, [&](std::byte* container) {
    Put(container, offsetof(TW_ONEVALUE, ItemType), itemType);
    WriteContainerItem(itemType, item, container + offsetof(TW_ONEVALUE, Item));
  });
}

TW_UINT16 MakeEnumerationContainer(platform::GlobalMemory& memory, TW_CAPABILITY& capability, TW_UINT16 itemType,
                                   TW_UINT32 count, TW_UINT32 currentIndex, TW_UINT32 defaultIndex,
                                   const std::byte* items) {
  const std::size_t bytes = ItemSize(itemType) * count + 15;
  return MakeContainer(memory, capability, TWON_ENUMERATION, bytes, [&](std::byte* container) {
    Put(container, offsetof(TW_ENUMERATION, ItemType), itemType);
    Put(container, offsetof(TW_ENUMERATION, NumItems), count);
    Put(container, offsetof(TW_ENUMERATION, CurrentIndex), currentIndex);
    Put(container, offsetof(TW_ENUMERATION, DefaultIndex), defaultIndex);
    WriteItems(itemType, count, items, container + offsetof(TW_ENUMERATION, ItemList));
  });
}

TW_UINT16 MakeArrayContainer(platform::GlobalMemory& memory, TW_CAPABILITY& capability, TW_UINT16 itemType,
                             TW_UINT32 count, const std::byte* items) {
  const std::size_t bytes = ItemSize(itemType) * count + 7;
  return MakeContainer(memory, capability, TWON_ARRAY, bytes, [&](std::byte* container) {
    Put(container, offsetof(TW_ARRAY, ItemType), itemType);
    Put(container, offsetof(TW_ARRAY, NumItems), count);
    WriteItems(itemType, count, items, container + offsetof(TW_ARRAY, ItemList));
  });
}

TW_UINT16 MakeRangeContainer(platform::GlobalMemory& memory, TW_CAPABILITY& capability, TW_UINT16 itemType,
                             const std::byte* minimum, const std::byte* maximum, const std::byte* step,
                             const std::byte* defaultValue, const std::byte* currentValue) {
  return MakeContainer(memory, capability, TWON_RANGE, sizeof(TW_RANGE), [&](std::byte* container) {
    Put(container, offsetof(TW_RANGE, ItemType), itemType);
    PutRangeValue(itemType, minimum, container + offsetof(TW_RANGE, MinValue));
    PutRangeValue(itemType, maximum, container + offsetof(TW_RANGE, MaxValue));
    PutRangeValue(itemType, step, container + offsetof(TW_RANGE, StepSize));
    PutRangeValue(itemType, defaultValue, container + offsetof(TW_RANGE, DefaultValue));
    PutRangeValue(itemType, currentValue, container + offsetof(TW_RANGE, CurrentValue));
  });
}

bool ReadOneValueContainer(std::span<const std::byte> container, std::byte* item) {
  if (container.size() < sizeof(TW_ONEVALUE)) return false;
  TW_UINT16 itemType;
  std::memcpy(&itemType, container.data() + offsetof(TW_ONEVALUE, ItemType), sizeof itemType);
  return ReadContainerItem(itemType, container.subspan(offsetof(TW_ONEVALUE, Item)), item);
}

}  // namespace caps
