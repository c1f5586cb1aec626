#include "template_check.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>

namespace template_check {
namespace {

std::string Narrow(const std::wstring& wide) {
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr, nullptr);
  return text;
}

std::string TextOf(HWND window) {
  wchar_t text[512] = L"";
  GetWindowTextW(window, text, 512);
  return Narrow(text);
}

std::string ClassOf(HWND window) {
  wchar_t name[128] = L"";
  GetClassNameW(window, name, 128);
  std::wstring lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return std::towlower(c); });
  return Narrow(lower);
}

// The window class and whether the style carries the kind's type, written
// from the Windows documentation of each control, not from the generator.
struct KindCheck {
  const char* windowClass;
  bool (*hasStyle)(LONG style, LONG exStyle);
};

KindCheck CheckOf(resources::ControlKind kind) {
  using resources::ControlKind;
  switch (kind) {
    case ControlKind::Static:
      return {"static", [](LONG s, LONG) { return (s & SS_TYPEMASK) == SS_LEFT; }};
    case ControlKind::CentredStatic:
      return {"static", [](LONG s, LONG) { return (s & SS_TYPEMASK) == SS_CENTER && (s & SS_CENTERIMAGE) != 0; }};
    case ControlKind::GrayRect:
      return {"static", [](LONG s, LONG) { return (s & SS_TYPEMASK) == SS_GRAYRECT; }};
    case ControlKind::BlackFrame:
      return {"static", [](LONG s, LONG) { return (s & SS_TYPEMASK) == SS_BLACKFRAME; }};
    case ControlKind::GroupBox:
      return {"button", [](LONG s, LONG) { return (s & BS_TYPEMASK) == BS_GROUPBOX; }};
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
      // The dialog manager moves the default style to whichever push button has the focus.
      return {"button",
              [](LONG s, LONG) { return (s & BS_TYPEMASK) == BS_PUSHBUTTON || (s & BS_TYPEMASK) == BS_DEFPUSHBUTTON; }};
    case ControlKind::AutoRadio:
      return {"button", [](LONG s, LONG) { return (s & BS_TYPEMASK) == BS_AUTORADIOBUTTON; }};
    case ControlKind::AutoCheck:
      return {"button", [](LONG s, LONG) { return (s & BS_TYPEMASK) == BS_AUTOCHECKBOX; }};
    case ControlKind::DropDownList:
      return {"combobox", [](LONG s, LONG) { return (s & 3) == CBS_DROPDOWNLIST; }};
    case ControlKind::SortedDropDownCombo:
      return {"combobox", [](LONG s, LONG) { return (s & 3) == CBS_DROPDOWN && (s & CBS_SORT) != 0; }};
    case ControlKind::Edit:
      // A bordered edit of a dialog may get the sunken client edge instead.
      return {"edit", [](LONG s, LONG ex) { return (s & WS_BORDER) != 0 || (ex & WS_EX_CLIENTEDGE) != 0; }};
    case ControlKind::UpDown:
      return {"msctls_updown32", [](LONG s, LONG) { return (s & UDS_AUTOBUDDY) != 0 && (s & UDS_SETBUDDYINT) != 0; }};
    case ControlKind::Trackbar:
      return {"msctls_trackbar32", [](LONG s, LONG) { return (s & TBS_VERT) != 0; }};
    case ControlKind::ProgressBar:
      return {"msctls_progress32", [](LONG, LONG) { return true; }};
  }
  return {"?", [](LONG, LONG) { return false; }};
}

std::string Describe(const RECT& rect) {
  return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " + std::to_string(rect.right) + "x" +
         std::to_string(rect.bottom);
}

std::string YesNo(bool value) { return value ? "yes" : "no"; }

// A control's template rectangle in pixels as left, top, width, height:
// dialog units map field by field, as the dialog manager maps the template.
RECT Placement(HWND dialog, const resources::ControlTemplate& control) {
  RECT rect{control.x, control.y, control.width, control.height};
  MapDialogRect(dialog, &rect);
  return rect;
}

// Where a child window is, in the same form.
RECT PlacedRect(HWND dialog, HWND child) {
  RECT placed{};
  GetWindowRect(child, &placed);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&placed), 2);
  return {placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top};
}

struct Collected {
  HWND parent;
  std::vector<HWND> children;
};

BOOL CALLBACK CollectDirectChild(HWND child, LPARAM lParam) {
  auto* found = reinterpret_cast<Collected*>(lParam);
  if (GetParent(child) == found->parent) found->children.push_back(child);
  return TRUE;
}

// The dialog's own controls in creation order, without their inner windows
// (a combo box's edit field, the video window in the preview).
std::vector<HWND> DirectChildren(HWND dialog) {
  Collected collected{dialog, {}};
  EnumChildWindows(dialog, &CollectDirectChild, reinterpret_cast<LPARAM>(&collected));
  return collected.children;
}

}  // namespace

std::vector<Difference> CompareWithTemplate(HWND dialog, const resources::DialogTemplate& dialogTemplate) {
  std::vector<Difference> differences;
  const auto differ = [&differences](int id, const char* field, const std::string& expected,
                                     const std::string& actual) {
    if (expected != actual) differences.push_back({id, field, expected, actual});
  };

  differ(0, "title", dialogTemplate.title, TextOf(dialog));
  const LONG style = GetWindowLongW(dialog, GWL_STYLE);
  const LONG exStyle = GetWindowLongW(dialog, GWL_EXSTYLE);
  differ(0, "caption style", YesNo(dialogTemplate.styles & resources::kCaption),
         YesNo((style & WS_CAPTION) == WS_CAPTION));
  differ(0, "system menu", YesNo(dialogTemplate.styles & resources::kSystemMenu), YesNo(style & WS_SYSMENU));
  differ(0, "minimize box", YesNo(dialogTemplate.styles & resources::kMinimizeBox), YesNo(style & WS_MINIMIZEBOX));
  differ(0, "modal frame", YesNo(dialogTemplate.styles & resources::kModalFrame), YesNo(exStyle & WS_EX_DLGMODALFRAME));
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
  differ(0, "font", dialogTemplate.fontFace, Narrow(font.lfFaceName));
  RECT size{0, 0, dialogTemplate.width, dialogTemplate.height};
  MapDialogRect(dialog, &size);
  RECT client{};
  GetClientRect(dialog, &client);
  differ(0, "client size", Describe(size), Describe(client));

  const std::vector<HWND> children = DirectChildren(dialog);
  differ(0, "count", std::to_string(dialogTemplate.controls.size()), std::to_string(children.size()));
  const std::size_t compared = std::min(children.size(), dialogTemplate.controls.size());
  for (std::size_t index = 0; index < compared; ++index) {
    const resources::ControlTemplate& control = dialogTemplate.controls[index];
    HWND child = children[index];
    const int id = control.id;
    differ(id, "id", std::to_string(id), std::to_string(GetDlgCtrlID(child)));
    const KindCheck check = CheckOf(control.kind);
    differ(id, "class", check.windowClass, ClassOf(child));
    const LONG childStyle = GetWindowLongW(child, GWL_STYLE);
    differ(id, "style", "of its kind",
           check.hasStyle(childStyle, GetWindowLongW(child, GWL_EXSTYLE)) ? "of its kind" : std::to_string(childStyle));
    differ(id, "caption", control.caption, TextOf(child));
    differ(id, "visible", YesNo(control.visible), YesNo(childStyle & WS_VISIBLE));
    differ(id, "enabled", YesNo(control.enabled), YesNo(IsWindowEnabled(child)));
    differ(id, "group", YesNo(control.group), YesNo(childStyle & WS_GROUP));
    differ(id, "tabstop", YesNo(control.tabstop), YesNo(childStyle & WS_TABSTOP));

    const RECT expected = Placement(dialog, control);
    RECT actual = PlacedRect(dialog, child);
    // A combo box's window is its closed height; the template's height includes the list.
    if (check.windowClass == std::string("combobox")) actual.bottom = expected.bottom;
    // An up-down control places itself at the right end of its buddy, the
    // control before it, and narrows the buddy: the pair shares the buddy's place.
    const bool buddied = control.kind == resources::ControlKind::UpDown ||
                         (index + 1 < dialogTemplate.controls.size() &&
                          dialogTemplate.controls[index + 1].kind == resources::ControlKind::UpDown);
    if (!buddied) {
      differ(id, "rectangle", Describe(expected), Describe(actual));
    } else if (control.kind == resources::ControlKind::UpDown && index > 0) {
      const RECT buddy = Placement(dialog, dialogTemplate.controls[index - 1]);
      const bool inside = actual.left >= buddy.left && actual.left + actual.right <= buddy.left + buddy.right &&
                          actual.top == buddy.top && actual.bottom == buddy.bottom;
      differ(id, "rectangle", "within " + Describe(buddy), inside ? "within " + Describe(buddy) : Describe(actual));
    }
  }
  return differences;
}

bool OnlyThese(const std::vector<Difference>& differences, const std::vector<std::pair<int, std::string>>& allowed) {
  return std::all_of(differences.begin(), differences.end(), [&allowed](const Difference& difference) {
    return std::find(allowed.begin(), allowed.end(), std::pair{difference.id, difference.field}) != allowed.end();
  });
}

}  // namespace template_check
