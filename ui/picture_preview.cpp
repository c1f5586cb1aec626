#include "ui/picture_preview.h"

#include <vector>

#include "imaging/picture_file.h"
#include "platform/picture_codecs.h"
#include "ui/main_dialog_timers.h"

namespace ui {
namespace {

using namespace dialog_ids::picture_preview;

// The window's place: 10 pixels from the screen's right edge, 25 from its top.
constexpr int kRightMargin = 10;
constexpr int kTop = 25;

platform::Rect Offset(platform::Rect rect, platform::Point by) {
  return {rect.left + by.x, rect.top + by.y, rect.right + by.x, rect.bottom + by.y};
}

}  // namespace

platform::Rect FitPicture(int w, int h, int iw, int ih) {
  if (w <= 0 || h <= 0 || iw <= 0 || ih <= 0) return {};
  const double area = static_cast<double>(w) / h;
  const double picture = static_cast<double>(iw) / ih;
  if (area > picture) {
    const double width = static_cast<double>(h) * iw / ih;
    const int left = static_cast<int>((w - width) / 2);
    return {left, 0, static_cast<int>(left + width), h};
  }
  const double height = static_cast<double>(w) * ih / iw;
  const int top = static_cast<int>((h - height) / 2);
  return {0, top, w, static_cast<int>(top + height)};
}

PicturePreviewWindow::~PicturePreviewWindow() { Destroy(); }

void PicturePreviewWindow::ShowNewest(platform::WindowHandle owner) {
  const auto [number, path] = links_.newestPicture();
  links_.review.Show(number, path);
  // A deleted picture's number, and so its file name, is taken by the next shot.
  loadedFile_.clear();
  if (shown_ && window_) {
    Refresh();
    return;
  }
  shown_ = true;
  window_.reset();
  window_ = links_.dialogs.CreateModeless(kPicturePreviewTemplate, *this, owner);
  if (!window_) {
    shown_ = false;
    return;
  }
  window_->Show();
  Refresh();
}

void PicturePreviewWindow::Destroy() {
  window_.reset();
  shown_ = false;
}

void PicturePreviewWindow::OnInit(platform::DialogWindow& window) {
  dialog_ = &window;
  window.SetIcon(kDialogIcon);
  Refresh();
  const platform::Rect frame = window.WindowScreenRect();
  const platform::Point screen = window.ScreenSize();
  window.MoveTo({screen.x - (frame.right - frame.left) - kRightMargin, kTop});
  window.MakeTopmost();
}

void PicturePreviewWindow::OnDestroy() { dialog_ = nullptr; }

void PicturePreviewWindow::OnPaint() {
  // Drawing the picture paints the picture area, which must not start another refresh.
  if (!refreshing_) Refresh();
}

const imaging::Picture& PicturePreviewWindow::ShownPicture() {
  const std::string& name = links_.review.CurrentName();
  if (name != loadedFile_) {
    loaded_ = imaging::LoadPicture(name);
    loadedFile_ = name;
  }
  return loaded_;
}

void PicturePreviewWindow::Refresh() {
  if (dialog_ == nullptr) return;
  refreshing_ = true;
  dialog_->RepaintItem(kPictureArea);
  drawing_ = {};
  if (!links_.review.CurrentName().empty()) {
    const imaging::Picture& picture = ShownPicture();
    const platform::Rect area = dialog_->ItemScreenRect(kPictureArea);
    const platform::Point origin = dialog_->ScreenToClient({area.left, area.top});
    const platform::Rect fitted =
        FitPicture(area.right - area.left, area.bottom - area.top, picture.Width(), picture.Height());
    if (!picture.Empty() && fitted != platform::Rect{}) {
      std::vector<platform::PaletteColour> palette;
      for (const imaging::Rgb& colour : picture.Palette()) palette.push_back({colour.red, colour.green, colour.blue});
      const platform::PictureView view{picture.Width(),  picture.Height(),       picture.BitsPerPixel(),
                                       picture.Stride(), picture.Bytes().data(), palette,
                                       picture.DpiX(),   picture.DpiY()};
      drawing_ = {links_.review.CurrentName(), Offset(fitted, origin), picture.Width(), picture.Height()};
      dialog_->Draw()->StretchPicture(drawing_.rect, view);
    }
  }
  dialog_->SetItemText(kOpenButton, links_.review.PositionCaption());
  refreshing_ = false;
}

void PicturePreviewWindow::OnCommand(int controlId, int) {
  if (controlId == platform::kIdCancel) {
    shown_ = false;
    if (dialog_ != nullptr) dialog_->Hide();
    return;
  }
  const bool button = controlId == kLeftButton || controlId == kRightButton || controlId == kLastButton ||
                      controlId == kNextButton || controlId == kOpenButton || controlId == kDeleteButton;
  if (!button || (links_.consumeLatch && links_.consumeLatch())) return;
  switch (controlId) {
    case kLeftButton:
    case kRightButton:
      // The file changes under the same name: it is loaded afresh.
      if (links_.review.Turn(controlId == kLeftButton ? acquire::QuarterTurn::Left : acquire::QuarterTurn::Right)) {
        loadedFile_.clear();
      }
      break;
    case kLastButton:
      links_.review.Previous();
      break;
    case kNextButton:
      links_.review.Next();
      break;
    case kOpenButton:
      links_.review.Open();
      return;
    case kDeleteButton:
      if (links_.review.DeleteCurrent()) loadedFile_.clear();
      break;
    default:
      break;
  }
  Refresh();
}

}  // namespace ui
