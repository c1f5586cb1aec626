// An ID card in "Color and B&W": each side is shot in colour and the colour
// picture gets a black-and-white copy as the following number.
#include "acquire/picture_files.h"
#include "imaging/colour_mode.h"
#include "imaging/picture_file.h"
#include "imaging/still_pipeline.h"

namespace imaging {

// The front is stored as the next picture without being counted (the card
// counts once, when its back completes it), yet the pair counts its colour
// picture at once: before the back shot that count is taken back, and the
// back's composed card takes the same number. After either shot the colour
// picture's black-and-white copy is written as the following number, which
// is counted only once the card is complete.
bool StillPipeline::ShootIdCardColourAndBlackWhite(const std::function<void()>& shootColour) {
  acquire::PageQueue& queue = links_.queue;
  const std::string folder = acquire::PictureFolder();
  const int sideBefore = IdCardSide();
  const int countBefore = queue.PictureCount();
  if (sideBefore == 1) queue.SetPictureCount(countBefore - 1);
  shootColour();
  if (IdCardSide() == sideBefore) {
    // The still was not stored (refused or late): nothing to copy, nothing to count.
    queue.SetPictureCount(countBefore);
    return false;
  }
  int count = queue.PictureCount();
  if (IdCardSide() == 0) --count;
  const std::string colourName = acquire::PictureFileName(folder, count + 1, protocol::PixelType::Colour);
  const std::string blackWhiteName = acquire::PictureFileName(folder, count + 2, protocol::PixelType::BlackWhite);
  acquire::PageEntry* colourEntry = queue.Entry(count + 1);
  acquire::PageEntry* blackWhiteEntry = queue.Entry(count + 2);
  ++count;
  if (colourEntry != nullptr && blackWhiteEntry != nullptr) {
    colourEntry->filePath = colourName;
    // The copy has the colour picture's size; its record says so, and that it is black-and-white.
    *blackWhiteEntry = {blackWhiteName, colourEntry->widthInches, colourEntry->heightInches,
                        protocol::PixelType::BlackWhite};
    Picture picture = LoadPicture(colourName);
    ConvertToBlackWhite(picture);
    SavePicture(picture, blackWhiteName, PictureFormat::Bmp);
    if (IdCardSide() == 0) ++count;
  }
  queue.SetPictureCount(count);
  return true;
}

}  // namespace imaging
