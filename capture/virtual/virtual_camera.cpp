#include "capture/virtual/virtual_camera.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <thread>

namespace capture {

// What every object of the camera shares: the scene and what a test may observe.
struct VirtualCamera::Shared {
  explicit Shared(Scene playedScene) : scene(std::make_shared<const Scene>(std::move(playedScene))), renderer(scene) {}

  std::shared_ptr<const Scene> scene;
  SceneRenderer renderer;

  std::atomic<std::int64_t> framesDelivered{0};
  std::atomic<int> streams{0};

  mutable std::mutex mutex;
  VideoWindowRecord window;
  std::vector<std::string> newestGraphFilters;
  std::optional<VideoFormat> deviceFormat;
  std::optional<std::size_t> boundDevice;
  int propertySheets = 0;
};

namespace {

using Shared = VirtualCamera::Shared;

class VirtualDevice final : public CaptureDevice, public std::enable_shared_from_this<VirtualDevice> {
 public:
  VirtualDevice(std::shared_ptr<Shared> shared, std::size_t index)
      : shared_(std::move(shared)), index_(index), format_(shared_->scene->InitialFormat()) {
    std::lock_guard lock(shared_->mutex);
    shared_->deviceFormat = format_;
    shared_->boundDevice = index_;
  }

  bool ShowPropertySheet(platform::WindowHandle) override {
    if (shared_->scene->Fails(FailingStep::PropertyPages)) return false;
    std::lock_guard lock(shared_->mutex);
    ++shared_->propertySheets;
    return true;
  }

  const VideoFormat& Format() const { return format_; }

  Status Apply(const VideoFormat& wanted) {
    const auto& refused = shared_->scene->refusedSizes;
    if (std::find(refused.begin(), refused.end(), std::pair{wanted.width, wanted.height}) != refused.end() ||
        wanted.width <= 0 || wanted.height == 0) {
      return virtual_errors::kRefusedFormat;
    }
    format_.width = wanted.width;
    format_.height = wanted.height;
    format_.bitRate = wanted.bitRate;
    format_.subtype = wanted.subtype;
    std::lock_guard lock(shared_->mutex);
    shared_->deviceFormat = format_;
    return status::kOk;
  }

 private:
  std::shared_ptr<Shared> shared_;
  std::size_t index_;
  VideoFormat format_;
};

class VirtualStreamConfig final : public StreamConfig {
 public:
  VirtualStreamConfig(std::shared_ptr<Shared> shared, std::shared_ptr<VirtualDevice> device)
      : shared_(std::move(shared)), device_(std::move(device)) {}

  Status GetFormat(VideoFormat& format) override {
    format = device_->Format();
    return status::kOk;
  }
  Status SetFormat(const VideoFormat& format) override { return device_->Apply(format); }
  Status GetNumberOfCapabilities(int& count, int& recordSize) override {
    count = static_cast<int>(shared_->scene->formats.size());
    recordSize = shared_->scene->capabilityRecordSize;
    return status::kOk;
  }
  Status GetStreamCaps(int index, VideoFormat& format) override {
    const auto& formats = shared_->scene->formats;
    if (index < 0 || static_cast<std::size_t>(index) >= formats.size()) return status::kFalse;
    format = formats[static_cast<std::size_t>(index)];
    return status::kOk;
  }

 private:
  std::shared_ptr<Shared> shared_;
  std::shared_ptr<VirtualDevice> device_;
};

struct GrabberState {
  bool rgb24 = false;
  bool inGraph = false;
  std::optional<std::pair<std::int32_t, std::int32_t>> connectedSize;
  std::atomic<FrameCallback*> callback{nullptr};
};

class VirtualGrabber final : public SampleGrabber {
 public:
  explicit VirtualGrabber(std::shared_ptr<Shared> shared)
      : shared_(std::move(shared)), state_(std::make_shared<GrabberState>()) {}

  Status SetMediaTypeRgb24() override {
    if (shared_->scene->Fails(FailingStep::GrabberType)) return virtual_errors::kGrabberType;
    state_->rgb24 = true;
    return status::kOk;
  }
  Status GetConnectedSize(std::int32_t& width, std::int32_t& height) override {
    if (shared_->scene->Fails(FailingStep::ConnectedType)) return virtual_errors::kConnectedType;
    if (!state_->connectedSize) return status::kUnexpected;  // not connected
    width = state_->connectedSize->first;
    height = state_->connectedSize->second;
    return status::kOk;
  }
  void DeliverTo(FrameCallback* callback) override { state_->callback.store(callback, std::memory_order_release); }

  const std::shared_ptr<GrabberState>& State() const { return state_; }

 private:
  std::shared_ptr<Shared> shared_;
  std::shared_ptr<GrabberState> state_;
};

// The running part of a graph: the streaming thread that draws and delivers frames.
class Streamer {
 public:
  ~Streamer() { Stop(); }

  void Start(std::shared_ptr<Shared> shared, std::shared_ptr<GrabberState> grabber, std::int32_t width,
             std::int32_t height) {
    if (thread_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      stopRequested_ = false;
    }
    shared->streams.fetch_add(1);
    thread_ = std::thread([this, shared, grabber, width, height] {
      Stream(*shared, *grabber, width, height);
      shared->streams.fetch_sub(1);
    });
  }

  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stopRequested_ = true;
    }
    wake_.notify_all();
    // A frame callback that stops its own graph cannot wait for itself.
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
  }

 private:
  void Stream(Shared& shared, GrabberState& grabber, std::int32_t width, std::int32_t height) {
    using Clock = std::chrono::steady_clock;
    const auto period =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / shared.scene->framesPerSecond));
    std::vector<std::uint8_t> frame;
    std::optional<DeskState> drawn;
    auto due = Clock::now();
    for (std::int64_t index = 0;; ++index) {
      {
        std::unique_lock lock(mutex_);
        if (wake_.wait_until(lock, due, [this] { return stopRequested_; })) return;
      }
      DeskState desk = DeskAt(*shared.scene, index);
      if (!drawn || desk != *drawn) {
        shared.renderer.Render(desk, width, height, frame);
        drawn = std::move(desk);
      }
      if (FrameCallback* callback = grabber.callback.load(std::memory_order_acquire)) {
        callback->BufferCB(static_cast<double>(index) / shared.scene->framesPerSecond, frame.data(),
                           static_cast<long>(frame.size()));
      }
      shared.framesDelivered.fetch_add(1);
      // A slow frame does not make the next ones come in a burst.
      due = std::max(due + period, Clock::now());
    }
  }

  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopRequested_ = false;
};

// Everything a graph and the interfaces asked of it share.
struct GraphState {
  explicit GraphState(std::shared_ptr<Shared> cameraShared) : shared(std::move(cameraShared)) {}

  void Publish() const {
    std::lock_guard lock(shared->mutex);
    shared->newestGraphFilters = filters;
  }

  std::shared_ptr<Shared> shared;
  std::vector<std::string> filters;
  std::shared_ptr<VirtualDevice> device;
  std::string deviceName;
  std::shared_ptr<GrabberState> grabber;
  std::optional<std::pair<std::int32_t, std::int32_t>> connectedSize;
  Streamer streamer;  // last: stops before the rest goes
};

class VirtualMediaControl final : public MediaControl {
 public:
  explicit VirtualMediaControl(std::shared_ptr<GraphState> graph) : graph_(std::move(graph)) {}

  Status Run() override {
    if (graph_->shared->scene->Fails(FailingStep::Run)) return virtual_errors::kRun;
    if (graph_->connectedSize && graph_->grabber) {
      graph_->streamer.Start(graph_->shared, graph_->grabber, graph_->connectedSize->first,
                             graph_->connectedSize->second);
    }
    return status::kOk;
  }
  Status Stop() override {
    graph_->streamer.Stop();
    return status::kOk;
  }

 private:
  std::shared_ptr<GraphState> graph_;
};

class VirtualVideoWindow final : public VideoWindow {
 public:
  explicit VirtualVideoWindow(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

  Status SetOwner(const std::optional<PreviewArea>& owner) override {
    if (owner && shared_->scene->Fails(FailingStep::VideoWindow)) return virtual_errors::kVideoWindow;
    std::lock_guard lock(shared_->mutex);
    shared_->window.owner = owner;
    return status::kOk;
  }
  Status SetChildStyle() override {
    std::lock_guard lock(shared_->mutex);
    shared_->window.childStyle = true;
    return status::kOk;
  }
  void SetPosition(const WindowRect& rect) override {
    std::lock_guard lock(shared_->mutex);
    shared_->window.position = rect;
  }
  void SetVisible(bool visible) override {
    std::lock_guard lock(shared_->mutex);
    shared_->window.visible = visible;
  }
  void SetMessageDrain(const PreviewArea& preview) override {
    std::lock_guard lock(shared_->mutex);
    shared_->window.messageDrain = preview;
  }

 private:
  std::shared_ptr<Shared> shared_;
};

class VirtualGraph final : public FilterGraph {
 public:
  explicit VirtualGraph(std::shared_ptr<Shared> shared) : state_(std::make_shared<GraphState>(std::move(shared))) {
    state_->Publish();
  }

  std::unique_ptr<MediaControl> QueryMediaControl(Status& status) override {
    status = status::kOk;
    return std::make_unique<VirtualMediaControl>(state_);
  }
  std::unique_ptr<VideoWindow> QueryVideoWindow(Status& status) override {
    status = status::kOk;
    return std::make_unique<VirtualVideoWindow>(state_->shared);
  }

  Status AddCaptureDevice(CaptureDevice* device, std::string_view name) override {
    auto* ours = dynamic_cast<VirtualDevice*>(device);
    if (ours == nullptr) return status::kPointer;
    state_->device = ours->shared_from_this();
    state_->deviceName = name;
    return Add(name);
  }

  Status AddGrabber(SampleGrabber& grabber, std::string_view name) override {
    if (state_->shared->scene->Fails(FailingStep::AddGrabber)) return virtual_errors::kAddGrabber;
    auto* ours = dynamic_cast<VirtualGrabber*>(&grabber);
    if (ours == nullptr) return status::kPointer;
    state_->grabber = ours->State();
    state_->grabber->inGraph = true;
    return Add(name);
  }

  std::unique_ptr<StreamConfig> FindStreamConfig(CaptureDevice* device, PinCategory category,
                                                 StreamMedia media) override {
    // The camera has one pin, a capture pin carrying video.
    auto* ours = dynamic_cast<VirtualDevice*>(device);
    if (ours == nullptr || ours != state_->device.get() || category != PinCategory::Capture ||
        media != StreamMedia::Video || state_->shared->scene->Fails(FailingStep::StreamConfig)) {
      return nullptr;
    }
    return std::make_unique<VirtualStreamConfig>(state_->shared, state_->device);
  }

  Status RenderStream(PinCategory category, CaptureDevice& device, SampleGrabber& grabber) override {
    const Scene& scene = *state_->shared->scene;
    if (scene.Fails(FailingStep::Render) ||
        (category == PinCategory::Preview && scene.Fails(FailingStep::RenderPreview))) {
      return virtual_errors::kRender;
    }
    auto* ours = dynamic_cast<VirtualGrabber*>(&grabber);
    if (&device != state_->device.get() || ours == nullptr || ours->State() != state_->grabber) {
      return status::kUnexpected;  // both must be in this graph
    }
    const VideoFormat& format = state_->device->Format();
    state_->connectedSize = std::pair{format.width, std::abs(format.height)};
    state_->grabber->connectedSize = state_->connectedSize;
    Add("Video Renderer");
    return status::kOk;
  }

  void RemoveDownstream(CaptureDevice& device) override {
    if (&device != state_->device.get()) return;
    state_->streamer.Stop();
    if (state_->grabber) {
      state_->grabber->connectedSize.reset();
      state_->grabber->inGraph = false;
    }
    state_->connectedSize.reset();
    state_->grabber.reset();
    std::erase_if(state_->filters, [this](const std::string& name) { return name != state_->deviceName; });
    state_->Publish();
  }

 private:
  Status Add(std::string_view name) {
    state_->filters.emplace_back(name);
    state_->Publish();
    return status::kOk;
  }

  std::shared_ptr<GraphState> state_;
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

std::unique_ptr<FilterGraph> VirtualCamera::CreateGraph(Status& status) {
  if (shared_->scene->Fails(FailingStep::CreateGraph)) {
    status = virtual_errors::kCreateGraph;
    return nullptr;
  }
  status = status::kOk;
  return std::make_unique<VirtualGraph>(shared_);
}

std::unique_ptr<SampleGrabber> VirtualCamera::CreateSampleGrabber(Status& status) {
  if (shared_->scene->Fails(FailingStep::CreateGrabber)) {
    status = virtual_errors::kCreateGrabber;
    return nullptr;
  }
  status = status::kOk;
  return std::make_unique<VirtualGrabber>(shared_);
}

ClientSize VirtualCamera::PreviewClientSize(const PreviewArea&) { return shared_->scene->preview; }

const Scene& VirtualCamera::GetScene() const { return *shared_->scene; }
const SceneRenderer& VirtualCamera::Renderer() const { return shared_->renderer; }

bool VirtualCamera::IsStreaming() const { return shared_->streams.load() > 0; }
std::int64_t VirtualCamera::FramesDelivered() const { return shared_->framesDelivered.load(); }

VideoWindowRecord VirtualCamera::VideoWindow() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->window;
}

std::vector<std::string> VirtualCamera::FiltersInNewestGraph() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->newestGraphFilters;
}

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
