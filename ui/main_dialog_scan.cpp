// The main dialog's shots and their end: Scan in every mode, the
// continuous-shot timer, Submit, and closing with pictures discarded.
#include "stills/still_messages.h"
#include "ui/main_dialog.h"

namespace ui {

using namespace dialog_ids::main_dialog;
namespace {

void Tell(platform::MessageBoxes& boxes, platform::DialogWindow& owner, const char* text) {
  boxes.Show({owner.Handle(), text, "Tips", platform::mb::kOk});
}

}  // namespace

void MainDialog::OnScan() {
  selection_.PrepareShot();
  dialog_->EnableItem(kSubmitButton, true);
  if (source_.Settings().scanType == 1) {
    dialog_->StopTimer(kPageOutlineTimer);
    SetEdgeOverlay(false);
    RunContinuous();
  } else {
    TakeSingleShot();
  }
}

// A continuous run lasts while its status dialog is open. Scan pressed
// during the run (the space key reaches the main dialog from the status
// dialog too) ends it at once; the status dialog's own end then finds it ended.
void MainDialog::RunContinuous() {
  const settings::Settings& settings = source_.Settings();
  if (!continuousRun_) {
    continuousRun_ = true;
    dialog_->SetItemText(kScanButton, "Pause");
    dialog_->EnableItem(kIdCardRadio, false);
    dialog_->EnableItem(kDefaultRadio, false);
    if (settings.autoContinuous) {
      dialog_->EnableItem(kTimedRadio, false);
      dialog_->StartTimer(kContinuousShotTimer, kContinuousShotPeriod);
      autoShot_.Run(*dialog_);
    } else {
      dialog_->EnableItem(kAutomaticRadio, false);
      timed_.Run(*dialog_);
    }
  }
  EndContinuousRun();
}

void MainDialog::EndContinuousRun() {
  if (dialog_ == nullptr) return;  // the source was disabled while the run's dialog was open
  continuousRun_ = false;
  dialog_->SetItemText(kScanButton, "Scan");
  dialog_->StopTimer(kContinuousShotTimer);
  dialog_->EnableItem(kIdCardRadio, true);
  dialog_->EnableItem(kDefaultRadio, true);
  dialog_->EnableItem(source_.Settings().autoContinuous ? kTimedRadio : kAutomaticRadio, true);
}

void MainDialog::TakeSingleShot() {
  const settings::Settings& settings = source_.Settings();
  const bool idCard = settings.idCardMode != 0;
  const caps::StoredValues& values = source_.CapValues();
  // ID cards are cut out upright; the guide frame is drawn on the unturned preview.
  source_.ShootStill(
      {protocol::PixelTypeOf(values.pixelType), settings.scanType == 0 && idCard ? 0 : values.rotationIndex, idCard});
}

void MainDialog::OnContinuousShotTimer() {
  const bool automatic = source_.Settings().autoContinuous;
  if (automatic) {
    if (source_.PageDetection().pageDetected.load(std::memory_order_acquire)) DrawDetectedOutline();
    if (!autoShot_.Step()) return;
  }
  const int stored = ShootTick();
  if (automatic) autoShot_.AfterShot(stored);
  // The queue is full: further ticks would only be refused, one message each.
  if (source_.Queue().PictureCount() >= acquire::kMaxPictures) {
    dialog_->StopTimer(kContinuousShotTimer);
    Tell(source_.MessageBoxes(), *dialog_, imaging::kQueueFullText);
  }
}

void MainDialog::OnSubmit() {
  if (ConsumeLatch()) return;
  dialog_->StopTimer(kContinuousShotTimer);
  dialog_->StopTimer(kSelectionFrameTimer);
  if (source_.Queue().PictureCount() <= 0) {
    Tell(source_.MessageBoxes(), *dialog_, "No Pictures!");
    return;
  }
  dialog_->SetItemText(kSubmitButton, "Picture Submitting...");
  dialog_->SetItemText(kStatusLine, "Picture Submitting...");
  dialog_->EnableItem(kScanButton, true);
  dialog_->EnableItem(kSubmitButton, false);
  const auto selectedData = [this](int list) -> std::optional<std::uint32_t> {
    const int entry = dialog_->SelectedListEntry(list);
    if (entry < 0) return std::nullopt;
    return static_cast<std::uint32_t>(dialog_->ListEntryData(list, entry));
  };
  if (const auto rotation = selectedData(kRotationList)) source_.ChooseRotation(static_cast<std::uint16_t>(*rotation));
  if (const auto paper = selectedData(kPaperList)) source_.ChoosePaperSize(static_cast<std::uint16_t>(*paper));
  if (const auto imageType = selectedData(kImageTypeList)) {
    source_.ChooseImageType(protocol::PixelTypeOf(*imageType & 0xFFFF), static_cast<std::uint16_t>(*imageType >> 16));
  }
  source_.SubmitPictures();
}

// Closing discards the pictures taken: their files go, and the application
// is asked to close the source. The dialog stays until it is disabled.
void MainDialog::OnClose() {
  source_.DiscardPictures();
  source_.RequestClose();
  Save();
}

}  // namespace ui
