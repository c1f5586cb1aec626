// The still request between the dialog's thread and the streaming thread.
//
// The dialog asks for a still with its parameters and waits; the next frame
// takes the request, parameters included, and processes it; the end of the
// processing marks the still done, which ends the wait. Each request carries
// a sequence number, and the wait ends only when the still of that number is
// done, so a still finished late can never end the wait of a newer one.
//
// Everything but the per-frame test is guarded by one mutex, whose hand-over
// orders the two sides: what the dialog wrote before asking is seen by the
// processing, and what the processing wrote is seen by the dialog once its
// wait has ended. A condition variable wakes the waiter.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

#include "capture/frame_hooks.h"

namespace capture {

class StillProtocol {
 public:
  // Dialog thread: raises the request for a still with these parameters,
  // replacing a raised request that no frame has taken. Sets and returns the
  // still's sequence number.
  std::uint32_t Request(StillParameters parameters);

  // Dialog thread: waits until still `sequence` is done or `limit` has
  // passed without a frame taking it; returns whether it is done. A still a
  // frame has taken is always waited for to its end, however long its
  // processing lasts, so that nothing the processing writes overlaps the
  // dialog's going on. A still the limit passed for is abandoned: its
  // request stays raised and the frame that takes it later hands it on
  // marked late.
  bool WaitDone(std::uint32_t sequence, std::chrono::milliseconds limit);

  // Streaming thread: whether a still is wanted (the per-frame test).
  bool Requested() const { return requested_.load(std::memory_order_acquire); }
  // Streaming thread: takes the request and its parameters before the still
  // is processed; none when no still is wanted.
  std::optional<StillParameters> Take();
  // Streaming thread: still `sequence` is finished; the very last step of its processing.
  void MarkDone(std::uint32_t sequence);

  // Whether the still asked for last is done.
  bool Done() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<bool> requested_{false};
  std::optional<StillParameters> raised_;
  std::uint32_t lastSequence_ = 0;
  std::uint32_t awaited_ = 0;  // the still the dialog waits for; 0 once it gave up
  std::uint32_t taken_ = 0;    // the still a frame took last
  std::uint32_t done_ = 0;     // the still finished last
};

}  // namespace capture
