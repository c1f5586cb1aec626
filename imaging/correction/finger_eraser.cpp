// Finger erasing: skin-coloured regions reaching into the page from its
// left or right side are painted with the paper's colour.
#include <algorithm>
#include <vector>

#include "imaging/correction/page_steps.h"

namespace imaging::correction::detail {

namespace {

// A finger is at most this share of the page's width and height.
constexpr int kMaxFingerWidthPercent = 30;
constexpr int kMaxFingerHeightPercent = 40;
// Grown by this much, to take the finger's soft edge and shadow too.
constexpr int kGrowth = 2;

// Skin by its chroma (Cb 77..127, Cr 133..173) and a warm cast (red over
// green over blue, red at least 20 above blue).
bool IsSkin(const std::uint8_t* bgr) {
  const int b = bgr[0];
  const int g = bgr[1];
  const int r = bgr[2];
  const int cb = 128 + (-43 * r - 85 * g + 128 * b) / 256;
  const int cr = 128 + (128 * r - 107 * g - 21 * b) / 256;
  return cb >= 77 && cb <= 127 && cr >= 133 && cr <= 173 && r > g && g > b && r - b >= 20;
}

struct Region {
  std::vector<std::size_t> pixels;  // indices into the area, rows from the top
  int left, top, right, bottom;     // inclusive, in area coordinates
};

}  // namespace

int EraseFingers(Picture& picture, Rect area, Rgb paper) {
  const int w = area.right - area.left;
  const int h = area.bottom - area.top;
  if (w < 3 || h < 3) return 0;
  const auto at = [w](int x, int y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
  };
  auto pixel = [&](int x, int y) {
    return picture.Row(picture.Height() - 1 - (area.top + y)) + 3 * static_cast<std::ptrdiff_t>(area.left + x);
  };
  std::vector<std::uint8_t> skin(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) skin[at(x, y)] = IsSkin(pixel(x, y));
  }

  std::vector<std::uint8_t> erase(skin.size(), 0);
  std::vector<std::size_t> stack;
  for (std::size_t start = 0; start < skin.size(); ++start) {
    if (skin[start] != 1) continue;
    Region region{{}, w, h, -1, -1};
    skin[start] = 2;
    stack.push_back(start);
    while (!stack.empty()) {
      const std::size_t i = stack.back();
      stack.pop_back();
      region.pixels.push_back(i);
      const int x = static_cast<int>(i % static_cast<std::size_t>(w));
      const int y = static_cast<int>(i / static_cast<std::size_t>(w));
      region.left = std::min(region.left, x);
      region.right = std::max(region.right, x);
      region.top = std::min(region.top, y);
      region.bottom = std::max(region.bottom, y);
      const auto visit = [&](int nx, int ny) {
        if (nx < 0 || ny < 0 || nx >= w || ny >= h || skin[at(nx, ny)] != 1) return;
        skin[at(nx, ny)] = 2;
        stack.push_back(at(nx, ny));
      };
      visit(x - 1, y);
      visit(x + 1, y);
      visit(x, y - 1);
      visit(x, y + 1);
    }
    const bool reachesSide = region.left <= kGrowth || region.right >= w - 1 - kGrowth;
    const bool fingerSized = (region.right - region.left + 1) * 100 <= w * kMaxFingerWidthPercent &&
                             (region.bottom - region.top + 1) * 100 <= h * kMaxFingerHeightPercent;
    if (!reachesSide || !fingerSized) continue;
    for (std::size_t i : region.pixels) {
      const int x = static_cast<int>(i % static_cast<std::size_t>(w));
      const int y = static_cast<int>(i / static_cast<std::size_t>(w));
      for (int dy = -kGrowth; dy <= kGrowth; ++dy) {
        for (int dx = -kGrowth; dx <= kGrowth; ++dx) {
          const int nx = x + dx;
          const int ny = y + dy;
          if (nx >= 0 && ny >= 0 && nx < w && ny < h) erase[at(nx, ny)] = 1;
        }
      }
    }
  }

  int painted = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (!erase[at(x, y)]) continue;
      std::uint8_t* p = pixel(x, y);
      p[0] = paper.blue;
      p[1] = paper.green;
      p[2] = paper.red;
      ++painted;
    }
  }
  return painted;
}

}  // namespace imaging::correction::detail
