// The automatic correction's part in the still pipelines: position
// correction and black-edge removal of a still, and the page processor
// that flattens curved pages, erases fingers and splits spreads. The
// pipelines call these at their fixed places; without an implementation
// the steps leave the picture and its file as they are.
#pragma once

#include <string>

#include "imaging/picture.h"

namespace imaging {

// The settings the steps follow, as the still's parameters copied them.
struct CorrectionSwitches {
  bool autoCrop = false;     // black-edge removal
  bool smartPaging = false;  // the page processor splits a spread
  bool fingerErase = false;
};

class StillCorrection {
 public:
  virtual ~StillCorrection() = default;

  // Position correction of a still already cut to the drawn frame: deskew
  // and, with black-edge removal on, crop to the page. Work files go into
  // `pictureFolder`.
  virtual void CorrectStill(Picture& picture, const std::string& pictureFolder, const CorrectionSwitches& switches) = 0;

  // Black-edge removal without position correction.
  virtual void RemoveBlackEdges(Picture& picture) = 0;

  // The page processor on a stored frame: the processed picture replaces
  // the file at `path`; with smart paging (and both page paths given) the
  // left and right pages are written there too.
  virtual void RunPageProcessing(const std::string& path, const std::string* leftPage, const std::string* rightPage,
                                 const CorrectionSwitches& switches) = 0;
};

}  // namespace imaging
