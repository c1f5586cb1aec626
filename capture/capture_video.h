// CCaptureVideo: the live video path of the source. It finds and binds the
// document camera, starts it into the preview control with the
// CSampleGrabberCB as its frame callback, decides and remembers the camera's
// format, lists the formats it offers and restarts it in a chosen one, stops
// it, shows the driver's property sheet, and takes stills. There is one,
// living as long as the library; everything here runs on the dialog's thread.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "caps/stored_values.h"
#include "capture/sample_grabber_cb.h"
#include "capture/video_capture_service.h"
#include "platform/message_box.h"
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

  // Binds the document camera and builds its stream if there is none, then
  // runs it into `preview`. 0 on success; 1 when no document camera is found
  // or the devices cannot be enumerated; -1 when the camera cannot be opened
  // or has no stream configuration; else the failing step's error code.
  // Every failure but the enumeration shows its message. A start that fails
  // before the stream runs releases the camera, so that the next start
  // builds anew; one whose stream does not run keeps it built.
  int StartDocumentCamera(const PreviewArea& preview);
  // Stops the camera and releases its stream; the camera stays bound, and
  // the next start binds and builds anew.
  void StopPreview();
  // Stops the camera and releases it.
  void TearDownGraph();
  // When the source is disabled: closes the picture preview, then stops and
  // releases the camera.
  void CloseCapture();
  // The camera driver's own modal property sheet, while the camera runs.
  void ShowDeviceProperties(platform::WindowHandle owner);

  // The formats the running camera's capture pin offers, in its order. When
  // there is no camera or it has no stream configuration, the message
  // "load   config   filter   failed! " and an empty list.
  std::vector<VideoFormat> EnumerateFormats();
  // Makes `chosen` the document camera's format (its size, bit-rate value
  // and subtype, in the settings in memory; they reach the file with the
  // next save) and restarts the camera in it, into the preview control of
  // the last start. Answers what that start answers; without an earlier
  // start the format waits for the first one, and the answer is 0.
  int RestartInFormat(const VideoFormat& chosen);

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

  // Whether the camera's stream is built (it runs, or its run failed).
  bool IsBuilt() const { return built_; }

 private:
  int Bind();
  VideoFormat DecideFormat(const VideoFormat& current, const std::vector<VideoFormat>& offered);
  void ReleaseAll();
  void Message(const char* text);

  CaptureLinks links_;
  std::shared_ptr<CaptureDevice> device_;
  bool built_ = false;
  std::optional<PreviewArea> preview_;  // of the last start
  PicturePreview* picturePreview_ = nullptr;
  std::chrono::milliseconds stillWaitLimit_{15000};
};

// Whether the choice of the largest format takes `candidate` over the format taken so far.
bool TakesLargerFormat(const VideoFormat& taken, const VideoFormat& candidate);

}  // namespace capture
