#include <windows.h>
// windows.h first: the shell's header needs its types.
#include <shellapi.h>

#include <string>

#include "platform/shell.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

class WindowsShell final : public Shell {
 public:
  bool OpenFile(const std::string& path) override {
    if (path.empty()) return false;
    const std::wstring file = Widen(path);
    const auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
  }

  // The shell's file operation takes a list of names ended by an empty one,
  // so the path, whatever its length, is followed by two zero characters.
  bool MoveToTrash(const std::string& path) override {
    if (path.empty()) return false;
    std::wstring from = Widen(path);
    if (from.empty()) return false;
    from.push_back(L'\0');  // the string's own terminator is the second
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted &&
           GetFileAttributesW(from.c_str()) == INVALID_FILE_ATTRIBUTES;
  }
};

}  // namespace

Shell& SystemShell() {
  static WindowsShell shell;
  return shell;
}

}  // namespace platform
