// A text renderer whose block is a rectangle of one coverage value, so that
// where the watermark lands can be checked pixel by pixel.
#pragma once

#include <string>
#include <vector>

#include "platform/text_renderer.h"

namespace pipeline_testing {

class BlockTextRenderer final : public platform::TextRenderer {
 public:
  BlockTextRenderer(int width, int height, std::uint8_t coverage = 255)
      : width_(width), height_(height), coverage_(coverage) {}

  platform::CoverageMask Render(const platform::TextRequest& request) override {
    requests.push_back(request);
    if (request.text.empty()) return {};
    platform::CoverageMask mask{width_, height_, {}};
    mask.coverage.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), coverage_);
    return mask;
  }

  std::vector<platform::TextRequest> requests;

 private:
  int width_;
  int height_;
  std::uint8_t coverage_;
};

}  // namespace pipeline_testing
