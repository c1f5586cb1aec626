// The parameter settings dialog (dialog_ids::parameter_settings): the black-and-white
// coefficients, the DPI, the correction and page options, the watermark,
// the actual-size choice and the image format, with the camera driver's own
// property sheet ("Advanced") and the video format dialog ("Video PIN
// settings") run from it.
#pragma once

#include <functional>

#include "platform/dialog.h"
#include "platform/message_box.h"
#include "resources/dialog_ids.h"
#include "settings/parameter_choices.h"

namespace ui {

inline constexpr int kParameterDialogTemplate = dialog_ids::parameter_settings::kTemplate;

// What the dialog runs besides its own controls.
struct ParameterDialogActions {
  platform::MessageBoxes& messageBoxes;
  // The camera driver's property sheet, owned by the given dialog.
  std::function<void(platform::DialogWindow& owner)> showDeviceProperties;
  // The video format dialog with its restart of the camera, over the given dialog.
  std::function<void(platform::DialogWindow& owner)> runVideoFormatDialog;
};

class ParameterDialog final : public platform::DialogEvents {
 public:
  ParameterDialog(settings::ParameterChoices choices, ParameterDialogActions actions)
      : choices_(std::move(choices)), actions_(std::move(actions)) {}

  // The members: as made, and after OK as the user confirmed them.
  const settings::ParameterChoices& Choices() const { return choices_; }

  void OnInit(platform::DialogWindow& window) override;
  void OnCommand(int controlId, int notification) override;
  void OnDestroy() override { window_ = nullptr; }

 private:
  settings::ParameterForm ReadControls() const;
  void ShowForm(const settings::ParameterForm& form);
  // Reads the check boxes, lets `change` act on the form, shows the result.
  void ChangeForm(const std::function<void(settings::ParameterForm&)>& change);
  void OnIdCardBox();
  void OnAdvanced();
  void OnConfirm();

  settings::ParameterChoices choices_;
  ParameterDialogActions actions_;
  platform::DialogWindow* window_ = nullptr;
};

}  // namespace ui
