// The ID-card guide frame: in ID-card mode a frame with handles shows where
// the card must lie. The user moves it and pulls its edges and corners; its
// place, kept in the settings in ten-thousandths of the preview, is where
// the ID-card pictures are cut out.
#pragma once

#include "platform/dialog.h"
#include "settings/settings.h"

namespace ui {

class IdCardFrame {
 public:
  explicit IdCardFrame(settings::Settings& settings) : settings_(settings) {}

  void Attach(platform::DialogWindow* window) { window_ = window; }

  // Forgets the frame and the last mouse position.
  void Clear();
  // Places the frame from the settings over the current preview.
  void Place();
  // A mouse move in ID-card mode: sets the cursor of the zone under the
  // mouse and, with the left button held, moves the zone's edges.
  void OnMouseMove(unsigned keys, platform::Point at);
  // The frame, its centre cross, eight handles and which side comes next.
  void Draw(bool backNext);

  platform::Rect Frame() const { return frame_; }

 private:
  // Applies a drag of (dx, dy) to the edges the zone moves, if the frame
  // keeps its limits on both axes; then records the new place in the settings.
  void Drag(int zone, int dx, int dy);
  void StoreInSettings(const platform::Rect& preview);

  settings::Settings& settings_;
  platform::DialogWindow* window_ = nullptr;
  platform::Rect frame_;
  platform::Point lastMouse_;  // (0, 0): none
};

}  // namespace ui
