// DG_CONTROL / DAT_CAPABILITY: capability negotiation through the source's
// capability table. Refusals set the condition code and never show the
// failure report.
#pragma once

#include "twain/dispatch.h"

namespace twain {

TW_UINT16 ResetAllCapabilities(Source& source, TripletMessage& message, const DispatchRow& row);
// Every other MSG: the capability table checks the MSG, the state and the data.
TW_UINT16 NegotiateCapability(Source& source, TripletMessage& message, const DispatchRow& row);

}  // namespace twain
