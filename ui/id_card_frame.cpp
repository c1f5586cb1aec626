#include "ui/id_card_frame.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "ui/preview_geometry.h"

namespace ui {
namespace {

constexpr int kZoneReach = 20;     // a zone is a box of ±20 pixels round its point
constexpr int kSmallestSide = 20;  // the frame stays wider and higher than this
constexpr int kEdgeMargin = 5;     // and keeps this far inside the preview

// Which edges a zone's drag moves.
struct EdgeMask {
  bool left = false;
  bool top = false;
  bool right = false;
  bool bottom = false;
};

enum Zone {
  kInside = 1,
  kBottomLeft,
  kBottomRight,
  kTopLeft,
  kTopRight,
  kLeftMiddle,
  kBottomMiddle,
  kTopMiddle,
  kRightMiddle
};

bool Near(platform::Point at, int x, int y) {
  return x - kZoneReach < at.x && at.x < x + kZoneReach && y - kZoneReach < at.y && at.y < y + kZoneReach;
}

// The first zone of the frame that holds `at`, in the order they are tested; 0 for none.
int ZoneAt(const platform::Rect& f, platform::Point at) {
  const int cx = (f.left + f.right) / 2;
  const int cy = (f.top + f.bottom) / 2;
  if (f.left + kZoneReach < at.x && at.x < f.right - kZoneReach && f.top + kZoneReach < at.y &&
      at.y < f.bottom - kZoneReach) {
    return kInside;
  }
  const std::array<platform::Point, 8> points = {platform::Point{f.left, f.bottom},
                                                 {f.right, f.bottom},
                                                 {f.left, f.top},
                                                 {f.right, f.top},
                                                 {f.left, cy},
                                                 {cx, f.bottom},
                                                 {cx, f.top},
                                                 {f.right, cy}};
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (Near(at, points[i].x, points[i].y)) return static_cast<int>(i) + kBottomLeft;
  }
  return 0;
}

platform::Cursor ZoneCursor(int zone) {
  switch (zone) {
    case kInside:
      return platform::Cursor::Hand;
    case kBottomLeft:
    case kTopRight:
      return platform::Cursor::SizeNeSw;
    case kBottomRight:
    case kTopLeft:
      return platform::Cursor::SizeNwSe;
    case kLeftMiddle:
    case kRightMiddle:
      return platform::Cursor::SizeWe;
    default:
      return platform::Cursor::SizeNs;
  }
}

// The edge-middle zones are tested and moved as the corner they belong to,
// with the other delta set to zero; the inside moves all four edges.
EdgeMask ZoneEdges(int zone) {
  switch (zone) {
    case kInside:
      return {true, true, true, true};
    case kBottomLeft:
    case kLeftMiddle:
      return {true, false, false, true};
    case kBottomRight:
    case kBottomMiddle:
      return {false, false, true, true};
    case kTopLeft:
    case kTopMiddle:
      return {true, true, false, false};
    default:  // top-right, right middle
      return {false, true, true, false};
  }
}

// Whether moving the near edge `low` or the far edge `high` by `delta` keeps
// the frame inside the preview span [first, last] and wider than the minimum.
// A delta of 0 counts as positive.
bool LowEdgeMayMove(int low, int high, int first, int delta) {
  return delta >= 0 ? low + delta + kSmallestSide < high : low + delta > first + kEdgeMargin;
}
bool HighEdgeMayMove(int low, int high, int last, int delta) {
  return delta >= 0 ? high + delta + kEdgeMargin < last : high + delta > low + kSmallestSide;
}

}  // namespace

void IdCardFrame::Clear() {
  frame_ = {};
  lastMouse_ = {};
}

void IdCardFrame::Place() {
  const platform::Rect p = PreviewClientRect(*window_);
  const std::int64_t w = p.right - p.left;
  const std::int64_t h = p.bottom - p.top;
  frame_.top = static_cast<int>(p.top + h * settings_.idUp / 10000);
  frame_.bottom = static_cast<int>((p.bottom - 1) - ((10000 - std::int64_t{settings_.idDown}) * h + 5000) / 10000);
  frame_.left = static_cast<int>(p.left + w * settings_.idLeft / 10000 + 1);
  frame_.right = static_cast<int>((p.right - 1) - ((10000 - std::int64_t{settings_.idRight}) * w + 5000) / 10000);
}

void IdCardFrame::OnMouseMove(unsigned keys, platform::Point at) {
  int zone = ZoneAt(frame_, at);
  if (zone == 0) return;
  window_->SetCursor(ZoneCursor(zone));
  if (keys != platform::kMouseLeftButton) {
    lastMouse_ = {};
    return;
  }
  if (lastMouse_.x != 0 && lastMouse_.y != 0) {
    int dx = at.x - lastMouse_.x;
    int dy = at.y - lastMouse_.y;
    if (zone == kLeftMiddle || zone == kRightMiddle) dy = 0;
    if (zone == kTopMiddle || zone == kBottomMiddle) dx = 0;
    Drag(zone, dx, dy);
  }
  lastMouse_ = at;
}

void IdCardFrame::Drag(int zone, int dx, int dy) {
  const platform::Rect p = PreviewClientRect(*window_);
  const EdgeMask edges = ZoneEdges(zone);
  platform::Rect& f = frame_;
  // The whole frame follows the edge that leads the move.
  const bool moveRightTest = edges.right && (zone != kInside || dx >= 0);
  const bool moveBottomTest = edges.bottom && (zone != kInside || dy >= 0);
  const bool horizontal =
      moveRightTest ? HighEdgeMayMove(f.left, f.right, p.right, dx) : LowEdgeMayMove(f.left, f.right, p.left, dx);
  const bool vertical =
      moveBottomTest ? HighEdgeMayMove(f.top, f.bottom, p.bottom, dy) : LowEdgeMayMove(f.top, f.bottom, p.top, dy);
  if (!horizontal || !vertical) return;
  if (edges.left) f.left += dx;
  if (edges.right) f.right += dx;
  if (edges.top) f.top += dy;
  if (edges.bottom) f.bottom += dy;
  StoreInSettings(p);
}

void IdCardFrame::StoreInSettings(const platform::Rect& p) {
  const int w = p.right - p.left;
  const int h = p.bottom - p.top;
  settings_.idLeft = TenThousandths(frame_.left, p.left, w);
  settings_.idRight = TenThousandths(frame_.right, p.left, w);
  settings_.idUp = TenThousandths(frame_.top, p.top, h);
  settings_.idDown = TenThousandths(frame_.bottom, p.top, h);
}

void IdCardFrame::Draw(bool backNext) {
  const platform::Rect& f = frame_;
  const int cx = (f.left + f.right) / 2;
  const int cy = (f.top + f.bottom) / 2;
  const std::unique_ptr<platform::Canvas> canvas = window_->Draw();
  const std::array<platform::Point, 5> outline = {
      platform::Point{f.left, f.top}, {f.left, f.bottom}, {f.right, f.bottom}, {f.right, f.top}, {f.left, f.top}};
  canvas->Polyline(outline, kOverlayColour, 1);
  const std::array<platform::Point, 2> across = {platform::Point{cx - 10, cy}, {cx + 10, cy}};
  const std::array<platform::Point, 2> down = {platform::Point{cx, cy - 10}, {cx, cy + 10}};
  canvas->Polyline(across, kOverlayColour, 1);
  canvas->Polyline(down, kOverlayColour, 1);
  const std::array<platform::Point, 8> handles = {platform::Point{f.left, f.top},
                                                  {f.left, f.bottom},
                                                  {f.right, f.bottom},
                                                  {f.right, f.top},
                                                  {cx, f.top},
                                                  {f.left, cy},
                                                  {cx, f.bottom},
                                                  {f.right, cy}};
  for (const platform::Point& handle : handles) {
    canvas->Rectangle({handle.x - 3, handle.y - 3, handle.x + 3, handle.y + 3}, kOverlayColour, 1);
  }
  // 13 points on a screen of 96 dots per inch, as a character height.
  const platform::FontRequest font{-17, 0, false, 0, 0, "Arial"};
  const std::string_view side = backNext ? "Back" : "Front";
  canvas->Text({f.left + 8, f.top + 8}, side, font, kOverlayColour);
}

}  // namespace ui
