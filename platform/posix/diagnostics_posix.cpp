#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/diagnostics.h"

namespace platform {

void DebugOutput(std::string_view text) {
  if (std::getenv("MERVALE_DEBUG") == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), stderr);
}

unsigned long LastErrorCode() { return static_cast<unsigned long>(errno); }

}  // namespace platform
