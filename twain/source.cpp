#include "twain/source.h"

#include <string>
#include <utility>

#include "platform/c_boundary.h"
#include "twain/dispatch.h"
#include "twain/entry_trace.h"
#include "twain/reports.h"

namespace twain {

SourcePorts SystemPorts() {
  SourcePorts ports{platform::SystemGlobalMemory(),
                    platform::SystemSourceManagerLink(),
                    platform::SystemMessageBoxes(),
                    platform::SystemDialogs(),
                    DefaultTracePath(),
                    &capture::SystemVideoCaptureService(),
                    settings::SettingsFilePath()};
#if !defined(_WIN32)
  ports.idleTurnsWithoutEvents = true;
#endif
  return ports;
}

Source::Source(SourcePorts ports, const UserInterfaceFactory& makeUserInterface)
    : ports_(std::move(ports)),
      trace_(ports_.tracePath),
      queue_(ports_.memory, ports_.messageBoxes),
      userInterface_(makeUserInterface(*this)) {
  context_.sourceIdentity = MakeSourceIdentity();
  stills_.SetCorrection(&correction_);
  stills_.SetFrameAnalysis(&pageDetector_);
  grabberCallback_.SetHooks(&stills_);
}

Source::~Source() {
  // The pump's turns reach the dialog: they end first.
  idlePump_.reset();
  stoppedPump_.reset();
  if (userInterface_ && userInterface_->IsOpen()) userInterface_->Close();
  // A library unloaded without MSG_CLOSEDS leaves its thread's session to the process.
  if (componentSystem_) componentSystem_->Abandon();
}

void Source::EnterComponentSystem() {
  if (!componentSystem_) componentSystem_ = std::make_unique<platform::ComponentSystemSession>();
}

void Source::LeaveComponentSystem() { componentSystem_.reset(); }

namespace {

// MSG_PROCESSEVENT belongs to DAT_EVENT alone: only then is the data a TW_EVENT.
bool IsEventTriplet(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg) {
  return dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT;
}

}  // namespace

TW_UINT16 Source::Entry(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  std::lock_guard lock(entryMutex_);
  const bool isEvent = IsEventTriplet(dg, dat, msg);
  return platform::GuardCBoundary([&] { return TracedEntry(isEvent, origin, dg, dat, msg, data); },
                                  [&](const char* what) { return FailedEntry(isEvent, dat, data, what); });
}

TW_UINT16 Source::TracedEntry(bool isEvent, TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                              TW_MEMREF data) {
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

TW_UINT16 Source::FailedEntry(bool isEvent, TW_UINT16 dat, TW_MEMREF data, const char* what) noexcept {
  // An event the source failed on is still the application's to handle; any
  // other call failed for want of resources, which is what TWAIN can say.
  const TW_UINT16 result = isEvent ? TWRC_NOTDSEVENT : TWRC_FAILURE;
  if (!isEvent) context_.conditionCode = TWCC_LOWMEMORY;
  try {
    trace_.Write(std::string("\nDS_Entry failed: ") + what);
    if (!isEvent) trace_.Write(FormatReturnBlock(result, dat, data));
  } catch (...) {
    // Without memory even for the trace, the answer alone must do.
  }
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
  if (idlePump_) idlePump_->EventSeen();
  platform::DialogWindow* dialog = userInterface_->Window();
  auto* event = static_cast<TW_EVENT*>(data);
  if (dialog == nullptr || event == nullptr || event->pEvent == nullptr) return TWRC_NOTDSEVENT;
  if (!ports_.dialogs.RouteEvent(*dialog, event->pEvent)) return TWRC_NOTDSEVENT;
  event->TWMessage = MSG_NULL;
  return TWRC_DSEVENT;
}

TW_UINT16 Source::DispatchTriplet(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  TripletMessage message{origin, dg, dat, msg, data};
  trace_.Write(dg == DG_CONTROL ? "DG_CONTROL" : "DG_IMAGE");
  // MSG_PROCESSEVENT outside DAT_EVENT is no known triplet, and no handler
  // reads its data; neither does one of an unknown group.
  if (msg != MSG_PROCESSEVENT) {
    if (dg == DG_CONTROL) return Dispatch(*this, message, ControlTable());
    if (dg == DG_IMAGE) return Dispatch(*this, message, ImageTable());
  }
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
  if (inIdleTurn_) {
    deferredNotifications_.push_back(message);
    return;
  }
  bool delivered;
  if (DSMENTRYPROC managerEntry = context_.managerEntry.DSM_Entry; managerEntry != nullptr) {
    delivered = managerEntry(&context_.sourceIdentity, &context_.appIdentity, DG_CONTROL, DAT_NULL, message, nullptr) ==
                TWRC_SUCCESS;
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

void Source::StartIdleTurns() {
  if (!ports_.idleTurnsWithoutEvents) return;
  // A callback that disabled and enables again runs on the stopped pump's
  // own thread, which cannot join itself; that pump ends after its turn.
  if (stoppedPump_ && !stoppedPump_->IsPumpThread()) stoppedPump_.reset();
  // An idle event, as an application's loop passes when its queue is empty.
  idlePump_ = std::make_unique<IdlePump>([this] {
    std::unique_lock lock(entryMutex_, std::try_to_lock);
    if (!lock.owns_lock()) return;  // the application is inside a call: the next turn will do
    // The pump's thread is ours: nothing may escape it.
    platform::GuardCBoundary([this] { RunIdleTurn(); },
                             [this](const char* what) {
                               inIdleTurn_ = false;
                               trace_.Write(std::string("\nIdle turn failed: ") + what);
                             });
  });
}

void Source::RunIdleTurn() {
  platform::DialogWindow* dialog = userInterface_->Window();
  platform::WindowMessage idle{};
  inIdleTurn_ = true;
  if (dialog != nullptr) ports_.dialogs.RouteEvent(*dialog, &idle);
  inIdleTurn_ = false;
  const std::vector<TW_UINT16> raised = std::exchange(deferredNotifications_, {});
  for (const TW_UINT16 message : raised) SendNotification(message);
}

void Source::StopIdleTurns() {
  if (!idlePump_) return;
  idlePump_->RequestStop();
  if (idlePump_->IsPumpThread()) {
    stoppedPump_ = std::move(idlePump_);
  } else {
    idlePump_.reset();
  }
}

}  // namespace twain
