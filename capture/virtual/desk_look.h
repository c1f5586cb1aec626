// The virtual camera's desk as real desks look: wood grain, objects lying
// beside the pages, shadows, uneven light and vignetting, and a camera that
// looks at the desk slightly from the front (a trapezoid of desk fills the
// frame). The scene lines that describe it and the drawing steps of a frame.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "capture/virtual/scene.h"

namespace capture {

// Whether `keyword` starts a desk line: wood, object, shadow, vignette, light, perspective.
bool IsDeskLookLine(std::string_view keyword);

// Reads a desk line's values into `look`; false, with `error` set, when a value is wrong.
bool ReadDeskLookLine(std::string_view keyword, const std::vector<std::string>& values, DeskLook& look,
                      std::string& error);

// The steps of drawing a frame (rows bottom-up, FrameStride(width) bytes
// each) at `pixelsPerMm`: the desk with its objects, before the pages...
void DrawDesk(const Scene& scene, double pixelsPerMm, std::int32_t width, std::int32_t height,
              std::vector<std::uint8_t>& frame);
// ...then the shadows and the light over everything, and the perspective.
void LightAndSee(const Scene& scene, double pixelsPerMm, std::int32_t width, std::int32_t height,
                 std::vector<std::uint8_t>& frame);

// Where a point of the flat desk (frame pixels without perspective) is seen in the frame.
void SeenAt(const DeskLook& look, std::int32_t width, std::int32_t height, double& x, double& y);

}  // namespace capture
