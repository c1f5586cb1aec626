// The light content's rectangle, by four scans with a shared run counter.
#include "imaging/correction/colour_rows.h"
#include "imaging/correction/correction.h"

namespace imaging::correction {

namespace {

// trunc(lightness) >= 129.
constexpr int kLight1000 = 129000;

class RunScan {
 public:
  RunScan(const Picture& picture) : picture_(picture), limit_(picture.Height() / 10) {}

  // Counts the pixel at (x, y), rows from the bottom; true once the run
  // exceeds the limit.
  bool Hit(int x, int y) {
    const std::uint8_t* pixel = picture_.Row(y) + 3 * static_cast<std::ptrdiff_t>(x);
    run_ = detail::Lightness1000(pixel) >= kLight1000 ? run_ + 1 : 0;
    return run_ > limit_;
  }

 private:
  const Picture& picture_;
  int limit_;
  int run_ = 0;
};

}  // namespace

void FindContentRect(const Picture& input, Rect& rect) {
  Picture storage;
  const Picture& picture = detail::AsColour(input, storage);
  if (picture.Empty()) return;
  const int w = picture.Width();
  const int h = picture.Height();

  // Each scan returns as soon as its run is long enough; an edge it does
  // not find is 0, so that a picture without light content gives an empty
  // rectangle (which crops nothing and outlines nothing).
  [&] {
    RunScan scan(picture);
    for (int x = 0; x < w; ++x) {
      for (int y = 0; y < h; ++y) {
        if (scan.Hit(x, y)) {
          rect.left = x;
          return;
        }
      }
    }
    rect.left = 0;
  }();
  [&] {
    RunScan scan(picture);
    for (int x = w - 1; x >= 0; --x) {
      for (int y = 0; y < h; ++y) {
        if (scan.Hit(x, y)) {
          rect.right = x;
          return;
        }
      }
    }
    rect.right = 0;
  }();
  [&] {
    RunScan scan(picture);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        if (scan.Hit(x, y)) {
          rect.bottom = h - y;
          return;
        }
      }
    }
    rect.bottom = 0;
  }();
  [&] {
    RunScan scan(picture);
    for (int y = h - 1; y >= 0; --y) {
      for (int x = w - 1; x >= 0; --x) {
        if (scan.Hit(x, y)) {
          rect.top = h - y;
          return;
        }
      }
    }
    rect.top = 0;
  }();
}

}  // namespace imaging::correction
