// The frame pacing of the virtual document camera, shared by the camera the
// tests and the demo use and by the DirectShow camera filter: a thread of
// its own that plays a scene at the scene's rate, each frame the desk the
// scene shows at that frame's index (drawn only when it differs from the
// frame before), handed to a sink.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "capture/virtual/scene.h"
#include "capture/virtual/scene_renderer.h"

namespace capture {

// One frame of a stream: its index from the start of the stream, its time
// in seconds from that start, and its pixels (a 24-bit frame of the
// stream's size, rows bottom-up).
struct PacedFrame {
  std::int64_t index = 0;
  double seconds = 0;
  const std::vector<std::uint8_t>& pixels;
};

// Where a stream's frames go.
class FrameSink {
 public:
  // On the streaming thread: runs `play`, which delivers every frame until
  // the stream stops; a sink may prepare the thread around it.
  virtual void OnStreamingThread(const std::function<void()>& play) { play(); }
  // On the streaming thread, one frame at a time. False ends the stream, as
  // a camera that is unplugged.
  virtual bool Deliver(const PacedFrame& frame) = 0;
  // On the thread that stops the stream, after the stop was asked and before
  // it waits: releases a delivery that is blocked.
  virtual void Interrupt() {}

 protected:
  ~FrameSink() = default;
};

class FrameStream {
 public:
  FrameStream() = default;
  ~FrameStream();
  FrameStream(const FrameStream&) = delete;
  FrameStream& operator=(const FrameStream&) = delete;

  // Starts delivering frames of `width` x `height` to `sink`, unless a
  // stream runs (not ended, and no stop asked); true when it started one. The scene,
  // the renderer and the sink must stay until the stream has stopped.
  bool Start(const Scene& scene, const SceneRenderer& renderer, std::int32_t width, std::int32_t height,
             FrameSink& sink);
  // Stops the stream: asks the thread to end, lets the sink release a
  // blocked delivery, and returns once the thread has ended, so that no frame
  // is delivered any more. A delivery that stops its own stream cannot wait
  // for its own end; it only asks, its thread ends once that delivery
  // returns, and the next Start or Stop from another thread waits for that.
  void Stop();
  // Whether a stream's thread is delivering frames (or about to end).
  bool Streaming() const { return running_->load() > 0; }

 private:
  // What one stream and the thread that plays it share.
  struct Run {
    std::mutex mutex;
    std::condition_variable wake;
    bool stopRequested = false;
    bool ended = false;  // the thread has delivered its last frame
  };

  static void Play(Run& run, const Scene& scene, const SceneRenderer& renderer, std::int32_t width, std::int32_t height,
                   FrameSink& sink);
  static void AskToStop(Run& run);

  std::mutex mutex_;  // the fields below
  std::thread thread_;
  std::shared_ptr<Run> run_;
  FrameSink* sink_ = nullptr;
  // Shared with the threads, so that one left to end on its own counts itself out.
  std::shared_ptr<std::atomic<int>> running_ = std::make_shared<std::atomic<int>>(0);
};

}  // namespace capture
