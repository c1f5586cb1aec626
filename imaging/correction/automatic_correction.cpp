// The correction steps of the still pipelines, around the edge finder's and
// the page processor's call contracts.
#include <algorithm>
#include <cmath>

#include "imaging/bmp_file.h"
#include "imaging/correction/correction.h"
#include "imaging/picture_operations.h"

namespace imaging::correction {

namespace {

constexpr int kWorkLong = 800;
constexpr int kWorkShort = 600;
constexpr int kWorkBrightness = 25;
// The constant arguments of the page processor's call.
constexpr std::int32_t kProcessorOptions[3] = {1, 75, 0};
constexpr int kProcessorStrength = 50;

struct WorkSize {
  int width;
  int height;
};

// The still scaled alike across and down to fit 800 x 600, or 600 x 800
// when it is not wider than high: a page keeps its angle and its right
// angles in the work picture whatever the still's proportions (a 16:9
// camera mode, a crop to a drawn frame), and edges found there scale back
// by the same factor both ways.
WorkSize WorkSizeFor(const Picture& picture) {
  const bool upright = picture.Width() <= picture.Height();
  const double boxWidth = upright ? kWorkShort : kWorkLong;
  const double boxHeight = upright ? kWorkLong : kWorkShort;
  const double scale = std::min(boxWidth / picture.Width(), boxHeight / picture.Height());
  return {std::max(1, static_cast<int>(std::lround(picture.Width() * scale))),
          std::max(1, static_cast<int>(std::lround(picture.Height() * scale)))};
}

// An out-value from outside our code: anything not finite counts as 0.
double Finite(double value) { return std::isfinite(value) ? value : 0.0; }

// trunc(size × (edge / workSide)), the quotient a float as the contract
// computes it; kept within int range whatever the finder wrote.
int ScaledEdge(int size, float edge, int workSide) {
  const float quotient = static_cast<float>(Finite(edge)) / static_cast<float>(workSide);
  const float scaled = static_cast<float>(size) * quotient;
  constexpr float kLimit = 1.0e9f;
  return static_cast<int>(std::trunc(std::clamp(scaled, -kLimit, kLimit)));
}

struct EdgeResult {
  double angle = 0;
  float left = 0, top = 0, right = 0, bottom = 0;
};

EdgeResult CallEdgeFinder(EdgeFinder& finder, const std::string& input, const std::string& output) {
  EdgeResult result;  // the angle, as every out-value, starts at 0
  std::int32_t extra[4] = {0, 0, 0, 0};
  finder.FindEdge(input.c_str(), output.c_str(), &result.angle, &extra[0], &extra[1], &result.left, &result.top,
                  &result.right, &result.bottom, &extra[2], &extra[3]);
  return result;
}

// The angle as the turn takes it, a float; 0 when the finder's value is
// not a number or too large for one.
float TurnAngle(double angle) {
  const auto degrees = static_cast<float>(Finite(angle));
  return std::isfinite(degrees) ? degrees : 0.0f;
}

}  // namespace

AutomaticCorrection::AutomaticCorrection()
    : ownEdgeFinder_(MakePageEdgeFinder()),
      ownPageProcessor_(MakeBookPageProcessor()),
      edgeFinder_(*ownEdgeFinder_),
      pageProcessor_(*ownPageProcessor_) {}

AutomaticCorrection::AutomaticCorrection(EdgeFinder& edgeFinder, PageProcessor& pageProcessor)
    : edgeFinder_(edgeFinder), pageProcessor_(pageProcessor) {}

void AutomaticCorrection::CorrectStill(Picture& picture, const std::string& pictureFolder,
                                       const CorrectionSwitches& switches) {
  if (picture.Empty()) return;
  const WorkSize work = WorkSizeFor(picture);
  // Straight from the still: a full-size copy would only be read once.
  Picture copy = ResampledNearest(picture, work.width, work.height);
  if (copy.Empty()) return;
  AdjustBrightnessContrast(copy, kWorkBrightness, 0);
  const std::string input = pictureFolder + kWorkInputName;
  const std::string output = pictureFolder + kWorkOutputName;
  SaveBmp(copy, input);

  const float angle = TurnAngle(CallEdgeFinder(edgeFinder_, input, output).angle);
  if (!switches.autoCrop) {
    TurnBilinear(picture, angle, kBlack);
    return;
  }

  TurnBilinear(copy, angle, kBlack);
  SaveBmp(copy, input);
  const EdgeResult page = CallEdgeFinder(edgeFinder_, input, output);
  // The turn keeps the size; turned and cropped in one, only the page is worked out.
  const int w = picture.Width();
  const int h = picture.Height();
  TurnBilinearAndCrop(picture, angle, kBlack,
                      {ScaledEdge(w, page.left, work.width), ScaledEdge(h, page.top, work.height),
                       ScaledEdge(w, page.right, work.width), ScaledEdge(h, page.bottom, work.height)});
}

void AutomaticCorrection::RemoveBlackEdges(Picture& picture) {
  Rect content{0, 0, picture.Width(), picture.Height()};
  FindContentRect(picture, content);
  Crop(picture, content);
}

void AutomaticCorrection::RunPageProcessing(const std::string& path, const std::string* leftPage,
                                            const std::string* rightPage, const CorrectionSwitches& switches) {
  const bool paging = switches.smartPaging && leftPage != nullptr && rightPage != nullptr;
  const int mode = switches.fingerErase ? kFingerEraseMode : kPlainMode;
  std::int32_t options[3] = {kProcessorOptions[0], kProcessorOptions[1], kProcessorOptions[2]};
  pageProcessor_.Process(path.c_str(), path.c_str(), paging ? leftPage->c_str() : nullptr,
                         paging ? rightPage->c_str() : nullptr, options, mode, kProcessorStrength);
}

}  // namespace imaging::correction
