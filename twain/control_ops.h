// The control group's handlers other than capabilities: identity, opening and
// closing, the user interface, status, pending transfers and transfer set-ups.
// Dispatch has checked the MSG, the state and null data by the row.
#pragma once

#include "twain/dispatch.h"

namespace twain {

TW_UINT16 GetIdentity(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 OpenDS(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 CloseDS(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 EnableDS(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 DisableDS(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 GetStatus(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 CountPending(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 EndTransfer(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 DropPending(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 GetMemXferSetup(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 GetFileXferSetup(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 GetDefaultFileXferSetup(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 SetFileXferSetup(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 ResetFileXferSetup(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 GetXferGroup(Source& source, TripletMessage& message, const DispatchRow& row);
TW_UINT16 SetEntryPoints(Source& source, TripletMessage& message, const DispatchRow& row);

}  // namespace twain
