// The selection frame: outside ID-card mode the user drags a rectangle over
// the live preview, and the next shots are cut to it. The frame's corners
// and whether it is shown live in the settings; the region handed to the
// source is in ten-thousandths of the frame, so it does not depend on the
// preview's size in pixels.
#pragma once

#include "platform/dialog.h"
#include "settings/settings.h"
#include "ui/source_port.h"

namespace ui {

class SelectionFrame {
 public:
  SelectionFrame(settings::Settings& settings, SourcePort& source) : settings_(settings), source_(source) {}

  void Attach(platform::DialogWindow* window) { window_ = window; }

  void OnLeftButtonDown(platform::Point at);
  void OnMouseMove(unsigned keys, platform::Point at);
  void OnLeftButtonUp();

  // Before a shot: the shown frame becomes the crop region when it is more
  // than 5 pixels wide and high; otherwise, and without a frame, the shot is not cut.
  void PrepareShot();
  // Removes the frame and its crop region.
  void Hide();
  // The crop mode goes back to "none"; the frame stays as it is.
  void ClearCropRegion();
  // Draws the frame with its current corners (the selection timer repeats this).
  void Draw();

 private:
  // Whether the frame's corners lie more than 5 screen pixels apart both ways.
  bool IsLargeEnough() const;
  void SetCropRegionFromCorners();

  settings::Settings& settings_;
  SourcePort& source_;
  platform::DialogWindow* window_ = nullptr;
  bool dragging_ = false;
};

}  // namespace ui
