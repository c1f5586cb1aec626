// The virtual document camera: a capture service that plays a scene. Its
// devices, their formats and the steps of a start that fail come from the
// scene; its frames show the scene's desk, drawn on a streaming thread of its
// own at the scene's rate. Besides the service's operations it lets a test or
// a host see what the camera was asked to do.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "capture/video_capture_service.h"
#include "capture/virtual/scene.h"
#include "capture/virtual/scene_renderer.h"

namespace capture {

// The error codes of the steps a scene makes fail: the platform's codes a
// real camera answers at that step.
namespace virtual_errors {
inline constexpr Status kClassNotRegistered = static_cast<Status>(0x80040154);
inline constexpr Status kCreateGraph = kClassNotRegistered;
inline constexpr Status kCreateGrabber = kClassNotRegistered;
inline constexpr Status kNoStreamConfig = static_cast<Status>(0x80004002);  // no such interface
inline constexpr Status kGrabberType = static_cast<Status>(0x80040200);     // invalid media type
inline constexpr Status kAddGrabber = status::kFail;
inline constexpr Status kRender = static_cast<Status>(0x80040217);         // cannot connect
inline constexpr Status kConnectedType = static_cast<Status>(0x8000FFFF);  // unexpected
inline constexpr Status kRun = status::kFail;
}  // namespace virtual_errors

// What the video window was last told.
struct VideoWindowRecord {
  std::optional<PreviewArea> owner;
  bool childStyle = false;
  std::optional<WindowRect> position;
  bool visible = false;
  std::optional<PreviewArea> messageDrain;
};

class VirtualCamera final : public VideoCaptureService {
 public:
  explicit VirtualCamera(Scene scene);
  ~VirtualCamera() override;

  bool ForEachDevice(const std::function<void(DeviceEntry&)>& visit) override;

  const Scene& GetScene() const;
  const SceneRenderer& Renderer() const;

  // Observations.
  bool IsStreaming() const;
  std::int64_t FramesDelivered() const;
  VideoWindowRecord VideoWindow() const;
  // How many streams were built, over every device bound.
  int StreamsBuilt() const;
  // The format the most recently bound device streams in.
  std::optional<VideoFormat> DeviceFormat() const;
  // Which device (index into the scene's devices) was bound last.
  std::optional<std::size_t> BoundDevice() const;
  int PropertySheetsShown() const;

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace capture
