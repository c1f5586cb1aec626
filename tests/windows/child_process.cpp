#include "child_process.h"

namespace wine_desktop {

ChildProcess::ChildProcess(std::wstring commandLine) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE writePipe = nullptr;
  if (!CreatePipe(&readPipe_, &writePipe, &inherit, 0)) return;
  SetHandleInformation(readPipe_, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = writePipe;
  PROCESS_INFORMATION process{};
  const BOOL created =
      CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  // Only the child holds the write end now: reading ends when the child does.
  CloseHandle(writePipe);
  if (!created) return;
  CloseHandle(process.hThread);
  process_ = process.hProcess;
  reader_ = std::thread([this] {
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(readPipe_, buffer, sizeof buffer, &got, nullptr) && got > 0) output_.append(buffer, got);
  });
}

ChildProcess::~ChildProcess() {
  if (process_ != nullptr && !waited_) Wait(60000);
  if (reader_.joinable()) reader_.join();
  if (process_ != nullptr) CloseHandle(process_);
  if (readPipe_ != nullptr) CloseHandle(readPipe_);
}

int ChildProcess::Wait(DWORD milliseconds) {
  if (process_ == nullptr) return -1;
  if (waited_) return exitCode_;
  waited_ = true;
  if (WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, INFINITE);
    exitCode_ = -1;
  } else {
    DWORD code = 1;
    GetExitCodeProcess(process_, &code);
    exitCode_ = static_cast<int>(code);
  }
  if (reader_.joinable()) reader_.join();
  return exitCode_;
}

}  // namespace wine_desktop
