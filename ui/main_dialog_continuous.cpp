// What the main dialog lends the automatic and timed scanning dialogs: the
// page detection, the shots of one tick and the saved interval.
#include "ui/main_dialog.h"
#include "ui/page_outline.h"

namespace ui {

imaging::DetectedPage& MainDialog::PageDetection() { return source_.PageDetection(); }

int MainDialog::ShootTick() {
  const int before = source_.Queue().PictureCount();
  const caps::StoredValues& values = source_.CapValues();
  source_.ShootStill({protocol::PixelTypeOf(values.pixelType), values.rotationIndex, false});
  return source_.Queue().PictureCount() - before;
}

int MainDialog::StoredPictures() const { return source_.Queue().PictureCount(); }

int MainDialog::ScanInterval() const { return source_.Settings().scanInterval; }

void MainDialog::TellUser(platform::DialogWindow& owner, const char* text) {
  source_.MessageBoxes().Show({owner.Handle(), text, "Tips", platform::mb::kOk});
}

void MainDialog::DrawDetectedOutline() {
  const imaging::DetectedPage& page = source_.PageDetection();
  if (dialog_ != nullptr && page.HasOutline())
    DrawPageOutline(*dialog_, page.Quad(), source_.Settings().documentFormat);
}

}  // namespace ui
