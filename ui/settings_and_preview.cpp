#include "ui/settings_and_preview.h"

#include "ui/parameter_settings.h"

namespace ui {

SettingsAndPreview::SettingsAndPreview(SourcePort& source)
    : source_(source),
      preview_({source.Dialogs(), source.PictureReview(),
                [&source] { return source.IgnoreNextCommand().exchange(false, std::memory_order_acq_rel); },
                [&source] {
                  const int count = source.Queue().PictureCount();
                  const acquire::PageEntry* newest = source.Queue().Entry(count);
                  return std::pair{newest != nullptr ? count : 0, newest != nullptr ? newest->filePath : std::string()};
                }}) {
  source_.SetPicturePreview(this);
}

SettingsAndPreview::~SettingsAndPreview() { source_.SetPicturePreview(nullptr); }

void SettingsAndPreview::Show() { preview_.ShowNewest(mainDialog_ != nullptr ? mainDialog_->Handle() : nullptr); }

void SettingsAndPreview::RunParameterDialog() {
  if (mainDialog_ == nullptr) return;
  SourcePort& source = source_;
  ui::RunParameterDialog(
      *mainDialog_,
      {source.Settings(), source.MessageBoxes(),
       [&source](std::int32_t x, std::int32_t y) { source.StoreDpiPair(x, y); }, [&source] { source.CommitSettings(); },
       [&source](platform::DialogWindow& owner) { source.ShowDeviceProperties(owner.Handle()); },
       [&source] { return source.CameraFormats(); },
       [&source](const settings::VideoFormat& format) { source.RestartCamera(format); }});
}

}  // namespace ui
