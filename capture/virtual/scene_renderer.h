// Draws the frames of a scene: the desk as it is at a given frame, seen from
// above, as 24-bit rows bottom-up padded to four bytes. The picture of a
// frame depends only on the scene, the frame's index and the frame size.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "capture/virtual/scene.h"
#include "capture/virtual/scene_pictures.h"

namespace capture {

struct PlacedPage {
  std::size_t page = 0;  // index into Scene::pages
  PagePose pose;
  friend bool operator==(const PlacedPage&, const PlacedPage&) = default;
};

// The pages on the desk, bottom first, and the recorded picture shown in
// place of the desk (index into Scene::pictures), if any.
struct DeskState {
  std::vector<PlacedPage> pages;
  std::optional<std::size_t> picture;
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

// A point of a frame in pixels from its top-left corner, y downwards.
struct FramePoint {
  double x = 0;
  double y = 0;
};

// The corners of a placed page in a frame `width` pixels wide, as the
// renderer draws it: the page's own top-left, top-right, bottom-right and
// bottom-left corners, seen in the desk's perspective when the frame's
// height is given. For measuring what a frame shows against the truth.
std::array<FramePoint, 4> PageCorners(const Scene& scene, const PlacedPage& placed, std::int32_t width,
                                      std::int32_t height = 0);

class SceneRenderer {
 public:
  explicit SceneRenderer(std::shared_ptr<const Scene> scene);

  const Scene& GetScene() const { return *scene_; }

  // Fills `frame` with the desk: FrameStride(width) * height bytes, the
  // first row in memory being the bottom row of the picture. Sizes below 1
  // give an empty frame.
  void Render(const DeskState& desk, std::int32_t width, std::int32_t height, std::vector<std::uint8_t>& frame) const;

 private:
  // A page's text and lines as a mask, one byte a texel: 1 where ink is,
  // 2 where the photograph is.
  struct Texture {
    int columns = 0;
    int rows = 0;
    double texelsPerMm = 0;
    std::vector<std::uint8_t> ink;
    // Where the photograph lies on the page, in mm (empty without one).
    double photoLeft = 0, photoTop = 0, photoRight = 0, photoBottom = 0;
  };
  const Texture& TextureOf(std::size_t page) const;
  static void PhotoColour(const Texture& texture, double u, double v, std::uint8_t* bgr);
  void DrawPage(const PlacedPage& placed, double pixelsPerMm, std::int32_t width, std::int32_t height,
                std::vector<std::uint8_t>& frame) const;

  std::shared_ptr<const Scene> scene_;
  PicturePlayer pictures_;
  mutable std::mutex texturesMutex_;
  mutable std::vector<std::unique_ptr<Texture>> textures_;
};

}  // namespace capture
