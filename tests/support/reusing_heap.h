// A C heap that gives a freed block's address to the very next allocation
// that fits, as the C heap may do at any time but the sanitizers' heap
// (which holds freed blocks back) never does in tests. Its calloc zeroes
// only the bytes asked for, so whatever lies beyond them is the previous
// block's content, and it knows each live block's size exactly.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "platform/posix/global_memory_posix.h"

namespace testing_support {

class ReusingHeap final : public platform::CHeap {
 public:
  static constexpr std::size_t kSlotBytes = 512;
  static constexpr std::size_t kSlots = 64;

  void* Calloc(std::size_t bytes) override {
    Slot* slot = FreeSlot(bytes);
    if (slot == nullptr) return nullptr;
    slot->size = bytes;
    std::memset(slot->bytes, 0, bytes);
    return slot->bytes;
  }
  void* Realloc(void* block, std::size_t bytes) override {
    if (block == nullptr) return Calloc(bytes);
    if (bytes > kSlotBytes) return nullptr;
    SlotOf(block).size = bytes;
    return block;
  }
  void Free(void* block) override {
    if (block == nullptr) return;
    Slot& slot = SlotOf(block);
    slot.size = kFree;
    freed_.push_back(&slot);
  }
  std::size_t UsableSize(void* block) override { return SlotOf(block).size; }

 private:
  static constexpr std::size_t kFree = ~std::size_t{0};
  struct Slot {
    alignas(std::max_align_t) unsigned char bytes[kSlotBytes];
    std::size_t size = kFree;
  };

  // The last freed slot first, then one never used.
  Slot* FreeSlot(std::size_t bytes) {
    if (bytes > kSlotBytes) return nullptr;
    if (!freed_.empty()) {
      Slot* slot = freed_.back();
      freed_.pop_back();
      return slot;
    }
    return used_ < kSlots ? &slots_[used_++] : nullptr;
  }
  Slot& SlotOf(void* block) {
    for (Slot& slot : slots_) {
      if (slot.bytes == block) return slot;
    }
    throw std::invalid_argument("not a block of this heap");
  }

  std::array<Slot, kSlots> slots_{};
  std::size_t used_ = 0;
  std::vector<Slot*> freed_;
};

}  // namespace testing_support
