#include "ui/parameter_settings.h"

#include "settings/parameter_choices.h"
#include "ui/parameter_dialog.h"
#include "ui/video_format_dialog.h"

namespace ui {

bool RunParameterDialog(platform::DialogWindow& owner, const ParameterSettingsLinks& links) {
  ParameterDialogActions actions{links.messageBoxes, links.showDeviceProperties,
                                 [&links](platform::DialogWindow& dialog) {
                                   RunVideoFormatFlow(dialog, links.cameraFormats(), links.settings.documentFormat,
                                                      links.messageBoxes, links.restartCamera);
                                 }};
  ParameterDialog dialog(settings::ChoicesFromSettings(links.settings), std::move(actions));
  if (owner.RunModal(kParameterDialogTemplate, dialog) != platform::kIdOk) return false;
  settings::StoreChoices(dialog.Choices(), links.settings, links.storeDpiPair);
  links.commitSettings();
  return true;
}

}  // namespace ui
