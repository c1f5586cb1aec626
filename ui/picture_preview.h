// The picture preview window (dialog_ids::picture_preview, "Picture Preview"): a small
// top-most window at the top right of the screen that shows each shot at
// once and lets the user page through the pictures taken since the last
// submission, turn one a quarter either way, open it in the system's viewer
// or delete it, before pressing Submit in the main dialog.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "acquire/picture_review.h"
#include "imaging/picture.h"
#include "platform/dialog.h"
#include "resources/dialog_ids.h"

namespace ui {

inline constexpr int kPicturePreviewTemplate = dialog_ids::picture_preview::kTemplate;

// The rectangle a picture of iw × ih takes in an area of w × h: fitted to
// the height when the area is relatively wider, else to the width, centred
// the other way; each edge truncated toward zero. Empty for an empty area or picture.
platform::Rect FitPicture(int w, int h, int iw, int ih);

// What the preview needs from the rest of the source.
struct PicturePreviewLinks {
  platform::DialogSystem& dialogs;
  acquire::PictureReview& review;
  // The ignore-next-command latch: true, and cleared, when it was set.
  std::function<bool()> consumeLatch;
  // The newest stored picture: its number and file.
  std::function<std::pair<int, std::string>()> newestPicture;
};

// What the preview drew last: the file and the rectangle, in the window's
// client coordinates (empty name: "No Picture" shows).
struct PreviewDrawing {
  std::string file;
  platform::Rect rect;
  int pictureWidth = 0;
  int pictureHeight = 0;
};

class PicturePreviewWindow final : private platform::DialogEvents {
 public:
  explicit PicturePreviewWindow(PicturePreviewLinks links) : links_(std::move(links)) {}
  ~PicturePreviewWindow() override;
  PicturePreviewWindow(const PicturePreviewWindow&) = delete;
  PicturePreviewWindow& operator=(const PicturePreviewWindow&) = delete;

  // After a shot: opens the window over `owner` unless it is shown (a window
  // the user closed is replaced by a new one), then shows the newest picture.
  void ShowNewest(platform::WindowHandle owner);
  // The camera closes: the window goes.
  void Destroy();

  bool IsShown() const { return shown_; }
  const PreviewDrawing& LastDrawing() const { return drawing_; }

 private:
  void OnInit(platform::DialogWindow& window) override;
  void OnCommand(int controlId, int notification) override;
  void OnPaint() override;
  void OnDestroy() override;

  void Refresh();
  // The shown picture, loaded again only when its file changed.
  const imaging::Picture& ShownPicture();

  PicturePreviewLinks links_;
  std::unique_ptr<platform::DialogWindow> window_;
  platform::DialogWindow* dialog_ = nullptr;
  bool shown_ = false;
  bool refreshing_ = false;
  PreviewDrawing drawing_;
  std::string loadedFile_;
  imaging::Picture loaded_;
};

}  // namespace ui
