// A program of the test run in a process of its own, its standard output
// and error collected while it runs, so the test can work its windows meanwhile.
#pragma once

#include <windows.h>

#include <string>
#include <thread>

namespace wine_desktop {

class ChildProcess {
 public:
  // Starts `commandLine`; Started() tells whether it runs.
  explicit ChildProcess(std::wstring commandLine);
  // Waits for the process and its output (killing it after a minute).
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return process_ != nullptr; }
  // Waits up to `milliseconds` for the process to end; its exit code, or -1
  // when it is still running (it is then ended).
  int Wait(DWORD milliseconds);
  // What the process wrote; complete once Wait returned.
  const std::string& Output() const { return output_; }

 private:
  HANDLE process_ = nullptr;
  HANDLE readPipe_ = nullptr;
  std::string output_;
  std::thread reader_;
  int exitCode_ = -1;
  bool waited_ = false;
};

}  // namespace wine_desktop
