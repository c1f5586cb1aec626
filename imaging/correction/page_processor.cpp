// Our page processor: finds the page (or the spread) on the desk, erases
// fingers in mode 3, flattens curved lines on each side of the gutter,
// writes the page cut from the desk, and with two page paths the left and
// right pages divided at the gutter.
#include "imaging/bmp_file.h"
#include "imaging/correction/colour_rows.h"
#include "imaging/correction/correction.h"
#include "imaging/correction/page_steps.h"
#include "imaging/picture_file.h"
#include "imaging/picture_operations.h"

namespace imaging::correction {

namespace {

class BookPageProcessor final : public PageProcessor {
 public:
  // `options` and `strength` are accepted and not used: the processing has
  // no settings of its own. Returns 1 when a page was found, else 0.
  int Process(const char* inputPath, const char* outputPath, const char* leftPagePath, const char* rightPagePath,
              const std::int32_t* /*options*/, int mode, int /*strength*/) override {
    if (inputPath == nullptr) return 0;
    Picture picture = LoadPicture(inputPath);
    if (picture.Empty()) return 0;
    if (picture.BitsPerPixel() != 24) {
      Picture colour;
      detail::AsColour(picture, colour);
      picture = std::move(colour);
    }

    detail::GreyMap grey = detail::GreyMapOf(picture);
    detail::PageMask mask = detail::FindPageMask(grey);
    const Rect area = detail::PageArea(mask);
    if (mode == kFingerEraseMode) {
      const Rgb paper = detail::PaperColour(picture, grey, mask, area);
      if (detail::EraseFingers(picture, area, paper) > 0) {
        grey = detail::GreyMapOf(picture);
        mask = detail::FindPageMask(grey);
      }
    }
    bool evident = false;
    const int gutter = detail::FindGutter(grey, mask, area, &evident);
    // The two sides of a spread bend apart: each is followed on its own.
    if (evident) {
      detail::FlattenLines(picture, grey, mask, {area.left, area.top, gutter, area.bottom});
      detail::FlattenLines(picture, grey, mask, {gutter, area.top, area.right, area.bottom});
    } else {
      detail::FlattenLines(picture, grey, mask, area);
    }

    if (leftPagePath != nullptr && rightPagePath != nullptr) {
      SavePart(picture, {area.left, area.top, gutter, area.bottom}, leftPagePath);
      SavePart(picture, {gutter, area.top, area.right, area.bottom}, rightPagePath);
    }
    if (outputPath != nullptr) {
      Crop(picture, area);
      SaveBmp(picture, outputPath);
    }
    return mask.found ? 1 : 0;
  }

 private:
  static void SavePart(const Picture& picture, Rect part, const char* path) {
    Picture page = picture;
    Crop(page, part);
    SaveBmp(page, path);
  }
};

}  // namespace

std::unique_ptr<PageProcessor> MakeBookPageProcessor() { return std::make_unique<BookPageProcessor>(); }

}  // namespace imaging::correction
