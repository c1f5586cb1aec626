#include "twain/dispatch.h"

#include "twain/capability_msg.h"
#include "twain/control_ops.h"
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
};

}  // namespace

std::span<const DispatchEntry> ControlTable() { return kControlTable; }

std::span<const DispatchEntry> ImageTable() { return {}; }

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
