// The Win32 dialog system: modeless dialogs from the library's templates, and
// the keyboard navigation of the application's events through them.
#include <windows.h>

#include "platform/dialog.h"
#include "platform/win32/dialog_window_win32.h"

namespace platform {
namespace {

class Win32DialogSystem final : public DialogSystem {
 public:
  std::unique_ptr<DialogWindow> CreateModeless(int templateId, DialogEvents& events, WindowHandle owner) override {
    auto dialog = std::make_unique<Win32DialogWindow>(events);
    HWND window = CreateDialogParamW(ThisModule(), MAKEINTRESOURCEW(templateId), static_cast<HWND>(owner),
                                     &Win32DialogWindow::Procedure, reinterpret_cast<LPARAM>(dialog.get()));
    if (window == nullptr) return nullptr;
    return dialog;
  }

  bool RouteEvent(DialogWindow& dialog, void* event) override {
    if (dialog.Handle() == nullptr || event == nullptr) return false;
    return IsDialogMessageW(static_cast<HWND>(dialog.Handle()), static_cast<MSG*>(event)) != FALSE;
  }
};

}  // namespace

DialogSystem& SystemDialogs() {
  static Win32DialogSystem dialogs;
  return dialogs;
}

}  // namespace platform
