// What the frame callback hands frames to: the per-frame page analysis and
// the still pipelines, which the picture processing and the automatic
// scanning provide. Everything here runs on the streaming thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "capture/media_format.h"

namespace capture {

// What a requested still becomes.
enum class PictureKind : std::uint8_t { Colour = 0, Grey = 4, BlackWhite = 5 };

// The still kind for the current pixel type: 1 (grey) gives Grey, 2 (colour)
// Colour, anything else (black-and-white, and colour-and-black-and-white,
// whose pair the callers take as two stills) BlackWhite.
PictureKind PictureKindForPixelType(std::uint16_t pixelType);

struct CropRect {
  std::int32_t left = 0;  // ten-thousandths of the frame width (left, right) or height (top, bottom)
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const CropRect&, const CropRect&) = default;
};

// The parameters of one still, as the dialog set them before asking for it.
struct StillParameters {
  std::int32_t rotation = 0;  // degrees: 0, 90, 180 or 270
  std::int32_t cropMode = 0;  // 0: no crop; 1 or 2: crop to cropRect
  CropRect cropRect;
  std::int32_t frameWidth = 0;
  std::int32_t frameHeight = 0;
  PictureKind kind = PictureKind::Colour;
};

// A frame as the service delivered it: 24-bit blue-green-red pixels, rows
// bottom-up, each padded to four bytes. The pixels are the service's and
// valid only during the call; whoever keeps them copies them first.
struct FrameView {
  const std::uint8_t* pixels = nullptr;
  long length = 0;  // as the service reported it
  std::int32_t width = 0;
  std::int32_t height = 0;
  double sampleTime = 0;

  // Whether the buffer holds every row of a frame of this size.
  bool HoldsWholeFrame() const {
    return pixels != nullptr && width > 0 && height > 0 && length >= 0 &&
           static_cast<std::size_t>(length) >= FrameStride(width) * static_cast<std::size_t>(height);
  }
};

// The settings and flags that decide what happens to a frame.
struct ProcessingSwitches {
  bool detectionRunning = false;  // the automatic scanning's page detection is on
  bool autoContinuous = false;
  std::int32_t scanType = 0;
  bool autoCorrect = false;
  bool curveFlatten = false;
  bool smartPaging = false;
  bool fingerErase = false;
};

// The per-frame analysis runs when the automatic scanning watches the
// frames (detection running, or scan type 2, with automatic continuous
// scanning), or when position correction is on and no page option is.
bool AnalysisWanted(const ProcessingSwitches& switches);
// Curve flattening, smart paging or finger erasing: stills go to the page pipeline.
bool PageOptionsOn(const ProcessingSwitches& switches);

class FrameHooks {
 public:
  virtual ~FrameHooks() = default;
  // Read for every frame on the streaming thread while the dialog's thread
  // may change the settings: it must be cheap and read them safely.
  virtual ProcessingSwitches Switches() const = 0;
  // Must leave the frame as it is.
  virtual void AnalyseFrame(const FrameView& frame) = 0;
  // Turn the frame into a stored picture. The still is marked done when they return.
  virtual void ProcessStill(const FrameView& frame, const StillParameters& parameters) = 0;
  virtual void ProcessStillPaged(const FrameView& frame, const StillParameters& parameters) = 0;
};

}  // namespace capture
