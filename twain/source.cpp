#include "twain/source.h"

#include "twain/dispatch.h"
#include "twain/entry_trace.h"
#include "twain/reports.h"

namespace twain {

SourcePorts SystemPorts() {
  return {platform::SystemGlobalMemory(), platform::SystemSourceManagerLink(), platform::SystemMessageBoxes(),
          platform::SystemDialogs(),      DefaultTracePath(),
          &capture::SystemVideoCaptureService(), settings::SettingsFilePath()};
}

Source::Source(SourcePorts ports, const UserInterfaceFactory& makeUserInterface)
    : ports_(std::move(ports)),
      trace_(ports_.tracePath),
      queue_(ports_.memory, ports_.messageBoxes),
      userInterface_(makeUserInterface(*this)) {
  context_.sourceIdentity = MakeSourceIdentity();
  stills_.SetCorrection(&correction_);
  grabberCallback_.SetHooks(&stills_);
}

Source::~Source() {
  if (userInterface_ && userInterface_->IsOpen()) userInterface_->Close();
  // A library unloaded without MSG_CLOSEDS leaves its thread's session to the process.
  if (componentSystem_) componentSystem_->Abandon();
}

void Source::EnterComponentSystem() {
  if (!componentSystem_) componentSystem_ = std::make_unique<platform::ComponentSystemSession>();
}

void Source::LeaveComponentSystem() { componentSystem_.reset(); }

TW_UINT16 Source::Entry(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  const bool isEvent = msg == MSG_PROCESSEVENT;
  if (!isEvent) {
    trace_.Write(FormatEntryBlock(context_.traceCounter++, dg, dat, msg));
    trace_.Write(FormatEntryData(dat, data));
  }

  TW_UINT16 result;
  if (IsForeignOrigin(origin, dat, msg)) {
    // Another application's call while one has the source open: nothing runs.
    result = isEvent ? TWRC_NOTDSEVENT : TWRC_FAILURE;
  } else if (isEvent) {
    result = ProcessEvent(data);
  } else {
    result = DispatchTriplet(origin, dg, dat, msg, data);
  }

  if (!isEvent) trace_.Write(FormatReturnBlock(result, dat, data));
  return result;
}

bool Source::IsForeignOrigin(const TW_IDENTITY* origin, TW_UINT16 dat, TW_UINT16 msg) const {
  if (context_.appIdentity.Id == 0) return false;
  // Source managers read the identity with a null or uninitialised origin; it
  // changes nothing, so it is answered for anyone.
  if (dat == DAT_IDENTITY && msg == MSG_GET) return false;
  return origin == nullptr || origin->Id != context_.appIdentity.Id;
}

TW_UINT16 Source::ProcessEvent(TW_MEMREF data) {
  platform::DialogWindow* dialog = userInterface_->Window();
  auto* event = static_cast<TW_EVENT*>(data);
  if (dialog == nullptr || event == nullptr || event->pEvent == nullptr) return TWRC_NOTDSEVENT;
  if (!ports_.dialogs.RouteEvent(*dialog, event->pEvent)) return TWRC_NOTDSEVENT;
  event->TWMessage = MSG_NULL;
  return TWRC_DSEVENT;
}

TW_UINT16 Source::DispatchTriplet(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                  TW_MEMREF data) {
  TripletMessage message{origin, dg, dat, msg, data};
  if (dg == DG_CONTROL) {
    trace_.Write("DG_CONTROL");
    return Dispatch(*this, message, ControlTable());
  }
  trace_.Write("DG_IMAGE");
  if (dg == DG_IMAGE) return Dispatch(*this, message, ImageTable());
  // An unknown group is as unusable to the caller as an unknown DAT.
  context_.conditionCode = TWCC_BADPROTOCOL;
  return TWRC_FAILURE;
}

TW_UINT16 Source::Refuse(std::string_view prefix, TW_UINT16 conditionCode) {
  context_.conditionCode = conditionCode;
  ReportFailure(ports_.messageBoxes, context_.parentWindow, prefix, conditionCode);
  return TWRC_FAILURE;
}

void Source::NotifyXferReady() {
  trace_.Write("NotifyXferReady");
  context_.protocolState = 6;
  SendNotification(MSG_XFERREADY);
}

void Source::NotifyCloseDSReq() {
  trace_.Write("NotifyCloseDSReq");
  SendNotification(MSG_CLOSEDSREQ);
}

// A TWAIN 2 manager takes notifications through the entry it handed over; a
// 1.x manager is found among the loaded modules. A notification the manager
// did not take is traced: the application will not hear of it.
void Source::SendNotification(TW_UINT16 message) {
  bool delivered;
  if (DSMENTRYPROC managerEntry = context_.managerEntry.DSM_Entry; managerEntry != nullptr) {
    delivered = managerEntry(&context_.sourceIdentity, &context_.appIdentity, DG_CONTROL, DAT_NULL, message,
                             nullptr) == TWRC_SUCCESS;
  } else {
    delivered = ports_.sourceManager.SendNull(context_.sourceIdentity, context_.appIdentity, message);
  }
  if (!delivered) trace_.Write("The source manager did not take the notification");
}

bool Source::PreTranslateKeyDown(std::uintptr_t virtualKey) {
  platform::DialogWindow* dialog = userInterface_->Window();
  if (virtualKey != platform::kVkSpace || dialog == nullptr) return false;
  ignoreNextCommand_.store(true, std::memory_order_release);
  trace_.Write("拍照处理");
  dialog->SendCommand(1);  // "Scan"
  // The key itself goes on to the application: nothing of ours translates it further.
  return false;
}

}  // namespace twain
