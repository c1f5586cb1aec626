// The timed scanning dialog (dialog_ids::timed_scanning): after Start it shoots at the
// saved interval until Pause or Close, counting the pictures stored since
// it opened. Timer 1 of its own window paces the shots.
#pragma once

#include "platform/dialog.h"
#include "ui/scanning_port.h"

namespace ui {

// The window timer that paces the shots.
inline constexpr int kTimedShotTimer = 1;
// The interval when the saved one is not a usable number of seconds.
inline constexpr int kDefaultScanInterval = 5;

class TimedScanDialog final : public platform::DialogEvents {
 public:
  explicit TimedScanDialog(ScanningPort& port) : port_(port) {}

  // Runs the dialog modally over `owner`; returns when it has closed.
  void Run(platform::DialogWindow& owner);
  int PicturesTaken() const { return taken_; }

  void OnInit(platform::DialogWindow& window) override;
  void OnCommand(int controlId, int notification) override;
  void OnTimer(int timerId) override;
  void OnDestroy() override { window_ = nullptr; }

 private:
  void Start();
  void Pause();
  // The queue has no room left: the user is told and the shots stop.
  void StopAtFullQueue();

  ScanningPort& port_;
  platform::DialogWindow* window_ = nullptr;
  int taken_ = 0;
  int interval_ = kDefaultScanInterval;
};

}  // namespace ui
