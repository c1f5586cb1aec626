// The dialog templates as data, generated from resources/dialogs.txt, the same
// source the Windows resource script comes from.
#pragma once

#include <span>

namespace resources {

enum class ControlKind {
  Static,
  CentredStatic,  // text centred horizontally and vertically
  GrayRect,
  BlackFrame,
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
  ProgressBar,
};

// Styles of a dialog window (flags).
inline constexpr unsigned kCaption = 0x1;
inline constexpr unsigned kSystemMenu = 0x2;
inline constexpr unsigned kMinimizeBox = 0x4;
inline constexpr unsigned kModalFrame = 0x8;

struct ControlTemplate {
  int id;  // -1 for the anonymous labels
  ControlKind kind;
  const char* caption;      // UTF-8
  int x, y, width, height;  // dialog units
  bool visible;
  bool enabled;
  bool group;    // starts a group (radio buttons group up to the next one)
  bool tabstop;  // reached by the Tab key; the first one has the focus at start
};

struct DialogTemplate {
  int id;
  const char* title;     // UTF-8
  int width, height;     // dialog units
  const char* fontFace;  // UTF-8
  int pointSize;
  unsigned styles;  // k... flags above
  std::span<const ControlTemplate> controls;
};

// The template with resource id `id`, or null.
const DialogTemplate* FindDialogTemplate(int id);

}  // namespace resources
