// Automatic correction: straightening and trimming stills, and the page
// processing of books. Four pieces:
//
// - FindContentRect: the light content of a picture, for black-edge removal
//   and for the page detection that watches the preview;
// - SkewEstimator: the skew of text lines on a small frame, every frame;
// - the edge finder (EdgeFinder): skew and page rectangle of a work picture
//   file, for the position correction of a still;
// - the page processor (PageProcessor): curve flattening, finger erasing
//   and the splitting of a spread, on picture files.
//
// The edge finder and the page processor are called through file-based
// contracts (paths in, paths and out-values back), so that any finder or
// processor that honours them can take the place of ours.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/picture.h"
#include "imaging/still_correction.h"

namespace imaging::correction {

// Fills `rect` with the edges of the picture's light content. A pixel is
// light when trunc(0.299 R + 0.587 G + 0.114 B) >= 129. Each of four scans
// counts light pixels in a run that any dark pixel resets (and that goes on
// from one column or row to the next) and stops once the run exceeds
// height / 10: left scans columns from the left, each from the bottom row
// up (rect.left = x); right scans columns from the right, likewise
// (rect.right = x); bottom scans rows from the bottom, each from the left
// (rect.bottom = height - y, y counted from the bottom); top scans rows from
// the top, each from the right (rect.top = height - y). An edge whose scan
// finds no such run is 0. Callers preset the whole picture, (0, 0, W, H).
void FindContentRect(const Picture& picture, Rect& rect);

// The skew of the dark lines of a picture, by votes of their upper edges.
class SkewEstimator {
 public:
  // Degrees to turn clockwise (as displayed) to straighten the lines; a
  // line rising to the right gives a positive value. Each dark pixel
  // (0.299 R + 0.587 G + 0.114 B < 128) of the middle half of the columns,
  // rows 1 to height - 2 from the bottom, whose upper neighbour is not dark,
  // votes for the lines through it at 200 angles from -20 to +19.8 degrees
  // (distance bins of one pixel); the estimate is the mean angle of the 20
  // strongest cells (the earlier cell wins a tie). 0 when nothing votes.
  double Estimate(const Picture& picture) const;
};

// The number of angles the estimator tries, and the first and the step.
inline constexpr int kSkewAngles = 200;
inline constexpr double kSkewFirstAngle = -20.0;
inline constexpr double kSkewAngleStep = 0.2;

// Measures a page on a work picture file. Every argument is as the call
// contract fixes it: the input and output paths, then the out-values.
class EdgeFinder {
 public:
  virtual ~EdgeFinder() = default;
  // `angle`: degrees to turn the work picture clockwise (as displayed) to
  // straighten the page. `left`..`bottom`: the page in work-picture pixels
  // from the top-left once so turned (right and bottom exclusive); all four
  // are always written, the whole work picture when no page is found.
  // `outputPath` receives a picture of the finder's choosing that the
  // caller never reads. The four 32-bit out-values are the finder's own.
  // The return value is not read.
  virtual int FindEdge(const char* inputPath, const char* outputPath, double* angle, std::int32_t* extra1,
                       std::int32_t* extra2, float* left, float* top, float* right, float* bottom, std::int32_t* extra3,
                       std::int32_t* extra4) = 0;
};

// Processes a stored frame: the processed picture goes to `outputPath`
// (the callers give the input path), and, when both page paths are given,
// the left and right pages of a spread go there. `options` points at three
// integers (the callers pass 1, 75, 0); `mode` is 3 to erase fingers, else
// 1; `strength` is 50 from the callers. The return value is not read.
class PageProcessor {
 public:
  virtual ~PageProcessor() = default;
  virtual int Process(const char* inputPath, const char* outputPath, const char* leftPagePath,
                      const char* rightPagePath, const std::int32_t* options, int mode, int strength) = 0;
};

inline constexpr const char* kWorkInputName = "in_pai.bmp";
inline constexpr const char* kWorkOutputName = "out_pai.bmp";
inline constexpr int kFingerEraseMode = 3;
inline constexpr int kPlainMode = 1;

// Our own edge finder and page processor (page_edge_finder.cpp, page_processor.cpp).
std::unique_ptr<EdgeFinder> MakePageEdgeFinder();
std::unique_ptr<PageProcessor> MakeBookPageProcessor();

// The correction steps of the still pipelines, following the switches each
// call brings.
class AutomaticCorrection final : public StillCorrection {
 public:
  // With our own edge finder and page processor.
  AutomaticCorrection();
  // With the given ones, which must outlive this object.
  AutomaticCorrection(EdgeFinder& edgeFinder, PageProcessor& pageProcessor);

  // Work copy scaled alike both ways to fit 800 x 600 (600 x 800 when not
  // wider than high), so that angles in it are the still's own; resampled
  // by nearest pixel and brightened by 25, saved as "in_pai.bmp" in the
  // folder; the edge finder's angle turns the still (bilinear, size kept,
  // black fill). With black-edge removal on, the turned work copy is
  // measured again and the still cropped to the page it finds, scaled from
  // the work size. Out-values that are not finite count as 0.
  void CorrectStill(Picture& picture, const std::string& pictureFolder, const CorrectionSwitches& switches) override;
  // Crops to FindContentRect's rectangle, preset to the whole picture.
  void RemoveBlackEdges(Picture& picture) override;
  // The page processor on `path` in place; the page paths are handed on
  // only with smart paging on; mode 3 with finger erasing on.
  void RunPageProcessing(const std::string& path, const std::string* leftPage, const std::string* rightPage,
                         const CorrectionSwitches& switches) override;

 private:
  std::unique_ptr<EdgeFinder> ownEdgeFinder_;
  std::unique_ptr<PageProcessor> ownPageProcessor_;
  EdgeFinder& edgeFinder_;
  PageProcessor& pageProcessor_;
};

}  // namespace imaging::correction
