#include "ui/page_outline.h"

#include <algorithm>
#include <cstdint>

#include "ui/preview_geometry.h"

namespace ui {
namespace {

// a / b truncated when that quotient is positive, else 0 (also for b = 0:
// before the camera has chosen a format the outline collapses to the corner).
int PositiveQuotient(std::int64_t a, std::int64_t b) {
  if (b == 0) return 0;
  const std::int64_t quotient = a / b;
  return quotient > 0 ? static_cast<int>(quotient) : 0;
}

}  // namespace

std::array<platform::Point, 4> MapOutline(const imaging::PageQuad& quad, const platform::Rect& preview,
                                          const settings::VideoFormat& format) {
  const std::int64_t w = preview.right - preview.left;
  const std::int64_t h = preview.bottom - preview.top;
  const std::int64_t wf = format.width;
  const std::int64_t hf = format.height;
  const auto nearCorner = [&](imaging::PageQuad::Corner c) {
    return platform::Point{preview.left + 1 + PositiveQuotient(w * c.x, wf),
                           preview.top + PositiveQuotient(h * c.y, hf)};
  };
  const auto farCorner = [&](imaging::PageQuad::Corner c) {
    return platform::Point{preview.right - 3 - PositiveQuotient((wf - c.x) * w, wf),
                           preview.bottom - 2 - PositiveQuotient((hf - c.y) * h, hf)};
  };
  platform::Point p1 = nearCorner(quad.corners[0]);
  platform::Point p2 = farCorner(quad.corners[1]);
  p2.y = std::max(p2.y, preview.top);
  platform::Point p3 = nearCorner(quad.corners[2]);
  p3.y = std::min(p3.y, preview.bottom - 2);
  platform::Point p4 = farCorner(quad.corners[3]);
  return {p1, p2, p4, p3};
}

void DrawPageOutline(platform::DialogWindow& window, const imaging::PageQuad& quad,
                     const settings::VideoFormat& format) {
  const std::array<platform::Point, 4> screen = MapOutline(quad, PreviewScreenRect(window), format);
  std::array<platform::Point, 5> outline;
  for (std::size_t i = 0; i < screen.size(); ++i) outline[i] = window.ScreenToClient(screen[i]);
  outline[4] = outline[0];
  window.Draw()->Polyline(outline, kOverlayColour, 3);
}

}  // namespace ui
