// The system shell's actions on a file: open it with the user's default
// program, or move it to the user's trash where it can be restored.
#pragma once

#include <string>

namespace platform {

class Shell {
 public:
  virtual ~Shell() = default;
  // Starts the default program for the file and returns without waiting for
  // it. False when the action could not be started.
  virtual bool OpenFile(const std::string& path) = 0;
  // Moves the file to the trash. False, with the file left where it was,
  // when it could not be moved.
  virtual bool MoveToTrash(const std::string& path) = 0;
};

// Windows: the shell's "open" verb and its recycle bin. Linux: xdg-open and
// the freedesktop trash.
Shell& SystemShell();

}  // namespace platform
