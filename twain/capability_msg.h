// DG_CONTROL / DAT_CAPABILITY: capability negotiation through the source's
// capability table. Refusals set the condition code and never show the
// failure report.
#pragma once

#include "twain/dispatch.h"

namespace twain {

TW_UINT16 CapabilityMsg(Source& source, TripletMessage& message);

}  // namespace twain
