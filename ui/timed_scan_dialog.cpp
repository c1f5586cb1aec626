#include "ui/timed_scan_dialog.h"

#include <string>

#include "acquire/page_queue.h"
#include "resources/dialog_ids.h"
#include "stills/still_messages.h"

namespace ui {

using namespace dialog_ids::timed_scanning;

void TimedScanDialog::Run(platform::DialogWindow& owner) {
  owner.RunModal(kTemplate, *this);
  window_ = nullptr;
}

void TimedScanDialog::OnInit(platform::DialogWindow& window) {
  window_ = &window;
  taken_ = 0;
  // A saved interval of no seconds (or a damaged one) would shoot without pause.
  const int saved = port_.ScanInterval();
  interval_ = saved >= 1 && saved <= 3600 ? saved : kDefaultScanInterval;
  window.SetItemText(kIntervalText, std::to_string(interval_));
  window.SetItemText(kStatusText, "Pause");
  window.SetItemText(kCountText, "0");
}

void TimedScanDialog::OnCommand(int controlId, int) {
  switch (controlId) {
    case kStartButton:
      Start();
      break;
    case kPauseButton:
      Pause();
      break;
    case platform::kIdOk:
    case platform::kIdCancel:
      // The timer ends with the window.
      window_->StopTimer(kTimedShotTimer);
      window_->EndModal(controlId);
      break;
    default:
      break;
  }
}

void TimedScanDialog::Start() {
  window_->StartTimer(kTimedShotTimer, static_cast<unsigned>(interval_) * 1000u);
  window_->ShowItem(kStartButton, false);
  window_->ShowItem(kPauseButton, true);
  window_->SetItemText(kStatusText, "Scanning");
}

void TimedScanDialog::Pause() {
  window_->ShowItem(kStartButton, true);
  window_->ShowItem(kPauseButton, false);
  window_->SetItemText(kStatusText, "Pause");
  window_->StopTimer(kTimedShotTimer);
}

void TimedScanDialog::OnTimer(int timerId) {
  if (timerId != kTimedShotTimer || window_ == nullptr) return;
  // A full queue refuses every shot: none is tried.
  if (port_.StoredPictures() >= acquire::kMaxPictures) {
    StopAtFullQueue();
    return;
  }
  // Only what was stored counts: a refused or late still is no picture taken.
  taken_ += port_.ShootTick();
  window_->SetItemText(kCountText, std::to_string(taken_));
  if (port_.StoredPictures() >= acquire::kMaxPictures) StopAtFullQueue();
}

void TimedScanDialog::StopAtFullQueue() {
  // Stopped first: the box's own message loop must not run further ticks.
  window_->StopTimer(kTimedShotTimer);
  port_.TellUser(*window_, imaging::kQueueFullText);
}

}  // namespace ui
