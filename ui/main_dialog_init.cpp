// The main dialog's initialisation: controls from the settings and the
// capability values, the preview's size, the camera, the guide frame.
#include <cstdio>

#include "caps/catalogue.h"
#include "caps/names.h"
#include "caps/pixel_type.h"
#include "ui/main_dialog.h"

namespace ui {

using namespace dialog_ids::main_dialog;
namespace {

constexpr int kMostImagesShown = 25;
constexpr int kLongestInterval = 19;

// The list entry whose item data is `data`, or -1.
int FindEntry(const platform::DialogWindow& window, int list, std::intptr_t data) {
  for (int i = 0; i < window.ListEntryCount(list); ++i) {
    if (window.ListEntryData(list, i) == data) return i;
  }
  return -1;
}

std::intptr_t ImageTypeData(int pixelType, int bitDepth) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(bitDepth) << 16) |
                                    static_cast<std::uint16_t>(pixelType));
}

}  // namespace

void MainDialog::OnInit(platform::DialogWindow& window) {
  dialog_ = &window;
  selection_.Attach(dialog_);
  idCardFrame_.Attach(dialog_);
  idCardFrame_.Clear();
  dialog_->SetIcon(kDialogIcon);
  source_.LoadSettingsKeepingApplicationChoices();

  const caps::StoredValues& values = source_.CapValues();
  dialog_->SetChecked(kFeederEnabledCheck, values.feederEnabled);
  dialog_->SetChecked(kFeederLoadedCheck, source_.Queue().AnyPending());
  const int transferCount = values.transferCount;
  const int mostImages = transferCount != -1 && transferCount <= kMostImagesShown ? transferCount : kMostImagesShown;
  dialog_->SetUpDownRange(kImageCountUpDown, 1, mostImages);
  dialog_->SetUpDownPosition(kImageCountUpDown, source_.Queue().PictureCount());

  FillLists();
  TickModeRadio();
  const settings::Settings& settings = source_.Settings();
  dialog_->SetChecked(kPositionCorrectionCheck, settings.autoCorrect == 1);
  dialog_->SetChecked(kBlackEdgeCheck, settings.autoCrop == 1);

  FitPreview();
  const bool started = source_.StartCamera(dialog_->Handle(), kPreviewControl);
  // A selection saved in the settings is never restored: the preview it was drawn on is gone.
  if (settings.cropFrameShown) selection_.Hide();
  source_.RestartPictureNumbering();
  // Without a camera the source is of no use: the application is asked to
  // close it. The request waits for the dialog's first timer tick, which
  // comes through the application's event loop after MSG_ENABLEDS returned:
  // an application must never hear it while enabling is still under way.
  if (!started) dialog_->StartTimer(kCloseRequestTimer, 1);
  idCardFrame_.Place();
  dialog_->MakeTopmost();
}

void MainDialog::FillLists() {
  const caps::StoredValues& values = source_.CapValues();
  platform::DialogWindow& window = *dialog_;

  for (const float resolution : caps::kResolutions) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(resolution));
    const int entry = window.AddListEntry(kResolutionList, text, static_cast<std::intptr_t>(resolution));
    if (resolution == values.xResolution) window.SelectListEntry(kResolutionList, entry);
  }

  for (int interval = 1; interval <= kLongestInterval; ++interval) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", interval);
    window.AddListEntry(kIntervalList, text, interval);
  }
  window.SelectListEntry(kIntervalList, FindEntry(window, kIntervalList, source_.Settings().scanInterval));

  for (const std::uint16_t rotation : caps::kRotations) {
    if (const auto name = caps::RotationName(rotation)) window.AddListEntry(kRotationList, *name, rotation);
  }
  window.SelectListEntry(kRotationList, FindEntry(window, kRotationList, values.rotationIndex));
  for (const std::uint16_t paperSize : caps::kPaperSizes) {
    if (const auto name = caps::PaperSizeName(paperSize)) window.AddListEntry(kPaperList, *name, paperSize);
  }
  window.SelectListEntry(kPaperList, FindEntry(window, kPaperList, values.paperSize));

  // The name lookup consumes a set ignore-next-command latch and then names
  // nothing; the entry is listed all the same, so the list always offers every type.
  std::atomic<bool> noLatch{false};
  for (const std::uint16_t pixelType : caps::kPixelTypes) {
    int depthCount = 0;
    const std::uint16_t* depths = caps::GetSupportedBitDepth(depthCount, pixelType);
    for (int i = 0; i < depthCount; ++i) {
      auto name = caps::PixelTypeName(pixelType, depths[i], source_.IgnoreNextCommand());
      if (!name) name = caps::PixelTypeName(pixelType, depths[i], noLatch);
      if (name) window.AddListEntry(kImageTypeList, *name, ImageTypeData(pixelType, depths[i]));
    }
  }
  const int pixelType = values.pixelType;
  window.SelectListEntry(
      kImageTypeList,
      FindEntry(window, kImageTypeList, ImageTypeData(pixelType, caps::GetCurrentBitDepth(values, pixelType))));
}

void MainDialog::TickModeRadio() {
  const settings::Settings& settings = source_.Settings();
  if (settings.scanType == 0) {
    dialog_->SetChecked(settings.idCardMode != 0 ? kIdCardRadio : kDefaultRadio, true);
    dialog_->EnableItem(kIntervalList, false);
  } else {
    dialog_->SetChecked(settings.autoContinuous ? kAutomaticRadio : kTimedRadio, true);
  }
}

// The preview keeps the video's 4 : 3 proportions inside the control's area.
void MainDialog::FitPreview() {
  const platform::Rect area = dialog_->ItemScreenRect(kPreviewControl);
  int width = area.right - area.left;
  int height = area.bottom - area.top;
  if (width * 3 > height * 4) {
    width = height * 4 / 3;
  } else {
    height = width * 3 / 4;
  }
  dialog_->MoveItem(kPreviewControl, {8, 8, 8 + width, 8 + height}, false);
}

}  // namespace ui
