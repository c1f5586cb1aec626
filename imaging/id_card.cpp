#include "imaging/id_card.h"

#include "imaging/picture_file.h"
#include "imaging/picture_operations.h"

namespace imaging {

PageSize IdCardPageSize(int frameWidth) {
  if (frameWidth <= 1600) return {1104, 1560};
  if (frameWidth <= 2048) return {1413, 1987};
  if (frameWidth <= 2592) return {1789, 2515};
  if (frameWidth <= 3264) return {2253, 3180};
  return {2521, 3566};
}

Picture ComposeIdCardPage(Picture front, Picture back, PageSize page) {
  const int half = page.height / 2;
  Crop(front, {0, 0, page.width, half});
  Crop(back, {0, 0, page.width, half});
  Picture composed = back.BlankLike(page.width, page.height);
  composed.Fill({0, 0, page.width, page.height}, kWhite);
  // Rows count from the bottom: the back goes into the lower half.
  Paste(composed, back, (page.width - back.Width()) / 2, (half - back.Height()) / 2);
  if (!front.Empty()) {
    Paste(composed, front, (page.width - front.Width()) / 2, half + (half - front.Height()) / 2);
  }
  return composed;
}

void HandleIdCard(Picture& picture, const IdCardShot& shot) {
  if (shot.cropToCardArea) Crop(picture, FractionRect(shot.frameWidth, shot.frameHeight, shot.cardArea));
  if (!shot.backSide) {
    TurnPicture(picture, 90);
    return;
  }
  Picture front = LoadPicture(shot.frontPath);
  TurnNearest(front, -90);
  Picture page = ComposeIdCardPage(std::move(front), std::move(picture), IdCardPageSize(shot.frameWidth));
  TurnPicture(page, 90);
  picture = std::move(page);
}

}  // namespace imaging
