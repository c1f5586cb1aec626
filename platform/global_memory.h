// Movable global memory: the blocks handed across the TWAIN boundary
// (capability containers, native-transfer bitmaps) that the application frees.
#pragma once

#include <cstddef>

namespace platform {

using MemoryHandle = void*;

class GlobalMemory {
 public:
  virtual ~GlobalMemory() = default;
  // A zero-filled block of `bytes`, or null when memory is short.
  virtual MemoryHandle Allocate(std::size_t bytes) = 0;
  // Grows or shrinks a block, keeping its contents; null leaves `handle` untouched.
  virtual MemoryHandle Reallocate(MemoryHandle handle, std::size_t bytes) = 0;
  virtual void* Lock(MemoryHandle handle) = 0;
  virtual void Unlock(MemoryHandle handle) = 0;
  virtual std::size_t Size(MemoryHandle handle) = 0;
  virtual void Free(MemoryHandle handle) = 0;
};

// The platform's own allocator: GlobalAlloc on Windows; on Linux the TWAIN
// convention, where a handle is the block's address and lock returns it.
GlobalMemory& SystemGlobalMemory();

}  // namespace platform
