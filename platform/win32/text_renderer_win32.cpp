// Text through GDI: the block is measured and drawn with DrawText, white on
// black in a 32-bit top-down section, with greyscale anti-aliasing; the
// green channel is then the coverage.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/text_renderer.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

// The watermark's font record: negative height for the character height,
// weight 1, the simplified Chinese character set, stroke precision and a
// variable pitch; grey anti-aliasing gives the coverage.
HFONT CreateTextFont(const TextRequest& request) {
  const std::wstring face = Widen(request.face);
  return CreateFontW(-request.characterHeight, 0, 0, 0, 1, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_STROKE_PRECIS,
                     CLIP_STROKE_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, face.c_str());
}

// A memory device context with the font selected; everything is released with it.
class TextContext {
 public:
  explicit TextContext(const TextRequest& request) : dc_(CreateCompatibleDC(nullptr)) {
    if (dc_ == nullptr) return;
    font_ = CreateTextFont(request);
    // A font that cannot be created gives way to the interface font.
    HGDIOBJ selected = font_ != nullptr ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT);
    oldFont_ = SelectObject(dc_, selected);
  }
  ~TextContext() {
    if (dc_ == nullptr) return;
    if (oldBitmap_ != nullptr) SelectObject(dc_, oldBitmap_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    if (oldFont_ != nullptr) SelectObject(dc_, oldFont_);
    if (font_ != nullptr) DeleteObject(font_);
    DeleteDC(dc_);
  }
  TextContext(const TextContext&) = delete;
  TextContext& operator=(const TextContext&) = delete;

  HDC Dc() const { return dc_; }

  // A zeroed (black) 32-bit top-down section of the size, selected into the context.
  std::uint32_t* SelectSection(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap_ == nullptr || bits == nullptr) return nullptr;
    oldBitmap_ = SelectObject(dc_, bitmap_);
    std::memset(bits, 0, static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    return static_cast<std::uint32_t*>(bits);
  }

 private:
  HDC dc_;
  HFONT font_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
};

class GdiTextRenderer final : public TextRenderer {
 public:
  CoverageMask Render(const TextRequest& request) override {
    CoverageMask mask;
    if (request.characterHeight <= 0 || request.text.empty()) return mask;
    std::wstring text = Widen(std::string_view(request.text).substr(0, kMaxTextBytes));
    if (text.empty()) return mask;
    TextContext context(request);
    if (context.Dc() == nullptr) return mask;

    constexpr UINT kFormat = DT_CENTER | DT_NOPREFIX | DT_NOCLIP;
    RECT block{0, 0, 0, 0};
    DrawTextW(context.Dc(), text.data(), static_cast<int>(text.size()), &block, kFormat | DT_CALCRECT);
    const int width = static_cast<int>(block.right - block.left);
    const int height = static_cast<int>(block.bottom - block.top);
    if (width <= 0 || height <= 0 || std::int64_t{width} * height > kMaxCoveragePixels) return mask;
    std::uint32_t* pixels = context.SelectSection(width, height);
    if (pixels == nullptr) return mask;

    SetBkMode(context.Dc(), TRANSPARENT);
    SetTextColor(context.Dc(), RGB(255, 255, 255));
    RECT target{0, 0, width, height};
    DrawTextW(context.Dc(), text.data(), static_cast<int>(text.size()), &target, kFormat);
    GdiFlush();

    mask.width = width;
    mask.height = height;
    mask.coverage.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < mask.coverage.size(); ++i) {
      mask.coverage[i] = static_cast<std::uint8_t>((pixels[i] >> 8) & 0xFF);
    }
    return mask;
  }
};

}  // namespace

TextRenderer& SystemTextRenderer() {
  static GdiTextRenderer renderer;
  return renderer;
}

}  // namespace platform
