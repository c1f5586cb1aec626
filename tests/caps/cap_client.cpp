#include "caps/cap_client.h"

#include <algorithm>

namespace testing_support {

using namespace twain;

CapAnswer Ask(SourceHarness& h, TW_UINT16 cap, TW_UINT16 msg) {
  TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
  CapAnswer answer;
  answer.result = h.Call(DG_CONTROL, DAT_CAPABILITY, msg, &capability);
  answer.conType = capability.ConType;
  platform::MemoryHandle handle = capability.hContainer;
  answer.hasContainer = handle != nullptr;
  if (handle != nullptr) {
    platform::GlobalMemory& memory = platform::SystemGlobalMemory();
    const auto* bytes = static_cast<const std::byte*>(memory.Lock(handle));
    answer.bytes.assign(bytes, bytes + h.memory.AskedSize(handle));
    memory.Unlock(handle);
    memory.Free(handle);
  }
  return answer;
}

TW_UINT16 SetOneValue(SourceHarness& h, TW_UINT16 cap, TW_UINT16 itemType, const void* item, std::size_t size,
                      std::size_t blockSize) {
  platform::GlobalMemory& memory = platform::SystemGlobalMemory();
  const std::size_t bytes = blockSize != 0 ? blockSize : std::max<std::size_t>(6 + size, sizeof(TW_ONEVALUE));
  platform::MemoryHandle handle = memory.Allocate(bytes);
  auto* container = static_cast<std::byte*>(memory.Lock(handle));
  std::memcpy(container, &itemType, std::min<std::size_t>(sizeof itemType, bytes));
  if (bytes > 2) std::memcpy(container + 2, item, std::min(size, bytes - 2));
  memory.Unlock(handle);
  TW_CAPABILITY capability{cap, TWON_ONEVALUE, handle};
  const TW_UINT16 result = h.Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
  memory.Free(handle);
  return result;
}

}  // namespace testing_support
