// CSampleGrabberCB: the frame callback. Every frame of the running camera
// passes through BufferCB on the streaming thread, which feeds the per-frame
// analysis when it is on and, when the dialog asked for a still, hands that
// one frame to the still pipeline with the parameters copied at the request.
// It also keeps the parameters of the next still and the frame size of the
// running camera.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string_view>

#include "capture/frame_hooks.h"
#include "capture/still_protocol.h"
#include "capture/video_capture_service.h"

namespace capture {

// Writes a line to the source's trace file.
using TraceLine = std::function<void(std::string_view)>;

struct ColourCoefficients {
  float red = 0.3f;
  float green = 0.59f;
  float blue = 0.11f;
  float threshold = 0.2f;
};

class CSampleGrabberCB final : public FrameCallback {
 public:
  explicit CSampleGrabberCB(TraceLine trace);
  ~CSampleGrabberCB();
  CSampleGrabberCB(const CSampleGrabberCB&) = delete;
  CSampleGrabberCB& operator=(const CSampleGrabberCB&) = delete;

  // One frame, on the streaming thread. Answers success, or E_POINTER when a
  // still is wanted and there is no buffer (the request then stays); nothing
  // thrown leaves, such a frame answers E_FAIL.
  Status BufferCB(double sampleTime, const std::uint8_t* buffer, long length) override;

  // Where frames go; none: no analysis, and stills are taken and marked done
  // without a picture. Set while no camera runs.
  void SetHooks(FrameHooks* hooks) { hooks_.store(hooks, std::memory_order_release); }

  // Parameters of the next still, set on the dialog's thread before asking for it.
  // Index 0..3 turns by 0, 90, 180, 270 degrees; any other index changes nothing.
  void SetRotation(int rotationIndex);
  void SetCropMode(std::int32_t mode) { cropMode_ = mode; }
  void SetCropRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
  void SetPictureKind(PictureKind kind) { kind_ = kind; }
  StillParameters Parameters() const;

  // Dialog thread: asks for a still with a copy of the parameters above,
  // which the hooks complete from the settings. Returns its sequence number.
  std::uint32_t RequestStill();

  // Kept for the parameter dialog and the settings file; the pipelines do not read them.
  void SetColourCoefficients(float red, float green, float blue, float threshold);
  ColourCoefficients GetColourCoefficients() const { return coefficients_; }

  // The size of the frames delivered, set by each camera start before it runs.
  void SetFrameSize(std::int32_t width, std::int32_t height);
  std::int32_t FrameWidth() const { return frameWidth_.load(std::memory_order_relaxed); }
  std::int32_t FrameHeight() const { return frameHeight_.load(std::memory_order_relaxed); }

  StillProtocol& Still() { return still_; }

 private:
  Status HandleFrame(double sampleTime, const std::uint8_t* buffer, long length);
  void ProcessStill(FrameHooks* hooks, const FrameView& frame, const StillParameters& parameters);

  TraceLine trace_;
  std::atomic<FrameHooks*> hooks_{nullptr};
  // Written and copied on the dialog's thread only.
  std::int32_t rotation_ = 0;
  std::int32_t cropMode_ = 0;
  CropRect cropRect_;
  PictureKind kind_ = PictureKind::Colour;
  std::atomic<std::int32_t> frameWidth_{0};
  std::atomic<std::int32_t> frameHeight_{0};
  ColourCoefficients coefficients_;
  StillProtocol still_;
};

}  // namespace capture
