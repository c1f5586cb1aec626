// An application's side of capability negotiation in tests: sends one
// DAT_CAPABILITY triplet, copies the container it receives, frees it as the
// application would, and reads the copy field by field.
#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

#include "protocol/twain.h"
#include "support/source_harness.h"

namespace testing_support {

struct CapAnswer {
  twain::TW_UINT16 result = 0;
  twain::TW_UINT16 conType = 0;
  bool hasContainer = false;
  std::vector<std::byte> bytes;  // the whole container, as large as the source asked for

  template <typename T>
  T At(std::size_t offset) const {
    T value{};
    if (offset + sizeof(T) <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
  }
  twain::TW_UINT16 ItemType() const { return At<twain::TW_UINT16>(0); }
  twain::TW_UINT32 NumItems() const { return At<twain::TW_UINT32>(2); }
};

// MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET or MSG_QUERYSUPPORT of `cap`.
CapAnswer Ask(SourceHarness& h, twain::TW_UINT16 cap, twain::TW_UINT16 msg);

// MSG_SET of `cap` with a one-value container of `itemType` whose item is the
// `size` bytes at `item`; the container is allocated with the system's global
// memory, `blockSize` bytes (at least 6 + size by default).
twain::TW_UINT16 SetOneValue(SourceHarness& h, twain::TW_UINT16 cap, twain::TW_UINT16 itemType, const void* item,
                             std::size_t size, std::size_t blockSize = 0);

template <typename T>
twain::TW_UINT16 SetOneValue(SourceHarness& h, twain::TW_UINT16 cap, twain::TW_UINT16 itemType, T item) {
  return SetOneValue(h, cap, itemType, &item, sizeof item);
}

inline twain::TW_FIX32 Fix(twain::TW_INT16 whole, twain::TW_UINT16 frac = 0) {
  twain::TW_FIX32 fix;
  fix.Whole = whole;
  fix.Frac = frac;
  return fix;
}

}  // namespace testing_support
