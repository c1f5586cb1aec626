// A dialog of the headless host: the template's controls in memory, the
// window's own state (shown, icon, topmost, cursor, focus, modal run), and
// the user's actions delivered to the dialog's handlers.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "platform/posix/headless_control.h"
#include "platform/posix/headless_host.h"

namespace platform::headless {

class Host;

class Window final : public Dialog {
 public:
  Window(Host& host, const resources::DialogTemplate& dialogTemplate, DialogEvents& events, Point clientOrigin);
  ~Window() override;

  // Runs the dialog's OnInit and sets the starting focus.
  void Initialise();
  // Whether `window` is this dialog or one of its controls.
  bool Owns(WindowHandle window) const;
  void Command(int controlId, int notification) { events_.OnCommand(controlId, notification); }
  void Timer(int timerId) { events_.OnTimer(timerId); }
  void Key(std::uint32_t message, std::uintptr_t key) { events_.OnKey(message, key); }
  bool ModalEnded() const { return modalEnded_; }
  // Whether the window runs modally over another.
  bool IsModal() const { return modalRunning_; }

  // DialogWindow
  WindowHandle Handle() const override { return const_cast<Window*>(this); }
  std::string Title() const override { return title_; }
  void Show() override;
  void Hide() override { visible_ = false; }
  bool IsVisible() const override { return visible_; }
  Rect WindowScreenRect() const override;
  Point ScreenSize() const override { return kScreenSize; }
  void MoveTo(Point screen) override { clientOrigin_ = screen; }
  void SetIcon(int resourceId) override { icon_ = resourceId; }
  void MakeTopmost() override { topmost_ = true; }
  bool HasItem(int id) const override { return Find(id) != nullptr; }
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
  int ProgressPosition(int id) const override;
  void StartTimer(int id, unsigned milliseconds) override;
  void StopTimer(int id) override;
  std::unique_ptr<Canvas> Draw() override;
  void SetCursor(Cursor cursor) override { cursor_ = cursor; }
  void SendCommand(int id) override { Command(id, kButtonClicked); }
  int RunModal(int templateId, DialogEvents& events) override;
  void EndModal(int result) override;

  // Dialog
  int TemplateId() const override { return templateId_; }
  Rect ClientRect() const override { return clientRect_; }
  Rect ItemClientRect(int id) const override;
  int Icon() const override { return icon_; }
  bool IsTopmost() const override { return topmost_; }
  Cursor CurrentCursor() const override { return cursor_; }
  std::pair<int, int> UpDownRange(int id) const override;
  int UpDownPosition(int id) const override;
  bool IsTimerRunning(int timerId) const override;
  std::optional<int> FocusedItem() const override;
  std::optional<int> FindItemByCaption(std::string_view caption) const override;
  bool Click(int id) override;
  bool SelectEntry(int id, int index) override;
  bool SelectEntry(int id, std::string_view text) override;
  bool Type(int id, std::string_view utf8) override;
  bool Focus(int id) override;
  void MouseMove(Point at, unsigned keys) override;
  void LeftButtonDown(Point at, unsigned keys) override;
  void LeftButtonUp(Point at, unsigned keys) override;
  void Drag(Point from, Point to, unsigned keys) override;
  void KeyDown(std::uintptr_t key) override;
  void Character(std::uintptr_t character) override;
  void PressSpace() override;
  void Paint() override;

 private:
  Control* Find(int id);
  const Control* Find(int id) const;
  // The control a user action may reach: present, visible, enabled, in an enabled dialog.
  Control* Reachable(int id);
  // Whether a mouse message at `at` reaches the dialog rather than a control.
  bool MouseReachesDialog(Point at) const;
  void CheckRadioInGroup(Control& radio);

  Host& host_;
  int templateId_;
  std::string title_;
  DialogEvents& events_;
  Point clientOrigin_;
  Rect clientRect_;
  BaseUnits units_;
  std::deque<Control> controls_;  // template order; the addresses are the controls' handles
  Control* focus_ = nullptr;      // null: the dialog itself
  bool visible_ = false;
  bool enabled_ = true;  // false while a modal child runs
  int icon_ = 0;
  bool topmost_ = false;
  Cursor cursor_ = Cursor::Arrow;
  bool modalRunning_ = false;
  bool modalEnded_ = false;
  int modalResult_ = kIdCancel;
};

}  // namespace platform::headless
