// Our edge finder: the page on the work picture is the quadrilateral of
// straight edges that closes round it (page_quad.h); its sides give the
// angle, its corners turned by that angle the rectangle.
#include "imaging/bmp_file.h"
#include "imaging/correction/correction.h"
#include "imaging/correction/page_quad.h"
#include "imaging/picture_file.h"
#include "imaging/picture_operations.h"

namespace imaging::correction {

namespace {

class PageEdgeFinder final : public EdgeFinder {
 public:
  // Out-values of our own: 4 and 5 the work picture's width and height, 10
  // whether a page was found (1) or not (0), 11 how many of its sides were
  // seen (the others lie beyond the picture's border).
  // `outputPath` receives the page as the caller will crop it: the work
  // picture turned and cut to the rectangle.
  int FindEdge(const char* inputPath, const char* outputPath, double* angle, std::int32_t* width, std::int32_t* height,
               float* left, float* top, float* right, float* bottom, std::int32_t* found,
               std::int32_t* sidesSeen) override {
    Picture work = inputPath != nullptr ? LoadPicture(inputPath) : Picture();
    const detail::PageQuad quad = detail::FindPageQuad(work);
    const double turn = quad.found ? -quad.angle : 0.0;
    const Rect page = detail::TurnedBounds(quad, work.Width(), work.Height(), turn);
    Write(angle, turn);
    Write(width, work.Width());
    Write(height, work.Height());
    Write(left, static_cast<float>(page.left));
    Write(top, static_cast<float>(page.top));
    Write(right, static_cast<float>(page.right));
    Write(bottom, static_cast<float>(page.bottom));
    Write(found, quad.found ? 1 : 0);
    Write(sidesSeen, quad.sidesSeen);
    if (outputPath != nullptr && !work.Empty()) {
      TurnBilinear(work, turn, kBlack);
      Crop(work, page);
      SaveBmp(work, outputPath);
    }
    return quad.found ? 1 : 0;
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
