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
  SortedDropDownCombo,
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
  bool group;    // starts a group (radio buttons group up to the next one)
  bool tabstop;  // reached by the Tab key; the first one has the focus at start
};

struct DialogTemplate {
  int id;
  const char* title;  // UTF-8
  int width, height;  // dialog units
  const char* fontFace;  // UTF-8
  int pointSize;
  std::span<const ControlTemplate> controls;
};

// The template with resource id `id`, or null.
const DialogTemplate* FindDialogTemplate(int id);

}  // namespace resources
