#include "twain/control_ops.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "acquire/picture_export.h"
#include "platform/diagnostics.h"
#include "platform/files.h"
#include "platform/text_encoding.h"
#include "twain/source.h"

namespace twain {
namespace {

// Intended: a file that cannot be created has a report prefix of its own, with no space before the condition.
constexpr const char* kCreateFilePrefix = "Unable to create file <<DAT_SETUPFILEXFER>>";

// CAP_XFERCOUNT: after as many transfers as the application asked for in
// this enable, it takes no more. The pictures still announced are dropped
// rather than kept for a later enable, since every enable starts numbering
// the stored pictures afresh; the user is told how many were not
// transferred, so none disappears unnoticed. MSG_ENDXFER then answers Count
// 0 and ends the upload as after the last picture.
void EndTransfersAtTheCountAsked(Source& source) {
  const int asked = source.CapValues().transferCount;
  if (asked <= 0 || source.Context().transfersThisEnable < asked) return;
  acquire::PageQueue& queue = source.Queue();
  const int untaken = queue.PendingCount();
  if (untaken == 0) return;
  queue.DropAllPending();
  source.GetTrace().Write("CAP_XFERCOUNT reached: " + std::to_string(untaken) + " pictures not transferred");
  const std::string text = "The application took the " + std::to_string(asked) + " pictures it asked for; the other " +
                           std::to_string(untaken) + " were not transferred and are discarded.";
  source.Ports().messageBoxes.Show({nullptr, text, "Tips", platform::mb::kOk | platform::mb::kIconInformation});
}

// Copies a text into a TW_STR255, always terminated.
void CopyFileName(char (&target)[256], const std::string& name) {
  const std::size_t length = std::min<std::size_t>(name.size(), 255);
  std::memcpy(target, name.data(), length);
  target[length] = '\0';
}

// The current or default file set-up into the application's structure.
void FillFileXferSetup(TW_SETUPFILEXFER& setup, const std::string& fileName, TW_UINT16 format) {
  CopyFileName(setup.FileName, fileName);
  setup.Format = format;
  setup.VRefNum = 0;
}

}  // namespace

TW_UINT16 GetIdentity(Source& source, TripletMessage& message, const DispatchRow&) {
  *static_cast<TW_IDENTITY*>(message.data) = source.Context().sourceIdentity;
  return TWRC_SUCCESS;
}

TW_UINT16 OpenDS(Source& source, TripletMessage& message, const DispatchRow&) {
  SourceContext& context = source.Context();
  // Both identities are copied: managers pass stack copies that do not outlive the call.
  if (message.origin != nullptr) context.appIdentity = *message.origin;
  context.sourceIdentity = *static_cast<const TW_IDENTITY*>(message.data);
  context.protocolState = 4;
  source.CapTable().InitializeCaps(source.CapValues());
  source.EnterComponentSystem();
  return TWRC_SUCCESS;
}

TW_UINT16 CloseDS(Source& source, TripletMessage&, const DispatchRow&) {
  SourceContext& context = source.Context();
  // A manager may close an enabled source and unload the library at once; the
  // dialog and the camera go first, as MSG_DISABLEDS would take them down.
  source.StopIdleTurns();
  if (source.UserInterface().IsOpen()) source.UserInterface().Close();
  context.appIdentity.Id = 0;
  // The next session's manager hands its entry points over again.
  context.managerEntry = TW_ENTRYPOINT{};
  context.protocolState = 3;
  source.CapTable().FreeCaps();
  source.LeaveComponentSystem();
  return TWRC_SUCCESS;
}

TW_UINT16 EnableDS(Source& source, TripletMessage& message, const DispatchRow& row) {
  SourceContext& context = source.Context();
  // ShowUI and ModalUI are not consulted: the source always shows its dialog.
  context.parentWindow = static_cast<const TW_USERINTERFACE*>(message.data)->hParent;
  const bool created = source.UserInterface().Open(context.parentWindow);
  platform::DebugOutput("Last error is " + std::to_string(platform::LastErrorCode()) + ".\n");
  if (!created) return Refuse(source, row, TWCC_LOWMEMORY);
  context.protocolState = 5;
  context.transfersThisEnable = 0;
  source.StartIdleTurns();
  return TWRC_SUCCESS;
}

TW_UINT16 DisableDS(Source& source, TripletMessage&, const DispatchRow&) {
  source.StopIdleTurns();
  source.UserInterface().Close();
  source.Context().protocolState = 4;
  return TWRC_SUCCESS;
}

TW_UINT16 GetStatus(Source& source, TripletMessage& message, const DispatchRow&) {
  auto* status = static_cast<TW_STATUS*>(message.data);
  status->ConditionCode = source.Context().conditionCode;
  status->Reserved = 0;
  source.Context().conditionCode = TWCC_SUCCESS;
  return TWRC_SUCCESS;
}

TW_UINT16 CountPending(Source& source, TripletMessage& message, const DispatchRow&) {
  auto* pending = static_cast<TW_PENDINGXFERS*>(message.data);
  if (source.CapValues().feederEnabled) {
    pending->Count = source.Queue().AnyPending() ? 1 : 0;
  } else {
    pending->Count = source.Context().protocolState == 7 ? 0 : 1;
  }
  return TWRC_SUCCESS;
}

TW_UINT16 EndTransfer(Source& source, TripletMessage& message, const DispatchRow& row) {
  SourceContext& context = source.Context();
  acquire::PageQueue& queue = source.Queue();
  auto* pending = static_cast<TW_PENDINGXFERS*>(message.data);
  queue.EndCurrentTransfer();
  if (States{6, 7}.Hold(context.protocolState)) {
    ++context.transfersThisEnable;
    EndTransfersAtTheCountAsked(source);
  }
  pending->Count = 0;
  if (source.CapValues().feederEnabled) {
    source.GetTrace().Write("GetCurrentFeederEnabled");
    pending->Count = queue.AnyPending() ? 0xFFFF : 0;
  }
  if (pending->Count == 0) {
    source.GetTrace().Write("图片上传结束");
    source.UserInterface().ShowUploadFinished();
    queue.SetPictureCount(0);
  }
  if (context.protocolState == 7) {
    source.GetTrace().Write("STATE7");
    context.protocolState = 6;
  } else if (context.protocolState == 6) {
    source.GetTrace().Write("STATE6");
    context.protocolState = 5;
  } else {
    return Refuse(source, row, TWCC_SEQERROR);
  }
  return TWRC_SUCCESS;
}

TW_UINT16 DropPending(Source& source, TripletMessage& message, const DispatchRow&) {
  acquire::PageQueue& queue = source.Queue();
  queue.EndCurrentTransfer();
  queue.DropAllPending();
  source.Context().protocolState = 5;
  static_cast<TW_PENDINGXFERS*>(message.data)->Count = 0;
  return TWRC_SUCCESS;
}

TW_UINT16 GetMemXferSetup(Source&, TripletMessage& message, const DispatchRow&) {
  auto* setup = static_cast<TW_SETUPMEMXFER*>(message.data);
  setup->MinBufSize = 16384;
  setup->MaxBufSize = 65535;
  setup->Preferred = 65535;
  return TWRC_SUCCESS;
}

TW_UINT16 GetFileXferSetup(Source& source, TripletMessage& message, const DispatchRow&) {
  FillFileXferSetup(*static_cast<TW_SETUPFILEXFER*>(message.data), source.Context().fileNameCurrent,
                    source.CapValues().imageFileFormat);
  return TWRC_SUCCESS;
}

TW_UINT16 GetDefaultFileXferSetup(Source& source, TripletMessage& message, const DispatchRow&) {
  FillFileXferSetup(*static_cast<TW_SETUPFILEXFER*>(message.data), source.Context().fileNameDefault,
                    caps::kDefaultImageFileFormat);
  return TWRC_SUCCESS;
}

TW_UINT16 SetFileXferSetup(Source& source, TripletMessage& message, const DispatchRow& row) {
  SourceContext& context = source.Context();
  const auto* setup = static_cast<const TW_SETUPFILEXFER*>(message.data);
  // The caller's buffer need not be terminated: never read past its 256 bytes.
  // Only a format the transfer writes is taken, as ICAP_IMAGEFILEFORMAT offers them.
  if (!acquire::WritesFileFormat(setup->Format)) return Refuse(source, row, TWCC_BADVALUE);
  context.fileNameCurrent.assign(setup->FileName, strnlen(setup->FileName, 255));
  source.CapValues().imageFileFormat = setup->Format;
  const std::string path = platform::ApplicationTextToUtf8(context.fileNameCurrent);
  if (!platform::EnsureFileExists(path)) return source.Refuse(kCreateFilePrefix, TWCC_BADVALUE);
  return TWRC_SUCCESS;
}

TW_UINT16 ResetFileXferSetup(Source& source, TripletMessage& message, const DispatchRow&) {
  SourceContext& context = source.Context();
  context.fileNameCurrent = context.fileNameDefault;
  source.CapValues().imageFileFormat = caps::kDefaultImageFileFormat;
  FillFileXferSetup(*static_cast<TW_SETUPFILEXFER*>(message.data), context.fileNameCurrent,
                    source.CapValues().imageFileFormat);
  return TWRC_SUCCESS;
}

TW_UINT16 GetXferGroup(Source&, TripletMessage& message, const DispatchRow&) {
  *static_cast<TW_UINT32*>(message.data) = DG_IMAGE;
  return TWRC_SUCCESS;
}

// A TWAIN 2 manager's entry points come just before MSG_OPENDS (the working
// group's manager) or just after it (Wine's). The structure is the manager's
// local, so it is copied; one of another size is not this protocol's.
TW_UINT16 SetEntryPoints(Source& source, TripletMessage& message, const DispatchRow& row) {
  TW_ENTRYPOINT entry;
  std::memcpy(&entry, message.data, sizeof entry);
  if (entry.Size != sizeof entry) return Refuse(source, row, TWCC_BADVALUE);
  source.Context().managerEntry = entry;
  return TWRC_SUCCESS;
}

}  // namespace twain
