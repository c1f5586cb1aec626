#include "capture/capture_video.h"

#include "capture/device_selection.h"

namespace capture {
namespace {

// The camera's messages are plain boxes with the library's name as caption.
constexpr const char* kMessageCaption = "MervaleTwain";
constexpr const char* kNoStreamConfigMessage = "load   config   filter   failed! ";

const char* StartFailureMessage(StartStep step) {
  switch (step) {
    case StartStep::Interfaces:
      return "Failed to get video interfaces!";
    case StartStep::Grabber:
      return "Fail to create SampleGrabber, maybe qedit.dll is not registered?";
    case StartStep::StreamConfig:
      return kNoStreamConfigMessage;
    case StartStep::GrabberType:
      return "Fail to set media type!";
    case StartStep::AddGrabber:
      return "Fail to put sample grabber in graph";
    case StartStep::Connect:
      return "Can’t build the graph";
    case StartStep::ConnectedType:
      return "Failt to read the connected media type";
    case StartStep::Run:
      return "Couldn’t run the graph!";
  }
  return "";
}

bool Readable(const DeviceEntry& entry) { return entry.friendlyName && entry.devicePath; }

bool QualifiesAsDocumentCamera(const DeviceEntry& entry) {
  return Readable(entry) && IsDocumentCamera(*entry.friendlyName, *entry.devicePath);
}

}  // namespace

bool TakesLargerFormat(const VideoFormat& taken, const VideoFormat& candidate) {
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

int CCaptureVideo::Bind() {
  if (FindDocumentCamera() != 0) {
    Message("No Available Device!");
    return kStartNoDevice;
  }
  device_.reset();
  if (!BindDocumentCamera(device_)) return kStartNoDevice;
  // A camera that cannot be opened, or went away since the presence check,
  // has no stream configuration to offer.
  if (!device_) {
    Message(kNoStreamConfigMessage);
    return kStartNoStreamConfig;
  }
  return kStartOk;
}

int CCaptureVideo::StartDocumentCamera(const PreviewArea& preview) {
  if (!built_) {
    if (const int bound = Bind(); bound != kStartOk) return bound;
  }
  StartRequest request;
  request.preview = preview;
  request.frames = &links_.grabberCallback;
  request.chooseFormat = [this](const VideoFormat& current, const std::vector<VideoFormat>& offered) {
    return DecideFormat(current, offered);
  };
  request.connected = [this](std::int32_t width, std::int32_t height) {
    links_.grabberCallback.SetFrameSize(width, height);
  };
  const std::optional<StartFailure> failure = device_->Start(request);
  preview_ = preview;
  if (!failure) {
    built_ = true;
    return kStartOk;
  }
  Message(StartFailureMessage(failure->step));
  const int result = failure->step == StartStep::StreamConfig ? kStartNoStreamConfig : failure->status;
  if (failure->step == StartStep::Run) {
    built_ = true;  // the next start only runs it again
  } else {
    ReleaseAll();  // a half-built stream would run without frames at the next start
  }
  return result;
}

// The saved format is asked for when there is one (choosing the largest the
// camera offers first, when none was ever chosen); else the camera's own
// format becomes the saved one and is saved at once.
VideoFormat CCaptureVideo::DecideFormat(const VideoFormat& current, const std::vector<VideoFormat>& offered) {
  VideoFormat& saved = links_.documentFormat;
  if (saved.width == 0 || saved.height == 0) {
    for (const VideoFormat& candidate : offered) {
      if (candidate.formatType == FormatType::VideoInfo && TakesLargerFormat(saved, candidate)) {
        saved = RememberedPart(candidate);
      }
    }
  }
  if (saved.width == 0 || saved.height == 0) {
    saved = RememberedPart(current);
    if (links_.saveSettings) links_.saveSettings();
    return current;
  }
  VideoFormat wanted = current;
  wanted.width = saved.width;
  wanted.height = saved.height;
  wanted.bitRate = saved.bitRate;
  wanted.subtype = saved.subtype;
  return wanted;
}

void CCaptureVideo::StopPreview() {
  if (device_) device_->Stop();
  built_ = false;
}

void CCaptureVideo::TearDownGraph() { ReleaseAll(); }

void CCaptureVideo::CloseCapture() {
  ClosePicturePreview();
  ReleaseAll();
}

void CCaptureVideo::ReleaseAll() {
  if (device_) device_->Stop();
  device_.reset();
  built_ = false;
}

void CCaptureVideo::ShowDeviceProperties(platform::WindowHandle owner) {
  if (built_ && device_) device_->ShowPropertySheet(owner);
}

std::vector<VideoFormat> CCaptureVideo::EnumerateFormats() {
  std::optional<std::vector<VideoFormat>> formats;
  if (built_ && device_) formats = device_->Formats();
  if (!formats) {
    Message(kNoStreamConfigMessage);
    return {};
  }
  return *formats;
}

int CCaptureVideo::RestartInFormat(const VideoFormat& chosen) {
  StopPreview();
  links_.documentFormat = RememberedPart(chosen);
  TearDownGraph();
  if (!preview_) return kStartOk;
  return StartDocumentCamera(*preview_);
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
