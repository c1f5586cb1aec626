// The scripted user: plays a user script's steps on the host's dialogs, a
// few at each turn of the application's loop, pausing on `wait` steps for
// that much of the host's clock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/posix/user_script.h"

namespace platform::headless {

class ScriptedUser {
 public:
  ScriptedUser(UserScript script, std::uint64_t startTime) : script_(std::move(script)), resumeAt_(startTime) {}

  bool HasSteps() const { return next_ < script_.steps.size(); }
  // Milliseconds of the clock until the next step is due (0 when it is due now).
  std::uint64_t TimeToNextStep(std::uint64_t now) const { return resumeAt_ > now ? resumeAt_ - now : 0; }
  // Plays what is due in one turn: `wait` and `answer` steps, and at most one
  // step that acts on a dialog, so the application sees what each click did.
  void PlayDueSteps();

 private:
  void Act(const UserStep& step);

  UserScript script_;
  std::size_t next_ = 0;
  std::uint64_t resumeAt_;
};

// The script in the file at `path`; a file that cannot be read or has an
// error is reported on standard error with its line, and nothing is played.
std::optional<UserScript> LoadUserScript(const char* path);

}  // namespace platform::headless
