#include "imaging/watermark.h"

#include <cstdio>

#include "platform/text_encoding.h"

namespace imaging {

namespace {

constexpr int kHatchStep = 6;
constexpr int kDarknessLimit = 10;
constexpr int kRowsAboveBottom = 20;

// The GBK text cut to at most `limit` bytes without splitting a two-byte character.
std::string CutGbk(const std::string& gbk, std::size_t limit) {
  std::size_t end = 0;
  while (end < gbk.size()) {
    const std::size_t length = static_cast<unsigned char>(gbk[end]) >= 0x81 ? 2 : 1;
    if (end + length > limit) break;
    end += length;
  }
  return gbk.substr(0, end);
}

// The strip's value over coverage c: white without ink, black under full ink.
int StripValue(int coverage) { return static_cast<int>((255 - coverage) * 0.003921569 * 255); }

int Luminance(int grey) { return static_cast<int>(0.299 * grey + 0.587 * grey + 0.114 * grey); }

}  // namespace

std::string WatermarkLine(std::string_view text, bool withTime, const std::tm& localTime) {
  std::string time;
  if (withTime) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "  %02d/%02d/%02d %02d:%02d:%02d", localTime.tm_year + 1900 - 2000,
                  localTime.tm_mon + 1, localTime.tm_mday, localTime.tm_hour, localTime.tm_min, localTime.tm_sec);
    time = buffer;
  }
  const std::size_t room = time.size() < kWatermarkLineBytes ? kWatermarkLineBytes - time.size() : 0;
  return platform::GbkToUtf8(CutGbk(platform::Utf8ToGbk(text), room)) + time;
}

int WatermarkCharacterHeight(int width) { return width / 30; }

void StampWatermark(Picture& picture, int characterHeight, std::string_view line, platform::TextRenderer& renderer) {
  const int ch = characterHeight;
  if (ch < 1 || picture.Empty()) return;
  const auto bytes = static_cast<long long>(platform::Utf8ToGbk(line).size());
  const long long stripWidth = (bytes + 3) * ch / 2;
  const platform::CoverageMask mask = renderer.Render({std::string(line), kWatermarkFace, ch});

  const long long left = picture.Width() - stripWidth + ch;
  for (int y = 0; y < ch; ++y) {
    if (y % kHatchStep == 0) continue;
    const int targetY = y + kRowsAboveBottom;
    if (targetY >= picture.Height()) break;
    // Strip row y shows block row y + 1 from the bottom.
    const int maskRow = mask.height - 1 - (y + 1);
    for (long long x = 0; x < stripWidth; ++x) {
      const long long targetX = left + x;
      if (x % kHatchStep == 0 || targetX < 0) continue;
      if (targetX >= picture.Width() || x >= mask.width) break;
      const int value = StripValue(mask.At(static_cast<int>(x), maskRow));
      if (Luminance(value) >= kDarknessLimit) continue;
      const auto v = static_cast<std::uint8_t>(value);
      picture.SetPixel(static_cast<int>(targetX), targetY, {v, v, v});
    }
  }
}

}  // namespace imaging
