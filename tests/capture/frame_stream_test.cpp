// The virtual cameras' frame pacing: frames of the scene in order until the
// stream is stopped, also when a delivery stops its own stream.
#include "capture/virtual/frame_stream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "camera_fixture.h"

namespace capture {
namespace {

class RecordingSink final : public FrameSink {
 public:
  bool Deliver(const PacedFrame& frame) override {
    std::lock_guard lock(mutex);
    indices.push_back(frame.index);
    seconds.push_back(frame.seconds);
    sizes.push_back(frame.pixels.size());
    if (onFrame) onFrame(frame);
    return keepGoing;
  }
  void Interrupt() override { interrupts.fetch_add(1); }

  std::size_t Count() {
    std::lock_guard lock(mutex);
    return indices.size();
  }

  std::mutex mutex;
  std::vector<std::int64_t> indices;
  std::vector<double> seconds;
  std::vector<std::size_t> sizes;
  std::function<void(const PacedFrame&)> onFrame;
  bool keepGoing = true;
  std::atomic<int> interrupts{0};
};

class FrameStreamTest : public ::testing::Test {
 protected:
  std::shared_ptr<const Scene> scene = std::make_shared<const Scene>(SceneOf("rate 100\n"));
  SceneRenderer renderer{scene};
  RecordingSink sink;
};

TEST_F(FrameStreamTest, DeliversNumberedFramesOfItsSizeUntilStopped) {
  FrameStream stream;
  EXPECT_TRUE(stream.Start(*scene, renderer, 33, 20, sink));
  EXPECT_FALSE(stream.Start(*scene, renderer, 33, 20, sink)) << "a running stream is not started twice";
  ASSERT_TRUE(WaitFor([&] { return sink.Count() >= 4; }));
  stream.Stop();
  EXPECT_FALSE(stream.Streaming());
  EXPECT_EQ(sink.interrupts.load(), 1);

  std::lock_guard lock(sink.mutex);
  for (std::size_t i = 0; i < sink.indices.size(); ++i) {
    EXPECT_EQ(sink.indices[i], static_cast<std::int64_t>(i));
    EXPECT_DOUBLE_EQ(sink.seconds[i], static_cast<double>(i) / 100);
    EXPECT_EQ(sink.sizes[i], FrameStride(33) * 20);
  }
}

TEST_F(FrameStreamTest, ASinkThatRefusesAFrameEndsTheStream) {
  sink.keepGoing = false;
  FrameStream stream;
  stream.Start(*scene, renderer, 8, 8, sink);
  ASSERT_TRUE(WaitFor([&] { return !stream.Streaming(); }));
  EXPECT_EQ(sink.Count(), 1u);
  // Ended on its own, it starts again.
  sink.keepGoing = true;
  EXPECT_TRUE(stream.Start(*scene, renderer, 8, 8, sink));
  EXPECT_TRUE(WaitFor([&] { return sink.Count() >= 3; }));
}

TEST_F(FrameStreamTest, AStreamStoppedByItsOwnDeliveryStartsAgain) {
  FrameStream stream;
  std::atomic<bool> stopOnce{true};
  sink.onFrame = [&](const PacedFrame&) {
    if (stopOnce.exchange(false)) stream.Stop();
  };
  stream.Start(*scene, renderer, 8, 8, sink);
  ASSERT_TRUE(WaitFor([&] { return !stream.Streaming(); }));
  EXPECT_EQ(sink.Count(), 1u);

  EXPECT_TRUE(stream.Start(*scene, renderer, 8, 8, sink));
  EXPECT_TRUE(WaitFor([&] { return sink.Count() >= 3; }));
  stream.Stop();
  EXPECT_FALSE(stream.Streaming());
}

TEST_F(FrameStreamTest, AStopAfterASelfStopAndTheEndOfTheStreamObjectReturn) {
  auto stream = std::make_unique<FrameStream>();
  sink.onFrame = [&](const PacedFrame&) { stream->Stop(); };
  stream->Start(*scene, renderer, 8, 8, sink);
  ASSERT_TRUE(WaitFor([&] { return sink.Count() >= 1; }));
  stream->Stop();  // waits for the thread that stopped itself
  EXPECT_FALSE(stream->Streaming());
  stream.reset();
  EXPECT_EQ(sink.Count(), 1u);
}

}  // namespace
}  // namespace capture
