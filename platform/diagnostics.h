// The platform's diagnostic output and last error code.
#pragma once

#include <string_view>

namespace platform {

// OutputDebugString on Windows; on Linux standard error, but only when the
// environment variable MERVALE_DEBUG is set, so applications stay quiet.
void DebugOutput(std::string_view text);

// GetLastError on Windows, errno on Linux.
unsigned long LastErrorCode();

}  // namespace platform
