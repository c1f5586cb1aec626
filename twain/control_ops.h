// The control group's handlers other than capabilities: identity, opening and
// closing, the user interface, status, pending transfers and transfer set-ups.
#pragma once

#include "twain/dispatch.h"

namespace twain {

TW_UINT16 IdentityMsg(Source& source, TripletMessage& message);
TW_UINT16 InterfaceMsg(Source& source, TripletMessage& message);
TW_UINT16 StatusMsg(Source& source, TripletMessage& message);
TW_UINT16 PendingXferMsg(Source& source, TripletMessage& message);
TW_UINT16 SetupMemXferMsg(Source& source, TripletMessage& message);
TW_UINT16 SetupFileXferMsg(Source& source, TripletMessage& message);
TW_UINT16 XferGroupMsg(Source& source, TripletMessage& message);
TW_UINT16 EntryPointMsg(Source& source, TripletMessage& message);

}  // namespace twain
