#include "platform/posix/headless_control.h"

#include <algorithm>
#include <cctype>

namespace platform::headless {
namespace {

using resources::ControlKind;

// Windows scales with MulDiv, which rounds half away from zero.
int Scale(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

// Sorted combo boxes compare without regard to case.
bool SortsBefore(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

BaseUnits DialogBaseUnits(std::string_view fontFace, int pointSize) {
  if (fontFace == "System") return {Scale(8, pointSize, 10), Scale(16, pointSize, 10)};
  return {Scale(6, pointSize, 8), Scale(13, pointSize, 8)};
}

Rect ToPixels(int x, int y, int width, int height, BaseUnits units) {
  const int left = Scale(x, units.x, 4);
  const int top = Scale(y, units.y, 8);
  return {left, top, left + Scale(width, units.x, 4), top + Scale(height, units.y, 8)};
}

Control::Control(const resources::ControlTemplate& from, BaseUnits units)
    : id(from.id),
      kind(from.kind),
      group(from.group),
      tabstop(from.tabstop),
      text(from.caption),
      visible(from.visible),
      enabled(from.enabled),
      rect(ToPixels(from.x, from.y, from.width, from.height, units)) {
  // A list shows no caption: its text is the selected entry's or what was typed.
  if (IsList()) text.clear();
}

bool Control::IsList() const { return kind == ControlKind::DropDownList || kind == ControlKind::SortedDropDownCombo; }

bool Control::IsPushButton() const { return kind == ControlKind::PushButton || kind == ControlKind::DefaultPushButton; }

bool Control::TakesMouse() const {
  if (!visible || !enabled) return false;
  // Static controls of every kind let the mouse through to the dialog, as on Windows.
  return kind != ControlKind::Static && kind != ControlKind::GrayRect && kind != ControlKind::GroupBox &&
         kind != ControlKind::CentredStatic && kind != ControlKind::BlackFrame;
}

bool Control::PressedBySpace() const {
  return IsPushButton() || kind == ControlKind::AutoCheck || kind == ControlKind::AutoRadio;
}

int Control::AddEntry(std::string_view utf8, std::intptr_t data) {
  auto at = entries.end();
  if (kind == ControlKind::SortedDropDownCombo) {
    at = std::find_if(entries.begin(), entries.end(),
                      [utf8](const ListEntry& entry) { return SortsBefore(utf8, entry.text); });
  }
  const int index = static_cast<int>(at - entries.begin());
  entries.insert(at, ListEntry{std::string(utf8), data});
  if (selected >= index) ++selected;
  return index;
}

void Control::Select(int index) {
  selected = index >= 0 && index < static_cast<int>(entries.size()) ? index : -1;
  text = selected >= 0 ? entries[static_cast<std::size_t>(selected)].text : std::string();
}

void Control::Clear() {
  entries.clear();
  selected = -1;
  text.clear();
}

}  // namespace platform::headless
