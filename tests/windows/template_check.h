// Compares a real dialog window with the template table the headless host is
// fed from, so that the Windows resources and the table cannot drift apart.
#pragma once

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

#include "resources/dialog_templates.h"

namespace template_check {

struct Difference {
  int id;  // the control's id in the template; 0 for the dialog itself
  std::string
      field;  // "count", "id", "class", "style", "caption", "visible", "enabled", "group", "tabstop", "rectangle", ...
  std::string expected;
  std::string actual;
  friend std::ostream& operator<<(std::ostream& out, const Difference& difference) {
    return out << difference.id << " " << difference.field << ": expected " << difference.expected << ", found "
               << difference.actual;
  }
};

// The dialog's title, styles, font and client size, and its direct child
// windows in creation order (id, window class, kind's style, caption,
// visibility, enabled state, group and tab stop, rectangle mapped from dialog
// units), against `dialogTemplate`. Empty when they all agree.
std::vector<Difference> CompareWithTemplate(HWND dialog, const resources::DialogTemplate& dialogTemplate);

// Whether every difference is one of `allowed` (id and field).
bool OnlyThese(const std::vector<Difference>& differences, const std::vector<std::pair<int, std::string>>& allowed);

}  // namespace template_check
