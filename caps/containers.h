// The four TWAIN containers in movable global memory, which the application
// owns once the triplet returns. Each maker allocates a new container of the
// size below, stores its handle and type in the application's TW_CAPABILITY
// and fills it with the given stored items in container form (see items.h).
// They answer TWCC_SUCCESS, or TWCC_LOWMEMORY with a null hContainer when the
// memory cannot be had.
//
// Sizes, s being the item size and n the item count: one value s + 6,
// enumeration s × n + 15, array s × n + 7, range 22. Items follow the header
// without a gap.
#pragma once

#include <cstddef>
#include <span>

#include "platform/global_memory.h"
#include "protocol/twain.h"

namespace caps {

twain::TW_UINT16 MakeOneValueContainer(platform::GlobalMemory& memory, twain::TW_CAPABILITY& capability,
                                       twain::TW_UINT16 itemType, const std::byte* item);

twain::TW_UINT16 MakeEnumerationContainer(platform::GlobalMemory& memory, twain::TW_CAPABILITY& capability,
                                          twain::TW_UINT16 itemType, twain::TW_UINT32 count,
                                          twain::TW_UINT32 currentIndex, twain::TW_UINT32 defaultIndex,
                                          const std::byte* items);

twain::TW_UINT16 MakeArrayContainer(platform::GlobalMemory& memory, twain::TW_CAPABILITY& capability,
                                    twain::TW_UINT16 itemType, twain::TW_UINT32 count, const std::byte* items);

// Items of more than four bytes keep only their first four bytes in a range's fields.
twain::TW_UINT16 MakeRangeContainer(platform::GlobalMemory& memory, twain::TW_CAPABILITY& capability,
                                    twain::TW_UINT16 itemType, const std::byte* minimum, const std::byte* maximum,
                                    const std::byte* step, const std::byte* defaultValue,
                                    const std::byte* currentValue);

// Reads the item of an application's locked one-value container (`container`
// is all of its bytes) into the stored form, by the container's item type.
// False when the block is too small for the header or the item.
bool ReadOneValueContainer(std::span<const std::byte> container, std::byte* item);

}  // namespace caps
