// The Linux TWAIN memory convention: a handle is the zero-filled block's own
// address, lock returns it and unlock does nothing, so an application frees
// what it receives with free(). Block sizes are remembered on the side,
// because the handle itself carries no header.
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/global_memory.h"

namespace platform {
namespace {

class PosixGlobalMemory final : public GlobalMemory {
 public:
  MemoryHandle Allocate(std::size_t bytes) override {
    void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (block != nullptr) {
      std::lock_guard lock(mutex_);
      sizes_[block] = bytes;
    }
    return block;
  }

  MemoryHandle Reallocate(MemoryHandle handle, std::size_t bytes) override {
    if (handle == nullptr) return Allocate(bytes);
    const std::size_t old = Size(handle);
    void* block = std::realloc(handle, bytes == 0 ? 1 : bytes);
    if (block == nullptr) return nullptr;
    if (bytes > old) std::memset(static_cast<char*>(block) + old, 0, bytes - old);
    std::lock_guard lock(mutex_);
    sizes_.erase(handle);
    sizes_[block] = bytes;
    return block;
  }

  void* Lock(MemoryHandle handle) override { return handle; }
  void Unlock(MemoryHandle) override {}

  std::size_t Size(MemoryHandle handle) override {
    if (handle == nullptr) return 0;
    {
      std::lock_guard lock(mutex_);
      if (auto found = sizes_.find(handle); found != sizes_.end()) return found->second;
    }
    // A block the application allocated: the allocator knows at least its usable size.
    return malloc_usable_size(handle);
  }

  void Free(MemoryHandle handle) override {
    if (handle == nullptr) return;
    {
      std::lock_guard lock(mutex_);
      sizes_.erase(handle);
    }
    std::free(handle);
  }

 private:
  std::mutex mutex_;
  std::unordered_map<void*, std::size_t> sizes_;
};

}  // namespace

GlobalMemory& SystemGlobalMemory() {
  static PosixGlobalMemory memory;
  return memory;
}

}  // namespace platform
