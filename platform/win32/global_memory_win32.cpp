#include <windows.h>

#include "platform/global_memory.h"

namespace platform {
namespace {

class Win32GlobalMemory final : public GlobalMemory {
 public:
  MemoryHandle Allocate(std::size_t bytes) override { return GlobalAlloc(GHND, bytes); }

  MemoryHandle Reallocate(MemoryHandle handle, std::size_t bytes) override {
    if (handle == nullptr) return Allocate(bytes);
    return GlobalReAlloc(static_cast<HGLOBAL>(handle), bytes, GMEM_MOVEABLE | GMEM_ZEROINIT);
  }

  void* Lock(MemoryHandle handle) override { return GlobalLock(static_cast<HGLOBAL>(handle)); }
  void Unlock(MemoryHandle handle) override { GlobalUnlock(static_cast<HGLOBAL>(handle)); }
  std::size_t Size(MemoryHandle handle) override { return GlobalSize(static_cast<HGLOBAL>(handle)); }
  void Free(MemoryHandle handle) override {
    if (handle != nullptr) GlobalFree(static_cast<HGLOBAL>(handle));
  }
};

}  // namespace

GlobalMemory& SystemGlobalMemory() {
  static Win32GlobalMemory memory;
  return memory;
}

}  // namespace platform
