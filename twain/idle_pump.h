// Turns of the dialogs for an application that passes no events. On Linux,
// TWAIN applications that work through callbacks never send DAT_EVENT, so
// the headless dialog host, its timers and a scripted user would never move.
// The pump runs a turn every few milliseconds on a thread of its own until
// the application shows that it passes events itself (then it does nothing
// more) or the source is disabled.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace twain {

class IdlePump {
 public:
  // `turn` runs on the pump's thread; it must itself take whatever lock
  // serialises it with the application's calls, and give up when it cannot.
  explicit IdlePump(std::function<void()> turn);
  // Stops and joins; never call it on the pump's own thread (see IsPumpThread).
  ~IdlePump();
  IdlePump(const IdlePump&) = delete;
  IdlePump& operator=(const IdlePump&) = delete;

  // The application passed an event: it pumps, and the pump stays idle.
  void EventSeen() { eventSeen_.store(true, std::memory_order_release); }
  void RequestStop() { stop_.store(true, std::memory_order_release); }
  bool IsPumpThread() const { return std::this_thread::get_id() == thread_.get_id(); }

  // How long the pump waits for a first event before it starts turning, and
  // the time between turns.
  static constexpr std::chrono::milliseconds kGrace{300};
  static constexpr std::chrono::milliseconds kInterval{10};

 private:
  void Run();

  std::function<void()> turn_;
  std::atomic<bool> eventSeen_{false};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace twain
