#include "capture/capture_video.h"

#include "capture/device_selection.h"

namespace capture {
namespace {

// The camera's messages are plain boxes with the library's name as caption.
constexpr const char* kMessageCaption = "MervaleTwain";
// The size of a video capability record the format choice understands.
constexpr int kVideoCapsRecordSize = 128;

bool Readable(const DeviceEntry& entry) { return entry.friendlyName && entry.devicePath; }

bool QualifiesAsDocumentCamera(const DeviceEntry& entry) {
  return Readable(entry) && IsDocumentCamera(*entry.friendlyName, *entry.devicePath);
}

}  // namespace

WindowRect FitVideo(ClientSize client, std::int32_t frameWidth, std::int32_t frameHeight) {
  if (client.width <= 0 || client.height <= 0 || frameWidth <= 0 || frameHeight <= 0) {
    return {0, 0, client.width, client.height};
  }
  const double cw = client.width, ch = client.height;
  const double fw = frameWidth, fh = frameHeight;
  if (fw / fh >= cw / ch) {
    const double h = cw * (fh / fw);
    return {0, static_cast<int>((ch - h) / 2), client.width, static_cast<int>(h)};
  }
  const double w = ch * (fw / fh);
  return {static_cast<int>((cw - w) / 2), 0, static_cast<int>(w), client.height};
}

bool TakesLargerFormat(const settings::VideoFormat& taken, const VideoFormat& candidate) {
  return taken.width < candidate.width || taken.height < candidate.height ||
         (taken.width == candidate.width && candidate.subtype == kSubtypeMjpg);
}

CCaptureVideo::CCaptureVideo(CaptureLinks links) : links_(std::move(links)) {
  if (links_.trace) links_.trace("CCaptureVideo::CCaptureVideo()");
}

CCaptureVideo::~CCaptureVideo() {
  if (links_.trace) links_.trace("CCaptureVideo::~CCaptureVideo()");
  ReleaseAll();
}

void CCaptureVideo::Message(const char* text) {
  links_.messageBoxes.Show({nullptr, text, kMessageCaption, platform::mb::kOk});
}

int CCaptureVideo::FindDocumentCamera() {
  bool found = false;
  const bool enumerated = links_.service.ForEachDevice([&found](DeviceEntry& entry) {
    if (QualifiesAsDocumentCamera(entry)) found = true;
  });
  if (!enumerated) return -1;
  return found ? 0 : 1;
}

bool CCaptureVideo::BindDocumentCamera(std::shared_ptr<CaptureDevice>& device) {
  return links_.service.ForEachDevice([&device](DeviceEntry& entry) {
    if (!QualifiesAsDocumentCamera(entry)) return;
    // A device that cannot be opened does not replace one that could.
    if (std::shared_ptr<CaptureDevice> bound = entry.Bind()) device = std::move(bound);
  });
}

int CCaptureVideo::StartDocumentCamera(const PreviewArea& preview) {
  if (!mediaControl_) {
    const int built = BuildGraph(preview);
    if (built != kStartOk) {
      // A half-built graph would run without frames at the next start.
      ReleaseAll();
      return built;
    }
  }
  const Status ran = mediaControl_->Run();
  if (!Succeeded(ran)) {
    Message("Couldn’t run the graph!");
    return ran;
  }
  return kStartOk;
}

int CCaptureVideo::BuildGraph(const PreviewArea& preview) {
  if (FindDocumentCamera() != 0) {
    Message("No Available Device!");
    return kStartNoDevice;
  }
  if (const Status created = CreateGraphInterfaces(); !Succeeded(created)) {
    Message("Failed to get video interfaces!");
    return created;
  }
  device_.reset();
  if (!BindDocumentCamera(device_)) return kStartNoDevice;
  // A device that went away leaves nothing to add; the stream configuration step then fails.
  graph_->AddCaptureDevice(device_.get(), "Capture Filter");

  Status status = status::kOk;
  grabber_ = links_.service.CreateSampleGrabber(status);
  if (!grabber_) {
    Message("Fail to create SampleGrabber, maybe qedit.dll is not registered?");
    return status;
  }

  std::unique_ptr<StreamConfig> config =
      graph_->FindStreamConfig(device_.get(), PinCategory::Capture, StreamMedia::Interleaved);
  if (!config) config = graph_->FindStreamConfig(device_.get(), PinCategory::Capture, StreamMedia::Video);
  if (!config) {
    Message("load   config   filter   failed! ");
    return kStartNoStreamConfig;
  }
  DecideFormat(*config);
  config.reset();

  if (status = grabber_->SetMediaTypeRgb24(); !Succeeded(status)) {
    Message("Fail to set media type!");
    return status;
  }
  if (status = graph_->AddGrabber(*grabber_, "Grabber"); !Succeeded(status)) {
    Message("Fail to put sample grabber in graph");
    return status;
  }
  status = graph_->RenderStream(PinCategory::Preview, *device_, *grabber_);
  if (!Succeeded(status)) status = graph_->RenderStream(PinCategory::Capture, *device_, *grabber_);
  if (!Succeeded(status)) {
    Message("Can’t build the graph");
    return status;
  }

  std::int32_t width = 0, height = 0;
  if (status = grabber_->GetConnectedSize(width, height); !Succeeded(status)) {
    Message("Failt to read the connected media type");
    return status;
  }
  links_.grabberCallback.SetFrameSize(width, height);
  grabber_->DeliverTo(&links_.grabberCallback);
  preview_ = preview;
  SetupVideoWindow();
  return kStartOk;
}

Status CCaptureVideo::CreateGraphInterfaces() {
  Status status = status::kOk;
  graph_ = links_.service.CreateGraph(status);
  if (!graph_) return status;
  mediaControl_ = graph_->QueryMediaControl(status);
  if (!mediaControl_) return status;
  videoWindow_ = graph_->QueryVideoWindow(status);
  if (!videoWindow_) return status;
  return status::kOk;
}

// The saved format is applied when there is one (choosing the largest the
// camera offers first, when none was ever chosen); else the camera's own
// format becomes the saved one.
void CCaptureVideo::DecideFormat(StreamConfig& config) {
  VideoFormat format;
  // Without the camera's format there is nothing to change or to remember.
  if (!Succeeded(config.GetFormat(format))) return;
  settings::VideoFormat& saved = links_.documentFormat;
  if (saved.width == 0 || saved.height == 0) ChooseLargestFormat(saved);
  if (saved.width != 0 && saved.height != 0) {
    format.width = saved.width;
    format.height = saved.height;
    format.bitRate = static_cast<std::uint32_t>(saved.bitRate);
    format.subtype = saved.subtype;
  } else {
    saved = {format.width, format.height, static_cast<std::int32_t>(format.bitRate), format.subtype};
    if (links_.saveSettings) links_.saveSettings();
  }
  // A camera that refuses keeps its own format; the connected size follows it.
  config.SetFormat(format);
}

void CCaptureVideo::ChooseLargestFormat(settings::VideoFormat& format) {
  std::unique_ptr<StreamConfig> config =
      graph_->FindStreamConfig(device_.get(), PinCategory::Preview, StreamMedia::Video);
  if (!config) config = graph_->FindStreamConfig(device_.get(), PinCategory::Capture, StreamMedia::Video);
  if (!config) return;
  int count = 0, recordSize = 0;
  if (!Succeeded(config->GetNumberOfCapabilities(count, recordSize)) || recordSize != kVideoCapsRecordSize) return;
  for (int i = 0; i < count; ++i) {
    VideoFormat candidate;
    if (!Succeeded(config->GetStreamCaps(i, candidate)) || candidate.formatType != FormatType::VideoInfo) continue;
    if (TakesLargerFormat(format, candidate)) {
      format = {candidate.width, candidate.height, static_cast<std::int32_t>(candidate.bitRate), candidate.subtype};
    }
  }
}

void CCaptureVideo::SetupVideoWindow() {
  if (!videoWindow_ || !preview_) return;
  if (!Succeeded(videoWindow_->SetOwner(preview_)) || !Succeeded(videoWindow_->SetChildStyle())) return;
  ResizeVideoWindow();
  videoWindow_->SetVisible(true);
  videoWindow_->SetMessageDrain(*preview_);
}

void CCaptureVideo::ResizeVideoWindow() {
  if (!videoWindow_ || !preview_) return;
  const ClientSize client = links_.service.PreviewClientSize(*preview_);
  videoWindow_->SetPosition(
      FitVideo(client, links_.grabberCallback.FrameWidth(), links_.grabberCallback.FrameHeight()));
}

void CCaptureVideo::StopPreview() {
  if (mediaControl_) {
    mediaControl_->Stop();
    mediaControl_.reset();
  }
  if (videoWindow_) {
    videoWindow_->SetVisible(false);
    videoWindow_->SetOwner(std::nullopt);
    videoWindow_.reset();
  }
  grabber_.reset();
}

void CCaptureVideo::TearDownGraph() {
  if (mediaControl_) mediaControl_->Stop();
  if (videoWindow_) {
    videoWindow_->SetVisible(false);
    videoWindow_->SetOwner(std::nullopt);
  }
  if (graph_ && device_) graph_->RemoveDownstream(*device_);
  ReleaseAll();
}

void CCaptureVideo::CloseCapture() {
  ClosePicturePreview();
  if (mediaControl_) mediaControl_->Stop();
  if (videoWindow_) {
    videoWindow_->SetVisible(false);
    videoWindow_->SetOwner(std::nullopt);
  }
  ReleaseAll();
}

void CCaptureVideo::ReleaseAll() {
  if (mediaControl_) mediaControl_->Stop();
  mediaControl_.reset();
  videoWindow_.reset();
  grabber_.reset();
  graph_.reset();
  device_.reset();
}

void CCaptureVideo::ShowDeviceProperties(platform::WindowHandle owner) {
  if (mediaControl_ && device_) device_->ShowPropertySheet(owner);
}

void CCaptureVideo::CaptureStill(bool showPreview) {
  CSampleGrabberCB& callback = links_.grabberCallback;
  callback.SetPictureKind(PictureKindForPixelType(links_.capValues.pixelType));
  callback.Still().WaitDone(callback.RequestStill(), stillWaitLimit_);
  if (showPreview) ShowPicturePreview();
}

void CCaptureVideo::ShowPicturePreview() {
  if (picturePreview_ != nullptr) picturePreview_->Show();
}

void CCaptureVideo::ClosePicturePreview() {
  if (picturePreview_ != nullptr) picturePreview_->Close();
}

}  // namespace capture
