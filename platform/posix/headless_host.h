// The headless dialog host: the Linux side of the dialog port, for tests and
// for hosts that run the source without a desktop. Dialogs are their
// template's controls kept in memory; their timers run on a clock that tests
// advance; the user's clicks, typing, mouse and keys are delivered to the
// dialog's handlers exactly as Windows would deliver them; what the dialogs
// draw and which message boxes they show is recorded.
//
// Geometry: dialog units become pixels with fixed base units per font (the
// pixels of 4 horizontal and 8 vertical dialog units): "MS Sans Serif" 8 is
// 6 x 13, "System" 10 is 8 x 16, and any other font scales MS Sans Serif's
// by its point size / 8. The first dialog's client area begins at screen
// point (100, 130); each dialog opened while others are open sits 24 pixels
// further right and down, so mixing up two dialogs' coordinates shows.
//
// Everything here runs on the dialogs' thread, except the message box record,
// which any thread may add to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/dialog.h"
#include "platform/message_box.h"

namespace platform::headless {

struct BaseUnits {
  int x = 0;  // pixels per 4 horizontal dialog units
  int y = 0;  // pixels per 8 vertical dialog units
};
BaseUnits DialogBaseUnits(std::string_view fontFace, int pointSize);

inline constexpr Point kFirstClientOrigin{100, 130};
// The screen: 1920 x 1080 pixels. A window has no frame: its outer
// rectangle is its client area.
inline constexpr Point kScreenSize{1920, 1080};
inline constexpr int kStackedDialogOffset = 24;

// One call of a Canvas, with the window it drew on.
struct DrawnMark {
  enum class Kind { Polyline, Rectangle, Text, CentredText, Picture };
  Kind kind = Kind::Polyline;
  WindowHandle window = nullptr;
  std::vector<Point> points;  // Polyline: the points; Text: the origin; Picture: its width and height
  Rect rect;                  // Rectangle, CentredText and Picture
  Rgb colour;
  int penWidth = 0;  // Polyline and Rectangle
  std::string text;
  FontRequest font;
};

struct ShownMessageBox {
  MessageBoxRequest request;
  int answer = 0;
};

// A dialog of the host as a test or the scripted user sees it: what its
// window shows, and the user's actions. An action on a missing, disabled or
// hidden control does nothing and answers false, as a real click would.
class Dialog : public DialogWindow {
 public:
  virtual int TemplateId() const = 0;
  virtual Rect ClientRect() const = 0;  // (0, 0) to the client size
  virtual Rect ItemClientRect(int id) const = 0;
  virtual int Icon() const = 0;  // 0 until SetIcon
  virtual bool IsTopmost() const = 0;
  virtual Cursor CurrentCursor() const = 0;
  virtual std::pair<int, int> UpDownRange(int id) const = 0;
  virtual int UpDownPosition(int id) const = 0;
  virtual int ProgressPosition(int id) const = 0;
  virtual bool IsTimerRunning(int timerId) const = 0;
  // The control with the keyboard focus; none when the dialog itself has it.
  virtual std::optional<int> FocusedItem() const = 0;
  // The id of the first control whose caption is `caption`.
  virtual std::optional<int> FindItemByCaption(std::string_view caption) const = 0;

  // A left click: push buttons send kButtonClicked; auto check boxes toggle,
  // then send it; auto radio buttons check themselves and uncheck the other
  // radios of their group, then send it. A clicked control takes the focus.
  virtual bool Click(int id) = 0;
  // Picks a list entry: the selection changes, then kListSelectionChanged.
  virtual bool SelectEntry(int id, int index) = 0;
  virtual bool SelectEntry(int id, std::string_view text) = 0;
  // Replaces the text of an edit field or of a combo box's edit part; a combo
  // box loses its list selection and sends kListEditChanged.
  virtual bool Type(int id, std::string_view utf8) = 0;
  virtual bool Focus(int id) = 0;
  // Mouse messages at client points, `keys` holding the kMouse... flags; as
  // on Windows a button-down message always has the left-button flag and a
  // button-up message never. A point over a visible, enabled control that
  // takes the mouse (anything but labels, grey rectangles and group boxes)
  // or outside the client area does not reach the dialog.
  virtual void MouseMove(Point at, unsigned keys) = 0;
  virtual void LeftButtonDown(Point at, unsigned keys) = 0;
  virtual void LeftButtonUp(Point at, unsigned keys) = 0;
  // Button down at `from`, moves with the left button held in steps of at
  // most 8 pixels to `to`, button up there. `keys` adds Shift or Ctrl.
  virtual void Drag(Point from, Point to, unsigned keys) = 0;
  // A key-down or character message addressed to the dialog window itself.
  virtual void KeyDown(std::uintptr_t key) = 0;
  virtual void Character(std::uintptr_t character) = 0;
  // The space bar, as Windows and the source's message hook deliver it: the
  // key-down hook first; unless it handled the key, the focused push button,
  // check box or radio button is pressed; an edit field gets a space typed;
  // the dialog window itself gets the key-down and the character.
  virtual void PressSpace() = 0;
  // A paint of the whole dialog (the host paints on Show and when a modal
  // child over it goes).
  virtual void Paint() = 0;
};

// The open dialogs, oldest first; the newest; the newest from `templateId`.
std::vector<Dialog*> OpenDialogs();
Dialog* TopDialog();
// The dialog a scripted user's step acts on unless it names one: the newest
// modal dialog, else the first (a modeless window opened over the first,
// such as the picture preview, is reached by naming its template).
Dialog* UserDialog();
Dialog* FindDialog(int templateId);

// The clock, in milliseconds since the host started or was reset.
std::uint64_t Now();
// Moves the clock on, firing the due window timers in time order (ties in
// the order they were started). Handlers may stop and start timers and run
// modal dialogs while it ticks.
void AdvanceClock(unsigned milliseconds);

// What the dialogs' canvases drew that can still be on screen, oldest
// first: a paint of a window drops what was drawn on it before, a closed
// window takes its marks along, and of overlays redrawn again and again
// (over a live video that wipes them) at most the newest kMaxDrawnMarks to
// 2 * kMaxDrawnMarks marks are kept.
inline constexpr std::size_t kMaxDrawnMarks = 1024;
const std::vector<DrawnMark>& Drawing();
void ClearDrawing();
// While set, Canvas::Text and CentredText report that the font could not be made.
void SetFontCreationFails(bool fails);

// Message boxes: each is recorded and answered with the next queued answer,
// else with its default button.
void QueueMessageBoxAnswer(int answer);
std::vector<ShownMessageBox> ShownMessageBoxes();

// Called with each modal child once its OnInit has run; whatever the driver
// leaves open is cancelled (a kIdCancel command, then EndModal(kIdCancel)).
// Without a driver and without a scripted user the child is cancelled at once.
void SetModalDriver(std::function<void(Dialog&)> driver);

// The key-down hook of the application's thread: sees every key-down the
// user gives before any dialog does; true means handled (the key goes no further).
void SetKeyDownHook(std::function<bool(std::uintptr_t virtualKey)> hook);

// One turn of the application's message loop: with a scripted user playing
// in real time the clock moves on by the real time since the last turn; due
// timers fire; the user's next due step plays. Every routed event is one.
void RunTurn();

// Forgets the records, queued answers, modal driver, scripted user and the
// timers, and sets the clock back to 0. The key-down hook stays.
void Reset();

}  // namespace platform::headless
