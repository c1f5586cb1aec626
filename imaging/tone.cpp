// Brightness and contrast through a table of the 256 channel values.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "imaging/picture_operations.h"

namespace imaging {

void AdjustBrightnessContrast(Picture& picture, int brightness, int contrast) {
  if (picture.Empty()) return;
  std::array<std::uint8_t, 256> table{};
  for (int v = 0; v < 256; ++v) {
    const double adjusted = std::trunc(brightness + 128.0 + (v - 128.0) * (100.0 + contrast) / 100.0 + 0.5);
    table[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(std::clamp(adjusted, 0.0, 255.0));
  }
  if (picture.BitsPerPixel() != 24) {
    std::vector<Rgb> palette = picture.Palette();
    for (Rgb& entry : palette) entry = Rgb{table[entry.red], table[entry.green], table[entry.blue]};
    picture.SetPalette(std::move(palette));
    return;
  }
  // Only the pixels: the row padding stays zero.
  const std::size_t used = static_cast<std::size_t>(picture.Width()) * 3;
  for (int y = 0; y < picture.Height(); ++y) {
    std::uint8_t* row = picture.Row(y);
    for (std::size_t i = 0; i < used; ++i) row[i] = table[row[i]];
  }
}

}  // namespace imaging
