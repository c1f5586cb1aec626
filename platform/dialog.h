// Dialogs: a dialog's behaviour is a plain class (DialogEvents) that talks to
// its window only through DialogWindow. The Windows adapter creates real
// dialogs from the library's templates; the headless host keeps the same
// controls in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

using WindowHandle = void*;

// The first members of an application's event, laid out as the Windows MSG,
// which is what TW_EVENT.pEvent points to.
struct WindowMessage {
  WindowHandle window;
  std::uint32_t message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
};

inline constexpr std::uint32_t kWmKeyDown = 0x0100;
inline constexpr std::uint32_t kWmChar = 0x0102;
inline constexpr std::uint32_t kWmCommand = 0x0111;
inline constexpr std::uintptr_t kVkSpace = 0x20;

class DialogWindow {
 public:
  // Destroying the object destroys the window.
  virtual ~DialogWindow() = default;
  virtual WindowHandle Handle() const = 0;
  virtual std::string Title() const = 0;
  virtual void Show() = 0;
  virtual bool IsVisible() const = 0;
  virtual bool HasItem(int id) const = 0;
  virtual std::string ItemText(int id) const = 0;  // UTF-8
  virtual void SetItemText(int id, std::string_view utf8) = 0;
  virtual bool IsItemEnabled(int id) const = 0;
  virtual void EnableItem(int id, bool enabled) = 0;
  virtual bool IsItemVisible(int id) const = 0;
  // Delivers a command to the dialog as a click of control `id` would.
  virtual void SendCommand(int id) = 0;
};

// What a dialog class receives from its window.
class DialogEvents {
 public:
  virtual ~DialogEvents() = default;
  // The window exists with all controls of its template.
  virtual void OnInit(DialogWindow& window) = 0;
  virtual void OnCommand(int controlId, int notification) = 0;
  // The window is about to go; the DialogWindow must not be used afterwards.
  virtual void OnDestroy() {}
};

class DialogSystem {
 public:
  virtual ~DialogSystem() = default;
  // Creates a modeless dialog from template `templateId`, owned by `owner`.
  // Returns null when the window could not be created.
  virtual std::unique_ptr<DialogWindow> CreateModeless(int templateId, DialogEvents& events,
                                                       WindowHandle owner) = 0;
  // Offers an application event (what TW_EVENT.pEvent points to: the
  // Windows MSG, or a WindowMessage on Linux) to the dialog's keyboard
  // handling, as IsDialogMessage does. Returns true when the dialog consumed it.
  virtual bool RouteEvent(DialogWindow& dialog, void* event) = 0;
};

// Windows: dialogs from the library's resources. Linux: the headless host.
DialogSystem& SystemDialogs();

}  // namespace platform
