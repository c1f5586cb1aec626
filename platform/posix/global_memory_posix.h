// The Linux global-memory port over a C heap. The heap can be replaced so
// that tests can make the application's next block land where one of the
// source's was, as the C heap does whenever it likes.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/global_memory.h"

namespace platform {

class CHeap {
 public:
  virtual ~CHeap() = default;
  // Zero-filled; null when memory is short.
  virtual void* Calloc(std::size_t bytes) = 0;
  virtual void* Realloc(void* block, std::size_t bytes) = 0;
  virtual void Free(void* block) = 0;
  // What the heap knows of a live block's size (at least the size asked for).
  virtual std::size_t UsableSize(void* block) = 0;
};

// calloc, realloc, free and malloc_usable_size: the heap the application frees with.
CHeap& SystemCHeap();

// A handle is the block's own address. The sizes asked for are remembered
// only while the source owns the block: until it frees the block or hands it
// over to the application.
std::unique_ptr<GlobalMemory> MakeHeapGlobalMemory(CHeap& heap);

}  // namespace platform
