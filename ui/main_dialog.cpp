#include "ui/main_dialog.h"

#include "ui/page_outline.h"
#include "ui/preview_geometry.h"

namespace ui {

using namespace dialog_ids::main_dialog;

MainDialog::MainDialog(SourcePort& source)
    : source_(source),
      selection_(source.Settings(), source),
      idCardFrame_(source.Settings()),
      settingsAndPreview_(source),
      autoShot_(source.PageDetection()) {}

MainDialog::~MainDialog() { Close(); }

bool MainDialog::Open(platform::WindowHandle owner) {
  window_ = source_.Dialogs().CreateModeless(kTemplate, *this, owner);
  if (!window_) return false;
  window_->Show();
  return true;
}

void MainDialog::Close() {
  // The camera stops before its preview control goes.
  source_.StopCamera();
  window_.reset();
}

void MainDialog::ShowUploadFinished() {
  if (dialog_ == nullptr) return;
  dialog_->SetItemText(kSubmitButton, "Picture Submitting");
  dialog_->SetItemText(kStatusLine, "Finish Uploading");
  dialog_->EnableItem(kSubmitButton, false);
}

void MainDialog::OnDestroy() {
  dialog_ = nullptr;
  selection_.Attach(nullptr);
  idCardFrame_.Attach(nullptr);
  settingsAndPreview_.Attach(nullptr);
}

void MainDialog::OnCommand(int controlId, int) {
  switch (controlId) {
    case kScanButton:
      OnScan();
      break;
    case kCloseCommand:
      OnClose();
      break;
    case kSubmitButton:
      OnSubmit();
      break;
    case kSettingsButton:
      OnSettings();
      break;
    case kDefaultRadio:
    case kIdCardRadio:
    case kTimedRadio:
    case kAutomaticRadio:
    case kHiddenAutomaticRadio:
      OnModeRadio(controlId);
      break;
    case kIntervalList:
      OnIntervalList();
      break;
    case kImageTypeList:
      OnImageTypeList();
      break;
    case kRotationList:
      OnRotationList();
      break;
    case kPositionCorrectionCheck:
    case kBlackEdgeCheck:
      OnCorrectionCheck(controlId);
      break;
    default:
      break;
  }
}

// The live video repaints the preview continuously and wipes out anything
// drawn over it, so every overlay is redrawn by its own 5 ms timer.
void MainDialog::OnTimer(int timerId) {
  const settings::Settings& settings = source_.Settings();
  switch (timerId) {
    case kContinuousShotTimer:
      OnContinuousShotTimer();
      break;
    case kCloseRequestTimer:
      dialog_->StopTimer(kCloseRequestTimer);
      source_.RequestClose();
      break;
    case kIdCardFrameTimer:
      if (settings.idCardMode != 0 && overlayPermitted_) idCardFrame_.Draw(source_.IdCardBackNext());
      break;
    case kSelectionFrameTimer:
      if (settings.cropFrameShown) selection_.Draw();
      break;
    case kPageOutlineTimer: {
      // While the automatic scanning's detection runs, the detected page is
      // the shot timer's to take: a repaint, which restarts this timer,
      // must not swallow it.
      imaging::DetectedPage& page = source_.PageDetection();
      if (!page.autoScanRunning.load(std::memory_order_acquire) && settings.curveFlatten == 0 &&
          settings.smartPaging == 0 && settings.fingerErase == 0) {
        page.pageDetected.store(false, std::memory_order_release);
      }
      if (page.HasOutline()) DrawPageOutline(*dialog_, page.Quad(), settings.documentFormat);
      break;
    }
    default:
      break;
  }
}

void MainDialog::OnPaint() {
  const settings::Settings& settings = source_.Settings();
  if (settings.autoCorrect != 0 && settings.autoCrop != 0) {
    dialog_->StartTimer(kPageOutlineTimer, kOverlayPeriod);
  } else if (settings.idCardMode != 0) {
    dialog_->StopTimer(kSelectionFrameTimer);
    dialog_->StopTimer(kPageOutlineTimer);
    dialog_->StartTimer(kIdCardFrameTimer, kOverlayPeriod);
  } else if (settings.cropFrameShown) {
    dialog_->StartTimer(kSelectionFrameTimer, kOverlayPeriod);
  }

  // The banner sits under the rotation list, shifted left.
  const platform::Rect list = ItemClientRect(*dialog_, kRotationList);
  const int halfWidth = (list.right - list.left) / 2;
  const platform::Rect banner{list.left - halfWidth - 60, list.bottom + 3, list.right + halfWidth - 60,
                              list.bottom + 30};
  const platform::FontRequest font{14, 300, true, 0, 0x11, "Times New Roman"};
  dialog_->Draw()->CentredText(banner, "Mervale Imaging", font, {240, 240, 240});

  source_.EnsurePictureFolder();
}

void MainDialog::OnMouseMove(unsigned keys, platform::Point at) {
  if (source_.Settings().idCardMode != 0) {
    idCardFrame_.OnMouseMove(keys, at);
  } else {
    selection_.OnMouseMove(keys, at);
  }
}

// Button messages in ID-card mode are ignored: the guide frame is dragged by
// mouse moves with the button held.
void MainDialog::OnLeftButtonDown(unsigned, platform::Point at) {
  if (source_.Settings().idCardMode == 0) selection_.OnLeftButtonDown(at);
}

void MainDialog::OnLeftButtonUp(unsigned, platform::Point) {
  if (source_.Settings().idCardMode == 0) selection_.OnLeftButtonUp();
}

void MainDialog::OnKey(std::uint32_t, std::uintptr_t) {
  source_.MessageBoxes().Show({dialog_->Handle(), "1", "Tips", platform::mb::kOk});
}

}  // namespace ui
