// The data source: one object per loaded library, owning the source-wide
// state (the TWAIN context, the capability values, the page queue, the user
// interface) and the platform ports it talks through.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "acquire/page_queue.h"
#include "caps/capability_table.h"
#include "capture/capture_video.h"
#include "capture/sample_grabber_cb.h"
#include "capture/system_capture_service.h"
#include "capture/video_capture_service.h"
#include "imaging/correction/correction.h"
#include "imaging/detected_page.h"
#include "platform/component_system.h"
#include "platform/dialog.h"
#include "platform/global_memory.h"
#include "platform/local_time.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "platform/source_manager_link.h"
#include "protocol/stored_values.h"
#include "protocol/twain.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "stills/page_detector.h"
#include "stills/still_pipeline.h"
#include "twain/idle_pump.h"
#include "twain/source_context.h"
#include "twain/trace.h"
#include "twain/user_interface.h"

namespace twain {

struct SourcePorts {
  platform::GlobalMemory& memory;
  platform::SourceManagerLink& sourceManager;
  platform::MessageBoxes& messageBoxes;
  platform::DialogSystem& dialogs;
  std::string tracePath;
  // None: the platform's own capture service.
  capture::VideoCaptureService* videoCapture = nullptr;
  // None: the settings are kept in memory only.
  std::string settingsPath{};
  // Whether the dialogs need turns of their own while the application passes
  // no events: the headless host under an application that works through
  // callbacks. Windows dialogs run in the application's message loop.
  bool idleTurnsWithoutEvents = false;
  // None: the system's shell (the picture preview opens and trashes pictures through it).
  platform::Shell* shell = nullptr;
};

// The real platform: the system's memory, manager, boxes, dialogs and
// capture service, the default trace file and the user's settings file.
SourcePorts SystemPorts();

class Source {
 public:
  using UserInterfaceFactory = std::function<std::unique_ptr<ScanUserInterface>(Source&)>;

  Source(SourcePorts ports, const UserInterfaceFactory& makeUserInterface);
  // Never leaves a live dialog behind.
  ~Source();
  Source(const Source&) = delete;
  Source& operator=(const Source&) = delete;

  // DS_Entry: every triplet of the application arrives here. Nothing thrown
  // inside leaves: such a call answers TWRC_FAILURE with TWCC_LOWMEMORY (an
  // event, TWRC_NOTDSEVENT).
  TW_UINT16 Entry(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

  SourceContext& Context() { return context_; }
  const SourceContext& Context() const { return context_; }
  const Trace& GetTrace() const { return trace_; }
  acquire::PageQueue& Queue() { return queue_; }
  caps::StoredValues& CapValues() { return capValues_; }
  const caps::StoredValues& CapValues() const { return capValues_; }
  // The capability records, filled while the source is open.
  caps::CapabilityTable& CapTable() { return capTable_; }
  ScanUserInterface& UserInterface() { return *userInterface_; }
  SourcePorts& Ports() { return ports_; }
  settings::Settings& UserSettings() { return settings_; }
  settings::SettingsFile& UserSettingsFile() { return settingsFile_; }
  // The camera and its frame callback, made when the library is loaded.
  capture::CCaptureVideo& Camera() { return camera_; }
  capture::CSampleGrabberCB& GrabberCallback() { return grabberCallback_; }
  // What the frame callback hands each requested still to.
  imaging::StillPipeline& Stills() { return stills_; }
  // What the page detection shares with the dialog.
  imaging::DetectedPage& PageDetection() { return detectedPage_; }

  // A handler's refusal: sets the condition code, shows the failure report
  // with `prefix`, and answers TWRC_FAILURE.
  TW_UINT16 Refuse(std::string_view prefix, TW_UINT16 conditionCode);

  // Pictures are ready: state 6, then MSG_XFERREADY through the source manager.
  void NotifyXferReady();
  // Asks the application to disable and close the source.
  void NotifyCloseDSReq();

  // The message hook's pre-translation of a key press anywhere in the
  // application's thread: the space key presses "Scan" while the dialog
  // exists. Returns whether the message was handled and must be nulled.
  bool PreTranslateKeyDown(std::uintptr_t virtualKey);

  // Set when the space key shot through the hook; the dialog's next latched
  // command is swallowed, since the same key press also clicks the focused button.
  std::atomic<bool>& IgnoreNextCommand() { return ignoreNextCommand_; }

  // The component system is entered for the application's thread while the
  // source is open: never inside the library's load notification.
  void EnterComponentSystem();
  void LeaveComponentSystem();

  // From MSG_ENABLEDS to MSG_DISABLEDS the dialogs get turns of their own
  // until the application passes an event (when the ports ask for it).
  void StartIdleTurns();
  void StopIdleTurns();

 private:
  TW_UINT16 TracedEntry(bool isEvent, TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  // The answer to a call whose handling threw: traced, and the source stays usable.
  TW_UINT16 FailedEntry(bool isEvent, TW_UINT16 dat, TW_MEMREF data, const char* what) noexcept;
  TW_UINT16 ProcessEvent(TW_MEMREF data);
  void SendNotification(TW_UINT16 message);
  void RunIdleTurn();
  TW_UINT16 DispatchTriplet(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  bool IsForeignOrigin(const TW_IDENTITY* origin, TW_UINT16 dat, TW_UINT16 msg) const;

  SourcePorts ports_;
  Trace trace_;
  SourceContext context_;
  caps::StoredValues capValues_;
  caps::CapabilityTable capTable_;
  acquire::PageQueue queue_;
  settings::Settings settings_;
  settings::SettingsFile settingsFile_{ports_.settingsPath, settings_, capValues_,
                                       [this](std::string_view line) { trace_.Write(line); }};
  // Position correction, black-edge removal and page processing of the stills.
  imaging::correction::AutomaticCorrection correction_;
  // Outlives the frame callback, which points at it.
  imaging::StillPipeline stills_{
      {queue_, settings_, capValues_, ports_.messageBoxes, platform::SystemTextRenderer(), platform::LocalTimeNow}};
  // The page detection the still pipeline hands each analysed frame; outlives the camera too.
  imaging::DetectedPage detectedPage_;
  imaging::PageDetector pageDetector_{detectedPage_};
  capture::CSampleGrabberCB grabberCallback_{[this](std::string_view line) { trace_.Write(line); }};
  capture::CCaptureVideo camera_{capture::CaptureLinks{
      ports_.videoCapture != nullptr ? *ports_.videoCapture : capture::SystemVideoCaptureService(), grabberCallback_,
      ports_.messageBoxes, settings_.documentFormat, [this] { settingsFile_.SaveSettings(); }, capValues_,
      [this](std::string_view line) { trace_.Write(line); }}};
  std::atomic<bool> ignoreNextCommand_{false};
  std::unique_ptr<platform::ComponentSystemSession> componentSystem_;
  std::unique_ptr<ScanUserInterface> userInterface_;
  // Every call of the application, and every turn of the idle pump, runs
  // under this lock. Recursive: the manager calls the application's callback
  // inside a notification from a turn, and the callback calls back in.
  std::recursive_mutex entryMutex_;
  std::unique_ptr<IdlePump> idlePump_;
  // A pump stopped from its own thread (a callback that disabled the source)
  // is joined later, from another thread.
  std::unique_ptr<IdlePump> stoppedPump_;
  // Notifications raised inside a pump's turn wait until the turn is over:
  // the manager runs the application's callback inside the notification, and
  // the callback may disable the source, which must not happen while the
  // dialog is still inside its own handler.
  bool inIdleTurn_ = false;
  std::vector<TW_UINT16> deferredNotifications_;
};

}  // namespace twain
