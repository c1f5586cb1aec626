#include "platform/posix/headless_canvas.h"

#include <string>
#include <vector>

#include "platform/posix/headless_host_internal.h"

namespace platform::headless {

void RecordingCanvas::Polyline(std::span<const Point> points, Rgb colour, int penWidth) {
  host_.Record({DrawnMark::Kind::Polyline,
                window_,
                std::vector<Point>(points.begin(), points.end()),
                {},
                colour,
                penWidth,
                {},
                {}});
}

void RecordingCanvas::Rectangle(const Rect& rect, Rgb colour, int penWidth) {
  host_.Record({DrawnMark::Kind::Rectangle, window_, {}, rect, colour, penWidth, {}, {}});
}

bool RecordingCanvas::Text(Point origin, std::string_view utf8, const FontRequest& font, Rgb colour) {
  host_.Record({DrawnMark::Kind::Text, window_, {origin}, {}, colour, 0, std::string(utf8), font});
  return !host_.FontCreationFails();
}

bool RecordingCanvas::CentredText(const Rect& rect, std::string_view utf8, const FontRequest& font, Rgb colour) {
  host_.Record({DrawnMark::Kind::CentredText, window_, {}, rect, colour, 0, std::string(utf8), font});
  return !host_.FontCreationFails();
}

void RecordingCanvas::StretchPicture(const Rect& rect, const PictureView& picture) {
  host_.Record({DrawnMark::Kind::Picture, window_, {{picture.width, picture.height}}, rect, {}, 0, {}, {}});
}

}  // namespace platform::headless
