#include "ui/preview_geometry.h"

#include "resources/dialog_ids.h"
#include "ui/main_dialog_timers.h"

namespace ui {

using namespace dialog_ids::main_dialog;

platform::Rect PreviewScreenRect(const platform::DialogWindow& window) {
  return window.ItemScreenRect(kPreviewControl);
}

platform::Rect PreviewClientRect(const platform::DialogWindow& window) {
  return ItemClientRect(window, kPreviewControl);
}

platform::Rect ItemClientRect(const platform::DialogWindow& window, int id) {
  const platform::Rect screen = window.ItemScreenRect(id);
  const platform::Point topLeft = window.ScreenToClient({screen.left, screen.top});
  const platform::Point bottomRight = window.ScreenToClient({screen.right, screen.bottom});
  return {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

std::int32_t TenThousandths(int value, int origin, int extent) {
  if (extent == 0) return 0;
  return static_cast<std::int32_t>(std::int64_t{value - origin} * 10000 / extent);
}

}  // namespace ui
