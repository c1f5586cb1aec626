// The main scanning dialog (template 3010): the source's own user interface,
// shown from MSG_ENABLEDS to MSG_DISABLEDS.
#pragma once

#include <memory>

#include "platform/dialog.h"
#include "twain/user_interface.h"

namespace twain {
class Source;
}

namespace ui {

inline constexpr int kMainDialogTemplate = 3010;
inline constexpr int kScanButton = 1;
inline constexpr int kCloseCommand = 2;  // the close box and Esc
inline constexpr int kSubmitButton = 3019;
inline constexpr int kStatusLine = 3033;
inline constexpr int kPreviewControl = 3013;

class MainDialog final : public twain::ScanUserInterface, private platform::DialogEvents {
 public:
  explicit MainDialog(twain::Source& source);
  ~MainDialog() override;

  bool Open(platform::WindowHandle owner) override;
  void Close() override;
  bool IsOpen() const override { return window_ != nullptr; }
  platform::DialogWindow* Window() override { return window_.get(); }
  void ShowUploadFinished() override;

 private:
  void OnInit(platform::DialogWindow& window) override;
  void OnCommand(int controlId, int notification) override;

  twain::Source& source_;
  std::unique_ptr<platform::DialogWindow> window_;
};

// The factory the library hands to its Source.
std::unique_ptr<twain::ScanUserInterface> MakeMainDialog(twain::Source& source);

}  // namespace ui
