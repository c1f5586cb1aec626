// The main dialog's parameter settings and picture preview, joined to the
// source through its port: the settings with their saving, the camera, and
// the review of the stored pictures in the preview shown after each shot.
#pragma once

#include "capture/capture_video.h"
#include "platform/dialog.h"
#include "ui/picture_preview.h"
#include "ui/source_port.h"

namespace ui {

class SettingsAndPreview final : private capture::PicturePreview {
 public:
  explicit SettingsAndPreview(SourcePort& source);
  ~SettingsAndPreview() override;
  SettingsAndPreview(const SettingsAndPreview&) = delete;
  SettingsAndPreview& operator=(const SettingsAndPreview&) = delete;

  // The main dialog the preview is owned by; null when it goes.
  void Attach(platform::DialogWindow* mainDialog) { mainDialog_ = mainDialog; }
  // "Settings": the parameter settings dialog over the main dialog.
  void RunParameterDialog();

 private:
  // capture::PicturePreview: after a shot, and when the camera closes.
  void Show() override;
  void Close() override { preview_.Destroy(); }

  SourcePort& source_;
  platform::DialogWindow* mainDialog_ = nullptr;
  PicturePreviewWindow preview_;
};

}  // namespace ui
