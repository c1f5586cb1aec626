// CCaptureVideo: the live video path of the source. It finds and binds the
// document camera, builds a capture graph that runs the camera through the
// sample grabber (whose callback is the CSampleGrabberCB) into a video
// window inside the preview control, decides and remembers the camera's
// format, stops and tears the graph down, shows the driver's property sheet,
// and takes stills. There is one, living as long as the library; everything
// here runs on the dialog's thread.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "capture/sample_grabber_cb.h"
#include "capture/video_capture_service.h"
#include "platform/message_box.h"
#include "protocol/stored_values.h"
#include "settings/settings.h"

namespace capture {

// The picture preview window (shown after each still, closed with the camera).
class PicturePreview {
 public:
  virtual ~PicturePreview() = default;
  // Opens the window if it is not open, then shows the newest picture.
  virtual void Show() = 0;
  virtual void Close() = 0;
};

// What the camera object works with, all owned elsewhere.
struct CaptureLinks {
  VideoCaptureService& service;
  CSampleGrabberCB& grabberCallback;
  platform::MessageBoxes& messageBoxes;
  // The document camera's saved format (settings "分辨率参数"), and how the settings are saved.
  settings::VideoFormat& documentFormat;
  std::function<void()> saveSettings;
  // The current pixel type decides what a still becomes.
  const caps::StoredValues& capValues;
  TraceLine trace;
};

// The results of StartDocumentCamera besides the platform's error codes.
inline constexpr int kStartOk = 0;
inline constexpr int kStartNoDevice = 1;
inline constexpr int kStartNoStreamConfig = -1;

class CCaptureVideo {
 public:
  explicit CCaptureVideo(CaptureLinks links);
  ~CCaptureVideo();
  CCaptureVideo(const CCaptureVideo&) = delete;
  CCaptureVideo& operator=(const CCaptureVideo&) = delete;

  // Presence check: 0 when an attached device is a document camera, 1 when
  // devices were found and none is, -1 when there are no devices at all or
  // they cannot be enumerated. Devices whose name or path cannot be read do
  // not count.
  int FindDocumentCamera();
  // Binds the last document camera in enumeration order into `device`. False
  // when the devices cannot be enumerated; true otherwise, also when none
  // qualified (then `device` stays as it was).
  bool BindDocumentCamera(std::shared_ptr<CaptureDevice>& device);

  // Builds the graph if there is none and runs it into `preview`. 0 on
  // success; 1 when no document camera is found or it cannot be bound; -1
  // when it has no stream configuration; else the failing call's error code.
  // Every failure but the binding shows its message. A start that fails
  // releases what it built, so that the next start builds anew.
  int StartDocumentCamera(const PreviewArea& preview);
  // Stops the graph and releases its control, video window and grabber; the
  // graph and the device stay, and the next start builds anew.
  void StopPreview();
  // Stops the graph, takes every filter after the camera out of it and releases everything.
  void TearDownGraph();
  // When the source is disabled: closes the picture preview, then stops and
  // releases everything (no filters are taken out of the graph first).
  void CloseCapture();
  // The camera driver's own modal property sheet, while the camera runs.
  void ShowDeviceProperties(platform::WindowHandle owner);

  // Takes one still and waits until it is processed, or until the wait
  // limit (about 15 seconds) has passed without a frame taking it; then
  // shows the picture preview when `showPreview` is set. The still's
  // parameters and settings are copied now, on the dialog's thread.
  void CaptureStill(bool showPreview);
  void SetStillWaitLimit(std::chrono::milliseconds limit) { stillWaitLimit_ = limit; }

  // The still parameters live with the frame callback.
  void SetRotation(int rotationIndex) { links_.grabberCallback.SetRotation(rotationIndex); }
  void SetCropMode(std::int32_t mode) { links_.grabberCallback.SetCropMode(mode); }
  void SetCropRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    links_.grabberCallback.SetCropRect(left, top, right, bottom);
  }
  void SetColourCoefficients(float red, float green, float blue, float threshold) {
    links_.grabberCallback.SetColourCoefficients(red, green, blue, threshold);
  }
  ColourCoefficients GetColourCoefficients() const { return links_.grabberCallback.GetColourCoefficients(); }

  void SetPicturePreview(PicturePreview* preview) { picturePreview_ = preview; }
  void ShowPicturePreview();
  void ClosePicturePreview();

  // Whether a graph is built (its media control is held).
  bool IsBuilt() const { return mediaControl_ != nullptr; }

 private:
  int BuildGraph(const PreviewArea& preview);
  Status CreateGraphInterfaces();
  void DecideFormat(StreamConfig& config);
  void ChooseLargestFormat(settings::VideoFormat& format);
  void SetupVideoWindow();
  void ResizeVideoWindow();
  void ReleaseAll();
  void Message(const char* text);

  CaptureLinks links_;
  std::optional<PreviewArea> preview_;
  std::unique_ptr<FilterGraph> graph_;  // with its builder
  std::shared_ptr<CaptureDevice> device_;
  std::unique_ptr<MediaControl> mediaControl_;
  std::unique_ptr<VideoWindow> videoWindow_;
  std::unique_ptr<SampleGrabber> grabber_;
  PicturePreview* picturePreview_ = nullptr;
  std::chrono::milliseconds stillWaitLimit_{15000};
};

// Where the video goes inside a preview control of `client` size, for frames
// of `frameWidth` x `frameHeight`: the full width, centred vertically, when
// the frame is at least as wide for its height as the control; else the full
// height, centred horizontally. Coordinates are truncated toward zero. Sizes
// that are not positive give the whole control.
WindowRect FitVideo(ClientSize client, std::int32_t frameWidth, std::int32_t frameHeight);

// Whether ChooseLargestFormat takes `candidate` over the format taken so far.
bool TakesLargerFormat(const settings::VideoFormat& taken, const VideoFormat& candidate);

}  // namespace capture
