// One dialog window of the Win32 adapter: a dialog made from a template of
// the library's resources, whose one generic dialog procedure routes the
// window's messages to the dialog's DialogEvents.
#pragma once

#include <windows.h>

#include "platform/dialog.h"

namespace platform {

// The module this code lives in: the data source, whose resources hold the
// dialog templates and the icons.
HINSTANCE ThisModule();

class Win32DialogWindow final : public DialogWindow {
 public:
  explicit Win32DialogWindow(DialogEvents& events) : events_(events) {}
  ~Win32DialogWindow() override;
  Win32DialogWindow(const Win32DialogWindow&) = delete;
  Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

  // The dialog procedure of every dialog; the creation parameter is the
  // Win32DialogWindow that receives the window.
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  WindowHandle Handle() const override { return window_; }
  std::string Title() const override;
  void Show() override;
  void Hide() override;
  bool IsVisible() const override;
  Rect WindowScreenRect() const override;
  Point ScreenSize() const override;
  void MoveTo(Point screen) override;
  void SetIcon(int resourceId) override;
  void MakeTopmost() override;

  bool HasItem(int id) const override;
  WindowHandle ItemHandle(int id) const override;
  std::string ItemText(int id) const override;
  void SetItemText(int id, std::string_view utf8) override;
  bool IsItemEnabled(int id) const override;
  void EnableItem(int id, bool enabled) override;
  bool IsItemVisible(int id) const override;
  void ShowItem(int id, bool visible) override;
  bool IsChecked(int id) const override;
  void SetChecked(int id, bool checked) override;
  void FocusItem(int id) override;
  void RepaintItem(int id) override;
  Rect ItemScreenRect(int id) const override;
  void MoveItem(int id, const Rect& clientRect, bool repaint) override;
  Point ClientToScreen(Point client) const override;
  Point ScreenToClient(Point screen) const override;

  void ClearList(int id) override;
  int AddListEntry(int id, std::string_view utf8, std::intptr_t data) override;
  int ListEntryCount(int id) const override;
  std::string ListEntryText(int id, int index) const override;
  std::intptr_t ListEntryData(int id, int index) const override;
  int SelectedListEntry(int id) const override;
  void SelectListEntry(int id, int index) override;

  void SetUpDownRange(int id, int low, int high) override;
  void SetUpDownPosition(int id, int position) override;
  void SetProgressPosition(int id, int position) override;

  void StartTimer(int id, unsigned milliseconds) override;
  void StopTimer(int id) override;

  std::unique_ptr<Canvas> Draw() override;
  void SetCursor(Cursor cursor) override;

  void SendCommand(int id) override;
  int RunModal(int templateId, DialogEvents& events) override;
  void EndModal(int result) override;

 private:
  // Routes one message; the result is the dialog procedure's.
  INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);
  HWND Item(int id) const { return GetDlgItem(window_, id); }
  LRESULT SendToItem(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendDlgItemMessageW(window_, id, message, wParam, lParam);
  }

  DialogEvents& events_;
  HWND window_ = nullptr;
  bool initialised_ = false;
};

}  // namespace platform
