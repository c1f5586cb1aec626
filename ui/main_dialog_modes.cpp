// The main dialog's mode radios, lists, correction check boxes and the
// Settings button: each change is kept in the settings and saved at once.
#include "ui/main_dialog.h"

namespace ui {

using namespace dialog_ids::main_dialog;

bool MainDialog::ConsumeLatch() { return source_.IgnoreNextCommand().exchange(false, std::memory_order_acq_rel); }

void MainDialog::Save() { source_.CommitSettings(); }

void MainDialog::SetEdgeOverlay(bool on) { source_.PageDetection().edgeOverlayOn.store(on, std::memory_order_release); }

void MainDialog::OnModeRadio(int radio) {
  settings::Settings& settings = source_.Settings();
  if (radio != kIdCardRadio) {
    dialog_->StopTimer(kIdCardFrameTimer);
    source_.ResetIdCardSide();
    settings.idCardMode = 0;
  }
  switch (radio) {
    case kDefaultRadio:
      settings.scanType = 0;
      settings.autoContinuous = false;
      break;
    case kIdCardRadio:
      settings.scanType = 0;
      settings.idCardMode = 1;
      settings.autoContinuous = false;
      settings.cropFrameShown = false;
      idCardFrame_.Place();
      dialog_->SetChecked(kPositionCorrectionCheck, false);
      dialog_->SetChecked(kBlackEdgeCheck, false);
      dialog_->StopTimer(kPageOutlineTimer);
      settings.autoCorrect = 0;
      settings.autoCrop = 0;
      dialog_->StopTimer(kSelectionFrameTimer);
      dialog_->StartTimer(kIdCardFrameTimer, kOverlayPeriod);
      break;
    case kTimedRadio:
      settings.scanType = 1;
      settings.autoContinuous = false;
      break;
    case kAutomaticRadio:
      settings.scanType = 1;
      settings.autoContinuous = true;
      break;
    default:  // the hidden radio: automatic shots without the status dialog
      settings.scanType = 2;
      settings.autoContinuous = true;
      dialog_->StartTimer(kContinuousShotTimer, kContinuousShotPeriod);
      break;
  }
  // The rotation is fixed for ID cards; the automatic modes keep the timed radio's place free.
  dialog_->EnableItem(kRotationList, radio != kIdCardRadio);
  const bool automatic = radio == kAutomaticRadio || radio == kHiddenAutomaticRadio;
  dialog_->EnableItem(automatic ? kAutomaticRadio : kTimedRadio, true);
  dialog_->EnableItem(kIntervalList, radio == kTimedRadio);
  Save();
}

// Typed text without a list selection stores 0: the position is -1.
void MainDialog::OnIntervalList() {
  source_.Settings().scanInterval = dialog_->SelectedListEntry(kIntervalList) + 1;
  Save();
}

void MainDialog::OnImageTypeList() {
  if (ConsumeLatch()) return;
  const int entry = dialog_->SelectedListEntry(kImageTypeList);
  if (entry < 0) return;
  const auto data = static_cast<std::uint32_t>(dialog_->ListEntryData(kImageTypeList, entry));
  source_.ChooseImageType(protocol::PixelTypeOf(data & 0xFFFF), static_cast<std::uint16_t>(data >> 16));
  Save();
}

void MainDialog::OnRotationList() {
  if (ConsumeLatch()) return;
  const int entry = dialog_->SelectedListEntry(kRotationList);
  if (entry < 0) return;
  source_.ChooseRotation(static_cast<std::uint16_t>(dialog_->ListEntryData(kRotationList, entry)));
  Save();
}

void MainDialog::OnCorrectionCheck(int box) {
  settings::Settings& settings = source_.Settings();
  std::int32_t& field = box == kPositionCorrectionCheck ? settings.autoCorrect : settings.autoCrop;
  if (ConsumeLatch()) {
    dialog_->SetChecked(box, field == 1);  // the click has no effect
    return;
  }
  if (settings.idCardMode != 0) {
    dialog_->SetChecked(kDefaultRadio, true);
    dialog_->SetChecked(kIdCardRadio, false);
    dialog_->StopTimer(kIdCardFrameTimer);
    settings.idCardMode = 0;
  }
  settings.curveFlatten = 0;
  settings.smartPaging = 0;
  settings.fingerErase = 0;
  field = 1 - field;
  Save();
  const bool both = settings.autoCorrect != 0 && settings.autoCrop != 0;
  if (both) {
    dialog_->StartTimer(kPageOutlineTimer, kOverlayPeriod);
  } else {
    dialog_->StopTimer(kPageOutlineTimer);
  }
  SetEdgeOverlay(both);
}

void MainDialog::OnSettings() {
  if (ConsumeLatch()) {
    source_.Trace("IDC_PARASET");
    return;
  }
  if (source_.Settings().cropFrameShown) selection_.Hide();
  dialog_->StopTimer(kIdCardFrameTimer);
  overlayPermitted_ = false;
  satellites_->RunParameterDialog(*dialog_);
  const settings::Settings& settings = source_.Settings();
  dialog_->SetChecked(kPositionCorrectionCheck, settings.autoCorrect == 1);
  dialog_->SetChecked(kBlackEdgeCheck, settings.autoCrop == 1);
  RestartOverlays();
  overlayPermitted_ = true;
}

void MainDialog::RestartOverlays() {
  const settings::Settings& settings = source_.Settings();
  if (settings.autoCorrect != 0 && settings.autoCrop != 0) {
    dialog_->StopTimer(kIdCardFrameTimer);
    dialog_->StartTimer(kPageOutlineTimer, kOverlayPeriod);
    SetEdgeOverlay(true);
    return;
  }
  dialog_->StopTimer(kPageOutlineTimer);
  SetEdgeOverlay(false);
  if (settings.idCardMode != 0) dialog_->StartTimer(kIdCardFrameTimer, kOverlayPeriod);
}

}  // namespace ui
