// The dialog templates as data, generated from resources/dialogs.txt, the same
// source the Windows resource script comes from.
#pragma once

#include <span>

namespace resources {

enum class ControlKind {
  Static,
  GrayRect,
  GroupBox,
  PushButton,
  DefaultPushButton,
  AutoRadio,
  AutoCheck,
  DropDownList,
  DropDownCombo,
  Edit,
  UpDown,
  Trackbar,
};

struct ControlTemplate {
  int id;               // -1 for the anonymous labels
  ControlKind kind;
  const char* caption;  // UTF-8
  int x, y, width, height;  // dialog units
  bool visible;
  bool enabled;
};

struct DialogTemplate {
  int id;
  const char* title;  // UTF-8
  int width, height;  // dialog units
  std::span<const ControlTemplate> controls;
};

// The template with resource id `id`, or null.
const DialogTemplate* FindDialogTemplate(int id);

}  // namespace resources
