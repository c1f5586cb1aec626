#include "twain/dispatch.h"

#include "twain/capability_msg.h"
#include "twain/control_ops.h"
#include "twain/image_ops.h"
#include "twain/source.h"

namespace twain {
namespace {

constexpr DispatchEntry kControlTable[] = {
    {DAT_IDENTITY, "IdentityMsg", &IdentityMsg},
    {DAT_USERINTERFACE, "InterfaceMsg", &InterfaceMsg},
    {DAT_CAPABILITY, "CapabilityMsg", &CapabilityMsg},
    {DAT_STATUS, "StatusMsg", &StatusMsg},
    {DAT_PENDINGXFERS, "PendingXferMsg", &PendingXferMsg},
    {DAT_SETUPMEMXFER, "SetupMemXferMsg", &SetupMemXferMsg},
    {DAT_SETUPFILEXFER, "SetupFileXferMsg", &SetupFileXferMsg},
    {DAT_XFERGROUP, "XferGroupMsg", &XferGroupMsg},
    {DAT_ENTRYPOINT, "EntryPointMsg", &EntryPointMsg},
};

constexpr DispatchEntry kImageTable[] = {
    {DAT_IMAGEINFO, "ImageInfoMsg", &ImageInfoMsg},
    {DAT_IMAGELAYOUT, "ImageLayoutMsg", &ImageLayoutMsg},
    {DAT_IMAGEMEMXFER, "ImageMemXferMsg", &ImageMemXferMsg},
    {DAT_IMAGENATIVEXFER, "ImageNativeXferMsg", &ImageNativeXferMsg},
    {DAT_IMAGEFILEXFER, "ImageFileXferMsg", &ImageFileXferMsg},
    {DAT_PALETTE8, "Palette8Msg", &Palette8Msg},
    {DAT_GRAYRESPONSE, "GrayResponseMsg", &GrayResponseMsg},
    {DAT_RGBRESPONSE, "RGBResponseMsg", &RGBResponseMsg},
    {DAT_CIECOLOR, "CIEColorMsg", &CIEColorMsg},
    {DAT_JPEGCOMPRESSION, "JPEGCompressionMsg", &JPEGCompressionMsg},
};

}  // namespace

std::span<const DispatchEntry> ControlTable() { return kControlTable; }

std::span<const DispatchEntry> ImageTable() { return kImageTable; }

TW_UINT16 Dispatch(Source& source, TripletMessage& message, std::span<const DispatchEntry> table) {
  source.GetTrace().Write("Dispatch");
  for (const DispatchEntry& entry : table) {
    if (entry.dat == message.dat) {
      source.GetTrace().Write(entry.name);
      return entry.handler(source, message);
    }
  }
  source.Context().conditionCode = TWCC_BADPROTOCOL;
  return TWRC_FAILURE;
}

}  // namespace twain
