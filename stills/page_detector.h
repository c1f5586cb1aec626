// The page detection of the automatic scanning: on the camera's streaming
// thread, every frame the frame callback analyses is measured for the skew
// of its page on a small copy; once the page lies still, its outline is
// found on the full frame (once for each rest) and, while the automatic
// scanning runs, the page is announced to the dialog's timer as detected.
//
// A page lies still when the skews of the last five frames span less than
// one degree and the small copies of those frames barely differ: a page
// slid in without turning, a hand withdrawing from a laid page and a page
// exchanged for another keep their skew while the picture changes, and none
// of them may be shot before it has settled.
#pragma once

#include <array>
#include <cstdint>

#include "capture/frame_hooks.h"
#include "imaging/correction/correction.h"
#include "imaging/detected_page.h"
#include "imaging/picture.h"
#include "stills/still_pipeline.h"

namespace imaging {

// The skews of the last five frames. Slots fill one by one after loading;
// once all five are filled, each new skew yields the span of the five and
// the oldest is dropped. While they fill, the span is empty (0 to 0).
class SkewHistory {
 public:
  struct Span {
    double min = 0;
    double max = 0;
  };
  Span Add(double degrees);

 private:
  std::array<double, 5> slots_{};
  int next_ = 1;  // the slot, 1 to 5, the next skew goes to
};

// Whether the small copies of successive frames changed. A frame counts as
// moved when more than one sample in 500 (every fourth pixel of every fourth
// row) changed its lightness by more than 32 since the previous frame, which
// camera noise and slow light changes stay below.
class MotionTracker {
 public:
  // Feeds the next small copy (all of one size); true when the picture
  // moved since the copy before. The first copy, and one of another size,
  // count as moved.
  bool Moved(const Picture& small);

 private:
  std::vector<std::uint8_t> previous_;
  int width_ = 0;
  int height_ = 0;
};

// The size of the copy every frame's skew is measured on, and how much it is brightened.
inline constexpr int kDetectionWidth = 640;
inline constexpr int kDetectionHeight = 480;
inline constexpr int kDetectionBrightness = 25;

// The frame as a picture resampled by nearest pixel to 640 x 480 and
// brightened by 25, without copying the whole frame first. Empty when the
// buffer does not hold the frame.
Picture DetectionCopy(const capture::FrameView& frame);

// The outline of a page found in the frame turned by `degrees`: the found
// rectangle's corners turned back about the frame's centre, P1 from (left,
// top), P2 (right, top), P3 (left, bottom), P4 (right, bottom), truncated
// toward zero.
PageQuad OutlineOf(const Rect& found, double degrees, int frameWidth, int frameHeight);

class PageDetector final : public FrameAnalysis {
 public:
  // `shared` is what the dialog sees.
  explicit PageDetector(DetectedPage& shared) : shared_(shared) {}

  bool DetectionRunning() const override { return shared_.autoScanRunning.load(std::memory_order_acquire); }
  // DetectPage: one frame, on the streaming thread.
  void AnalyseFrame(const capture::FrameView& frame) override;

  // The per-frame part alone: the small copy's skew and whether the page is
  // at rest after it. For measuring; AnalyseFrame runs it for every frame.
  bool MeasureFrame(const capture::FrameView& frame, double& degrees);
  // The at-rest part alone: finds the outline on the full frame; false when
  // the found rectangle is 50 pixels or less both ways.
  bool LocatePage(const capture::FrameView& frame, double degrees, PageQuad& quad) const;

 private:
  DetectedPage& shared_;
  correction::SkewEstimator estimator_;
  SkewHistory history_;
  MotionTracker motion_;
  int stillFrames_ = 0;
  // The full frame was searched during the present rest, and whether it showed a page.
  bool restLocated_ = false;
  bool pageFound_ = false;
};

}  // namespace imaging
