#include "stills/page_detector.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <span>

#include "capture/media_format.h"
#include "imaging/picture_operations.h"

namespace imaging {

namespace {

// The outline is turned back with this value of pi, as the position
// correction of the stills turns with it.
constexpr double kPi = 3.1415927;
// A found rectangle must be wider or higher than this to outline a page.
constexpr int kSmallestPage = 50;
constexpr int kMotionSampleStep = 4;
constexpr int kMotionLightnessChange = 32;
constexpr int kMotionSamplesPerChange = 500;
// Successive unchanged copies before the picture counts as still: five frames alike.
constexpr int kStillFramesAtRest = 4;

int Lightness(const std::uint8_t* bgr) { return (114 * bgr[0] + 587 * bgr[1] + 299 * bgr[2]) / 1000; }

}  // namespace

SkewHistory::Span SkewHistory::Add(double degrees) {
  slots_[static_cast<std::size_t>(next_ - 1)] = degrees;
  if (next_ < 5) {
    ++next_;
    return {};
  }
  const auto [least, most] = std::minmax_element(slots_.begin(), slots_.end());
  const Span span{*least, *most};
  // The oldest goes; slot 5 keeps its value until the next skew overwrites it.
  std::copy(slots_.begin() + 1, slots_.end(), slots_.begin());
  return span;
}

bool MotionTracker::Moved(const Picture& small) {
  std::vector<std::uint8_t> samples;
  samples.reserve(static_cast<std::size_t>(small.Width() / kMotionSampleStep + 1) *
                  static_cast<std::size_t>(small.Height() / kMotionSampleStep + 1));
  for (int y = 0; y < small.Height(); y += kMotionSampleStep) {
    const std::uint8_t* row = small.Row(y);
    for (int x = 0; x < small.Width(); x += kMotionSampleStep) {
      samples.push_back(static_cast<std::uint8_t>(Lightness(row + 3 * static_cast<std::ptrdiff_t>(x))));
    }
  }
  const bool comparable = small.Width() == width_ && small.Height() == height_ && samples.size() == previous_.size();
  std::size_t changed = 0;
  if (comparable) {
    for (std::size_t i = 0; i < samples.size(); ++i) {
      if (std::abs(int{samples[i]} - int{previous_[i]}) > kMotionLightnessChange) ++changed;
    }
  }
  previous_ = std::move(samples);
  width_ = small.Width();
  height_ = small.Height();
  return !comparable || changed * kMotionSamplesPerChange > previous_.size();
}

Picture DetectionCopy(const capture::FrameView& frame) {
  if (frame.pixels == nullptr || !frame.HoldsWholeFrame() || frame.width > (1 << 20) || frame.height > (1 << 20)) {
    return {};
  }
  Picture small(kDetectionWidth, kDetectionHeight, 24);
  const std::size_t stride = capture::FrameStride(frame.width);
  std::vector<std::size_t> sourceOffset(kDetectionWidth);
  for (int x = 0; x < kDetectionWidth; ++x) {
    sourceOffset[static_cast<std::size_t>(x)] =
        3 * static_cast<std::size_t>(std::int64_t{x} * frame.width / kDetectionWidth);
  }
  for (int y = 0; y < kDetectionHeight; ++y) {
    const std::int64_t sourceRow = std::int64_t{y} * frame.height / kDetectionHeight;
    const std::uint8_t* source = frame.pixels + static_cast<std::size_t>(sourceRow) * stride;
    std::uint8_t* out = small.Row(y);
    for (int x = 0; x < kDetectionWidth; ++x) {
      const std::uint8_t* pixel = source + sourceOffset[static_cast<std::size_t>(x)];
      std::copy(pixel, pixel + 3, out + 3 * static_cast<std::ptrdiff_t>(x));
    }
  }
  AdjustBrightnessContrast(small, kDetectionBrightness, 0);
  return small;
}

PageQuad OutlineOf(const Rect& found, double degrees, int frameWidth, int frameHeight) {
  const double a = -degrees * kPi / 180.0;
  const double cosine = std::cos(a);
  const double sine = std::sin(a);
  const int cx = frameWidth / 2;
  const int cy = frameHeight / 2;
  const auto turnBack = [&](int x, int y) {
    return PageQuad::Corner{static_cast<int>(cosine * (x - cx) - sine * (y - cy) + cx),
                            static_cast<int>(sine * (x - cx) + cosine * (y - cy) + cy)};
  };
  PageQuad quad;
  quad.corners = {turnBack(found.left, found.top), turnBack(found.right, found.top), turnBack(found.left, found.bottom),
                  turnBack(found.right, found.bottom)};
  return quad;
}

bool PageDetector::MeasureFrame(const capture::FrameView& frame, double& degrees) {
  const Picture small = DetectionCopy(frame);
  degrees = estimator_.Estimate(small);
  const SkewHistory::Span span = history_.Add(degrees);
  stillFrames_ = motion_.Moved(small) ? 0 : std::min(stillFrames_ + 1, kStillFramesAtRest);
  return span.min + 1.0 > span.max && stillFrames_ >= kStillFramesAtRest;
}

bool PageDetector::LocatePage(const capture::FrameView& frame, double degrees, PageQuad& quad) const {
  Picture picture = Picture::FromBgrRows(std::span(frame.pixels, static_cast<std::size_t>(frame.length)), frame.width,
                                         frame.height, capture::FrameStride(frame.width));
  if (picture.Empty()) return false;
  TurnBilinear(picture, degrees, kBlack);
  Rect found{0, 0, picture.Width(), picture.Height()};
  correction::FindContentRect(picture, found);
  if (found.left + kSmallestPage >= found.right && found.top + kSmallestPage >= found.bottom) return false;
  quad = OutlineOf(found, degrees, picture.Width(), picture.Height());
  return true;
}

void PageDetector::AnalyseFrame(const capture::FrameView& frame) {
  if (!frame.HoldsWholeFrame()) return;
  double degrees = 0;
  const bool still = MeasureFrame(frame, degrees);
  if (!still) restLocated_ = false;
  if (!still && !shared_.edgeOverlayOn.load(std::memory_order_acquire)) {
    // The page moved: it is no longer the page that was shot, and the next
    // page to rest is shot afresh.
    shared_.pageDetected.store(false, std::memory_order_release);
    shared_.shotTaken.store(false, std::memory_order_release);
    return;
  }
  // The full frame is searched once per rest: a page lying still keeps its
  // outline, and an empty desk stays empty, until the picture moves.
  if (!restLocated_) {
    PageQuad quad;
    pageFound_ = LocatePage(frame, degrees, quad);
    if (pageFound_) shared_.SetQuad(quad);
    restLocated_ = still;
  }
  if (!pageFound_ || !DetectionRunning() || shared_.pageDetected.load(std::memory_order_acquire)) return;
  // A page newly at rest has not been shot, whatever the flag says of the
  // page before it; cleared first, so the timer never sees the new page as
  // already shot.
  shared_.shotTaken.store(false, std::memory_order_release);
  shared_.pageDetected.store(true, std::memory_order_release);
}

}  // namespace imaging
