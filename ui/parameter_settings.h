// "Settings" in the main dialog: the parameter settings dialog over it, and
// on OK the confirmed values copied into the settings and saved.
#pragma once

#include <functional>
#include <vector>

#include "capture/media_format.h"
#include "platform/dialog.h"
#include "platform/message_box.h"
#include "settings/parameter_choices.h"
#include "settings/settings.h"

namespace ui {

struct ParameterSettingsLinks {
  settings::Settings& settings;
  platform::MessageBoxes& messageBoxes;
  // The DPI pair rule, which may change the resolution.
  settings::DpiPairStore storeDpiPair;
  // Saves the settings and hands the changed ones to the picture processing.
  std::function<void()> commitSettings;
  // The camera driver's own property sheet, owned by the given dialog.
  std::function<void(platform::DialogWindow& owner)> showDeviceProperties;
  // The running camera's capture capabilities; none without a camera (the user is told).
  std::function<std::vector<capture::VideoFormat>()> cameraFormats;
  // Stores the chosen format as the document camera's and restarts the camera in it.
  std::function<void(const settings::VideoFormat&)> restartCamera;
};

// Runs the dialog modally over `owner`. Returns whether it ended with OK.
bool RunParameterDialog(platform::DialogWindow& owner, const ParameterSettingsLinks& links);

}  // namespace ui
