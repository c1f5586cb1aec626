// Dialogs: a dialog's behaviour is a plain class (DialogEvents) that talks to
// its window only through DialogWindow. The Windows adapter creates real
// dialogs from the library's templates with one generic dialog procedure;
// the headless host keeps the same controls in memory.
//
// Coordinates are pixels. Client coordinates count from the top-left corner
// of the dialog's client area, screen coordinates from the screen's.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/picture_codecs.h"
#include "protocol/geometry.h"

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

inline constexpr std::uint32_t kWmNull = 0x0000;
inline constexpr std::uint32_t kWmKeyDown = 0x0100;
inline constexpr std::uint32_t kWmChar = 0x0102;
inline constexpr std::uint32_t kWmCommand = 0x0111;
inline constexpr std::uintptr_t kVkSpace = 0x20;

// Command ids the system gives to every dialog.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;  // the close box and Esc

// Notification codes that arrive with a command.
inline constexpr int kButtonClicked = 0;
inline constexpr int kListSelectionChanged = 1;  // combo box: CBN_SELCHANGE
inline constexpr int kListEditChanged = 5;       // combo box: CBN_EDITCHANGE

// Key-state flags of a mouse message.
inline constexpr unsigned kMouseLeftButton = 0x0001;
inline constexpr unsigned kMouseRightButton = 0x0002;
inline constexpr unsigned kMouseShift = 0x0004;
inline constexpr unsigned kMouseControl = 0x0008;
inline constexpr unsigned kMouseMiddleButton = 0x0010;

using Point = geometry::Point;
using Rect = geometry::Rect;
using Rgb = geometry::Rgb;

// A font as the drawing asks for it (the fields of a logical font).
struct FontRequest {
  int height = 0;
  int weight = 0;
  bool italic = false;
  int charset = 0;
  int pitchAndFamily = 0;
  std::string face;  // UTF-8
};

enum class Cursor { Arrow, Hand, SizeNeSw, SizeNwSe, SizeWe, SizeNs };

// A device context of a dialog window, for the marks drawn over the live
// video. Every call leaves the context as it found it (pen, brush, font,
// text colour and mode).
class Canvas {
 public:
  virtual ~Canvas() = default;
  // Joined line segments through `points` with a solid pen.
  virtual void Polyline(std::span<const Point> points, Rgb colour, int penWidth) = 0;
  // A rectangle outlined with a solid pen and filled with the context's current brush.
  virtual void Rectangle(const Rect& rect, Rgb colour, int penWidth) = 0;
  // `utf8` with its top-left corner at `origin`, in a transparent text mode.
  // False when the font could not be made; the text is then drawn with the current font.
  virtual bool Text(Point origin, std::string_view utf8, const FontRequest& font, Rgb colour) = 0;
  // `utf8` centred horizontally and vertically on one line in `rect`, leaving
  // the context's background mode as it is. False as for Text.
  virtual bool CentredText(const Rect& rect, std::string_view utf8, const FontRequest& font, Rgb colour) = 0;
  // The picture stretched into `rect`, each pixel taken from the nearest
  // one without smoothing.
  virtual void StretchPicture(const Rect& rect, const PictureView& picture) = 0;
};

class DialogEvents;

class DialogWindow {
 public:
  // Destroying the object destroys the window (a modal dialog ends first).
  virtual ~DialogWindow() = default;
  virtual WindowHandle Handle() const = 0;
  virtual std::string Title() const = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool IsVisible() const = 0;
  // The window's outer rectangle, and the size of the screen (x wide, y high).
  virtual Rect WindowScreenRect() const = 0;
  virtual Point ScreenSize() const = 0;
  // Moves the window's top-left corner to the screen point, keeping its size.
  virtual void MoveTo(Point screen) = 0;
  // Sets icon resource `resourceId` of the library as the large and small icon.
  virtual void SetIcon(int resourceId) = 0;
  // Keeps the window above all non-topmost windows, without moving or sizing it.
  virtual void MakeTopmost() = 0;

  // Controls.
  virtual bool HasItem(int id) const = 0;
  virtual WindowHandle ItemHandle(int id) const = 0;
  virtual std::string ItemText(int id) const = 0;  // UTF-8
  virtual void SetItemText(int id, std::string_view utf8) = 0;
  virtual bool IsItemEnabled(int id) const = 0;
  virtual void EnableItem(int id, bool enabled) = 0;
  virtual bool IsItemVisible(int id) const = 0;
  // Shows or hides the control; a hidden control takes no clicks and no focus.
  virtual void ShowItem(int id, bool visible) = 0;
  // Check boxes and radio buttons.
  virtual bool IsChecked(int id) const = 0;
  virtual void SetChecked(int id, bool checked) = 0;
  // Gives the control the keyboard focus; an edit field's text is selected.
  virtual void FocusItem(int id) = 0;
  // Invalidates, erases and repaints the control at once.
  virtual void RepaintItem(int id) = 0;
  // The control's window rectangle in screen coordinates.
  virtual Rect ItemScreenRect(int id) const = 0;
  // Moves and sizes the control to `clientRect`, repainting only when asked.
  virtual void MoveItem(int id, const Rect& clientRect, bool repaint) = 0;
  virtual Point ClientToScreen(Point client) const = 0;
  virtual Point ScreenToClient(Point screen) const = 0;

  // Lists (combo boxes). Indexes count from 0; -1 means no entry.
  virtual void ClearList(int id) = 0;
  // Appends (a sorted list inserts in order); returns the entry's index.
  virtual int AddListEntry(int id, std::string_view utf8, std::intptr_t data) = 0;
  virtual int ListEntryCount(int id) const = 0;
  virtual std::string ListEntryText(int id, int index) const = 0;
  virtual std::intptr_t ListEntryData(int id, int index) const = 0;
  virtual int SelectedListEntry(int id) const = 0;
  virtual void SelectListEntry(int id, int index) = 0;

  // Up-down controls.
  virtual void SetUpDownRange(int id, int low, int high) = 0;
  virtual void SetUpDownPosition(int id, int position) = 0;

  // Progress bars, of the range 0 to 100: the position is clamped to it.
  virtual void SetProgressPosition(int id, int position) = 0;

  // Timers of the window: OnTimer(id) every `milliseconds` until stopped.
  // Starting a running timer restarts it with the new period.
  virtual void StartTimer(int id, unsigned milliseconds) = 0;
  virtual void StopTimer(int id) = 0;

  // A device context of the window itself, released with the object.
  virtual std::unique_ptr<Canvas> Draw() = 0;
  virtual void SetCursor(Cursor cursor) = 0;

  // Delivers a command to the dialog as a click of push button `id` would.
  virtual void SendCommand(int id) = 0;

  // Runs a dialog from template `templateId` owned by this one, modally:
  // returns the result its EndModal gave (kIdCancel when it could not be made).
  virtual int RunModal(int templateId, DialogEvents& events) = 0;
  // Ends this dialog's modal run with `result`.
  virtual void EndModal(int result) = 0;
};

// What a dialog class receives from its window. Every handler runs on the
// dialog's thread.
class DialogEvents {
 public:
  virtual ~DialogEvents() = default;
  // The window exists with all controls of its template.
  virtual void OnInit(DialogWindow& window) = 0;
  virtual void OnCommand(int controlId, int notification) = 0;
  virtual void OnTimer(int /*timerId*/) {}
  // Paint and owner-draw messages; the default painting follows.
  virtual void OnPaint() {}
  // Mouse messages: `keys` holds the kMouse... flags, `at` the client position.
  virtual void OnMouseMove(unsigned /*keys*/, Point /*at*/) {}
  virtual void OnLeftButtonDown(unsigned /*keys*/, Point /*at*/) {}
  virtual void OnLeftButtonUp(unsigned /*keys*/, Point /*at*/) {}
  // Key-down and character messages addressed to the dialog window itself.
  virtual void OnKey(std::uint32_t /*message*/, std::uintptr_t /*key*/) {}
  // The window is about to go; the DialogWindow must not be used afterwards.
  virtual void OnDestroy() {}
};

class DialogSystem {
 public:
  virtual ~DialogSystem() = default;
  // Creates a modeless dialog from template `templateId`, owned by `owner`.
  // Returns null when the window could not be created.
  virtual std::unique_ptr<DialogWindow> CreateModeless(int templateId, DialogEvents& events, WindowHandle owner) = 0;
  // Offers an application event (what TW_EVENT.pEvent points to: the
  // Windows MSG, or a WindowMessage on Linux) to the dialog's keyboard
  // handling, as IsDialogMessage does. Returns true when the dialog consumed it.
  virtual bool RouteEvent(DialogWindow& dialog, void* event) = 0;
};

// Windows: dialogs from the library's resources. Linux: the headless host.
DialogSystem& SystemDialogs();

}  // namespace platform
