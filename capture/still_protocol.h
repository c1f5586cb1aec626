// The still request between the dialog's thread and the streaming thread.
//
// The dialog asks for a still and waits; the next frame takes the request
// and processes it; the end of the processing marks the still done, which
// ends the wait. The order of the writes carries the protocol: done is
// cleared before the request is raised, the request is taken before the
// processing starts, and done is set last, so a caller that asks for the
// next still as soon as it sees done (the second still of a pair) cannot
// have its request wiped out. Each flag is an atomic word written with
// release and read with acquire; a condition variable wakes the waiter.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace capture {

class StillProtocol {
 public:
  // Dialog thread: clears done, then raises the request.
  void Request();
  // Dialog thread: waits until the still is done or `limit` has passed.
  // Returns whether it is done. A request that timed out stays raised: the
  // next frame, whenever it comes, is processed without anyone waiting.
  bool WaitDone(std::chrono::milliseconds limit);

  // Streaming thread: whether a still is wanted (the per-frame test).
  bool Requested() const { return request_.load(std::memory_order_acquire) != 0; }
  // Streaming thread: takes the request before the still is processed.
  void Take() { request_.store(0, std::memory_order_release); }
  // Streaming thread: the still is finished; the very last step of its processing.
  void MarkDone();

  bool Done() const { return done_.load(std::memory_order_acquire) != 0; }

 private:
  std::atomic<std::int32_t> request_{0};
  std::atomic<std::uint8_t> done_{0};
  std::mutex wakeMutex_;
  std::condition_variable wake_;
};

}  // namespace capture
