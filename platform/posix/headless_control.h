// One control of a headless dialog: its template's kind and styles and the
// state a real control would hold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog.h"
#include "platform/posix/headless_host.h"
#include "resources/dialog_templates.h"

namespace platform::headless {

struct ListEntry {
  std::string text;
  std::intptr_t data = 0;
};

struct Control {
  Control(const resources::ControlTemplate& from, BaseUnits units);

  bool IsList() const;
  bool IsPushButton() const;
  // Takes the mouse: labels, grey rectangles and group boxes let it through
  // to the dialog, as do disabled and hidden controls.
  bool TakesMouse() const;
  bool CanTakeFocus() const { return visible && enabled; }
  bool PressedBySpace() const;

  // A sorted list inserts in order, after entries that compare equal.
  int AddEntry(std::string_view utf8, std::intptr_t data);
  void Select(int index);
  void Clear();

  int id;
  resources::ControlKind kind;
  bool group;
  bool tabstop;
  std::string text;  // a combo box's edit part, a list's selected entry
  bool visible;
  bool enabled;
  bool checked = false;
  Rect rect;  // client pixels
  std::vector<ListEntry> entries;
  int selected = -1;
  // An up-down control's range starts as Windows's: from 100 down to 0.
  int low = 100;
  int high = 0;
  int position = 0;
};

// The template's dialog-unit rectangle in pixels.
Rect ToPixels(int x, int y, int width, int height, BaseUnits units);

}  // namespace platform::headless
