// The dialogs the main scanning dialog opens over itself for continuous
// scanning: the automatic continuous scanning status and the timed scanning.
// Each runs modally on the dialog's thread and returns when it closes.
#pragma once

#include <memory>

#include "platform/dialog.h"
#include "platform/message_box.h"

namespace ui {

class SatelliteDialogs {
 public:
  virtual ~SatelliteDialogs() = default;
  // The automatic continuous scanning status dialog.
  virtual void RunAutomaticScanning(platform::DialogWindow& owner) = 0;
  // The timed scanning dialog.
  virtual void RunTimedScanning(platform::DialogWindow& owner) = 0;
  // The automatic scanning's part of a tick of the continuous-shot timer:
  // whether a resting page waits to be shot.
  virtual bool AutomaticScanStep() = 0;
};

// Until the satellite dialogs exist: each button that would open one tells
// the user plainly that the feature is not available yet, and the automatic
// scanning never finds a page to shoot.
std::unique_ptr<SatelliteDialogs> MakeUnavailableSatellites(platform::MessageBoxes& boxes);

}  // namespace ui
