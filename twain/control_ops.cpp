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

constexpr const char* kIdentityPrefix = "General failure in response to DAT_IDENTITY.  ";
constexpr const char* kOpenPrefix = "General failure in response to MSG_OPENDS.  ";
constexpr const char* kClosePrefix = "General failure in response to MSG_CLOSEDS.  ";
constexpr const char* kInterfacePrefix = "General failure in response to DAT_USERINTERFACE.  ";
constexpr const char* kEnablePrefix = "General failure in response to MSG_ENABLEDS.  ";
constexpr const char* kDisablePrefix = "General failure in response to MSG_DISABLEDS.  ";
constexpr const char* kStatusPrefix = "General failure in response to DAT_STATUS.  ";
// Intended: DAT_PENDINGXFER without its S, as applications have always seen it.
constexpr const char* kPendingPrefix = "General failure in response to DAT_PENDINGXFER.  ";
// Intended: the three transfer set-ups say "not supported" though they are answered.
constexpr const char* kMemXferPrefix = "General failure in response to DAT_SETUPMEMXFER, not supported.  ";
constexpr const char* kFileXferPrefix = "General failure in response to DAT_SETUPFILEXFER, not supported.  ";
constexpr const char* kCreateFilePrefix = "Unable to create file <<DAT_SETUPFILEXFER>>";
constexpr const char* kXferGroupPrefix = "General failure in response to DAT_XFERGROUP, not supported.  ";
constexpr const char* kEntryPointPrefix = "General failure in response to DAT_ENTRYPOINT.  ";

bool InStates(const Source& source, int first, int last) {
  const int state = source.Context().protocolState;
  return state >= first && state <= last;
}

TW_UINT16 OpenDS(Source& source, TripletMessage& message) {
  source.GetTrace().Write("OpenDS");
  SourceContext& context = source.Context();
  if (context.protocolState != 3) return source.Refuse(kOpenPrefix, TWCC_SEQERROR);
  if (message.data == nullptr) return source.Refuse(kOpenPrefix, TWCC_BADVALUE);
  // Both identities are copied: managers pass stack copies that do not outlive the call.
  if (message.origin != nullptr) context.appIdentity = *message.origin;
  context.sourceIdentity = *static_cast<const TW_IDENTITY*>(message.data);
  context.protocolState = 4;
  source.CapTable().InitializeCaps(source.CapValues());
  source.EnterComponentSystem();
  return TWRC_SUCCESS;
}

TW_UINT16 DisableDS(Source& source) {
  source.GetTrace().Write("DisableDS");
  if (!InStates(source, 5, 7)) return source.Refuse(kDisablePrefix, TWCC_SEQERROR);
  source.StopIdleTurns();
  source.UserInterface().Close();
  source.Context().protocolState = 4;
  return TWRC_SUCCESS;
}

TW_UINT16 CloseDS(Source& source) {
  source.GetTrace().Write("CloseDS");
  SourceContext& context = source.Context();
  if (!InStates(source, 4, 7)) return source.Refuse(kClosePrefix, TWCC_SEQERROR);
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

TW_UINT16 EnableDS(Source& source, TripletMessage& message) {
  source.GetTrace().Write("EnableDS");
  SourceContext& context = source.Context();
  if (context.protocolState != 4) return source.Refuse(kEnablePrefix, TWCC_SEQERROR);
  if (message.data == nullptr) return source.Refuse(kEnablePrefix, TWCC_BADVALUE);
  // ShowUI and ModalUI are not consulted: the source always shows its dialog.
  context.parentWindow = static_cast<const TW_USERINTERFACE*>(message.data)->hParent;
  const bool created = source.UserInterface().Open(context.parentWindow);
  platform::DebugOutput("Last error is " + std::to_string(platform::LastErrorCode()) + ".\n");
  if (!created) return source.Refuse(kEnablePrefix, TWCC_LOWMEMORY);
  context.protocolState = 5;
  context.transfersThisEnable = 0;
  source.StartIdleTurns();
  return TWRC_SUCCESS;
}

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

}  // namespace

TW_UINT16 IdentityMsg(Source& source, TripletMessage& message) {
  switch (message.msg) {
    case MSG_GET:
      if (message.data == nullptr) return source.Refuse(kIdentityPrefix, TWCC_BADVALUE);
      *static_cast<TW_IDENTITY*>(message.data) = source.Context().sourceIdentity;
      return TWRC_SUCCESS;
    case MSG_OPENDS:
      return OpenDS(source, message);
    case MSG_CLOSEDS:
      return CloseDS(source);
    default:
      return source.Refuse(kIdentityPrefix, TWCC_BADPROTOCOL);
  }
}

TW_UINT16 InterfaceMsg(Source& source, TripletMessage& message) {
  switch (message.msg) {
    case MSG_DISABLEDS:
      return DisableDS(source);
    case MSG_ENABLEDS:
    case MSG_ENABLEDSUIONLY:
      return EnableDS(source, message);
    default:
      return source.Refuse(kInterfacePrefix, TWCC_BADPROTOCOL);
  }
}

TW_UINT16 StatusMsg(Source& source, TripletMessage& message) {
  if (message.msg != MSG_GET) return source.Refuse(kStatusPrefix, TWCC_BADPROTOCOL);
  if (message.data == nullptr) return source.Refuse(kStatusPrefix, TWCC_BADVALUE);
  auto* status = static_cast<TW_STATUS*>(message.data);
  status->ConditionCode = source.Context().conditionCode;
  status->Reserved = 0;
  source.Context().conditionCode = TWCC_SUCCESS;
  return TWRC_SUCCESS;
}

TW_UINT16 PendingXferMsg(Source& source, TripletMessage& message) {
  SourceContext& context = source.Context();
  acquire::PageQueue& queue = source.Queue();
  auto* pending = static_cast<TW_PENDINGXFERS*>(message.data);
  if (pending == nullptr) return source.Refuse(kPendingPrefix, TWCC_BADVALUE);
  const bool feederEnabled = source.CapValues().feederEnabled;

  switch (message.msg) {
    case MSG_GET: {
      if (context.protocolState == 3) return source.Refuse(kPendingPrefix, TWCC_SEQERROR);
      const bool afterTransfer = context.protocolState == 7;
      if (feederEnabled) {
        pending->Count = queue.AnyPending() ? 1 : 0;
      } else {
        pending->Count = afterTransfer ? 0 : 1;
      }
      return TWRC_SUCCESS;
    }
    case MSG_ENDXFER: {
      queue.EndCurrentTransfer();
      if (InStates(source, 6, 7)) {
        ++context.transfersThisEnable;
        EndTransfersAtTheCountAsked(source);
      }
      pending->Count = 0;
      if (feederEnabled) {
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
        return source.Refuse(kPendingPrefix, TWCC_SEQERROR);
      }
      return TWRC_SUCCESS;
    }
    case MSG_RESET:
      if (!InStates(source, 6, 7)) return source.Refuse(kPendingPrefix, TWCC_SEQERROR);
      queue.EndCurrentTransfer();
      queue.DropAllPending();
      context.protocolState = 5;
      pending->Count = 0;
      return TWRC_SUCCESS;
    default:
      return source.Refuse(kPendingPrefix, TWCC_BADPROTOCOL);
  }
}

TW_UINT16 SetupMemXferMsg(Source& source, TripletMessage& message) {
  if (!InStates(source, 4, 6)) return source.Refuse(kMemXferPrefix, TWCC_SEQERROR);
  if (message.msg != MSG_GET) return source.Refuse(kMemXferPrefix, TWCC_BADPROTOCOL);
  if (message.data == nullptr) return source.Refuse(kMemXferPrefix, TWCC_BADVALUE);
  auto* setup = static_cast<TW_SETUPMEMXFER*>(message.data);
  setup->MinBufSize = 16384;
  setup->MaxBufSize = 65535;
  setup->Preferred = 65535;
  return TWRC_SUCCESS;
}

TW_UINT16 SetupFileXferMsg(Source& source, TripletMessage& message) {
  if (!InStates(source, 4, 6)) return source.Refuse(kFileXferPrefix, TWCC_SEQERROR);
  SourceContext& context = source.Context();
  caps::StoredValues& caps = source.CapValues();
  auto* setup = static_cast<TW_SETUPFILEXFER*>(message.data);
  if (setup == nullptr) return source.Refuse(kFileXferPrefix, TWCC_BADVALUE);

  switch (message.msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
      CopyFileName(setup->FileName, context.fileNameCurrent);
      setup->Format = caps.imageFileFormat;
      setup->VRefNum = 0;
      return TWRC_SUCCESS;
    case MSG_GETDEFAULT:
      CopyFileName(setup->FileName, context.fileNameDefault);
      setup->Format = caps::kDefaultImageFileFormat;
      setup->VRefNum = 0;
      return TWRC_SUCCESS;
    case MSG_SET: {
      // The caller's buffer need not be terminated: never read past its 256 bytes.
      // Only a format the transfer writes is taken, as ICAP_IMAGEFILEFORMAT offers them.
      if (!acquire::WritesFileFormat(setup->Format)) return source.Refuse(kFileXferPrefix, TWCC_BADVALUE);
      context.fileNameCurrent.assign(setup->FileName, strnlen(setup->FileName, 255));
      caps.imageFileFormat = setup->Format;
      const std::string path = platform::ApplicationTextToUtf8(context.fileNameCurrent);
      if (!platform::EnsureFileExists(path)) return source.Refuse(kCreateFilePrefix, TWCC_BADVALUE);
      return TWRC_SUCCESS;
    }
    case MSG_RESET:
      context.fileNameCurrent = context.fileNameDefault;
      caps.imageFileFormat = caps::kDefaultImageFileFormat;
      CopyFileName(setup->FileName, context.fileNameCurrent);
      setup->Format = caps.imageFileFormat;
      setup->VRefNum = 0;
      return TWRC_SUCCESS;
    default:
      return source.Refuse(kFileXferPrefix, TWCC_BADPROTOCOL);
  }
}

TW_UINT16 XferGroupMsg(Source& source, TripletMessage& message) {
  if (!InStates(source, 4, 6)) return source.Refuse(kXferGroupPrefix, TWCC_SEQERROR);
  switch (message.msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
    case MSG_RESET:
      if (message.data == nullptr) return source.Refuse(kXferGroupPrefix, TWCC_BADVALUE);
      *static_cast<TW_UINT32*>(message.data) = DG_IMAGE;
      return TWRC_SUCCESS;
    case MSG_SET:
      return TWRC_SUCCESS;
    default:
      return source.Refuse(kXferGroupPrefix, TWCC_BADPROTOCOL);
  }
}

// A TWAIN 2 manager's entry points come just before MSG_OPENDS (the working
// group's manager) or just after it (Wine's). The structure is the manager's
// local, so it is copied; one of another size is not this protocol's.
TW_UINT16 EntryPointMsg(Source& source, TripletMessage& message) {
  if (message.msg != MSG_SET) return source.Refuse(kEntryPointPrefix, TWCC_BADPROTOCOL);
  if (!InStates(source, 3, 4)) return source.Refuse(kEntryPointPrefix, TWCC_SEQERROR);
  if (message.data == nullptr) return source.Refuse(kEntryPointPrefix, TWCC_BADVALUE);
  TW_ENTRYPOINT entry;
  std::memcpy(&entry, message.data, sizeof entry);
  if (entry.Size != sizeof entry) return source.Refuse(kEntryPointPrefix, TWCC_BADVALUE);
  source.Context().managerEntry = entry;
  return TWRC_SUCCESS;
}

}  // namespace twain
