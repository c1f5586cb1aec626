// The guard of every function that C code calls into: DS_Entry, window and
// hook procedures, the camera's frame callback and streaming thread. A C++
// exception unwinding into a C caller ends the application's process, so
// each such function runs its body here and turns a failure into the
// platform's own failure answer.
#pragma once

#include <exception>

namespace platform {

// Runs `body` and returns its result; when it throws, returns
// `failed(description)` instead. `failed` must not throw itself: it runs
// where nothing could catch it any more.
template <typename Body, typename Failed>
auto GuardCBoundary(Body&& body, Failed&& failed) noexcept -> decltype(body()) {
  try {
    return body();
  } catch (const std::exception& error) {
    return failed(error.what());
  } catch (...) {
    return failed("unknown exception");
  }
}

}  // namespace platform
