#include "capture/still_protocol.h"

namespace capture {

std::uint32_t StillProtocol::Request(StillParameters parameters) {
  std::lock_guard lock(mutex_);
  parameters.sequence = ++lastSequence_;
  parameters.late = false;
  raised_ = std::move(parameters);
  awaited_ = lastSequence_;
  requested_.store(true, std::memory_order_release);
  return lastSequence_;
}

bool StillProtocol::WaitDone(std::uint32_t sequence, std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  const auto finished = [this, sequence] { return done_ == sequence; };
  if (wake_.wait_for(lock, limit, finished)) return true;
  if (taken_ != sequence) {
    awaited_ = 0;
    return false;
  }
  // A frame took the still before the limit passed: its processing ends, and is waited for.
  wake_.wait(lock, finished);
  return true;
}

std::optional<StillParameters> StillProtocol::Take() {
  std::lock_guard lock(mutex_);
  std::optional<StillParameters> taken = std::move(raised_);
  raised_.reset();
  requested_.store(false, std::memory_order_release);
  if (taken) {
    taken->late = taken->sequence != awaited_;
    taken_ = taken->sequence;
  }
  return taken;
}

void StillProtocol::MarkDone(std::uint32_t sequence) {
  {
    std::lock_guard lock(mutex_);
    done_ = sequence;
  }
  wake_.notify_all();
}

bool StillProtocol::Done() const {
  std::lock_guard lock(mutex_);
  return lastSequence_ != 0 && done_ == lastSequence_;
}

}  // namespace capture
