// Splits the rows of an operation between the calling thread and one more,
// for the large pictures of a still on a processor with a second core.
// Internal to imaging/.
#pragma once

#include <cstddef>
#include <system_error>
#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

namespace imaging::detail {

// The processors this process may run on: its affinity where the system
// tells it (a process held to one core has one, however many the machine
// has), else the processor's count.
inline unsigned UsableCores() {
#if defined(__linux__)
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) return static_cast<unsigned>(CPU_COUNT(&allowed));
#endif
  return std::thread::hardware_concurrency();
}

// Below this many pixels a second thread costs more to start than it saves.
inline constexpr std::size_t kSplitPixels = std::size_t{1} << 20;

// Calls rows(begin, end) to cover rows [0, height) once: as two halves on
// two threads when the process may use more than one core and the picture has
// kSplitPixels or more, else whole on this thread (also when no thread can
// be started). The halves must not touch each other's output.
template <class Rows>
void SplitRows(int height, std::size_t pixels, const Rows& rows) {
  if (pixels < kSplitPixels || height < 2 || UsableCores() < 2) {
    rows(0, height);
    return;
  }
  const int middle = height / 2;
  std::thread upper;
  try {
    upper = std::thread([&rows, middle, height] { rows(middle, height); });
  } catch (const std::system_error&) {
    rows(0, height);
    return;
  }
  rows(0, middle);
  upper.join();
}

}  // namespace imaging::detail
