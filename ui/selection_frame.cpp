#include "ui/selection_frame.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

#include "resources/dialog_ids.h"
#include "ui/main_dialog_timers.h"
#include "ui/preview_geometry.h"

namespace ui {
namespace {

constexpr int kSmallestSide = 5;  // a frame must be wider and higher than this

platform::Point AsPoint(const settings::ClientPoint& point) { return {point.x, point.y}; }

}  // namespace

void SelectionFrame::OnLeftButtonDown(platform::Point at) {
  if (settings_.cropFrameShown) Hide();
  const platform::Point screen = window_->ClientToScreen(at);
  const platform::Rect preview = PreviewScreenRect(*window_);
  if (preview.left < screen.x && screen.x < preview.right && preview.top < screen.y && screen.y < preview.bottom) {
    settings_.cropFrameStart = {at.x, at.y};
    dragging_ = true;
  }
}

void SelectionFrame::OnMouseMove(unsigned keys, platform::Point at) {
  if (!dragging_) return;
  if (keys != platform::kMouseLeftButton) {
    // The button went up outside the dialog, or a key or another button is
    // held: the drag ends here, and a frame too small for a region stays drawn.
    dragging_ = false;
    ClearCropRegion();
    if (IsLargeEnough()) SetCropRegionFromCorners();
    return;
  }
  window_->StartTimer(kSelectionFrameTimer, kOverlayPeriod);
  const platform::Point screen = window_->ClientToScreen(at);
  const platform::Rect preview = PreviewScreenRect(*window_);
  if (preview.left < screen.x && screen.x < preview.right - 2 && preview.top < screen.y && screen.y < preview.bottom) {
    settings_.cropFrameEnd = {at.x, at.y};
  }
  Draw();
  settings_.cropFrameShown = true;
}

void SelectionFrame::OnLeftButtonUp() {
  if (settings_.cropFrameShown) {
    ClearCropRegion();
    if (IsLargeEnough()) {
      SetCropRegionFromCorners();
    } else {
      Hide();  // the frame vanishes with the video's next repaint
    }
  }
  dragging_ = false;
}

void SelectionFrame::PrepareShot() {
  if (settings_.cropFrameShown && IsLargeEnough()) {
    SetCropRegionFromCorners();
  } else {
    ClearCropRegion();
  }
}

void SelectionFrame::Hide() {
  ClearCropRegion();
  settings_.cropFrameShown = false;
  window_->StopTimer(kSelectionFrameTimer);
}

void SelectionFrame::ClearCropRegion() { source_.SetCropRegion(std::nullopt); }

void SelectionFrame::Draw() {
  const platform::Point start = AsPoint(settings_.cropFrameStart);
  const platform::Point end = AsPoint(settings_.cropFrameEnd);
  const std::array<platform::Point, 5> outline = {start, platform::Point{start.x, end.y}, end,
                                                  platform::Point{end.x, start.y}, start};
  window_->Draw()->Polyline(outline, kOverlayColour, 1);
}

bool SelectionFrame::IsLargeEnough() const {
  const platform::Point start = window_->ClientToScreen(AsPoint(settings_.cropFrameStart));
  const platform::Point end = window_->ClientToScreen(AsPoint(settings_.cropFrameEnd));
  return std::abs(start.x - end.x) > kSmallestSide && std::abs(start.y - end.y) > kSmallestSide;
}

void SelectionFrame::SetCropRegionFromCorners() {
  const platform::Point start = window_->ClientToScreen(AsPoint(settings_.cropFrameStart));
  const platform::Point end = window_->ClientToScreen(AsPoint(settings_.cropFrameEnd));
  const platform::Rect preview = PreviewScreenRect(*window_);
  const int width = preview.right - preview.left;
  const int height = preview.bottom - preview.top;
  source_.SetCropRegion(geometry::FrameFractions{TenThousandths(std::min(start.x, end.x), preview.left, width),
                                                 TenThousandths(std::min(start.y, end.y), preview.top, height),
                                                 TenThousandths(std::max(start.x, end.x), preview.left, width),
                                                 TenThousandths(std::max(start.y, end.y), preview.top, height)});
}

}  // namespace ui
