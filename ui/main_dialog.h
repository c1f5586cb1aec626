// The main scanning dialog (dialog_ids::main_dialog): the source's own user interface,
// shown from MSG_ENABLEDS to MSG_DISABLEDS. It hosts the live preview, lets
// the user choose how pictures are taken, takes them through the camera,
// and hands them to the application ("Submit") or discards them (closing).
// Everything here runs on the application's user-interface thread.
#pragma once

#include <memory>
#include <string>

#include "platform/dialog.h"
#include "resources/dialog_ids.h"
#include "ui/auto_shot_dialog.h"
#include "ui/id_card_frame.h"
#include "ui/main_dialog_timers.h"
#include "ui/scanning_port.h"
#include "ui/selection_frame.h"
#include "ui/settings_and_preview.h"
#include "ui/source_port.h"
#include "ui/timed_scan_dialog.h"

namespace ui {

class MainDialog final : private platform::DialogEvents, private ScanningPort {
 public:
  explicit MainDialog(SourcePort& source);
  ~MainDialog() override;

  // Creates the dialog owned by `owner` and shows it; false when no window could be made.
  bool Open(platform::WindowHandle owner);
  // Stops the camera and destroys the dialog.
  void Close();
  bool IsOpen() const { return window_ != nullptr; }
  // The dialog's window while it is open, else null.
  platform::DialogWindow* Window() { return window_.get(); }
  // The application has taken the last pending picture.
  void ShowUploadFinished();

 private:
  // Window events.
  void OnInit(platform::DialogWindow& window) override;
  void OnCommand(int controlId, int notification) override;
  void OnTimer(int timerId) override;
  void OnPaint() override;
  void OnMouseMove(unsigned keys, platform::Point at) override;
  void OnLeftButtonDown(unsigned keys, platform::Point at) override;
  void OnLeftButtonUp(unsigned keys, platform::Point at) override;
  void OnKey(std::uint32_t message, std::uintptr_t key) override;
  void OnDestroy() override;

  // Initialisation (main_dialog_init.cpp).
  void FillLists();
  void TickModeRadio();
  void FitPreview();

  // Modes, lists and settings (main_dialog_modes.cpp).
  void OnModeRadio(int radio);
  void OnIntervalList();
  void OnImageTypeList();
  void OnRotationList();
  void OnCorrectionCheck(int box);
  void OnSettings();
  // Overlay timers after the corrections or the mode changed: timer 6 with
  // both corrections on, else timer 2 in ID-card mode.
  void RestartOverlays();
  void SetEdgeOverlay(bool on);
  // The ignore-next-command latch: true (and cleared) when set.
  bool ConsumeLatch();
  void Save();

  // Shots and submission (main_dialog_scan.cpp).
  void OnScan();
  void RunContinuous();
  void EndContinuousRun();
  void TakeSingleShot();
  void OnContinuousShotTimer();
  // The detected page's outline over the preview, once one was found.
  void DrawDetectedOutline();
  void OnSubmit();
  void OnClose();

  // What the automatic and timed scanning dialogs use (main_dialog_continuous.cpp).
  imaging::DetectedPage& PageDetection() override;
  int ShootTick() override;
  int StoredPictures() const override;
  int ScanInterval() const override;
  void TellUser(platform::DialogWindow& owner, const char* text) override;

  SourcePort& source_;
  std::unique_ptr<platform::DialogWindow> window_;
  // The window the handlers work on: known from the initialisation on,
  // before its creation has returned `window_`.
  platform::DialogWindow* dialog_ = nullptr;
  SelectionFrame selection_;
  IdCardFrame idCardFrame_;
  SettingsAndPreview settingsAndPreview_;
  // One of each for the library's lifetime, shown as often as the user asks.
  AutoShotDialog autoShot_;
  TimedScanDialog timed_{*this};
  bool continuousRun_ = false;
  // Cleared while the parameter settings are open, so the guide frame is not drawn over them.
  bool overlayPermitted_ = true;
};

}  // namespace ui
