#include "ui/preview_geometry.h"

#include "ui/controls.h"

namespace ui {

platform::Rect PreviewScreenRect(const platform::DialogWindow& window) {
  return window.ItemScreenRect(kPreviewControl);
}

platform::Rect PreviewClientRect(const platform::DialogWindow& window) {
  const platform::Rect screen = PreviewScreenRect(window);
  const platform::Point topLeft = window.ScreenToClient({screen.left, screen.top});
  const platform::Point bottomRight = window.ScreenToClient({screen.right, screen.bottom});
  return {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

}  // namespace ui
