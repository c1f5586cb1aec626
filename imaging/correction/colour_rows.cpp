#include "imaging/correction/colour_rows.h"

namespace imaging::correction::detail {

const Picture& AsColour(const Picture& picture, Picture& storage) {
  if (picture.Empty() || picture.BitsPerPixel() == 24) return picture;
  storage = Picture(picture.Width(), picture.Height(), 24);
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) storage.SetPixel(x, y, picture.GetPixel(x, y));
  }
  storage.SetDpiX(picture.DpiX());
  storage.SetDpiY(picture.DpiY());
  return storage;
}

}  // namespace imaging::correction::detail
