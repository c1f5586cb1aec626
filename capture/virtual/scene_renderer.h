// Draws the frames of a scene: the desk as it is at a given frame, seen from
// above, as 24-bit rows bottom-up padded to four bytes. The picture of a
// frame depends only on the scene, the frame's index and the frame size.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "capture/virtual/scene.h"

namespace capture {

struct PlacedPage {
  std::size_t page = 0;  // index into Scene::pages
  PagePose pose;
  friend bool operator==(const PlacedPage&, const PlacedPage&) = default;
};

// The pages on the desk, bottom first.
struct DeskState {
  std::vector<PlacedPage> pages;
  friend bool operator==(const DeskState&, const DeskState&) = default;
};

// How many frames a script step of `milliseconds` lasts at the scene's rate:
// at least one.
std::int64_t StepFrames(const Scene& scene, double milliseconds);

// The desk as frame `index` (0 = the first frame after the camera starts)
// shows it. A move of n frames shows its k-th frame (0-based) at (k + 1) / n
// of the way. After the script's end the last desk stays, or the script
// starts again from an empty desk when the scene loops.
DeskState DeskAt(const Scene& scene, std::int64_t index);

class SceneRenderer {
 public:
  explicit SceneRenderer(std::shared_ptr<const Scene> scene);

  const Scene& GetScene() const { return *scene_; }

  // Fills `frame` with the desk: FrameStride(width) * height bytes, the
  // first row in memory being the bottom row of the picture. Sizes below 1
  // give an empty frame.
  void Render(const DeskState& desk, std::int32_t width, std::int32_t height, std::vector<std::uint8_t>& frame) const;

 private:
  // A page's text and lines as a mask, one byte a texel: 1 where ink is.
  struct Texture {
    int columns = 0;
    int rows = 0;
    double texelsPerMm = 0;
    std::vector<std::uint8_t> ink;
  };
  const Texture& TextureOf(std::size_t page) const;
  void DrawPage(const PlacedPage& placed, double pixelsPerMm, std::int32_t width, std::int32_t height,
                std::vector<std::uint8_t>& frame) const;

  std::shared_ptr<const Scene> scene_;
  mutable std::mutex texturesMutex_;
  mutable std::vector<std::unique_ptr<Texture>> textures_;
};

}  // namespace capture
