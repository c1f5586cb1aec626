// The video format dialog (dialog_ids::property, "Property"): the camera's stream
// formats and frame sizes as its capture pin offers them, with the frame
// rate of the chosen size shown. Confirm hands the chosen format back; the
// caller restarts the camera in it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "capture/format_catalogue.h"
#include "platform/dialog.h"
#include "platform/message_box.h"
#include "resources/dialog_ids.h"
#include "settings/settings.h"

namespace ui {

inline constexpr int kVideoFormatDialogTemplate = dialog_ids::property::kTemplate;

class VideoFormatDialog final : public platform::DialogEvents {
 public:
  // `current`: the document camera's stored format, whose entries are selected.
  VideoFormatDialog(const capture::FormatCatalogue& catalogue, const settings::VideoFormat& current,
                    platform::MessageBoxes& boxes)
      : catalogue_(catalogue), chosen_(current), boxes_(boxes) {}

  // After Confirm: the width, height, bit-rate value and subtype chosen.
  const settings::VideoFormat& Chosen() const { return chosen_; }

  void OnInit(platform::DialogWindow& window) override;
  void OnCommand(int controlId, int notification) override;
  void OnDestroy() override { window_ = nullptr; }

 private:
  // The catalogue index of a list's selected entry, or -1.
  int SelectedIndex(int listId) const;
  void FillSizes();
  void ShowFrameRate(std::int64_t framesPerSecond);
  void OnFormatChosen();
  void OnSizeChosen();
  void OnConfirm();

  const capture::FormatCatalogue& catalogue_;
  settings::VideoFormat chosen_;
  platform::MessageBoxes& boxes_;
  platform::DialogWindow* window_ = nullptr;
  std::size_t currentFormat_ = 0;
};

// The button flow of "Video PIN settings": the catalogue from the camera's
// `capabilities` (none when no camera runs: the lists stay empty and
// Confirm is disabled), the dialog over `owner` showing `documentFormat`,
// and on Confirm `restart` with the chosen format, which the caller stores
// and starts the camera in. Cancel changes nothing. Returns whether the
// user confirmed.
bool RunVideoFormatFlow(platform::DialogWindow& owner, const std::vector<capture::VideoFormat>& capabilities,
                        const settings::VideoFormat& documentFormat, platform::MessageBoxes& boxes,
                        const std::function<void(const settings::VideoFormat&)>& restart);

}  // namespace ui
