// The video capture service port: what the camera code asks of the
// platform's capture service, and no more. DirectShow provides it on Windows;
// the virtual document camera provides it everywhere else and in tests.
//
// The shape follows the service: devices found by enumeration and bound as
// capture devices, a filter graph that connects a device through a sample
// grabber to a video window, the device's stream configuration, and a frame
// callback that the streaming thread calls for every frame. Results are the
// platform's status codes (HRESULT values), so that a failing step can report
// the platform's own error code.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "capture/media_format.h"
#include "platform/dialog.h"

namespace capture {

using Status = std::int32_t;

namespace status {
inline constexpr Status kOk = 0;
inline constexpr Status kFalse = 1;
inline constexpr Status kNotImplemented = static_cast<Status>(0x80004001);
inline constexpr Status kNoInterface = static_cast<Status>(0x80004002);
inline constexpr Status kPointer = static_cast<Status>(0x80004003);
inline constexpr Status kFail = static_cast<Status>(0x80004005);
inline constexpr Status kUnexpected = static_cast<Status>(0x8000FFFF);
inline constexpr Status kClassNotRegistered = static_cast<Status>(0x80040154);
inline constexpr Status kCannotConnect = static_cast<Status>(0x80040217);
inline constexpr Status kInvalidMediaType = static_cast<Status>(0x80040200);
}  // namespace status

constexpr bool Succeeded(Status s) { return s >= 0; }

// Where the video is shown: a control of a dialog.
struct PreviewArea {
  platform::WindowHandle dialog = nullptr;
  int controlId = 0;
};

struct WindowRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

struct ClientSize {
  int width = 0;
  int height = 0;
};

// Receives every frame on the service's streaming thread, one call at a
// time: 24-bit blue-green-red pixels, rows bottom-up, each row padded to four
// bytes, of the connected size. The buffer is the service's and lives only
// during the call.
class FrameCallback {
 public:
  virtual Status BufferCB(double sampleTime, const std::uint8_t* buffer, long length) = 0;

 protected:
  ~FrameCallback() = default;
};

// A bound camera: the capture filter made from a device.
class CaptureDevice {
 public:
  virtual ~CaptureDevice() = default;
  // Shows the driver's own modal property sheet, owned by `owner`. False
  // when the device has no property pages.
  virtual bool ShowPropertySheet(platform::WindowHandle owner) = 0;
};

// One video input device during an enumeration. A property that cannot be
// read is empty; texts are in the system's ANSI code page.
class DeviceEntry {
 public:
  std::optional<std::string> friendlyName;
  std::optional<std::string> devicePath;
  // Makes the device's capture filter; null when it cannot be opened.
  virtual std::shared_ptr<CaptureDevice> Bind() = 0;

 protected:
  ~DeviceEntry() = default;
};

// The stream configuration of a capture device's pin.
class StreamConfig {
 public:
  virtual ~StreamConfig() = default;
  virtual Status GetFormat(VideoFormat& format) = 0;
  // Applies width, height, bit-rate value and subtype to the pin's current
  // format; every other field stays as the device reports it. A device may
  // refuse, and then keeps its own format.
  virtual Status SetFormat(const VideoFormat& format) = 0;
  // The number of capabilities and the byte size of one capability record.
  virtual Status GetNumberOfCapabilities(int& count, int& recordSize) = 0;
  virtual Status GetStreamCaps(int index, VideoFormat& format) = 0;
};

// The sample grabber filter that hands frames to a FrameCallback.
class SampleGrabber {
 public:
  virtual ~SampleGrabber() = default;
  // Accepts video in 24-bit RGB only, so that the service converts to it.
  virtual Status SetMediaTypeRgb24() = 0;
  // The frame size of the media type the grabber was connected with.
  virtual Status GetConnectedSize(std::int32_t& width, std::int32_t& height) = 0;
  // No buffering of samples, continuous delivery, and `callback` called with
  // each frame's buffer. Null stops the calls.
  virtual void DeliverTo(FrameCallback* callback) = 0;
};

class MediaControl {
 public:
  virtual ~MediaControl() = default;
  virtual Status Run() = 0;
  // Returns once the streaming thread no longer delivers frames.
  virtual Status Stop() = 0;
};

// The graph's video renderer window.
class VideoWindow {
 public:
  virtual ~VideoWindow() = default;
  // Owner: the preview control, or none.
  virtual Status SetOwner(const std::optional<PreviewArea>& owner) = 0;
  // A child window that clips its children.
  virtual Status SetChildStyle() = 0;
  virtual void SetPosition(const WindowRect& rect) = 0;
  virtual void SetVisible(bool visible) = 0;
  // Mouse and keyboard input of the video goes to the preview control.
  virtual void SetMessageDrain(const PreviewArea& preview) = 0;
};

enum class PinCategory { Capture, Preview };
enum class StreamMedia { Video, Interleaved };

// A filter graph with its capture graph builder attached.
class FilterGraph {
 public:
  virtual ~FilterGraph() = default;
  virtual std::unique_ptr<MediaControl> QueryMediaControl(Status& status) = 0;
  virtual std::unique_ptr<VideoWindow> QueryVideoWindow(Status& status) = 0;
  // A missing device fails.
  virtual Status AddCaptureDevice(CaptureDevice* device, std::string_view name) = 0;
  virtual Status AddGrabber(SampleGrabber& grabber, std::string_view name) = 0;
  // The stream configuration of the device's pin of `category` carrying
  // `media`; null when there is none (or no device).
  virtual std::unique_ptr<StreamConfig> FindStreamConfig(CaptureDevice* device, PinCategory category,
                                                         StreamMedia media) = 0;
  // Connects the device's pin of `category` (video) through the grabber to
  // the default renderer.
  virtual Status RenderStream(PinCategory category, CaptureDevice& device, SampleGrabber& grabber) = 0;
  // Disconnects and removes every filter downstream of the device.
  virtual void RemoveDownstream(CaptureDevice& device) = 0;
};

class VideoCaptureService {
 public:
  virtual ~VideoCaptureService() = default;
  // Visits the video input devices in the service's stable order. False when
  // the devices cannot be enumerated, which includes an empty category.
  virtual bool ForEachDevice(const std::function<void(DeviceEntry&)>& visit) = 0;
  // A new graph with its builder; null with the failing status otherwise.
  virtual std::unique_ptr<FilterGraph> CreateGraph(Status& status) = 0;
  virtual std::unique_ptr<SampleGrabber> CreateSampleGrabber(Status& status) = 0;
  // The client size of the preview control.
  virtual ClientSize PreviewClientSize(const PreviewArea& preview) = 0;
};

}  // namespace capture
