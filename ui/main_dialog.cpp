#include "ui/main_dialog.h"

#include "twain/source.h"

namespace ui {

MainDialog::MainDialog(twain::Source& source) : source_(source) {}

MainDialog::~MainDialog() { Close(); }

bool MainDialog::Open(platform::WindowHandle owner) {
  window_ = source_.Ports().dialogs.CreateModeless(kMainDialogTemplate, *this, owner);
  if (!window_) return false;
  window_->Show();
  return true;
}

void MainDialog::Close() {
  // The camera stops before its preview control goes.
  source_.Camera().CloseCapture();
  window_.reset();
}

void MainDialog::ShowUploadFinished() {
  if (!window_) return;
  window_->SetItemText(kSubmitButton, "Picture Submitting");
  window_->SetItemText(kStatusLine, "Finish Uploading");
  window_->EnableItem(kSubmitButton, false);
}

void MainDialog::OnInit(platform::DialogWindow& window) {
  // The saved camera format is part of the settings, so they are loaded before the camera starts.
  source_.UserSettingsFile().LoadSettings();
  const int started = source_.Camera().StartDocumentCamera({window.Handle(), kPreviewControl});
  // Without a camera the source is of no use: the application is asked to close it.
  if (started == capture::kStartNoDevice) source_.NotifyCloseDSReq();
}

void MainDialog::OnCommand(int controlId, int) {
  // Closing the dialog asks the application to disable and close the source;
  // the dialog itself goes when the application sends MSG_DISABLEDS.
  if (controlId == kCloseCommand) source_.NotifyCloseDSReq();
}

std::unique_ptr<twain::ScanUserInterface> MakeMainDialog(twain::Source& source) {
  return std::make_unique<MainDialog>(source);
}

}  // namespace ui
