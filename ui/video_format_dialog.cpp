#include "ui/video_format_dialog.h"

#include <charconv>
#include <string>

namespace ui {
namespace {

using namespace dialog_ids::property;

// The camera's messages carry the library's name as caption.
constexpr const char* kMessageCaption = "MervaleTwain";
constexpr const char* kFrameRatePrompt = "Please enter an integer between 0 and 300.";

// The entry whose item data is catalogue index `index`: the lists are
// sorted by the template's style, so an entry's position need not be its index.
int EntryWithData(const platform::DialogWindow& window, int listId, std::size_t index) {
  for (int entry = 0; entry < window.ListEntryCount(listId); ++entry) {
    if (window.ListEntryData(listId, entry) == static_cast<std::intptr_t>(index)) return entry;
  }
  return -1;
}

}  // namespace

int VideoFormatDialog::SelectedIndex(int listId) const {
  const int entry = window_->SelectedListEntry(listId);
  return entry < 0 ? -1 : static_cast<int>(window_->ListEntryData(listId, entry));
}

void VideoFormatDialog::OnInit(platform::DialogWindow& window) {
  window_ = &window;
  window.ClearList(kFormatList);
  const auto& formats = catalogue_.Formats();
  for (std::size_t i = 0; i < formats.size(); ++i) {
    window.AddListEntry(kFormatList, capture::FormatLabel(formats[i].subtype), static_cast<std::intptr_t>(i));
  }
  currentFormat_ = catalogue_.FormatIndexFor(chosen_.subtype);
  if (!formats.empty()) window.SelectListEntry(kFormatList, EntryWithData(window, kFormatList, currentFormat_));
  FillSizes();
  // Without capabilities there is nothing to confirm; the previous format stays.
  window.EnableItem(kConfirmButton, !catalogue_.Empty());
}

void VideoFormatDialog::FillSizes() {
  window_->ClearList(kSizeList);
  std::int64_t framesPerSecond = 15;
  if (currentFormat_ < catalogue_.Formats().size()) {
    const capture::CatalogueFormat& format = catalogue_.Formats()[currentFormat_];
    for (std::size_t i = 0; i < format.sizes.size(); ++i) {
      window_->AddListEntry(kSizeList, capture::SizeLabel(format.sizes[i]), static_cast<std::intptr_t>(i));
    }
    if (!format.sizes.empty()) {
      const std::size_t selected = capture::SizeIndexFor(format, chosen_.width, chosen_.height);
      window_->SelectListEntry(kSizeList, EntryWithData(*window_, kSizeList, selected));
      framesPerSecond = capture::FramesPerSecond(format.sizes[selected].frameInterval);
    }
  }
  ShowFrameRate(framesPerSecond);
}

void VideoFormatDialog::ShowFrameRate(std::int64_t framesPerSecond) {
  window_->SetItemText(kFrameRateEdit, std::to_string(framesPerSecond));
}

void VideoFormatDialog::OnFormatChosen() {
  const int format = SelectedIndex(kFormatList);
  if (format < 0) return;
  currentFormat_ = static_cast<std::size_t>(format);
  FillSizes();
  OnSizeChosen();
}

void VideoFormatDialog::OnSizeChosen() {
  const int format = SelectedIndex(kFormatList);
  const int size = SelectedIndex(kSizeList);
  if (format < 0 || size < 0) return;
  const auto& sizes = catalogue_.Formats()[static_cast<std::size_t>(format)].sizes;
  if (static_cast<std::size_t>(size) < sizes.size()) {
    ShowFrameRate(capture::FramesPerSecond(sizes[static_cast<std::size_t>(size)].frameInterval));
  }
}

void VideoFormatDialog::OnConfirm() {
  // An entry typed into a list's edit part selects nothing: that value stays as it was.
  const int format = SelectedIndex(kFormatList);
  const int size = SelectedIndex(kSizeList);
  settings::VideoFormat chosen = chosen_;
  if (format >= 0 && static_cast<std::size_t>(format) < catalogue_.Formats().size()) {
    const capture::CatalogueFormat& entry = catalogue_.Formats()[static_cast<std::size_t>(format)];
    chosen.subtype = entry.subtype;
    if (size >= 0 && static_cast<std::size_t>(size) < entry.sizes.size()) {
      const capture::CatalogueSize& picked = entry.sizes[static_cast<std::size_t>(size)];
      chosen.width = picked.width;
      chosen.height = picked.height;
      chosen.bitRate = picked.bitRate;
    }
  }
  const std::string rate = window_->ItemText(kFrameRateEdit);
  std::int64_t framesPerSecond = -1;
  const auto [end, error] = std::from_chars(rate.data(), rate.data() + rate.size(), framesPerSecond);
  if (error != std::errc() || end != rate.data() + rate.size() || !capture::FrameRateAccepted(framesPerSecond)) {
    boxes_.Show(
        {window_->Handle(), kFrameRatePrompt, kMessageCaption, platform::mb::kOk | platform::mb::kIconExclamation});
    return;
  }
  chosen_ = chosen;
  window_->EndModal(platform::kIdOk);
}

void VideoFormatDialog::OnCommand(int controlId, int notification) {
  switch (controlId) {
    case kFormatList:
      if (notification == platform::kListSelectionChanged) OnFormatChosen();
      break;
    case kSizeList:
      if (notification == platform::kListSelectionChanged) OnSizeChosen();
      break;
    case kConfirmButton:
      OnConfirm();
      break;
    case kCancelButton:
      window_->EndModal(platform::kIdCancel);
      break;
    default:
      break;
  }
}

bool RunVideoFormatFlow(platform::DialogWindow& owner, const std::vector<capture::VideoFormat>& capabilities,
                        const settings::VideoFormat& documentFormat, platform::MessageBoxes& boxes,
                        const std::function<void(const settings::VideoFormat&)>& restart) {
  const capture::FormatCatalogue catalogue = capture::FormatCatalogue::FromCapabilities(capabilities);
  VideoFormatDialog dialog(catalogue, documentFormat, boxes);
  if (owner.RunModal(kVideoFormatDialogTemplate, dialog) != platform::kIdOk) return false;
  restart(dialog.Chosen());
  return true;
}

}  // namespace ui
