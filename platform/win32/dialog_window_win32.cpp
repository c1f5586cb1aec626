#include "platform/win32/dialog_window_win32.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/c_boundary.h"
#include "platform/diagnostics.h"
#include "platform/win32/canvas_win32.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return Narrow(text);
}

// Client coordinates of a mouse message: signed, so that positions left of
// or above the client area (a drag leaving the window) stay negative.
Point MousePosition(LPARAM lParam) { return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; }

LPCWSTR CursorName(Cursor cursor) {
  switch (cursor) {
    case Cursor::Hand:
      return IDC_HAND;
    case Cursor::SizeNeSw:
      return IDC_SIZENESW;
    case Cursor::SizeNwSe:
      return IDC_SIZENWSE;
    case Cursor::SizeWe:
      return IDC_SIZEWE;
    case Cursor::SizeNs:
      return IDC_SIZENS;
    case Cursor::Arrow:
      break;
  }
  return IDC_ARROW;
}

}  // namespace

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

Win32DialogWindow::~Win32DialogWindow() {
  // WM_DESTROY clears window_, so a window its owner already destroyed is not destroyed twice.
  if (window_ != nullptr) DestroyWindow(window_);
}

INT_PTR CALLBACK Win32DialogWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return GuardCBoundary(
      [&]() -> INT_PTR {
        if (message == WM_INITDIALOG) {
          auto* self = reinterpret_cast<Win32DialogWindow*>(lParam);
          SetWindowLongPtrW(window, DWLP_USER, lParam);
          self->window_ = window;
          self->initialised_ = true;
          self->events_.OnInit(*self);
          return TRUE;  // the first tab stop takes the focus
        }
        auto* self = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
        return self != nullptr ? self->Route(message, wParam, lParam) : FALSE;
      },
      [](const char* what) -> INT_PTR {
        // The message counts as not handled, so the dialog manager's own handling still runs.
        DebugOutput("MervaleTwain: dialog message failed: ");
        DebugOutput(what);
        DebugOutput("\n");
        return FALSE;
      });
}

INT_PTR Win32DialogWindow::Route(UINT message, WPARAM wParam, LPARAM lParam) {
  // Every handled message but the initialisation answers FALSE: the dialog
  // manager's own handling (painting above all) still follows.
  switch (message) {
    case WM_COMMAND:
      events_.OnCommand(LOWORD(wParam), HIWORD(wParam));
      break;
    case WM_TIMER:
      events_.OnTimer(static_cast<int>(wParam));
      break;
    case WM_PAINT:
    case WM_DRAWITEM:
      events_.OnPaint();
      break;
    case WM_MOUSEMOVE:
      events_.OnMouseMove(static_cast<unsigned>(wParam), MousePosition(lParam));
      break;
    case WM_LBUTTONDOWN:
      events_.OnLeftButtonDown(static_cast<unsigned>(wParam), MousePosition(lParam));
      break;
    case WM_LBUTTONUP:
      events_.OnLeftButtonUp(static_cast<unsigned>(wParam), MousePosition(lParam));
      break;
    case WM_KEYDOWN:
    case WM_CHAR:
      events_.OnKey(message, wParam);
      break;
    case WM_DESTROY:
      events_.OnDestroy();
      SetWindowLongPtrW(window_, DWLP_USER, 0);
      window_ = nullptr;
      break;
    default:
      break;
  }
  return FALSE;
}

std::string Win32DialogWindow::Title() const { return WindowText(window_); }
void Win32DialogWindow::Show() { ShowWindow(window_, SW_SHOW); }
void Win32DialogWindow::Hide() { ShowWindow(window_, SW_HIDE); }
bool Win32DialogWindow::IsVisible() const { return IsWindowVisible(window_) != FALSE; }

Rect Win32DialogWindow::WindowScreenRect() const {
  RECT rect{};
  GetWindowRect(window_, &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

Point Win32DialogWindow::ScreenSize() const { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

void Win32DialogWindow::MoveTo(Point screen) {
  SetWindowPos(window_, nullptr, screen.x, screen.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32DialogWindow::SetIcon(int resourceId) {
  // Shared icons belong to the system, which frees them with the module.
  const auto load = [resourceId](int widthMetric, int heightMetric) {
    return reinterpret_cast<LPARAM>(LoadImageW(ThisModule(), MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                               GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric),
                                               LR_SHARED));
  };
  SendMessageW(window_, WM_SETICON, ICON_BIG, load(SM_CXICON, SM_CYICON));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, load(SM_CXSMICON, SM_CYSMICON));
}

void Win32DialogWindow::MakeTopmost() { SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

bool Win32DialogWindow::HasItem(int id) const { return Item(id) != nullptr; }
WindowHandle Win32DialogWindow::ItemHandle(int id) const { return Item(id); }
std::string Win32DialogWindow::ItemText(int id) const { return WindowText(Item(id)); }
void Win32DialogWindow::SetItemText(int id, std::string_view utf8) {
  SetDlgItemTextW(window_, id, Widen(utf8).c_str());
}
bool Win32DialogWindow::IsItemEnabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
void Win32DialogWindow::EnableItem(int id, bool enabled) { EnableWindow(Item(id), enabled ? TRUE : FALSE); }
bool Win32DialogWindow::IsItemVisible(int id) const {
  // The control's own visible style: a control of a hidden dialog still counts as shown.
  return (GetWindowLongW(Item(id), GWL_STYLE) & WS_VISIBLE) != 0;
}
void Win32DialogWindow::ShowItem(int id, bool visible) { ShowWindow(Item(id), visible ? SW_SHOW : SW_HIDE); }
bool Win32DialogWindow::IsChecked(int id) const { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }
void Win32DialogWindow::SetChecked(int id, bool checked) {
  CheckDlgButton(window_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

// The dialog manager's own way of moving the focus, which also selects an edit field's text.
void Win32DialogWindow::FocusItem(int id) {
  if (HWND item = Item(id)) SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
}

void Win32DialogWindow::RepaintItem(int id) {
  if (HWND item = Item(id)) RedrawWindow(item, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

Rect Win32DialogWindow::ItemScreenRect(int id) const {
  RECT rect{};
  GetWindowRect(Item(id), &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

void Win32DialogWindow::MoveItem(int id, const Rect& clientRect, bool repaint) {
  MoveWindow(Item(id), clientRect.left, clientRect.top, clientRect.right - clientRect.left,
             clientRect.bottom - clientRect.top, repaint ? TRUE : FALSE);
}

Point Win32DialogWindow::ClientToScreen(Point client) const {
  POINT point{client.x, client.y};
  ::ClientToScreen(window_, &point);
  return {point.x, point.y};
}

Point Win32DialogWindow::ScreenToClient(Point screen) const {
  POINT point{screen.x, screen.y};
  ::ScreenToClient(window_, &point);
  return {point.x, point.y};
}

void Win32DialogWindow::ClearList(int id) { SendToItem(id, CB_RESETCONTENT, 0, 0); }

int Win32DialogWindow::AddListEntry(int id, std::string_view utf8, std::intptr_t data) {
  // A missing control would answer 0, which reads as a first entry.
  if (Item(id) == nullptr) return -1;
  const std::wstring text = Widen(utf8);
  const LRESULT index = SendToItem(id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (index < 0) return -1;  // CB_ERR, CB_ERRSPACE
  SendToItem(id, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
  return static_cast<int>(index);
}

int Win32DialogWindow::ListEntryCount(int id) const {
  const LRESULT count = SendToItem(id, CB_GETCOUNT, 0, 0);
  return count > 0 ? static_cast<int>(count) : 0;
}

std::string Win32DialogWindow::ListEntryText(int id, int index) const {
  const LRESULT length = SendToItem(id, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied =
      SendToItem(id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return Narrow(text);
}

std::intptr_t Win32DialogWindow::ListEntryData(int id, int index) const {
  return static_cast<std::intptr_t>(SendToItem(id, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

int Win32DialogWindow::SelectedListEntry(int id) const {
  if (Item(id) == nullptr) return -1;
  const LRESULT index = SendToItem(id, CB_GETCURSEL, 0, 0);
  return index >= 0 ? static_cast<int>(index) : -1;
}

void Win32DialogWindow::SelectListEntry(int id, int index) {
  SendToItem(id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32DialogWindow::SetUpDownRange(int id, int low, int high) {
  SendToItem(id, UDM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
}

void Win32DialogWindow::SetUpDownPosition(int id, int position) {
  SendToItem(id, UDM_SETPOS32, 0, static_cast<LPARAM>(position));
}

void Win32DialogWindow::SetProgressPosition(int id, int position) {
  // The bar's range is the default one, 0 to 100.
  SendToItem(id, PBM_SETPOS, static_cast<WPARAM>(std::clamp(position, 0, 100)), 0);
}

void Win32DialogWindow::StartTimer(int id, unsigned milliseconds) {
  // Without a timer procedure the ticks arrive as WM_TIMER; the same id replaces a running timer.
  SetTimer(window_, static_cast<UINT_PTR>(id), milliseconds, nullptr);
}

void Win32DialogWindow::StopTimer(int id) { KillTimer(window_, static_cast<UINT_PTR>(id)); }

std::unique_ptr<Canvas> Win32DialogWindow::Draw() { return MakeWindowCanvas(window_); }

void Win32DialogWindow::SetCursor(Cursor cursor) { ::SetCursor(LoadCursorW(nullptr, CursorName(cursor))); }

void Win32DialogWindow::SendCommand(int id) {
  SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
}

int Win32DialogWindow::RunModal(int templateId, DialogEvents& events) {
  Win32DialogWindow child(events);
  const INT_PTR result = DialogBoxParamW(ThisModule(), MAKEINTRESOURCEW(templateId), window_, &Procedure,
                                         reinterpret_cast<LPARAM>(&child));
  // A dialog that never reached its initialisation could not be made (or its owner was not valid).
  return child.initialised_ ? static_cast<int>(result) : kIdCancel;
}

void Win32DialogWindow::EndModal(int result) { EndDialog(window_, result); }

}  // namespace platform
