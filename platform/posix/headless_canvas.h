// The canvas of a headless dialog: every call becomes a mark in the host's
// drawing record.
#pragma once

#include "platform/dialog.h"

namespace platform::headless {

class Host;

class RecordingCanvas final : public Canvas {
 public:
  RecordingCanvas(Host& host, WindowHandle window) : host_(host), window_(window) {}
  void Polyline(std::span<const Point> points, Rgb colour, int penWidth) override;
  void Rectangle(const Rect& rect, Rgb colour, int penWidth) override;
  bool Text(Point origin, std::string_view utf8, const FontRequest& font, Rgb colour) override;
  bool CentredText(const Rect& rect, std::string_view utf8, const FontRequest& font, Rgb colour) override;
  void StretchPicture(const Rect& rect, const PictureView& picture) override;

 private:
  Host& host_;
  WindowHandle window_;
};

}  // namespace platform::headless
