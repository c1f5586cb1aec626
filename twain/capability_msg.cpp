#include "twain/capability_msg.h"

#include "twain/source.h"

namespace twain {

TW_UINT16 CapabilityMsg(Source& source, TripletMessage& message) {
  // ICAP_BITDEPTH describes the picture the next transfer delivers. Outside
  // the queue's numbers there is no such picture, and the answer is that of
  // an entry nothing has been recorded in yet.
  const acquire::PageQueue& queue = source.Queue();
  const acquire::PageEntry* next = queue.Entry(queue.NextPictureNumber());
  const caps::CapabilityCall call{
      message.msg,
      static_cast<TW_CAPABILITY*>(message.data),
      source.Ports().memory,
      source.Context().appIdentity,
      next != nullptr ? next->pixelType : 0u,
      [&source](std::string_view text) { source.GetTrace().Write(text); },
  };
  return source.CapTable().HandleCapMessage(call, source.Context().conditionCode);
}

}  // namespace twain
