#include "capture/virtual/frame_stream.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace capture {

FrameStream::~FrameStream() {
  Stop();
  std::lock_guard lock(mutex_);
  // Only a stream stopped by its own delivery is still joinable here, when
  // that delivery is the one destroying it: the thread ends on its own.
  if (thread_.joinable()) thread_.detach();
}

bool FrameStream::Start(const Scene& scene, const SceneRenderer& renderer, std::int32_t width, std::int32_t height,
                        FrameSink& sink) {
  std::thread ending;
  {
    std::lock_guard lock(mutex_);
    if (thread_.joinable()) {
      {
        std::lock_guard runLock(run_->mutex);
        if (!run_->stopRequested && !run_->ended) return false;  // it streams
      }
      if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();  // a delivery restarting its own stream: its thread ends once it returns
      } else {
        ending = std::move(thread_);
      }
    }
  }
  // A stream that was stopped by its own delivery, or ended, has ended or is about to.
  if (ending.joinable()) ending.join();

  std::lock_guard lock(mutex_);
  if (thread_.joinable()) return false;  // another thread started one meanwhile
  auto run = std::make_shared<Run>();
  run_ = run;
  sink_ = &sink;
  running_->fetch_add(1);
  thread_ = std::thread([run, running = running_, &scene, &renderer, width, height, &sink] {
    sink.OnStreamingThread([&] { Play(*run, scene, renderer, width, height, sink); });
    {
      std::lock_guard runLock(run->mutex);
      run->ended = true;
    }
    running->fetch_sub(1);
  });
  return true;
}

void FrameStream::AskToStop(Run& run) {
  {
    std::lock_guard lock(run.mutex);
    run.stopRequested = true;
  }
  run.wake.notify_all();
}

void FrameStream::Stop() {
  std::thread ending;
  std::shared_ptr<Run> run;
  FrameSink* sink = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) return;
    run = run_;
    sink = sink_;
    if (thread_.get_id() == std::this_thread::get_id()) {
      AskToStop(*run);  // the thread ends once this delivery returns
      return;
    }
    ending = std::move(thread_);
  }
  AskToStop(*run);
  sink->Interrupt();
  ending.join();
}

// Frames at the scene's rate. A slow frame does not make the next ones come
// in a burst: each is due one period after the previous one was due, or now
// when that has passed.
void FrameStream::Play(Run& run, const Scene& scene, const SceneRenderer& renderer, std::int32_t width,
                       std::int32_t height, FrameSink& sink) {
  using Clock = std::chrono::steady_clock;
  const auto period =
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / scene.framesPerSecond));
  std::vector<std::uint8_t> frame;
  std::optional<DeskState> drawn;
  auto due = Clock::now();
  for (std::int64_t index = 0;; ++index) {
    {
      std::unique_lock lock(run.mutex);
      if (run.wake.wait_until(lock, due, [&run] { return run.stopRequested; })) return;
    }
    DeskState desk = DeskAt(scene, index);
    if (!drawn || desk != *drawn) {
      renderer.Render(desk, width, height, frame);
      drawn = std::move(desk);
    }
    if (!sink.Deliver({index, static_cast<double>(index) / scene.framesPerSecond, frame})) return;
    due = std::max(due + period, Clock::now());
  }
}

}  // namespace capture
