#include "twain/capability_msg.h"

#include "twain/source.h"

namespace twain {

namespace {

// ICAP_BITDEPTH tells what the next transfer delivers: while pictures are
// pending, the recorded type of the next one (1 grey, 2 colour, any other
// value black-and-white); before any, the pixel type the application chose.
unsigned BitDepthPixelType(Source& source) {
  const acquire::PageQueue& queue = source.Queue();
  const acquire::PageEntry* next = queue.Entry(queue.NextPictureNumber());
  if (!queue.AnyPending() || next == nullptr) return source.CapValues().pixelType;
  return protocol::Wire(protocol::StoredAs(next->pixelType));
}

// A running camera is present; otherwise the devices are enumerated now.
bool DocumentCameraPresent(Source& source) {
  capture::CCaptureVideo& camera = source.Camera();
  return camera.IsBuilt() || camera.FindDocumentCamera() == 0;
}

}  // namespace

TW_UINT16 ResetAllCapabilities(Source& source, TripletMessage&, const DispatchRow&) {
  source.CapTable().ResetAll();
  return TWRC_SUCCESS;
}

TW_UINT16 NegotiateCapability(Source& source, TripletMessage& message, const DispatchRow&) {
  const caps::CapabilityCall call{
      message.msg,
      static_cast<TW_CAPABILITY*>(message.data),
      source.Ports().memory,
      source.Context().appIdentity,
      BitDepthPixelType(source),
      [&source](std::string_view text) { source.GetTrace().Write(text); },
      [&source] { return DocumentCameraPresent(source); },
  };
  return source.CapTable().HandleCapMessage(call, source.Context().conditionCode);
}

}  // namespace twain
