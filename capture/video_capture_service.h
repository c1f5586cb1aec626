// The video capture service port: what the camera code asks of the
// platform's capture service, and no more. DirectShow provides it on Windows
// (capture/win32/); the virtual document camera provides it everywhere else
// and in tests.
//
// The shape is a device's: the service lists the video input devices, a
// device found there is bound, and a bound device starts (its video shown in
// a preview control, its frames handed to a frame callback), stops, lists
// the formats it offers and shows the driver's property sheet. How a
// platform builds the stream stays inside its implementation; a start that
// fails says at which step and with the platform's own status code, so that
// the camera object can tell the user and the caller what went wrong.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/media_format.h"
#include "platform/dialog.h"

namespace capture {

// A status code of the platform (an HRESULT value on Windows): negative
// values are failures.
using Status = std::int32_t;

constexpr bool Succeeded(Status s) { return s >= 0; }

// The answers of a frame callback, in the platform's codes.
namespace status {
inline constexpr Status kOk = 0;
inline constexpr Status kPointer = static_cast<Status>(0x80004003);
inline constexpr Status kFail = static_cast<Status>(0x80004005);
}  // namespace status

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

// The steps of a camera start, in the order they run.
enum class StartStep {
  Interfaces,     // the service's objects for a stream (its control and its video window)
  Grabber,        // the stage that hands frames to the callback
  StreamConfig,   // the device's stream configuration (the start answers -1, not its status)
  GrabberType,    // frames converted to 24-bit RGB
  AddGrabber,     // the frame stage joined to the device
  Connect,        // the device's preview pin, else its capture pin, connected
  ConnectedType,  // the size of the connected frames
  Run,            // the stream runs; a device that fails only here stays built
};

struct StartFailure {
  StartStep step;
  Status status;
};

// Decides the format the device is asked to stream in, once its stream
// configuration is found: from the device's current format and the video
// capabilities it offers for that choice (in its order; empty when it
// reports them in a record the choice does not understand). Answering the
// current format keeps it. Not called when the current format cannot be read.
using FormatChoice = std::function<VideoFormat(const VideoFormat& current, const std::vector<VideoFormat>& offered)>;

struct StartRequest {
  PreviewArea preview;
  FrameCallback* frames = nullptr;
  FormatChoice chooseFormat;
  // Told the size of the connected frames, on the calling thread before the first frame.
  std::function<void(std::int32_t width, std::int32_t height)> connected;
};

// A bound camera.
class CaptureDevice {
 public:
  virtual ~CaptureDevice() = default;

  // Builds the stream when it is not built, then runs it: frames go to the
  // request's callback, the video into its preview control (placed once by
  // FitVideo, its mouse and keyboard input sent on to the control, so that
  // the frame selection receives it). A build that fails releases what it
  // made; a stream that was built but does not run stays built, and the next
  // start only runs it. A format the device refuses leaves it in its own; the
  // connected size follows what it streams.
  virtual std::optional<StartFailure> Start(const StartRequest& request) = 0;
  // Stops the frames (returning once none is delivered any more), takes the
  // video out of the preview control and releases the stream; the next
  // start builds anew.
  virtual void Stop() = 0;
  // Every stream capability of the capture pin that can be read, in the
  // device's order; nothing when the device has no stream configuration.
  // Asked while the stream is built: DirectShow finds the configuration
  // through the stream's graph.
  virtual std::optional<std::vector<VideoFormat>> Formats() = 0;
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
  // Opens the device as a video source; null when it cannot be opened.
  virtual std::shared_ptr<CaptureDevice> Bind() = 0;

 protected:
  ~DeviceEntry() = default;
};

class VideoCaptureService {
 public:
  virtual ~VideoCaptureService() = default;
  // Visits the video input devices in the service's stable order. False when
  // the devices cannot be enumerated, which includes an empty category.
  virtual bool ForEachDevice(const std::function<void(DeviceEntry&)>& visit) = 0;
};

// Where the video goes inside a preview control of `client` size, for frames
// of `frameWidth` x `frameHeight`: the full width, centred vertically, when
// the frame is at least as wide for its height as the control; else the full
// height, centred horizontally. Coordinates are truncated toward zero. Sizes
// that are not positive give the whole control.
WindowRect FitVideo(ClientSize client, std::int32_t frameWidth, std::int32_t frameHeight);

}  // namespace capture
