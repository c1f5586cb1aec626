// The dialogs the main scanning dialog opens over itself besides the
// automatic and timed scanning, which it holds itself: the parameter
// settings. Each runs modally on the dialog's thread and returns when it closes.
#pragma once

#include <memory>

#include "platform/dialog.h"
#include "platform/message_box.h"

namespace ui {

class SatelliteDialogs {
 public:
  virtual ~SatelliteDialogs() = default;
  // The parameter settings; on OK the settings are copied back and saved.
  virtual void RunParameterDialog(platform::DialogWindow& owner) = 0;
};

// Until the satellite dialogs exist: each button that would open one tells
// the user plainly that the feature is not available yet.
std::unique_ptr<SatelliteDialogs> MakeUnavailableSatellites(platform::MessageBoxes& boxes);

}  // namespace ui
