#include "capture/still_protocol.h"

namespace capture {

void StillProtocol::Request() {
  done_.store(0, std::memory_order_release);
  request_.store(1, std::memory_order_release);
}

bool StillProtocol::WaitDone(std::chrono::milliseconds limit) {
  std::unique_lock lock(wakeMutex_);
  return wake_.wait_for(lock, limit, [this] { return Done(); });
}

void StillProtocol::MarkDone() {
  {
    // Set under the waiter's mutex, so that the wake-up cannot fall between
    // its test of the flag and its sleep.
    std::lock_guard lock(wakeMutex_);
    done_.store(1, std::memory_order_release);
  }
  wake_.notify_all();
}

}  // namespace capture
