#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/freedesktop_trash.h"
#include "platform/shell.h"

extern char** environ;

namespace platform {
namespace {

class PosixShell final : public Shell {
 public:
  // xdg-open may wait for the program it starts, so a short-lived shell
  // starts it in the background: the caller waits only for that shell, and
  // no child is left unreaped. The path travels as an argument, never as
  // part of the command text.
  bool OpenFile(const std::string& path) override {
    if (path.empty()) return false;
    const char* argv[] = {"sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &", "sh", path.c_str(), nullptr};
    pid_t child = 0;
    if (::posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
      return false;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
      if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  bool MoveToTrash(const std::string& path) override { return MoveToFreedesktopTrash(path); }
};

}  // namespace

Shell& SystemShell() {
  static PosixShell shell;
  return shell;
}

}  // namespace platform
