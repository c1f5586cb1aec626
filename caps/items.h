// Capability items: their sizes, the conversion between the form in which
// the source stores them and the form a TWAIN container carries, and the
// comparisons used to check and index them.
//
// Stored form by item type: integers and BOOL as in TWAIN; FIX32 as a float;
// FRAME as four floats in the order top, left, right, bottom; strings as
// zero-filled text fields of the TWAIN size. Container form: as TWAIN lays
// the item out, FIX32 as TW_FIX32, FRAME as TW_FRAME (left, top, right, bottom).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/twain.h"

namespace caps {

// The largest item (STR255).
inline constexpr std::size_t kMaxItemSize = 256;

// The TWAIN item size of a TWTY type, the same in both forms; an unknown type counts as 2 bytes.
std::size_t ItemSize(twain::TW_UINT16 itemType);

// n = value × 65536 + 0.5, truncated toward zero; Whole = n >> 16, Frac = its low 16 bits.
// Rounding this way leaves a negative whole number one 1/65536 above its exact
// value (-1000 gives Whole -1000, Frac 1). Values beyond what TW_FIX32 holds
// saturate at its limits, and NaN gives 0.
twain::TW_FIX32 ToFix32(float value);
// Whole + Frac / 65536, rounded once to float.
float FromFix32(twain::TW_FIX32 fix);

// Writes the stored item as the container carries it: ItemSize(itemType) bytes at `out`.
void WriteContainerItem(twain::TW_UINT16 itemType, const std::byte* stored, std::byte* out);

// Reads an item of the application's container into the stored form at
// `stored` (ItemSize(itemType) bytes). Strings keep at most 32, 64, 128 or 255
// characters and are zero-filled; they may end with the container. Any other
// item must lie whole inside `source`; false when it does not.
bool ReadContainerItem(twain::TW_UINT16 itemType, std::span<const std::byte> source, std::byte* stored);

// Whether `item` equals one of the `count` items at `list`, byte by byte over `itemSize`.
bool ListContains(const std::byte* list, std::uint32_t count, const std::byte* item, std::size_t itemSize);
// The position of the first equal item, or `count` when there is none.
std::uint32_t ListIndexOf(const std::byte* list, std::uint32_t count, const std::byte* item, std::size_t itemSize);

}  // namespace caps
