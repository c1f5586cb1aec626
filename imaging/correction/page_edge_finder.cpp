// Our edge finder: the page on the work picture is the light region (or
// the regions of a spread) standing out from the desk; its border pixels
// give the angle, its pixels turned by that angle give the rectangle.
#include "imaging/bmp_file.h"
#include "imaging/correction/correction.h"
#include "imaging/correction/page_region.h"
#include "imaging/picture_file.h"
#include "imaging/picture_operations.h"

namespace imaging::correction {

namespace {

class PageEdgeFinder final : public EdgeFinder {
 public:
  // Out-values of our own: 4 and 5 the work picture's width and height, 10
  // whether a page was found (1) or not (0), 11 the border pixels measured.
  // `outputPath` receives the page as the caller will crop it: the work
  // picture turned and cut to the rectangle.
  int FindEdge(const char* inputPath, const char* outputPath, double* angle, std::int32_t* width, std::int32_t* height,
               float* left, float* top, float* right, float* bottom, std::int32_t* found,
               std::int32_t* borderPixels) override {
    Picture work = inputPath != nullptr ? LoadPicture(inputPath) : Picture();
    const detail::PageMask mask = detail::FindPageMask(detail::GreyMapOf(work));
    int points = 0;
    const double turn = -detail::PageEdgeAngle(mask, &points);
    const Rect page = detail::StraightenedPageRect(mask, turn);
    Write(angle, turn);
    Write(width, work.Width());
    Write(height, work.Height());
    Write(left, static_cast<float>(page.left));
    Write(top, static_cast<float>(page.top));
    Write(right, static_cast<float>(page.right));
    Write(bottom, static_cast<float>(page.bottom));
    Write(found, mask.found ? 1 : 0);
    Write(borderPixels, points);
    if (outputPath != nullptr && !work.Empty()) {
      TurnBilinear(work, turn, kBlack);
      Crop(work, page);
      SaveBmp(work, outputPath);
    }
    return mask.found ? 1 : 0;
  }

 private:
  template <class T, class V>
  static void Write(T* target, V value) {
    if (target != nullptr) *target = static_cast<T>(value);
  }
};

}  // namespace

std::unique_ptr<EdgeFinder> MakePageEdgeFinder() { return std::make_unique<PageEdgeFinder>(); }

}  // namespace imaging::correction
