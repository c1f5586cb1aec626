// What the page detection on the streaming thread shares with the dialog's
// thread: whether the user started the automatic scanning's detection,
// whether a resting page lies under the camera, whether it has been shot,
// whether the outline overlay is on, and the page's outline. Each is a
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
  // Set by the automatic scanning's Start, cleared by its End and when its dialog closes.
  std::atomic<bool> autoScanRunning{false};
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
    outlineFound_.store(true, std::memory_order_release);
  }
  // Whether any outline was found since the library was loaded: before
  // that the corners are all 0 and outline nothing.
  bool HasOutline() const { return outlineFound_.load(std::memory_order_acquire); }

 private:
  std::array<std::atomic<int>, 8> coordinates_{};
  std::atomic<bool> outlineFound_{false};
};

}  // namespace imaging
