// Triplet dispatch: the protocol is a table from DAT to handler.
#pragma once

#include <span>

#include "protocol/twain.h"

namespace twain {

class Source;

// The per-call record every handler receives.
struct TripletMessage {
  TW_IDENTITY* origin;
  TW_UINT32 dg;
  TW_UINT16 dat;
  TW_UINT16 msg;
  TW_MEMREF data;
};

using Handler = TW_UINT16 (*)(Source& source, TripletMessage& message);

struct DispatchEntry {
  TW_UINT16 dat;
  const char* name;  // written to the trace when the handler is called
  Handler handler;
};

// The handlers of DG_CONTROL and DG_IMAGE, in search order.
std::span<const DispatchEntry> ControlTable();
std::span<const DispatchEntry> ImageTable();

// Finds the handler of the message's DAT in `table` and runs it. An unknown
// DAT fails with TWCC_BADPROTOCOL and no report.
TW_UINT16 Dispatch(Source& source, TripletMessage& message, std::span<const DispatchEntry> table);

}  // namespace twain
