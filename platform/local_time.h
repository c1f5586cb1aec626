// The local date and time now, as the trace and the watermark print it.
#pragma once

#include <ctime>

namespace platform {

inline std::tm LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#if defined(_WIN32)
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return local;
}

}  // namespace platform
