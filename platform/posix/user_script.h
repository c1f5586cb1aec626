// The scripted user's script: a text of user actions, one a line, played on
// the headless host's dialogs (docs/scripted-user.md describes the language).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog.h"

namespace platform::headless {

// A control named by its id, or by its caption when `caption` is set.
struct ControlName {
  int id = 0;
  std::optional<std::string> caption;
};

enum class UserAction {
  Click,
  Command,  // a command with no control behind it: the close box is command 2
  Select,
  Type,
  Focus,
  Drag,
  Move,
  ButtonDown,
  ButtonUp,
  Space,
  Key,
  Wait,
  Answer,
};

struct UserStep {
  int line = 0;
  UserAction action = UserAction::Wait;
  std::optional<int> dialog;  // the template of the open dialog addressed; else the newest dialog
  ControlName control;        // Click, Select, Type, Focus
  std::string text;           // Select by text, Type
  std::optional<int> index;   // Select by position
  Point from;                 // Drag
  Point to;                   // Drag, Move, ButtonDown, ButtonUp
  unsigned keys = 0;          // kMouse... flags of the mouse actions
  unsigned number = 0;        // Command: the id; Key: the virtual key; Wait: milliseconds; Answer: the button
};

struct UserScript {
  std::vector<UserStep> steps;
};

struct ScriptError {
  int line = 0;
  std::string message;
};

// The script in `text`; on the first error, false with its line and reason.
bool ParseUserScript(std::string_view text, UserScript& script, ScriptError& error);

// Plays `script` on the host's dialogs from the next turn of the loop, with
// the host's manual clock (tests); MERVALE_USER_SCRIPT plays in real time.
void PlayUserScript(UserScript script);

}  // namespace platform::headless
