// The virtual document camera: a capture service that plays a scene. Its
// devices, their formats and the steps that fail come from the scene; its
// frames show the scene's desk, drawn on a streaming thread of its own at the
// scene's rate. Besides the service's operations it lets a test or a host see
// what the camera was asked to do.
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

// The error codes of the steps a scene makes fail.
namespace virtual_errors {
inline constexpr Status kCreateGraph = status::kClassNotRegistered;
inline constexpr Status kCreateGrabber = status::kClassNotRegistered;
inline constexpr Status kGrabberType = status::kInvalidMediaType;
inline constexpr Status kAddGrabber = status::kFail;
inline constexpr Status kRender = status::kCannotConnect;
inline constexpr Status kConnectedType = status::kUnexpected;
inline constexpr Status kRun = status::kFail;
inline constexpr Status kVideoWindow = status::kNoInterface;
inline constexpr Status kRefusedFormat = status::kInvalidMediaType;
}  // namespace virtual_errors

// What the graph's video window was last told.
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
  std::unique_ptr<FilterGraph> CreateGraph(Status& status) override;
  std::unique_ptr<SampleGrabber> CreateSampleGrabber(Status& status) override;
  ClientSize PreviewClientSize(const PreviewArea& preview) override;

  const Scene& GetScene() const;
  const SceneRenderer& Renderer() const;

  // Observations.
  bool IsStreaming() const;
  std::int64_t FramesDelivered() const;
  VideoWindowRecord VideoWindow() const;
  // The names of the filters in the newest graph.
  std::vector<std::string> FiltersInNewestGraph() const;
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
