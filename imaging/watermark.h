// The watermark: a short line of dark, hatched text in the bottom-right
// corner of a still — the user's text, optionally followed by the date and
// time of the shot.
//
// The line is set into a white strip one character high; only the darkest
// part of the glyphs (luminance below 10) is copied onto the picture, and
// every sixth column and row of the strip stays white, so the stamp reads
// as hatched strokes whatever the page under it.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "imaging/picture.h"
#include "platform/text_renderer.h"

namespace imaging {

// The font the line is set in (the platform falls back to its interface font).
inline constexpr const char* kWatermarkFace = "黑体";

// The line as it is set: bytes are counted in GBK, where it has to fit a
// 128-byte buffer with its terminating zero.
inline constexpr std::size_t kWatermarkLineBytes = 127;

// The watermark text, followed with `withTime` by two spaces and the time
// as yy/mm/dd hh:mm:ss (year minus 2000). UTF-8 in and out. Text that GBK
// cannot hold becomes '?', and the text is cut at a whole character so that
// the line keeps within kWatermarkLineBytes GBK bytes.
std::string WatermarkLine(std::string_view text, bool withTime, const std::tm& localTime);

// The character height for a picture `width` pixels wide before its turn: width / 30.
int WatermarkCharacterHeight(int width);

// Stamps `line` (UTF-8) onto the picture, whose width is taken as it is now:
// the strip is ((GBK bytes of the line) + 3) × ch / 2 wide and ch high; the
// text block's left edge lies on the strip's left edge and its row r
// (counted from the bottom) on strip row r − 1. Each strip pixel takes
// trunc((255 − coverage) × 0.003921569 × 255); those in a column or row that
// is a multiple of 6 stay white; the rest whose luminance is below 10 are
// set at column W − sw + ch + x and row y + 20 (rows from the bottom) of the
// picture, where they fall inside it. A characterHeight below 1 stamps nothing.
void StampWatermark(Picture& picture, int characterHeight, std::string_view line, platform::TextRenderer& renderer);

}  // namespace imaging
