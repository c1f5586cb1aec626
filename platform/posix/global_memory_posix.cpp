// The Linux TWAIN memory convention: a handle is the zero-filled block's own
// address, lock returns it and unlock does nothing, so an application frees
// what it receives with free(). The handle carries no header, so the sizes
// of the blocks the source owns are remembered on the side; a block handed
// over to the application is forgotten, because once the application has
// freed it the heap may give the same address to the application's next
// block, of another size.
#include "platform/posix/global_memory_posix.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace platform {
namespace {

class SystemHeap final : public CHeap {
 public:
  void* Calloc(std::size_t bytes) override { return std::calloc(bytes, 1); }
  void* Realloc(void* block, std::size_t bytes) override { return std::realloc(block, bytes); }
  void Free(void* block) override { std::free(block); }
  std::size_t UsableSize(void* block) override { return malloc_usable_size(block); }
};

class HeapGlobalMemory final : public GlobalMemory {
 public:
  explicit HeapGlobalMemory(CHeap& heap) : heap_(heap) {}

  MemoryHandle Allocate(std::size_t bytes) override {
    void* block = heap_.Calloc(bytes == 0 ? 1 : bytes);
    if (block != nullptr) {
      std::lock_guard lock(mutex_);
      owned_[block] = bytes;
    }
    return block;
  }

  MemoryHandle Reallocate(MemoryHandle handle, std::size_t bytes) override {
    if (handle == nullptr) return Allocate(bytes);
    const std::size_t old = Size(handle);
    void* block = heap_.Realloc(handle, bytes == 0 ? 1 : bytes);
    if (block == nullptr) return nullptr;
    if (bytes > old) std::memset(static_cast<char*>(block) + old, 0, bytes - old);
    std::lock_guard lock(mutex_);
    owned_.erase(handle);
    owned_[block] = bytes;
    return block;
  }

  void* Lock(MemoryHandle handle) override { return handle; }
  void Unlock(MemoryHandle) override {}

  std::size_t Size(MemoryHandle handle) override {
    if (handle == nullptr) return 0;
    {
      std::lock_guard lock(mutex_);
      if (auto found = owned_.find(handle); found != owned_.end()) return found->second;
    }
    // Not the source's: the heap knows at least the size the application asked for.
    return heap_.UsableSize(handle);
  }

  void Free(MemoryHandle handle) override {
    if (handle == nullptr) return;
    HandOver(handle);
    heap_.Free(handle);
  }

  void HandOver(MemoryHandle handle) override {
    std::lock_guard lock(mutex_);
    owned_.erase(handle);
  }

 private:
  CHeap& heap_;
  std::mutex mutex_;
  // The blocks the source allocated and still owns, with the sizes asked for.
  std::unordered_map<void*, std::size_t> owned_;
};

}  // namespace

CHeap& SystemCHeap() {
  static SystemHeap heap;
  return heap;
}

std::unique_ptr<GlobalMemory> MakeHeapGlobalMemory(CHeap& heap) { return std::make_unique<HeapGlobalMemory>(heap); }

GlobalMemory& SystemGlobalMemory() {
  static HeapGlobalMemory memory(SystemCHeap());
  return memory;
}

}  // namespace platform
