#include "twain/idle_pump.h"

#include <utility>

namespace twain {

IdlePump::IdlePump(std::function<void()> turn) : turn_(std::move(turn)), thread_([this] { Run(); }) {}

IdlePump::~IdlePump() {
  RequestStop();
  if (thread_.joinable()) thread_.join();
}

void IdlePump::Run() {
  const auto start = std::chrono::steady_clock::now();
  while (!stop_.load(std::memory_order_acquire)) {
    std::this_thread::sleep_for(kInterval);
    if (eventSeen_.load(std::memory_order_acquire) || stop_.load(std::memory_order_acquire)) continue;
    if (std::chrono::steady_clock::now() - start < kGrace) continue;
    turn_();
  }
}

}  // namespace twain
