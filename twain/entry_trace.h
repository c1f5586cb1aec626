// The blocks DS_Entry writes to the trace around every call.
#pragma once

#include <cstdint>
#include <string>

#include "protocol/twain.h"

namespace twain {

// How many bytes of the caller's data block may be read for the trace: the
// size of the structure the protocol assigns to `dat`, 0 when it is unknown.
std::size_t TraceableDataSize(TW_UINT16 dat);

// The entry block and its separate data lines, and the return block.
std::string FormatEntryBlock(std::int32_t counter, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg);
std::string FormatEntryData(TW_UINT16 dat, const void* data);
std::string FormatReturnBlock(TW_UINT16 result, TW_UINT16 dat, const void* data);

}  // namespace twain
