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
  // The block's size as far as it is known for sure: at least the size asked
  // for of a block this port made, the allocator's size of any other.
  virtual std::size_t Size(MemoryHandle handle) = 0;
  virtual void Free(MemoryHandle handle) = 0;
  // The block now belongs to the application (a container answered to it, a
  // native-transfer bitmap), which frees it itself: whatever the port
  // remembers of it is forgotten, since its address may come back later as
  // a block of the application's own.
  virtual void HandOver(MemoryHandle) {}
};

// The platform's own allocator: GlobalAlloc on Windows; on Linux the TWAIN
// convention, where a handle is the block's address and lock returns it.
GlobalMemory& SystemGlobalMemory();

}  // namespace platform
