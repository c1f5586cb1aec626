// What the main dialog lends the automatic and timed scanning dialogs: the
// page detection, the shots of one tick and the saved interval.
#include "twain/source.h"
#include "ui/main_dialog.h"
#include "ui/page_outline.h"

namespace ui {

imaging::DetectedPage& MainDialog::PageDetection() { return source_.PageDetection(); }

int MainDialog::ShootTick() {
  acquire::PageQueue& queue = source_.Queue();
  const int before = queue.PictureCount();
  source_.Camera().SetRotation(source_.CapValues().rotationIndex);
  ShootCurrentPixelType();
  return queue.PictureCount() - before;
}

int MainDialog::StoredPictures() const { return source_.Queue().PictureCount(); }

int MainDialog::ScanInterval() const { return source_.UserSettings().scanInterval; }

void MainDialog::TellUser(platform::DialogWindow& owner, const char* text) {
  source_.Ports().messageBoxes.Show({owner.Handle(), text, "Tips", platform::mb::kOk});
}

void MainDialog::DrawDetectedOutline() {
  const imaging::DetectedPage& page = source_.PageDetection();
  if (dialog_ != nullptr && page.HasOutline()) {
    DrawPageOutline(*dialog_, page.Quad(), source_.UserSettings().documentFormat);
  }
}

}  // namespace ui
