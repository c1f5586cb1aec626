#include "platform/posix/headless_window.h"

#include <algorithm>
#include <cstdlib>

#include "platform/posix/headless_canvas.h"
#include "platform/posix/headless_host_internal.h"

namespace platform::headless {
namespace {

using resources::ControlKind;

bool Contains(const Rect& rect, Point at) {
  return at.x >= rect.left && at.x < rect.right && at.y >= rect.top && at.y < rect.bottom;
}

// A real drag reports the pointer every few pixels.
constexpr int kDragStepPixels = 8;

}  // namespace

Window::Window(Host& host, const resources::DialogTemplate& dialogTemplate, DialogEvents& events, Point clientOrigin)
    : host_(host),
      templateId_(dialogTemplate.id),
      title_(dialogTemplate.title),
      events_(events),
      clientOrigin_(clientOrigin),
      units_(DialogBaseUnits(dialogTemplate.fontFace, dialogTemplate.pointSize)) {
  clientRect_ = ToPixels(0, 0, dialogTemplate.width, dialogTemplate.height, units_);
  for (const resources::ControlTemplate& control : dialogTemplate.controls) controls_.emplace_back(control, units_);
}

Window::~Window() {
  modalEnded_ = true;
  events_.OnDestroy();
  host_.Forget(*this);
}

void Window::Initialise() {
  // Like a dialog whose initialisation returns TRUE: the first control reached by Tab has the focus.
  events_.OnInit(*this);
  if (focus_ == nullptr) {
    auto first = std::find_if(controls_.begin(), controls_.end(),
                              [](const Control& control) { return control.tabstop && control.CanTakeFocus(); });
    if (first != controls_.end()) focus_ = &*first;
  }
}

bool Window::Owns(WindowHandle window) const {
  if (window == Handle()) return true;
  return std::any_of(controls_.begin(), controls_.end(),
                     [window](const Control& control) { return window == &control; });
}

void Window::Show() {
  if (visible_) return;
  visible_ = true;
  Paint();
}

void Window::Paint() {
  // The whole window is drawn anew: nothing drawn on it before is on screen any more.
  host_.ForgetDrawing(Handle());
  events_.OnPaint();
}

Control* Window::Find(int id) {
  auto found = std::find_if(controls_.begin(), controls_.end(), [id](const Control& c) { return c.id == id; });
  return found == controls_.end() ? nullptr : &*found;
}

const Control* Window::Find(int id) const { return const_cast<Window*>(this)->Find(id); }

Control* Window::Reachable(int id) {
  Control* control = Find(id);
  if (!enabled_ || control == nullptr || !control->visible || !control->enabled) return nullptr;
  return control;
}

WindowHandle Window::ItemHandle(int id) const { return const_cast<Control*>(Find(id)); }

std::string Window::ItemText(int id) const {
  const Control* control = Find(id);
  return control ? control->text : std::string();
}

void Window::SetItemText(int id, std::string_view utf8) {
  if (Control* control = Find(id)) control->text = utf8;
}

bool Window::IsItemEnabled(int id) const {
  const Control* control = Find(id);
  return control && control->enabled;
}

void Window::EnableItem(int id, bool enabled) {
  Control* control = Find(id);
  if (control == nullptr) return;
  control->enabled = enabled;
  // A disabled control loses the focus to the dialog itself.
  if (!enabled && focus_ == control) focus_ = nullptr;
}

bool Window::IsItemVisible(int id) const {
  const Control* control = Find(id);
  return control && control->visible;
}

void Window::ShowItem(int id, bool visible) {
  Control* control = Find(id);
  if (control == nullptr) return;
  control->visible = visible;
  // A hidden control loses the focus to the dialog itself.
  if (!visible && focus_ == control) focus_ = nullptr;
}

bool Window::IsChecked(int id) const {
  const Control* control = Find(id);
  return control && control->checked;
}

void Window::SetChecked(int id, bool checked) {
  if (Control* control = Find(id)) control->checked = checked;
}

Rect Window::ItemClientRect(int id) const {
  const Control* control = Find(id);
  return control ? control->rect : Rect{};
}

Rect Window::ItemScreenRect(int id) const {
  const Rect client = ItemClientRect(id);
  const Point topLeft = ClientToScreen({client.left, client.top});
  const Point bottomRight = ClientToScreen({client.right, client.bottom});
  return {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

Rect Window::WindowScreenRect() const {
  return {clientOrigin_.x, clientOrigin_.y, clientOrigin_.x + clientRect_.right, clientOrigin_.y + clientRect_.bottom};
}

void Window::FocusItem(int id) {
  if (Control* control = Find(id)) focus_ = control;
}

// The control is drawn anew over whatever was drawn on the window there.
void Window::RepaintItem(int id) {
  if (Find(id) != nullptr) host_.ForgetDrawingIn(Handle(), ItemClientRect(id));
}

void Window::MoveItem(int id, const Rect& clientRect, bool) {
  if (Control* control = Find(id)) control->rect = clientRect;
}

Point Window::ClientToScreen(Point client) const { return {client.x + clientOrigin_.x, client.y + clientOrigin_.y}; }

Point Window::ScreenToClient(Point screen) const { return {screen.x - clientOrigin_.x, screen.y - clientOrigin_.y}; }

void Window::ClearList(int id) {
  if (Control* control = Find(id); control && control->IsList()) control->Clear();
}

int Window::AddListEntry(int id, std::string_view utf8, std::intptr_t data) {
  Control* control = Find(id);
  return control && control->IsList() ? control->AddEntry(utf8, data) : -1;
}

int Window::ListEntryCount(int id) const {
  const Control* control = Find(id);
  return control ? static_cast<int>(control->entries.size()) : 0;
}

std::string Window::ListEntryText(int id, int index) const {
  const Control* control = Find(id);
  if (control == nullptr || index < 0 || index >= static_cast<int>(control->entries.size())) return {};
  return control->entries[static_cast<std::size_t>(index)].text;
}

std::intptr_t Window::ListEntryData(int id, int index) const {
  const Control* control = Find(id);
  // Out of range the list answers its error value, -1.
  if (control == nullptr || index < 0 || index >= static_cast<int>(control->entries.size())) return -1;
  return control->entries[static_cast<std::size_t>(index)].data;
}

int Window::SelectedListEntry(int id) const {
  const Control* control = Find(id);
  return control ? control->selected : -1;
}

void Window::SelectListEntry(int id, int index) {
  if (Control* control = Find(id); control && control->IsList()) control->Select(index);
}

void Window::SetUpDownRange(int id, int low, int high) {
  if (Control* control = Find(id)) {
    control->low = low;
    control->high = high;
  }
}

void Window::SetUpDownPosition(int id, int position) {
  auto control = std::find_if(controls_.begin(), controls_.end(), [id](const Control& c) { return c.id == id; });
  if (control == controls_.end()) return;
  control->position =
      std::clamp(position, std::min(control->low, control->high), std::max(control->low, control->high));
  // The up-down control writes the number into its buddy, the edit field created just before it.
  if (control == controls_.begin()) return;
  Control& buddy = *std::prev(control);
  if (buddy.kind == ControlKind::Edit) buddy.text = std::to_string(control->position);
}

void Window::SetProgressPosition(int id, int position) {
  if (Control* control = Find(id); control && control->kind == resources::ControlKind::ProgressBar) {
    control->position = std::clamp(position, 0, 100);
  }
}

int Window::ProgressPosition(int id) const {
  const Control* control = Find(id);
  return control && control->kind == resources::ControlKind::ProgressBar ? control->position : 0;
}

std::pair<int, int> Window::UpDownRange(int id) const {
  const Control* control = Find(id);
  return control ? std::pair{control->low, control->high} : std::pair{0, 0};
}

int Window::UpDownPosition(int id) const {
  const Control* control = Find(id);
  return control ? control->position : 0;
}

void Window::StartTimer(int id, unsigned milliseconds) { host_.StartTimer(*this, id, milliseconds); }

void Window::StopTimer(int id) { host_.StopTimer(*this, id); }

bool Window::IsTimerRunning(int timerId) const { return host_.IsTimerRunning(*this, timerId); }

std::unique_ptr<Canvas> Window::Draw() { return std::make_unique<RecordingCanvas>(host_, Handle()); }

int Window::RunModal(int templateId, DialogEvents& events) {
  std::unique_ptr<Window> child = host_.MakeWindow(templateId, events);
  if (!child) return kIdCancel;
  // The owner takes no input while its child runs; its timers go on.
  const bool wasEnabled = enabled_;
  enabled_ = false;
  child->modalRunning_ = true;
  child->Initialise();
  if (!child->modalEnded_) {
    child->Show();
    host_.RunModalLoop(*child);
  }
  const int result = child->modalResult_;
  child.reset();
  enabled_ = wasEnabled;
  Paint();  // the part of the dialog the child covered
  return result;
}

void Window::EndModal(int result) {
  if (!modalRunning_ || modalEnded_) return;
  modalEnded_ = true;
  modalResult_ = result;
}

std::optional<int> Window::FocusedItem() const {
  if (focus_ == nullptr) return std::nullopt;
  return focus_->id;
}

std::optional<int> Window::FindItemByCaption(std::string_view caption) const {
  for (const Control& control : controls_) {
    if (!control.IsList() && control.text == caption) return control.id;
  }
  return std::nullopt;
}

void Window::CheckRadioInGroup(Control& radio) {
  auto start = std::find_if(controls_.begin(), controls_.end(), [&radio](const Control& c) { return &c == &radio; });
  while (start != controls_.begin() && !start->group) --start;
  auto end = std::next(start);
  while (end != controls_.end() && !end->group) ++end;
  for (auto control = start; control != end; ++control) {
    if (control->kind == ControlKind::AutoRadio) control->checked = &*control == &radio;
  }
}

bool Window::Click(int id) {
  Control* control = Reachable(id);
  if (control == nullptr) return false;
  if (control->TakesMouse()) focus_ = control;
  switch (control->kind) {
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
      break;
    case ControlKind::AutoCheck:
      control->checked = !control->checked;
      break;
    case ControlKind::AutoRadio:
      CheckRadioInGroup(*control);
      break;
    default:
      return true;  // labels, lists, edit fields and the like send nothing for a click
  }
  Command(id, kButtonClicked);
  return true;
}

bool Window::SelectEntry(int id, int index) {
  Control* control = Reachable(id);
  if (control == nullptr || !control->IsList() || index < 0 || index >= static_cast<int>(control->entries.size())) {
    return false;
  }
  focus_ = control;
  control->Select(index);
  Command(id, kListSelectionChanged);
  return true;
}

bool Window::SelectEntry(int id, std::string_view text) {
  const Control* control = Find(id);
  if (control == nullptr) return false;
  auto entry = std::find_if(control->entries.begin(), control->entries.end(),
                            [text](const ListEntry& e) { return e.text == text; });
  if (entry == control->entries.end()) return false;
  return SelectEntry(id, static_cast<int>(entry - control->entries.begin()));
}

bool Window::Type(int id, std::string_view utf8) {
  Control* control = Reachable(id);
  if (control == nullptr) return false;
  focus_ = control;
  if (control->kind == ControlKind::Edit) {
    control->text = utf8;
    return true;
  }
  if (control->kind != ControlKind::SortedDropDownCombo) return false;
  // Typing into a combo box's edit part leaves no entry of its list selected.
  control->text = utf8;
  control->selected = -1;
  Command(id, kListEditChanged);
  return true;
}

bool Window::Focus(int id) {
  Control* control = Reachable(id);
  if (control == nullptr) return false;
  focus_ = control;
  return true;
}

bool Window::MouseReachesDialog(Point at) const {
  if (!enabled_ || !Contains(clientRect_, at)) return false;
  return std::none_of(controls_.begin(), controls_.end(),
                      [at](const Control& control) { return control.TakesMouse() && Contains(control.rect, at); });
}

void Window::MouseMove(Point at, unsigned keys) {
  if (MouseReachesDialog(at)) events_.OnMouseMove(keys, at);
}

void Window::LeftButtonDown(Point at, unsigned keys) {
  if (MouseReachesDialog(at)) events_.OnLeftButtonDown(keys | kMouseLeftButton, at);
}

void Window::LeftButtonUp(Point at, unsigned keys) {
  if (MouseReachesDialog(at)) events_.OnLeftButtonUp(keys & ~kMouseLeftButton, at);
}

void Window::Drag(Point from, Point to, unsigned keys) {
  LeftButtonDown(from, keys);
  const int distance = std::max(std::abs(to.x - from.x), std::abs(to.y - from.y));
  const int steps = std::max(1, (distance + kDragStepPixels - 1) / kDragStepPixels);
  for (int step = 1; step <= steps; ++step) {
    MouseMove({from.x + (to.x - from.x) * step / steps, from.y + (to.y - from.y) * step / steps},
              keys | kMouseLeftButton);
  }
  LeftButtonUp(to, keys);
}

void Window::KeyDown(std::uintptr_t key) {
  if (enabled_) Key(kWmKeyDown, key);
}

void Window::Character(std::uintptr_t character) {
  if (enabled_) Key(kWmChar, character);
}

void Window::PressSpace() {
  if (host_.RunKeyDownHook(kVkSpace) || !enabled_) return;
  // The hook may have disabled the focused control: the focus is read afterwards.
  if (focus_ == nullptr) {
    KeyDown(kVkSpace);
    Character(' ');
  } else if (focus_->PressedBySpace()) {
    Click(focus_->id);
  } else if (focus_->kind == ControlKind::Edit || focus_->kind == ControlKind::SortedDropDownCombo) {
    Type(focus_->id, focus_->text + " ");
  }
}

}  // namespace platform::headless
