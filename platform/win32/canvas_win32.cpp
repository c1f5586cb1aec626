// Every drawing call selects what it needs into the window's device context
// and puts back what was there, so the marks drawn over the live video leave
// the context as the dialog's own painting expects it.
#include "platform/win32/canvas_win32.h"

#include <algorithm>
#include <vector>

#include "platform/win32/wide_text.h"

namespace platform {
namespace {

COLORREF ColourOf(Rgb colour) { return RGB(colour.red, colour.green, colour.blue); }

// A solid pen selected for the lifetime of the object.
class SelectedPen {
 public:
  SelectedPen(HDC context, Rgb colour, int width)
      : context_(context), pen_(CreatePen(PS_SOLID, width, ColourOf(colour))) {
    if (pen_ != nullptr) previous_ = SelectObject(context_, pen_);
  }
  ~SelectedPen() {
    if (pen_ == nullptr) return;
    SelectObject(context_, previous_);
    DeleteObject(pen_);
  }
  SelectedPen(const SelectedPen&) = delete;
  SelectedPen& operator=(const SelectedPen&) = delete;

 private:
  HDC context_;
  HPEN pen_;
  HGDIOBJ previous_ = nullptr;
};

// The requested font selected for the lifetime of the object; when it cannot
// be made the context keeps its current font.
class SelectedFont {
 public:
  SelectedFont(HDC context, const FontRequest& request) : context_(context) {
    const std::wstring face = Widen(request.face);
    font_ = CreateFontW(request.height, 0, 0, 0, request.weight, request.italic ? TRUE : FALSE, FALSE, FALSE,
                        static_cast<DWORD>(request.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        static_cast<DWORD>(request.pitchAndFamily), face.c_str());
    if (font_ != nullptr) previous_ = SelectObject(context_, font_);
  }
  ~SelectedFont() {
    if (font_ == nullptr) return;
    SelectObject(context_, previous_);
    DeleteObject(font_);
  }
  SelectedFont(const SelectedFont&) = delete;
  SelectedFont& operator=(const SelectedFont&) = delete;
  bool Made() const { return font_ != nullptr; }

 private:
  HDC context_;
  HFONT font_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

class WindowCanvas final : public Canvas {
 public:
  WindowCanvas(HWND window, HDC context) : window_(window), context_(context) {}
  ~WindowCanvas() override {
    if (context_ != nullptr) ReleaseDC(window_, context_);
  }
  WindowCanvas(const WindowCanvas&) = delete;
  WindowCanvas& operator=(const WindowCanvas&) = delete;

  void Polyline(std::span<const Point> points, Rgb colour, int penWidth) override {
    std::vector<POINT> joined;
    joined.reserve(points.size());
    for (const Point& point : points) joined.push_back({point.x, point.y});
    SelectedPen pen(context_, colour, penWidth);
    ::Polyline(context_, joined.data(), static_cast<int>(joined.size()));
  }

  void Rectangle(const Rect& rect, Rgb colour, int penWidth) override {
    SelectedPen pen(context_, colour, penWidth);
    ::Rectangle(context_, rect.left, rect.top, rect.right, rect.bottom);
  }

  bool Text(Point origin, std::string_view utf8, const FontRequest& font, Rgb colour) override {
    SelectedFont selected(context_, font);
    const COLORREF previousColour = SetTextColor(context_, ColourOf(colour));
    const int previousMode = SetBkMode(context_, TRANSPARENT);
    const std::wstring text = Widen(utf8);
    TextOutW(context_, origin.x, origin.y, text.c_str(), static_cast<int>(text.size()));
    SetBkMode(context_, previousMode);
    SetTextColor(context_, previousColour);
    return selected.Made();
  }

  bool CentredText(const Rect& rect, std::string_view utf8, const FontRequest& font, Rgb colour) override {
    SelectedFont selected(context_, font);
    const COLORREF previousColour = SetTextColor(context_, ColourOf(colour));
    std::wstring text = Widen(utf8);
    RECT area{rect.left, rect.top, rect.right, rect.bottom};
    DrawTextW(context_, text.data(), static_cast<int>(text.size()), &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(context_, previousColour);
    return selected.Made();
  }

  void StretchPicture(const Rect& rect, const PictureView& picture) override {
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = picture.width;
    info.header.biHeight = picture.height;  // rows bottom-up, as the view holds them
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(picture.bitsPerPixel);
    info.header.biCompression = BI_RGB;
    const std::size_t colours = std::min<std::size_t>(picture.palette.size(), 256);
    info.header.biClrUsed = static_cast<DWORD>(colours);
    for (std::size_t i = 0; i < colours; ++i) {
      info.colours[i] = {picture.palette[i].blue, picture.palette[i].green, picture.palette[i].red, 0};
    }
    const int previousMode = SetStretchBltMode(context_, COLORONCOLOR);
    StretchDIBits(context_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, 0, 0, picture.width,
                  picture.height, picture.rows, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(context_, previousMode);
  }

 private:
  HWND window_;
  HDC context_;
};

}  // namespace

std::unique_ptr<Canvas> MakeWindowCanvas(HWND window) {
  // GetDC(nullptr) would be the whole screen's context: a window that is gone
  // gets a canvas on no context, whose drawing calls fail quietly.
  HDC context = window != nullptr ? GetDC(window) : nullptr;
  return std::make_unique<WindowCanvas>(window, context);
}

}  // namespace platform
