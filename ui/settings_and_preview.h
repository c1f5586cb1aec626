// The main dialog's parameter settings and picture preview, composed from
// the source's state: the settings with their saving, the camera, the page
// queue with its review, and the preview shown after each shot.
#pragma once

#include <memory>

#include "acquire/picture_review.h"
#include "capture/capture_video.h"
#include "platform/dialog.h"
#include "ui/picture_preview.h"

namespace twain {
class Source;
}

namespace ui {

class SettingsAndPreview final : private capture::PicturePreview {
 public:
  explicit SettingsAndPreview(twain::Source& source);
  ~SettingsAndPreview() override;
  SettingsAndPreview(const SettingsAndPreview&) = delete;
  SettingsAndPreview& operator=(const SettingsAndPreview&) = delete;

  // The main dialog the preview is owned by; null when it goes.
  void Attach(platform::DialogWindow* mainDialog) { mainDialog_ = mainDialog; }
  // "Settings": the parameter settings dialog over the main dialog.
  void RunParameterDialog();
  const PicturePreviewWindow& Preview() const { return preview_; }

 private:
  // capture::PicturePreview: after a shot, and when the camera closes.
  void Show() override;
  void Close() override { preview_.Destroy(); }

  twain::Source& source_;
  platform::DialogWindow* mainDialog_ = nullptr;
  acquire::PictureReview review_;
  PicturePreviewWindow preview_;
};

}  // namespace ui
