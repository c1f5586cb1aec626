// What the page detection on the streaming thread shares with the dialog's
// thread: whether a resting page lies under the camera, whether it has been
// shot, whether the outline overlay is on, and the page's outline. Each is a
// single atomic word written whole; the dialog may draw an outline whose
// corners come from two successive frames, which is harmless.
#pragma once

#include <array>
#include <atomic>

namespace imaging {

// The page's corners in frame pixels: P1 (left, top), P2 (right, top),
// P3 (left, bottom), P4 (right, bottom).
struct PageQuad {
  struct Corner {
    int x = 0;
    int y = 0;
  };
  std::array<Corner, 4> corners{};
};

class DetectedPage {
 public:
  std::atomic<bool> pageDetected{false};
  std::atomic<bool> shotTaken{false};
  // Set while both corrections are on: the detection then outlines the page
  // without waiting for it to rest.
  std::atomic<bool> edgeOverlayOn{true};

  PageQuad Quad() const {
    PageQuad quad;
    for (std::size_t i = 0; i < quad.corners.size(); ++i) {
      quad.corners[i] = {coordinates_[2 * i].load(std::memory_order_acquire),
                         coordinates_[2 * i + 1].load(std::memory_order_acquire)};
    }
    return quad;
  }
  void SetQuad(const PageQuad& quad) {
    for (std::size_t i = 0; i < quad.corners.size(); ++i) {
      coordinates_[2 * i].store(quad.corners[i].x, std::memory_order_release);
      coordinates_[2 * i + 1].store(quad.corners[i].y, std::memory_order_release);
    }
  }

 private:
  std::array<std::atomic<int>, 8> coordinates_{};
};

}  // namespace imaging
