// Pictures of pages made for the correction's tests: a desk, pages of
// text lines, spreads, fingers, bent lines and rendered virtual-camera
// frames with their truth. Rectangles count from the top-left.
#pragma once

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "capture/virtual/scene_renderer.h"
#include "imaging/picture.h"
#include "imaging/picture_operations.h"

namespace correction_testing {

using imaging::Picture;
using imaging::Rect;
using imaging::Rgb;

inline constexpr Rgb kDesk{60, 62, 66};
inline constexpr Rgb kPaper{245, 244, 238};
inline constexpr Rgb kInk{25, 25, 30};
inline constexpr Rgb kSkin{224, 172, 140};

inline Picture Desk(int width, int height, Rgb colour = kDesk) {
  Picture picture(width, height, 24);
  picture.Fill({0, 0, width, height}, colour);
  return picture;
}

// A page at `page` with lines of words (bars 4 pixels high every 14, the
// gaps between words changing from line to line) inside margins of
// `margin` pixels.
inline void DrawPage(Picture& picture, Rect page, int margin = 20) {
  picture.Fill(page, kPaper);
  int line = 0;
  for (int y = page.top + margin; y + 4 <= page.bottom - margin; y += 14, ++line) {
    int x = page.left + margin;
    for (int word = 0; x < page.right - margin; ++word) {
      const int length = 12 + (line * 7 + word * 11) % 23;
      picture.Fill({x, y, std::min(x + length, page.right - margin), y + 4}, kInk);
      x += length + 6;
    }
  }
}

// Sets the pixel at column x, row y counted from the top.
inline void Put(Picture& picture, int x, int y, Rgb colour) { picture.SetPixel(x, picture.Height() - 1 - y, colour); }
inline Rgb At(const Picture& picture, int x, int y) { return picture.GetPixel(x, picture.Height() - 1 - y); }

// Moves the pixel at (x, y) of `area` down by `bend(x, y)` pixels (rows
// pulled from above; rows coming in from outside take the paper's colour).
template <class Bend>
Picture Bent(const Picture& picture, Rect area, Bend bend) {
  Picture out = picture;
  for (int x = area.left; x < area.right; ++x) {
    for (int y = area.top; y < area.bottom; ++y) {
      const int from = y - static_cast<int>(std::lround(bend(x, y)));
      Put(out, x, y, from >= area.top && from < area.bottom ? At(picture, x, from) : kPaper);
    }
  }
  return out;
}

// The top row of the first line of ink on the paper in column x (-1 without ink).
inline int FirstInkRow(const Picture& picture, int x) {
  bool onPaper = false;
  for (int y = 0; y < picture.Height(); ++y) {
    const Rgb c = At(picture, x, y);
    const bool dark = c.red < 120 && c.green < 120 && c.blue < 120;
    if (dark && onPaper) return y;
    onPaper = onPaper || !dark;
  }
  return -1;
}

// How bent the first line of text is between columns `from` and `to`: the
// spread of the rows where its ink starts. Each column looks 4 columns to
// either side, so that the gaps between words do not count.
inline int FirstLineSpread(const Picture& picture, int from, int to) {
  int lowest = 1 << 20, highest = -1;
  for (int x = from + 4; x < to - 4; x += 3) {
    int row = 1 << 20;
    for (int dx = -4; dx <= 4; ++dx) {
      const int found = FirstInkRow(picture, x + dx);
      if (found >= 0) row = std::min(row, found);
    }
    if (row == 1 << 20) continue;
    lowest = std::min(lowest, row);
    highest = std::max(highest, row);
  }
  return highest - lowest;
}

inline bool IsSkinLike(Rgb c) { return c.red > 180 && c.red - c.blue > 50 && c.green < 200; }

inline int SkinPixels(const Picture& picture) {
  int count = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) count += IsSkinLike(picture.GetPixel(x, y));
  }
  return count;
}

// A frame of the virtual camera: `sceneText` at frame `index`, drawn at
// width × height, with the desk it shows.
struct RenderedFrame {
  Picture picture;
  capture::DeskState desk;
  std::shared_ptr<const capture::Scene> scene;
};

inline RenderedFrame Render(const std::string& sceneText, int width, int height, std::int64_t index = 0) {
  const capture::SceneParseResult parsed = capture::ParseScene(sceneText);
  RenderedFrame frame;
  if (!parsed.scene) return frame;
  frame.scene = std::make_shared<const capture::Scene>(*parsed.scene);
  frame.desk = capture::DeskAt(*frame.scene, index);
  std::vector<std::uint8_t> bytes;
  capture::SceneRenderer(frame.scene).Render(frame.desk, width, height, bytes);
  frame.picture = Picture::FromBgrRows(bytes, width, height, capture::FrameStride(width));
  return frame;
}

// The bounding box of the frame's top page once the picture is turned
// clockwise by `turn` degrees about its centre, clipped to the picture.
inline Rect TruePage(const RenderedFrame& frame, double turn) {
  const int w = frame.picture.Width();
  const int h = frame.picture.Height();
  const double radians = turn * std::numbers::pi / 180.0;
  double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
  for (const capture::FramePoint& p : capture::PageCorners(*frame.scene, frame.desk.pages.back(), w)) {
    const double dx = p.x - w / 2.0;
    const double dy = p.y - h / 2.0;
    const double x = dx * std::cos(radians) - dy * std::sin(radians) + w / 2.0;
    const double y = dx * std::sin(radians) + dy * std::cos(radians) + h / 2.0;
    left = std::min(left, x), top = std::min(top, y), right = std::max(right, x), bottom = std::max(bottom, y);
  }
  return {std::max(0, static_cast<int>(std::lround(left))), std::max(0, static_cast<int>(std::lround(top))),
          std::min(w, static_cast<int>(std::lround(right))), std::min(h, static_cast<int>(std::lround(bottom)))};
}

inline double Overlap(Rect a, Rect b) {
  auto area = [](Rect r) { return std::max(0, r.right - r.left) * static_cast<double>(std::max(0, r.bottom - r.top)); };
  const Rect common{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
  const double both = area(common);
  return both / (area(a) + area(b) - both);
}

}  // namespace correction_testing
