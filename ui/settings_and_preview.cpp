#include "ui/settings_and_preview.h"

#include "twain/source.h"
#include "ui/parameter_settings.h"

namespace ui {

SettingsAndPreview::SettingsAndPreview(twain::Source& source)
    : source_(source),
      review_(source.Queue(), source.Ports().shell != nullptr ? *source.Ports().shell : platform::SystemShell()),
      preview_({source.Ports().dialogs, review_,
                [&source] { return source.IgnoreNextCommand().exchange(false, std::memory_order_acq_rel); },
                [&source] {
                  const int count = source.Queue().PictureCount();
                  const acquire::PageEntry* newest = source.Queue().Entry(count);
                  return std::pair{newest != nullptr ? count : 0, newest != nullptr ? newest->filePath : std::string()};
                }}) {
  source_.Camera().SetPicturePreview(this);
}

SettingsAndPreview::~SettingsAndPreview() { source_.Camera().SetPicturePreview(nullptr); }

void SettingsAndPreview::Show() { preview_.ShowNewest(mainDialog_ != nullptr ? mainDialog_->Handle() : nullptr); }

void SettingsAndPreview::RunParameterDialog() {
  if (mainDialog_ == nullptr) return;
  twain::Source& source = source_;
  ui::RunParameterDialog(
      *mainDialog_, {source.UserSettings(), source.CapValues(), source.Ports().messageBoxes,
                     [&source] {
                       source.UserSettingsFile().SaveSettings();
                       source.Stills().PublishSettings();
                     },
                     [&source](platform::DialogWindow& owner) { source.Camera().ShowDeviceProperties(owner.Handle()); },
                     [&source] { return source.Camera().EnumerateFormats(); },
                     [&source](const capture::VideoFormat& format) { source.Camera().RestartInFormat(format); }});
}

}  // namespace ui
