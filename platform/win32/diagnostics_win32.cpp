#include <windows.h>

#include <string>

#include "platform/diagnostics.h"

namespace platform {

void DebugOutput(std::string_view text) { OutputDebugStringA(std::string(text).c_str()); }

unsigned long LastErrorCode() { return GetLastError(); }

}  // namespace platform
