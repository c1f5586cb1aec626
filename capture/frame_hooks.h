// What the frame callback hands frames to: the per-frame page analysis and
// the still pipelines, which the picture processing and the automatic
// scanning provide. Everything here but PrepareStill runs on the streaming
// thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "capture/media_format.h"
#include "protocol/geometry.h"
#include "protocol/pixel_type.h"

namespace capture {

// What a requested still becomes: grey, colour or black-and-white.
using PictureKind = protocol::PixelType;

// The still kind for the current pixel type: grey and colour as themselves,
// anything else (black-and-white, and "Color and B&W", whose pair the
// callers take as two stills) black-and-white.
PictureKind PictureKindForPixelType(std::uint16_t pixelType);

// Ten-thousandths of the frame width (left, right) or height (top, bottom).
using CropRect = geometry::FrameFractions;

// What the settings and the capability values say about one still. The
// picture processing copies them on the dialog's thread when the still is
// asked for; the streaming thread reads this copy and nothing else.
struct StillSettings {
  std::string pictureFolder;  // ends in a path separator
  bool idCardMode = false;
  bool idCardBackSide = false;  // the ID-card shot takes the back side
  CropRect idCardArea;          // ten-thousandths of the frame, as the crop rectangle
  bool autoCorrect = false;
  bool autoCrop = false;
  bool curveFlatten = false;
  bool smartPaging = false;
  bool fingerErase = false;
  bool watermarkOn = false;
  bool watermarkTime = false;
  std::string watermarkText;
  std::int32_t dpiX = 0;
  std::int32_t dpiY = 0;
  float xResolution = 0;        // the picture's size in inches is pixels over this
  std::uint16_t pixelType = 0;  // what the picture's record names
};

// The parameters of one still, copied on the dialog's thread when it asked for it.
struct StillParameters {
  // Numbers the requests of one callback from 1; set by the request.
  std::uint32_t sequence = 0;
  // The dialog had stopped waiting when a frame took the request.
  bool late = false;
  std::int32_t rotation = 0;  // degrees: 0, 90, 180 or 270
  std::int32_t cropMode = 0;  // 0: no crop; 1 or 2: crop to cropRect
  CropRect cropRect;
  std::int32_t frameWidth = 0;
  std::int32_t frameHeight = 0;
  PictureKind kind = PictureKind::Colour;
  StillSettings settings;
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
bool PageOptionsOn(const StillSettings& settings);

class FrameHooks {
 public:
  virtual ~FrameHooks() = default;
  // Called on the dialog's thread when a still is asked for: copies what the
  // still needs from the settings into its parameters. Nothing by default.
  virtual void PrepareStill(StillParameters& /*parameters*/) const {}
  // Read for every frame on the streaming thread while the dialog's thread
  // may change the settings: it must be cheap and read them safely.
  virtual ProcessingSwitches Switches() const = 0;
  // Must leave the frame as it is.
  virtual void AnalyseFrame(const FrameView& frame) = 0;
  // Turn the frame into a stored picture, reading only the frame and the
  // parameters. The still is marked done when they return.
  virtual void ProcessStill(const FrameView& frame, const StillParameters& parameters) = 0;
  virtual void ProcessStillPaged(const FrameView& frame, const StillParameters& parameters) = 0;
};

}  // namespace capture
