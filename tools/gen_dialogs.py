#!/usr/bin/env python3
"""Turns resources/dialogs.txt into the Windows resource script, the
headless host's template table and the header of named dialog and control
ids, so all three always describe the same controls.

usage: gen_dialogs.py <dialogs.txt> <out.rc> <out.inc> <out ids header>
"""
import os
import re
import shlex
import sys

# kind -> (window class, style for the resource script, enum name in C++)
KINDS = {
    "static": ("STATIC", "SS_LEFT", "Static"),
    "centred": ("STATIC", "SS_CENTER | SS_CENTERIMAGE", "CentredStatic"),
    "grayrect": ("STATIC", "SS_GRAYRECT", "GrayRect"),
    "blackframe": ("STATIC", "SS_BLACKFRAME", "BlackFrame"),
    "groupbox": ("BUTTON", "BS_GROUPBOX", "GroupBox"),
    "button": ("BUTTON", "BS_PUSHBUTTON", "PushButton"),
    "defbutton": ("BUTTON", "BS_DEFPUSHBUTTON", "DefaultPushButton"),
    "radio": ("BUTTON", "BS_AUTORADIOBUTTON", "AutoRadio"),
    "check": ("BUTTON", "BS_AUTOCHECKBOX", "AutoCheck"),
    "checkleft": ("BUTTON", "BS_AUTOCHECKBOX | BS_LEFTTEXT", "AutoCheck"),
    "dropdownlist": ("COMBOBOX", "CBS_DROPDOWNLIST | WS_VSCROLL", "DropDownList"),
    "dropdowncombo-sorted": ("COMBOBOX", "CBS_DROPDOWN | CBS_SORT | WS_VSCROLL", "SortedDropDownCombo"),
    "edit": ("EDIT", "ES_AUTOHSCROLL | WS_BORDER", "Edit"),
    "updown": ("msctls_updown32", "UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS", "UpDown"),
    "trackbar-vertical": ("msctls_trackbar32", "TBS_VERT | TBS_BOTH | TBS_NOTICKS", "Trackbar"),
    "progress": ("msctls_progress32", "", "ProgressBar"),
}
# style word -> (style for the resource script, flag name in C++)
DIALOG_STYLES = {
    "caption": ("WS_CAPTION", "kCaption"),
    "sysmenu": ("WS_SYSMENU", "kSystemMenu"),
    "minimizebox": ("WS_MINIMIZEBOX", "kMinimizeBox"),
    "modalframe": ("DS_MODALFRAME", "kModalFrame"),
}
STATES = {"hidden", "disabled", "group", "tabstop"}
# "name=<Name>" after a dialog's styles or a control's states: the constant
# kName of the ids header (a dialog's name is its namespace there).
NAME = re.compile(r"name=([A-Za-z][A-Za-z0-9_]*)$")


def fail(line_no, message):
    sys.exit(f"dialogs.txt:{line_no}: {message}")


def take_name(words, line_no):
    """Removes the name word from `words`; the name, or None."""
    names = [match.group(1) for match in map(NAME.match, words) if match]
    if len(names) > 1:
        fail(line_no, "more than one name")
    words[:] = [word for word in words if not NAME.match(word)]
    return names[0] if names else None


def parse(path):
    dialogs, icons, current = [], [], None
    with open(path, encoding="utf-8") as source:
        for line_no, line in enumerate(source, 1):
            words = shlex.split(line, comments=True)
            if not words:
                continue
            if words[0] == "dialog":
                name = take_name(words, line_no)
                ident, title, cx, cy, points, font, *styles = words[1:]
                for style in styles:
                    if style not in DIALOG_STYLES:
                        fail(line_no, f"unknown dialog style {style}")
                current = dict(id=int(ident), name=name, title=title, cx=int(cx), cy=int(cy), points=int(points),
                               font=font, styles=styles, controls=[])
            elif words[0] == "icon":
                if current is not None:
                    fail(line_no, "icon inside a dialog")
                name = take_name(words, line_no)
                if name is None or len(words) != 3:
                    fail(line_no, "an icon is: icon <id> \"<file>\" name=<Name>")
                icons.append(dict(id=int(words[1]), file=words[2], name=name))
            elif words[0] == "control":
                if current is None:
                    fail(line_no, "control outside a dialog")
                name = take_name(words, line_no)
                ident, kind, caption, x, y, cx, cy, *states = words[1:]
                if name is not None and int(ident) == -1:
                    fail(line_no, "a label nobody addresses has no name")
                if kind not in KINDS:
                    fail(line_no, f"unknown control kind {kind}")
                for state in states:
                    if state not in STATES:
                        fail(line_no, f"unknown state {state}")
                current["controls"].append(dict(id=int(ident), name=name, kind=kind, caption=caption, x=int(x), y=int(y),
                                                cx=int(cx), cy=int(cy), states=set(states)))
            elif words[0] == "end":
                if current is None:
                    fail(line_no, "end outside a dialog")
                ids = [control["id"] for control in current["controls"] if control["id"] != -1]
                if len(ids) != len(set(ids)):
                    fail(line_no, f"dialog {current['id']} names a control id twice")
                names = [control["name"] for control in current["controls"] if control["name"]]
                if len(names) != len(set(names)):
                    fail(line_no, f"dialog {current['id']} gives a name twice")
                if current["name"] is None and names:
                    fail(line_no, f"dialog {current['id']} names controls but has no name itself")
                if any(dialog["id"] == current["id"] for dialog in dialogs):
                    fail(line_no, f"dialog {current['id']} is defined twice")
                dialogs.append(current)
                current = None
            else:
                fail(line_no, f"unknown line {words[0]}")
    return dialogs, icons


def rc_string(text):
    return '"' + text.replace('"', '""') + '"'


def write_rc(dialogs, icons, path):
    lines = ["// Generated from resources/dialogs.txt by tools/gen_dialogs.py. Do not edit.",
             "#include <windows.h>", "#include <commctrl.h>", "#pragma code_page(65001)", ""]
    # The icon files are drawn beside the resource script.
    folder = os.path.dirname(os.path.abspath(path)).replace(os.sep, "/")
    lines += [f"{icon['id']} ICON {rc_string(folder + '/' + icon['file'])}" for icon in icons]
    lines += [""] if icons else []
    for dialog in dialogs:
        style = " | ".join(["WS_POPUP", "DS_SETFONT"] + [DIALOG_STYLES[s][0] for s in dialog["styles"]])
        lines += [f"{dialog['id']} DIALOGEX 0, 0, {dialog['cx']}, {dialog['cy']}",
                  f"STYLE {style}",
                  f"CAPTION {rc_string(dialog['title'])}",
                  f"FONT {dialog['points']}, {rc_string(dialog['font'])}",
                  "BEGIN"]
        for control in dialog["controls"]:
            window_class, kind_style, _ = KINDS[control["kind"]]
            # A CONTROL statement is visible unless told otherwise.
            flags = ["WS_CHILD"] + ([kind_style] if kind_style else [])
            if "hidden" in control["states"]:
                flags.append("NOT WS_VISIBLE")
            if "disabled" in control["states"]:
                flags.append("WS_DISABLED")
            if "group" in control["states"]:
                flags.append("WS_GROUP")
            if "tabstop" in control["states"]:
                flags.append("WS_TABSTOP")
            lines.append(f"    CONTROL {rc_string(control['caption'])}, {control['id']}, {rc_string(window_class)}, "
                         f"{' | '.join(flags)}, {control['x']}, {control['y']}, {control['cx']}, {control['cy']}")
        lines += ["END", ""]
    with open(path, "w", encoding="utf-8") as out:
        out.write("\n".join(lines))


def cpp_string(text):
    """A C++ narrow literal holding the UTF-8 bytes; octal escapes never run
    into the characters after them."""
    out = []
    for byte in text.encode("utf-8"):
        char = chr(byte)
        if byte >= 0x80:
            out.append(f"\\{byte:03o}")
        elif char in '"\\':
            out.append("\\" + char)
        else:
            out.append(char)
    return '"' + "".join(out) + '"'


def write_inc(dialogs, path):
    lines = ["// Generated from resources/dialogs.txt by tools/gen_dialogs.py. Do not edit."]
    for dialog in dialogs:
        lines.append(f"inline constexpr ControlTemplate kControls{dialog['id']}[] = {{")
        for control in dialog["controls"]:
            _, _, kind = KINDS[control["kind"]]
            s = control["states"]
            lines.append(f"    {{{control['id']}, ControlKind::{kind}, {cpp_string(control['caption'])}, "
                         f"{control['x']}, {control['y']}, {control['cx']}, {control['cy']}, "
                         f"{str('hidden' not in s).lower()}, {str('disabled' not in s).lower()}, "
                         f"{str('group' in s).lower()}, {str('tabstop' in s).lower()}}},")
        lines.append("};")
    lines.append("inline constexpr DialogTemplate kDialogTemplates[] = {")
    for dialog in dialogs:
        styles = " | ".join(DIALOG_STYLES[s][1] for s in dialog["styles"]) or "0"
        lines.append(f"    {{{dialog['id']}, {cpp_string(dialog['title'])}, {dialog['cx']}, {dialog['cy']}, "
                     f"{cpp_string(dialog['font'])}, {dialog['points']}, {styles}, kControls{dialog['id']}}},")
    lines.append("};")
    with open(path, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")


def write_ids(dialogs, icons, path):
    lines = ["// Generated from resources/dialogs.txt by tools/gen_dialogs.py. Do not edit.",
             "// The icons' ids, the named dialogs' template ids and their named controls' ids.",
             "#pragma once", "", "namespace dialog_ids {", ""]
    lines += [f"inline constexpr int k{icon['name']} = {icon['id']};" for icon in icons]
    for dialog in dialogs:
        if dialog["name"] is None:
            continue
        lines += ["", f"namespace {dialog['name']} {{", f"inline constexpr int kTemplate = {dialog['id']};"]
        lines += [f"inline constexpr int k{control['name']} = {control['id']};"
                  for control in dialog["controls"] if control["name"]]
        lines.append(f"}}  // namespace {dialog['name']}")
    lines += ["", "}  // namespace dialog_ids"]
    with open(path, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    dialogs, icons = parse(sys.argv[1])
    write_rc(dialogs, icons, sys.argv[2])
    write_inc(dialogs, sys.argv[3])
    write_ids(dialogs, icons, sys.argv[4])


if __name__ == "__main__":
    main()
