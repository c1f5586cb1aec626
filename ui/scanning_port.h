// What the automatic and timed scanning dialogs need of the source: the
// page detection's shared flags, the shots of one tick, the number of
// stored pictures and the saved interval.
#pragma once

#include "imaging/detected_page.h"
#include "platform/dialog.h"

namespace ui {

class ScanningPort {
 public:
  virtual ~ScanningPort() = default;
  virtual imaging::DetectedPage& PageDetection() = 0;
  // The shots of one tick at the current rotation: one still, or a colour
  // and a black-and-white still for "Color and B&W". Returns how many
  // pictures were stored (a still refused or too late stores none).
  virtual int ShootTick() = 0;
  virtual int StoredPictures() const = 0;
  // The timed scanning's interval in seconds, as saved.
  virtual int ScanInterval() const = 0;
  // A "Tips" box with an OK button owned by `owner`.
  virtual void TellUser(platform::DialogWindow& owner, const char* text) = 0;
};

}  // namespace ui
