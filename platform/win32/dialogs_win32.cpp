// The Win32 dialog adapter: real dialogs from the library's resources, with
// one generic dialog procedure that routes messages to the dialog's class.
#include <windows.h>

#include "platform/dialog.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

// The module this code lives in: the data source, whose resources hold the templates.
HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return Narrow(text);
}

class Win32DialogWindow final : public DialogWindow {
 public:
  explicit Win32DialogWindow(DialogEvents& events) : events_(events) {}
  ~Win32DialogWindow() override {
    if (window_ != nullptr) DestroyWindow(window_);
  }

  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      auto* self = reinterpret_cast<Win32DialogWindow*>(lParam);
      SetWindowLongPtrW(window, DWLP_USER, lParam);
      self->window_ = window;
      self->events_.OnInit(*self);
      return TRUE;
    }
    auto* self = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr) return FALSE;
    switch (message) {
      case WM_COMMAND:
        self->events_.OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
      case WM_DESTROY:
        self->events_.OnDestroy();
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->window_ = nullptr;
        return TRUE;
      default:
        return FALSE;
    }
  }

  WindowHandle Handle() const override { return window_; }
  std::string Title() const override { return WindowText(window_); }
  void Show() override { ShowWindow(window_, SW_SHOW); }
  bool IsVisible() const override { return IsWindowVisible(window_) != FALSE; }
  bool HasItem(int id) const override { return GetDlgItem(window_, id) != nullptr; }
  std::string ItemText(int id) const override { return WindowText(GetDlgItem(window_, id)); }
  void SetItemText(int id, std::string_view utf8) override {
    SetDlgItemTextW(window_, id, Widen(utf8).c_str());
  }
  bool IsItemEnabled(int id) const override { return IsWindowEnabled(GetDlgItem(window_, id)) != FALSE; }
  void EnableItem(int id, bool enabled) override { EnableWindow(GetDlgItem(window_, id), enabled); }
  bool IsItemVisible(int id) const override {
    return (GetWindowLongW(GetDlgItem(window_, id), GWL_STYLE) & WS_VISIBLE) != 0;
  }
  void SendCommand(int id) override { SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

 private:
  DialogEvents& events_;
  HWND window_ = nullptr;
};

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
    return IsDialogMessageW(static_cast<HWND>(dialog.Handle()), static_cast<MSG*>(event)) != FALSE;
  }
};

}  // namespace

DialogSystem& SystemDialogs() {
  static Win32DialogSystem dialogs;
  return dialogs;
}

}  // namespace platform
