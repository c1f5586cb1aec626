#include "platform/posix/scripted_user.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/posix/headless_host_internal.h"

namespace platform::headless {
namespace {

void Report(const UserStep& step, const std::string& problem) {
  std::fprintf(stderr, "scripted user: line %d: %s\n", step.line, problem.c_str());
}

std::string Describe(const ControlName& control) {
  return control.caption ? "control \"" + *control.caption + "\"" : "control " + std::to_string(control.id);
}

// The id of the control the step names, in `dialog`.
std::optional<int> Resolve(const Dialog& dialog, const ControlName& control) {
  if (!control.caption) return control.id;
  return dialog.FindItemByCaption(*control.caption);
}

}  // namespace

void ScriptedUser::PlayDueSteps() {
  Host& host = Host::Get();
  while (HasSteps() && host.Now() >= resumeAt_) {
    // The step is taken before it plays: a modal dialog it opens plays the steps after it.
    const UserStep step = script_.steps[next_++];
    if (step.action == UserAction::Wait) {
      resumeAt_ = host.Now() + step.number;
    } else if (step.action == UserAction::Answer) {
      host.QueueAnswer(static_cast<int>(step.number));
    } else {
      Act(step);
      return;
    }
  }
}

void ScriptedUser::Act(const UserStep& step) {
  Dialog* dialog = step.dialog ? FindDialog(*step.dialog) : UserDialog();
  if (dialog == nullptr) {
    Report(step, step.dialog ? "no dialog " + std::to_string(*step.dialog) + " is open" : "no dialog is open");
    return;
  }
  std::optional<int> id;
  switch (step.action) {
    case UserAction::Click:
    case UserAction::Select:
    case UserAction::Type:
    case UserAction::Focus:
      id = Resolve(*dialog, step.control);
      if (!id) {
        Report(step, "the dialog has no " + Describe(step.control));
        return;
      }
      break;
    default:
      break;
  }
  bool done = true;
  switch (step.action) {
    case UserAction::Click:
      done = dialog->Click(*id);
      break;
    case UserAction::Select:
      done = step.index ? dialog->SelectEntry(*id, *step.index) : dialog->SelectEntry(*id, step.text);
      break;
    case UserAction::Type:
      done = dialog->Type(*id, step.text);
      break;
    case UserAction::Focus:
      done = dialog->Focus(*id);
      break;
    case UserAction::Command:
      dialog->SendCommand(static_cast<int>(step.number));
      break;
    case UserAction::Drag:
      dialog->Drag(step.from, step.to, step.keys);
      break;
    case UserAction::Move:
      dialog->MouseMove(step.to, step.keys);
      break;
    case UserAction::ButtonDown:
      dialog->LeftButtonDown(step.to, step.keys);
      break;
    case UserAction::ButtonUp:
      dialog->LeftButtonUp(step.to, step.keys);
      break;
    case UserAction::Space:
      dialog->PressSpace();
      break;
    case UserAction::Key:
      dialog->KeyDown(step.number);
      break;
    case UserAction::Wait:
    case UserAction::Answer:
      break;
  }
  if (!done) Report(step, Describe(step.control) + " is missing, hidden or disabled, or has no such entry");
}

std::optional<UserScript> LoadUserScript(const char* path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "scripted user: cannot read %s; no user plays\n", path);
    return std::nullopt;
  }
  std::ostringstream text;
  text << file.rdbuf();
  UserScript script;
  ScriptError error;
  if (!ParseUserScript(text.str(), script, error)) {
    std::fprintf(stderr, "scripted user: %s: line %d: %s; no user plays\n", path, error.line, error.message.c_str());
    return std::nullopt;
  }
  return script;
}

}  // namespace platform::headless
