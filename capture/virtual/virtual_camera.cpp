#include "capture/virtual/virtual_camera.h"

#include <algorithm>
#include <cstdlib>

#include "capture/virtual/frame_stream.h"

namespace capture {

// What every object of the camera shares: the scene and what a test may observe.
struct VirtualCamera::Shared {
  explicit Shared(Scene playedScene) : scene(std::make_shared<const Scene>(std::move(playedScene))), renderer(scene) {}

  std::shared_ptr<const Scene> scene;
  SceneRenderer renderer;

  std::atomic<std::int64_t> framesDelivered{0};
  std::atomic<int> streamsBuilt{0};
  std::atomic<int> streams{0};  // streaming threads that have not ended

  mutable std::mutex mutex;
  VideoWindowRecord window;
  std::optional<VideoFormat> deviceFormat;
  std::optional<std::size_t> boundDevice;
  int propertySheets = 0;
};

namespace {

using Shared = VirtualCamera::Shared;

// A scene's device: one capture pin carrying video, which streams in its
// current format and reports the scene's formats as its capabilities.
class VirtualDevice final : public CaptureDevice, private FrameSink {
 public:
  VirtualDevice(std::shared_ptr<Shared> shared, std::size_t index)
      : shared_(std::move(shared)), format_(shared_->scene->InitialFormat()) {
    std::lock_guard lock(shared_->mutex);
    shared_->deviceFormat = format_;
    shared_->boundDevice = index;
  }
  ~VirtualDevice() override { Stop(); }

  std::optional<StartFailure> Start(const StartRequest& request) override {
    if (!built_) {
      if (const std::optional<StartFailure> failure = Build(request)) return failure;
    }
    if (Fails(FailingStep::Run)) return StartFailure{StartStep::Run, virtual_errors::kRun};
    // Counted from here, so that a running camera is seen streaming at once;
    // the thread counts itself out when it ends.
    shared_->streams.fetch_add(1);
    if (!stream_.Start(*shared_->scene, shared_->renderer, connectedWidth_, connectedHeight_, *this)) {
      shared_->streams.fetch_sub(1);  // it streams already
    }
    return std::nullopt;
  }

  void Stop() override {
    stream_.Stop();
    if (!built_) return;
    built_ = false;
    frames_.store(nullptr, std::memory_order_release);
    std::lock_guard lock(shared_->mutex);
    shared_->window.visible = false;
    shared_->window.owner.reset();
  }

  std::optional<std::vector<VideoFormat>> Formats() override {
    if (Fails(FailingStep::StreamConfig)) return std::nullopt;
    return shared_->scene->formats;
  }

  bool ShowPropertySheet(platform::WindowHandle) override {
    if (Fails(FailingStep::PropertyPages)) return false;
    std::lock_guard lock(shared_->mutex);
    ++shared_->propertySheets;
    return true;
  }

 private:
  bool Fails(FailingStep step) const { return shared_->scene->Fails(step); }

  // The steps of a start in their order; the scene decides which one fails.
  std::optional<StartFailure> Build(const StartRequest& request) {
    if (Fails(FailingStep::CreateGraph)) return StartFailure{StartStep::Interfaces, virtual_errors::kCreateGraph};
    if (Fails(FailingStep::CreateGrabber)) return StartFailure{StartStep::Grabber, virtual_errors::kCreateGrabber};
    if (Fails(FailingStep::StreamConfig)) return StartFailure{StartStep::StreamConfig, virtual_errors::kNoStreamConfig};
    const Scene& scene = *shared_->scene;
    // The choice of the largest format understands capability records of the standard size only.
    constexpr int kStandardRecordSize = 128;
    const std::vector<VideoFormat> offered =
        scene.capabilityRecordSize == kStandardRecordSize ? scene.formats : std::vector<VideoFormat>{};
    if (request.chooseFormat) Apply(request.chooseFormat(format_, offered));
    if (Fails(FailingStep::GrabberType)) return StartFailure{StartStep::GrabberType, virtual_errors::kGrabberType};
    if (Fails(FailingStep::AddGrabber)) return StartFailure{StartStep::AddGrabber, virtual_errors::kAddGrabber};
    // Without a preview pin the capture pin is connected; only a scene that
    // fails both leaves the camera unconnected.
    if (Fails(FailingStep::Render)) return StartFailure{StartStep::Connect, virtual_errors::kRender};
    if (Fails(FailingStep::ConnectedType)) {
      return StartFailure{StartStep::ConnectedType, virtual_errors::kConnectedType};
    }
    connectedWidth_ = format_.width;
    connectedHeight_ = std::abs(format_.height);
    if (request.connected) request.connected(connectedWidth_, connectedHeight_);
    frames_.store(request.frames, std::memory_order_release);
    PlaceVideo(request.preview);
    built_ = true;
    shared_->streamsBuilt.fetch_add(1);
    return std::nullopt;
  }

  // A format the scene refuses, or one without a size, leaves the device in its own.
  void Apply(const VideoFormat& wanted) {
    const auto& refused = shared_->scene->refusedSizes;
    if (std::find(refused.begin(), refused.end(), std::pair{wanted.width, wanted.height}) != refused.end() ||
        wanted.width <= 0 || wanted.height == 0) {
      return;
    }
    format_.width = wanted.width;
    format_.height = wanted.height;
    format_.bitRate = wanted.bitRate;
    format_.subtype = wanted.subtype;
    std::lock_guard lock(shared_->mutex);
    shared_->deviceFormat = format_;
  }

  // A video window that cannot be owned by the preview control stays unplaced and hidden.
  void PlaceVideo(const PreviewArea& preview) {
    std::lock_guard lock(shared_->mutex);
    VideoWindowRecord& window = shared_->window;
    if (Fails(FailingStep::VideoWindow)) return;
    window.owner = preview;
    window.childStyle = true;
    window.position = FitVideo(shared_->scene->preview, connectedWidth_, connectedHeight_);
    window.visible = true;
    window.messageDrain = preview;
  }

  void OnStreamingThread(const std::function<void()>& play) override {
    play();
    shared_->streams.fetch_sub(1);
  }

  bool Deliver(const PacedFrame& frame) override {
    if (FrameCallback* callback = frames_.load(std::memory_order_acquire)) {
      callback->BufferCB(frame.seconds, frame.pixels.data(), static_cast<long>(frame.pixels.size()));
    }
    shared_->framesDelivered.fetch_add(1);
    return true;
  }

  std::shared_ptr<Shared> shared_;
  VideoFormat format_;
  bool built_ = false;
  std::int32_t connectedWidth_ = 0;
  std::int32_t connectedHeight_ = 0;
  std::atomic<FrameCallback*> frames_{nullptr};
  FrameStream stream_;  // last: stops before the rest goes
};

class VirtualDeviceEntry final : public DeviceEntry {
 public:
  VirtualDeviceEntry(std::shared_ptr<Shared> shared, std::size_t index) : shared_(std::move(shared)), index_(index) {
    const SceneDevice& device = shared_->scene->devices[index];
    friendlyName = device.friendlyName;
    devicePath = device.devicePath;
  }

  std::shared_ptr<CaptureDevice> Bind() override {
    if (shared_->scene->Fails(FailingStep::Bind)) return nullptr;
    return std::make_shared<VirtualDevice>(shared_, index_);
  }

 private:
  std::shared_ptr<Shared> shared_;
  std::size_t index_;
};

}  // namespace

VirtualCamera::VirtualCamera(Scene scene) : shared_(std::make_shared<Shared>(std::move(scene))) {}

VirtualCamera::~VirtualCamera() = default;

bool VirtualCamera::ForEachDevice(const std::function<void(DeviceEntry&)>& visit) {
  const std::size_t count = shared_->scene->devices.size();
  if (count == 0) return false;
  for (std::size_t i = 0; i < count; ++i) {
    VirtualDeviceEntry entry(shared_, i);
    visit(entry);
  }
  return true;
}

const Scene& VirtualCamera::GetScene() const { return *shared_->scene; }
const SceneRenderer& VirtualCamera::Renderer() const { return shared_->renderer; }

bool VirtualCamera::IsStreaming() const { return shared_->streams.load() > 0; }

std::int64_t VirtualCamera::FramesDelivered() const { return shared_->framesDelivered.load(); }

VideoWindowRecord VirtualCamera::VideoWindow() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->window;
}

int VirtualCamera::StreamsBuilt() const { return shared_->streamsBuilt.load(); }

std::optional<VideoFormat> VirtualCamera::DeviceFormat() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->deviceFormat;
}

std::optional<std::size_t> VirtualCamera::BoundDevice() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->boundDevice;
}

int VirtualCamera::PropertySheetsShown() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->propertySheets;
}

}  // namespace capture
