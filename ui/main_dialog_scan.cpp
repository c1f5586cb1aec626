// The main dialog's shots and their end: Scan in every mode, the
// continuous-shot timer, Submit, and closing with pictures discarded.
#include <cstdio>

#include "acquire/picture_files.h"
#include "caps/pixel_type.h"
#include "imaging/colour_mode.h"
#include "imaging/picture_file.h"
#include "platform/file_stream.h"
#include "twain/source.h"
#include "ui/main_dialog.h"

namespace ui {
namespace {

constexpr std::uint16_t kColour = 2;
constexpr std::uint16_t kBlackWhite = 0;

void Tell(platform::MessageBoxes& boxes, platform::DialogWindow& owner, const char* text) {
  boxes.Show({owner.Handle(), text, "Tips", platform::mb::kOk});
}

std::string NumberedName(const std::string& folder, const char* prefix, int number) {
  char name[32];
  std::snprintf(name, sizeof name, "%s%d.bmp", prefix, number);
  return folder + name;
}

}  // namespace

void MainDialog::SetPixelType(std::uint16_t pixelType) { source_.CapValues().pixelType = pixelType; }

void MainDialog::OnScan() {
  selection_.PrepareShot();
  dialog_->EnableItem(kSubmitButton, true);
  if (source_.UserSettings().scanType == 1) {
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
  const settings::Settings& settings = source_.UserSettings();
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
  dialog_->EnableItem(source_.UserSettings().autoContinuous ? kTimedRadio : kAutomaticRadio, true);
}

void MainDialog::TakeSingleShot() {
  const settings::Settings& settings = source_.UserSettings();
  const bool idCard = settings.idCardMode != 0;
  // ID cards are cut out upright; the guide frame is drawn on the unturned preview.
  source_.Camera().SetRotation(settings.scanType == 0 && idCard ? 0 : source_.CapValues().rotationIndex);
  pictureFolder_ = acquire::PictureFolder();
  if (source_.CapValues().pixelType == caps::kPixelTypeColourAndBlackWhite && idCard) {
    ShootIdCardColourAndBlackWhite();
  } else {
    ShootCurrentPixelType();
  }
}

void MainDialog::ShootCurrentPixelType() {
  capture::CCaptureVideo& camera = source_.Camera();
  const std::uint16_t pixelType = source_.CapValues().pixelType;
  if (pixelType != caps::kPixelTypeColourAndBlackWhite) {
    camera.CaptureStill(true);
    return;
  }
  SetPixelType(kColour);
  camera.CaptureStill(true);
  SetPixelType(kBlackWhite);
  camera.CaptureStill(true);
  SetPixelType(pixelType);
}

// An ID card in "Color and B&W": the pipeline stores the front as the next
// picture without counting it and, on the back shot, composes both sides
// into that number and counts it. The dialog counts the front's colour
// picture itself, so before the back shot it takes that count back; after
// either shot it adds a black-and-white copy of the colour picture as the
// following number, counted only once the card is complete.
void MainDialog::ShootIdCardColourAndBlackWhite() {
  acquire::PageQueue& queue = source_.Queue();
  imaging::StillPipeline& stills = source_.Stills();
  const std::uint16_t pixelType = source_.CapValues().pixelType;
  SetPixelType(kColour);
  const int sideBefore = stills.IdCardSide();
  const int countBefore = queue.PictureCount();
  if (sideBefore == 1) queue.SetPictureCount(countBefore - 1);
  source_.Camera().CaptureStill(true);
  if (stills.IdCardSide() == sideBefore) {
    // The still was not stored (refused or late): nothing to copy, nothing to count.
    queue.SetPictureCount(countBefore);
    SetPixelType(pixelType);
    return;
  }
  int count = queue.PictureCount();
  if (stills.IdCardSide() == 0) --count;
  const std::string colourName = NumberedName(pictureFolder_, "twainrgb", count + 1);
  const std::string blackWhiteName = NumberedName(pictureFolder_, "twainbw", count + 2);
  acquire::PageEntry* colourEntry = queue.Entry(count + 1);
  acquire::PageEntry* blackWhiteEntry = queue.Entry(count + 2);
  ++count;
  if (colourEntry != nullptr && blackWhiteEntry != nullptr) {
    colourEntry->filePath = colourName;
    // The copy has the colour picture's size; its record says so, and that it is black-and-white.
    *blackWhiteEntry = {blackWhiteName, colourEntry->widthInches, colourEntry->heightInches, kBlackWhite};
    imaging::Picture picture = imaging::LoadPicture(colourName);
    imaging::ConvertToBlackWhite(picture);
    imaging::SavePicture(picture, blackWhiteName, imaging::PictureFormat::Bmp);
    if (stills.IdCardSide() == 0) ++count;
  }
  queue.SetPictureCount(count);
  source_.Camera().ShowPicturePreview();
  SetPixelType(pixelType);
}

void MainDialog::OnContinuousShotTimer() {
  const bool automatic = source_.UserSettings().autoContinuous;
  if (automatic) {
    if (source_.PageDetection().pageDetected.load(std::memory_order_acquire)) DrawDetectedOutline();
    if (!autoShot_.Step()) return;
  }
  const int stored = ShootTick();
  if (automatic) autoShot_.AfterShot(stored);
  // The queue is full: further ticks would only be refused, one message each.
  if (source_.Queue().PictureCount() >= acquire::kMaxPictures) {
    dialog_->StopTimer(kContinuousShotTimer);
    Tell(source_.Ports().messageBoxes, *dialog_, imaging::kQueueFullText);
  }
}

void MainDialog::OnSubmit() {
  if (ConsumeLatch()) return;
  dialog_->StopTimer(kContinuousShotTimer);
  dialog_->StopTimer(kSelectionFrameTimer);
  acquire::PageQueue& queue = source_.Queue();
  if (queue.PictureCount() <= 0) {
    Tell(source_.Ports().messageBoxes, *dialog_, "No Pictures!");
    return;
  }
  dialog_->SetItemText(kSubmitButton, "Picture Submitting...");
  dialog_->SetItemText(kStatusLine, "Picture Submitting...");
  dialog_->EnableItem(kScanButton, true);
  dialog_->EnableItem(kSubmitButton, false);
  queue.AnnounceAll();

  caps::StoredValues& values = source_.CapValues();
  const auto selectedData = [this](int list) -> std::optional<std::uint32_t> {
    const int entry = dialog_->SelectedListEntry(list);
    if (entry < 0) return std::nullopt;
    return static_cast<std::uint32_t>(dialog_->ListEntryData(list, entry));
  };
  if (const auto rotation = selectedData(kRotationList)) values.rotationIndex = static_cast<std::uint16_t>(*rotation);
  if (const auto paper = selectedData(kPaperList)) values.paperSize = static_cast<std::uint16_t>(*paper);
  if (const auto imageType = selectedData(kImageTypeList)) {
    values.pixelType = static_cast<std::uint16_t>(*imageType & 0xFFFF);
    caps::SetCurrentBitDepth(values, static_cast<std::uint16_t>(*imageType >> 16), values.pixelType);
  }
  source_.NotifyXferReady();
}

// Closing discards the pictures taken: their files go, and the application
// is asked to close the source. The dialog stays until it is disabled.
void MainDialog::OnClose() {
  acquire::PageQueue& queue = source_.Queue();
  queue.AnnounceAll();
  if (pictureFolder_.empty()) pictureFolder_ = acquire::PictureFolder();
  while (queue.AnyPending()) {
    const int number = queue.NextPictureNumber();
    if (const acquire::PageEntry* entry = queue.Entry(number)) {
      platform::RemoveFile(acquire::PictureFileName(pictureFolder_, number, entry->pixelType));
    }
    queue.EndCurrentTransfer();
  }
  source_.NotifyCloseDSReq();
  Save();
}

}  // namespace ui
