#include "ui/auto_shot_dialog.h"

#include <ctime>
#include <random>
#include <string>

#include "resources/dialog_ids.h"

namespace ui {

using namespace dialog_ids::automatic_scanning;

const char* AutoShotStatusText(AutoShotStatus status) {
  switch (status) {
    case AutoShotStatus::Waiting:
      return "Waitting";
    case AutoShotStatus::Detecting:
      return "Detecting...";
    case AutoShotStatus::Shooting:
      return "Shooting...";
    case AutoShotStatus::ChangePaper:
      return "Please change paper";
    default:
      return "Finishing";
  }
}

std::int64_t CurrentSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

void AutoShotDialog::Run(platform::DialogWindow& owner) {
  owner.RunModal(kTemplate, *this);
  // Whatever ended the modal run, the detection ends with it.
  StopDetection();
  window_ = nullptr;
}

void AutoShotDialog::OnInit(platform::DialogWindow& window) {
  window_ = &window;
  pages_ = 0;
  window.SetItemText(kCountText, "0");
  SetStatus(AutoShotStatus::Waiting);
  SetProgress(0);
}

void AutoShotDialog::OnCommand(int controlId, int) {
  switch (controlId) {
    case kStartButton:
      Start();
      break;
    case kEndButton:
      End();
      break;
    case platform::kIdCancel:
      // The Close button and the title bar's close box alike.
      StopDetection();
      window_->EndModal(platform::kIdCancel);
      break;
    default:
      break;
  }
}

void AutoShotDialog::OnDestroy() {
  StopDetection();
  window_ = nullptr;
}

void AutoShotDialog::Start() {
  detection_.pageDetected.store(false, std::memory_order_release);
  detection_.shotTaken.store(false, std::memory_order_release);
  detection_.autoScanRunning.store(true, std::memory_order_release);
  SetStatus(AutoShotStatus::Detecting);
  pages_ = 0;
  window_->SetItemText(kCountText, "0");
  SetButtons(false, true, false);
}

void AutoShotDialog::End() {
  StopDetection();
  SetStatus(AutoShotStatus::Finishing);
  SetProgress(0);
  SetButtons(true, false, true);
}

void AutoShotDialog::StopDetection() {
  detection_.autoScanRunning.store(false, std::memory_order_release);
  detection_.pageDetected.store(false, std::memory_order_release);
  detection_.shotTaken.store(false, std::memory_order_release);
}

bool AutoShotDialog::Step() {
  if (window_ == nullptr) return false;
  const bool detected = detection_.pageDetected.load(std::memory_order_acquire);
  // Claiming the shot and testing it are one step, so that a page is shot once.
  if (!detected || detection_.shotTaken.exchange(true, std::memory_order_acq_rel)) {
    if (!detected && detection_.autoScanRunning.load(std::memory_order_acquire)) {
      SetStatus(AutoShotStatus::Detecting);
      // Reseeded with the second, the bar changes at most once a second.
      std::minstd_rand random(static_cast<std::minstd_rand::result_type>(seconds_()));
      SetProgress(static_cast<int>(10 * (random() % 5)));
    }
    return false;
  }
  SetProgress(100);
  SetStatus(AutoShotStatus::ChangePaper);
  return true;
}

void AutoShotDialog::AfterShot(int stored) {
  if (stored <= 0) {
    // Nothing of the page was stored: it is not taken, and stays to be shot.
    detection_.shotTaken.store(false, std::memory_order_release);
    if (window_ != nullptr) SetStatus(AutoShotStatus::Detecting);
    return;
  }
  ++pages_;
  if (window_ != nullptr) window_->SetItemText(kCountText, std::to_string(pages_));
}

void AutoShotDialog::SetStatus(AutoShotStatus status) { window_->SetItemText(kStatusText, AutoShotStatusText(status)); }

void AutoShotDialog::SetProgress(int position) { window_->SetProgressPosition(kProgressBar, position); }

void AutoShotDialog::SetButtons(bool startEnabled, bool endEnabled, bool closeEnabled) {
  window_->EnableItem(kStartButton, startEnabled);
  window_->EnableItem(kEndButton, endEnabled);
  window_->EnableItem(platform::kIdCancel, closeEnabled);
}

}  // namespace ui
