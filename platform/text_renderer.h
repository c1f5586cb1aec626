// Text set in a font by the platform, for the watermark: GDI on Windows,
// FreeType with a font found through fontconfig on Linux. The result is an
// ink-coverage mask that the picture code lays onto a picture itself, so the
// platform never touches picture pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// How much ink covers each pixel of a text block: 0 none, 255 full. Rows
// run from the top of the block down, `width` bytes each.
struct CoverageMask {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> coverage;

  bool Empty() const { return width <= 0 || height <= 0; }
  // Coverage at column x, row y counted from the top; 0 outside the mask.
  std::uint8_t At(int x, int yFromTop) const {
    if (x < 0 || yFromTop < 0 || x >= width || yFromTop >= height) return 0;
    return coverage[static_cast<std::size_t>(yFromTop) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
};

inline constexpr std::size_t kMaxTextBytes = 4096;
inline constexpr std::int64_t kMaxCoveragePixels = std::int64_t{1} << 26;

struct TextRequest {
  std::string text;         // UTF-8; a carriage return, a line feed or both start a new line
  std::string face;         // UTF-8 family name; the platform's interface font when it has no such face
  int characterHeight = 0;  // pixels from the top of the tallest glyphs to the bottom of the lowest
};

class TextRenderer {
 public:
  virtual ~TextRenderer() = default;
  // Sets the text with anti-aliased edges, each line centred in the block;
  // the block is as wide as the widest line and as high as its lines. An
  // empty mask when there is nothing to set, no font at all, or a block of
  // more than kMaxCoveragePixels. Only the first kMaxTextBytes bytes of the
  // text are set. Safe to call from any thread.
  virtual CoverageMask Render(const TextRequest& request) = 0;
};

TextRenderer& SystemTextRenderer();

}  // namespace platform
